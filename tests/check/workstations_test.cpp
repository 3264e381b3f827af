// Two workstations on one database: two processes, each with its own
// connection and its own check, working on the same articles, on local tables
// and on a PostgreSQL server. The server comes from DBE_TEST_PG (a libpq
// conninfo); each test keeps its tables there in a schema of its own and
// drops it afterwards.
#include "check_fixture.h"
#include "child_process.h"
#include "db_errors.h"
#include "exceptions.h"
#include "past_engine.h"
#include "server_schema.h"
#include "test_server.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using testsupport::Child;
using testsupport::Hear;
using testsupport::Tell;
using testsupport::WithSearchPath;

const TDbServerTypes kRemote = {TDbServerType::stDB_REMOTE};

// The articles as "ID:ARTN" in ID order, as `tbltool export` prints them: a
// third client, apart from both workstations. The test's numbers need no
// quoting in CSV.
QStringList Exported(const QString &conninfo) {
    QProcess p;
    p.start(qEnvironmentVariable("DBE_TEST_BIN") + QStringLiteral("/tbltool"),
            {QStringLiteral("export"), conninfo + QStringLiteral("/ArtikelMain.TBL"), QStringLiteral("--index"),
             QStringLiteral("ID")});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) return {QStringLiteral("no header")};
    const QStringList header = lines.takeFirst().split(u',');
    const qsizetype id = header.indexOf(QStringLiteral("ID")), number = header.indexOf(QStringLiteral("ARTN"));
    QStringList rows;
    for (const QString &line : lines) {
        const QStringList cells = line.split(u',');
        if (cells.size() != header.size() || id < 0 || number < 0) return {QStringLiteral("unreadable: ") + line};
        rows << cells[id] + u':' + cells[number];
    }
    return rows;
}

// A workstation's part in a child process: its exit status tells the test
// where it stopped, an exception's text goes to standard error.
int Workstation(const char *step, const std::function<int()> &body) {
    try {
        return body();
    } catch (const Exception &e) {
        std::fprintf(stderr, "other workstation, %s: %s\n", step, e.message().toLocal8Bit().constData());
    }
    return 99;
}

constexpr const char *kNoServer = "DBE_TEST_PG names no PostgreSQL server (a conninfo such as "
                                  "\"host=127.0.0.1 port=5432 user=postgres dbname=postgres\")";

class TwoWorkstations : public ::testing::Test {
protected:
    void SetUp() override {
        if (!schema_.Create()) GTEST_SKIP() << kNoServer;
        conninfo_ = schema_.conninfo;
    }

    QString conninfo_;

private:
    ServerSchema schema_;
};

// The same on local tables (a folder both processes open) and on the server.
class EitherBackend : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        const bool server = GetParam();
        if (server && !schema_.Create()) GTEST_SKIP() << kNoServer;
        db = std::make_unique<HostDatabase>(server ? schema_.conninfo : QString());
    }

    std::unique_ptr<HostDatabase> db;

private:
    ServerSchema schema_;
};

// The other workstation has the article open for editing: renumbering it
// here is refused with the engine's words, exactly as with a local folder,
// and changes nothing anywhere. Once the other lets go, the same renumbering
// goes through and the other reads the new number.
TEST_F(TwoWorkstations, RenumberingWaitsForTheOtherWorkstationsLock) {
    HostDatabase db(conninfo_);
    ASSERT_EQ(db.AddArticles({{"A-1"}, {"A-1"}}), (std::vector<int>{1, 2}));

    // Forked while this process has no connection open, so that no server
    // session is shared over the fork.
    Child other([&](int in, int out) {
        return Workstation("editing", [&] {
            CheckHarness h(db.path, kRemote);
            if (!h.articles->Locate(QStringLiteral("ID"), 2, 0)) return 10;
            h.articles->Edit();
            h.articles->FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("NIE"));
            uint32_t recno = 0;
            if (DbeGetRecordNum(h.articles->TableHandle(), 0, &recno) != DBE_SUCCESS) return 11;
            if (::write(out, &recno, sizeof recno) != sizeof recno) return 12;
            if (Hear(in) != 'c') return 13;
            h.articles->Cancel();
            Tell(out, 'c');
            if (Hear(in) != 'r') return 14;
            if (!h.articles->Locate(QStringLiteral("ID"), 2, 0)) return 15;
            return h.articles->FieldByName(QStringLiteral("ARTN"))->AsString() == QStringLiteral("B-1") ? 0 : 16;
        });
    });
    uint32_t locked = 0;
    ASSERT_TRUE(other.Read(&locked, sizeof locked))
        << "the other workstation could not start editing: exit " << other.Finish();

    CheckHarness h(db.path, kRemote);
    h.check->CheckDuplicates();
    h.check->FillBookedQuantities();  // selects the first row, article 2
    ASSERT_EQ(h.Rows(), (QStringList{QStringLiteral("2:A-1"), QStringLiteral("1:A-1")}));
    h.ui.input = QStringLiteral("B-1");
    h.check->ChangeNumber();
    EXPECT_EQ(h.ui.infos, QStringList{QStringLiteral("<B>Fehler:</B><BR>Table_ARTMAIN: The record is locked by "
                                                     "another user. record %1")
                                          .arg(locked)});
    uint32_t code = 0;
    DbeGetLastError(&code, nullptr, nullptr);
    EXPECT_EQ(code, uint32_t(DBE_E_RECORD_LOCKED));
    EXPECT_EQ(h.articles->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(h.km->FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    EXPECT_EQ(h.km->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("A-1"));
    EXPECT_EQ(Exported(db.path), (QStringList{QStringLiteral("1:A-1"), QStringLiteral("2:A-1")}));

    other.Send('c');
    ASSERT_EQ(other.Receive(), 'c') << "the other workstation could not stop editing: exit " << other.Finish();
    h.check->ChangeNumber();
    EXPECT_EQ(h.ui.infos.size(), 1);
    EXPECT_EQ(h.ui.offered, (QStringList{QStringLiteral("A-1"), QStringLiteral("A-1")}));
    EXPECT_EQ(h.km->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("B-1"));
    EXPECT_EQ(Exported(db.path), (QStringList{QStringLiteral("1:A-1"), QStringLiteral("2:B-1")}));
    other.Send('r');
    EXPECT_EQ(other.Finish(), 0) << "the other workstation does not read the new number";
}

// One workstation deletes the duplicates its scan found, while another
// client of the server adds one more "7"; then the other workstation, whose
// tables were open and scanned before and which wrote nothing since, checks
// again. Its result list, the deleting workstation's own re-check and the
// exported table agree on what is left.
TEST_F(TwoWorkstations, ACheckAfterTheOtherWorkstationsDeleteRunSeesWhatIsLeft) {
    HostDatabase db(conninfo_);
    ASSERT_EQ(db.AddArticles({{"7"}, {"5"}, {"7"}, {"5"}, {"5"}, {"AB1"}, {"ab1"}, {"X"}}).size(), 8u);
    const QStringList left = {QStringLiteral("9:7"), QStringLiteral("3:7")};

    Child deleter([&](int in, int out) {
        if (Hear(in) != 'd') return 10;
        return Workstation("deleting", [&] {
            CheckHarness h(db.path, kRemote);
            h.ui.onCheckClick = [&] { h.check->CheckDuplicates(); };
            h.check->CheckDuplicates();
            if (h.km->RecordCount() != 5) return 11;
            // Not in this scan, so not in this delete run.
            if (db.AddArticles({{"7"}}) != std::vector<int>{9}) return 12;
            h.check->DeleteDuplicates();
            if (h.ui.questions != QStringList{QStringLiteral("Doppelte Artikel <b>jetzt löschen</b>?")}) return 13;
            if (h.ui.checkClicks != 1 || h.Rows() != left) return 14;
            Tell(out, 'd');
            // Still connected while the other workstation checks.
            return Hear(in) == 'q' ? 0 : 15;
        });
    });

    CheckHarness h(db.path, kRemote);
    h.check->CheckDuplicates();
    ASSERT_EQ(h.Rows(), (QStringList{QStringLiteral("4:5"), QStringLiteral("2:5"), QStringLiteral("5:5"),
                                     QStringLiteral("3:7"), QStringLiteral("1:7")}));
    deleter.Send('d');
    ASSERT_EQ(deleter.Receive(), 'd') << "the delete run went wrong: exit " << deleter.Finish();

    h.ui.statuses.clear();
    h.check->CheckDuplicates();
    EXPECT_EQ(h.Rows(), left);
    EXPECT_EQ(h.ui.statuses, QStringList{VerdictText(2)});
    EXPECT_EQ(h.ui.progressMax, 6);
    EXPECT_EQ(h.ArticleIds(), (QList<int>{3, 4, 6, 7, 8, 9}));
    EXPECT_EQ(Exported(db.path), (QStringList{QStringLiteral("3:7"), QStringLiteral("4:5"), QStringLiteral("6:AB1"),
                                              QStringLiteral("7:ab1"), QStringLiteral("8:X"), QStringLiteral("9:7")}));
    deleter.Send('q');
    EXPECT_EQ(deleter.Finish(), 0);
}

// The other workstation renumbers articles of this one's check after the
// check: one while the question is open, one in the middle of the delete
// run. The delete run passes over a renumbered article, which is no longer a
// duplicate, and no longer counts it for its old number, so that number
// keeps an existing article.
TEST_P(EitherBackend, TheDeleteRunPassesOverArticlesRenumberedElsewhere) {
    // ARTN runs: 100 = 1,2 (keeps 2 when nothing changes); 200 = 3,4,5 (keeps 4).
    ASSERT_EQ(db->AddArticles({{"100"}, {"100"}, {"200"}, {"200"}, {"200"}}), (std::vector<int>{1, 2, 3, 4, 5}));

    // Forked before this process opens anything, so that no connection or
    // file handle is shared over the fork.
    Child other([&](int in, int out) {
        return Workstation("renumbering", [&] {
            CheckHarness h(db->path, db->servers);
            for (char id; (id = Hear(in)) != 'q';) {
                if (!h.articles->Locate(QStringLiteral("ID"), id - '0', 0)) return 10;
                h.articles->Edit();
                h.articles->FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("%1-neu").arg(id));
                h.articles->Post();
                Tell(out, 'r');
            }
            return 0;
        });
    });
    auto renumber = [&](char id) {
        other.Send(id);
        ASSERT_EQ(other.Receive(), 'r') << "the other workstation could not renumber: exit " << other.Finish();
    };

    CheckHarness h(db->path, db->servers);
    h.ui.onCheckClick = [&] { h.check->CheckDuplicates(); };
    h.check->CheckDuplicates();
    ASSERT_EQ(h.Rows(), (QStringList{"2:100", "1:100", "4:200", "3:200", "5:200"}));
    // While the question is open the other renumbers 2, the survivor-to-be of
    // 100; once the run has deleted 5 it renumbers 3, next in the list.
    h.ui.onAsk = [&] { renumber('2'); };
    h.ui.onPump = [&] {
        if (h.ui.statuses.size() == 3 && h.ui.statuses.last() == QStringLiteral("200 <b>löschen..")) {
            h.ui.onPump = nullptr;
            renumber('3');
        }
    };
    h.ui.statuses.clear();
    h.check->DeleteDuplicates();
    EXPECT_EQ(h.ui.statuses.mid(0, 5), (QStringList{"100 <b>überspringen..", "100 <b>überspringen..",
                                                    "200 <b>löschen..", "200 <b>überspringen..",
                                                    "200 <b>überspringen.."}));
    EXPECT_EQ(h.ArticleIds(), (QList<int>{1, 2, 3, 4}));
    other.Send('q');
    EXPECT_EQ(other.Finish(), 0);
}

// Another program leaves article numbers that the engine cannot read as
// they are, X-Ł1 and X-Ł2 (on the server, where every byte is a Windows-1252
// text byte, numbers with a NUL in them): once cut at that character they
// would read alike, X-, and count as duplicates. The scan ends on its error
// path without listing them; a delete run of an earlier scan's list stops at
// the first of them and deletes nothing, not even the other number's
// duplicate.
TEST_P(EitherBackend, UnreadableNumbersEndTheScanAndTheDeleteRunDeletesNothing) {
    ASSERT_EQ(db->AddArticles({{"X-1"}, {"X-1"}, {"Y"}, {"Y"}}), (std::vector<int>{1, 2, 3, 4}));
    CheckHarness h(db->path, db->servers);
    h.ui.onCheckClick = [&] { h.check->CheckDuplicates(); };
    h.check->CheckDuplicates();
    ASSERT_EQ(h.Rows(), (QStringList{"2:X-1", "1:X-1", "4:Y", "3:Y"}));

    const bool server = GetParam();
    const char *why = server ? "with a NUL byte" : "that is not Windows-1252";
    for (uint32_t id : {1u, 2u}) {
        const std::string number = server ? std::string("X-\0", 3) + char('0' + id)
                                          : "X-\xC5\x81" + std::string(1, char('0' + id));
        if (server) {
            ASSERT_EQ(testsupport::ExecuteSql(
                          db->path.toStdString(),
                          testsupport::StoreInRelationSql("ArtikelMain.TBL", "ARTN", id, number)),
                      "");
        } else {
            ASSERT_EQ(testsupport::StoreInTableFile(
                          db->dir.filePath(QStringLiteral("ArtikelMain.TBL")).toStdString(), "ARTN",
                          id, number),
                      "");
        }
    }
    const QString unreadable =
        QStringLiteral("Table_ARTMAIN: A stored text cannot be read. ArtikelMain.TBL record 1 "
                       "field ARTN holds a text %1.")
            .arg(QLatin1String(why));

    h.ui.statuses.clear();
    try {
        h.check->DeleteDuplicates();
        ADD_FAILURE() << "the delete run went on over unreadable numbers";
    } catch (const EDbEngineError &e) {
        EXPECT_EQ(e.ErrorCode(), DBE_E_UNREADABLE_TEXT);
        EXPECT_EQ(e.message(), unreadable);
    }
    EXPECT_EQ(h.ui.statuses, QStringList{}) << "no entry was deleted or passed over";
    // The run's closing check, and one more, end silently: nothing listed,
    // no verdict, the busy flag and the cursor back.
    EXPECT_EQ(h.ui.checkClicks, 1);
    h.check->CheckDuplicates();
    EXPECT_EQ(h.Rows(), QStringList{});
    EXPECT_EQ(h.ui.statuses, QStringList{});
    EXPECT_FALSE(h.km->Busy());
    EXPECT_EQ(h.ui.cursorDepth, 0);
    EXPECT_EQ(h.ui.position, 0);

    // All four articles are still there: 3 and 4 as they were, 1 and 2 as
    // the other program left them, which a seek lands on and cannot read.
    EXPECT_EQ(h.articles->RecordCount(), 4);
    for (int id : {3, 4})
        EXPECT_TRUE(h.articles->Locate(QStringLiteral("ID"), id, 0)) << id;
    DBEHANDLE idTag = 0;
    ASSERT_EQ(DbeGetIndexHandle(h.articles->TableHandle(), "ID", &idTag), DBE_SUCCESS);
    for (const char *id : {"1", "2"}) {
        uint16_t found = 0;
        EXPECT_EQ(DbeSeek(idTag, id, 1, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_E_UNREADABLE_TEXT)
            << id;
    }
}

// The other workstation deletes the article B this one has buffered; then
// this one moves the engine elsewhere without moving its buffer: a lookup
// of D, or a locate of B itself, which finds nothing, stands the engine on
// C and cannot go back to B. Delete removes the buffered record or nothing:
// it fails with the engine's words, and A, C and D stay. Both rounds work
// on one host database, with articles of their own.
TEST_P(EitherBackend, DeleteRemovesTheBufferedArticleOrNothing) {
    using Ids = std::vector<int>; // A, B, C, D
    struct Case {
        const char *name;
        std::function<void(TDbTable &, const Ids &)> reposition;
    };
    const Case cases[] = {
        {"a lookup",
         [](TDbTable &t, const Ids &ids) {
             t.Lookup(QStringLiteral("ID"), ids[3], QStringLiteral("ARTN"));
         }},
        {"a locate that finds nothing",
         [](TDbTable &t, const Ids &ids) {
             EXPECT_FALSE(t.Locate(QStringLiteral("ID"), ids[1], 0));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Ids ids = db->AddArticles({{"A"}, {"B"}, {"C"}, {"D"}});
        ASSERT_EQ(ids.size(), 4u);
        // Forked while this process has nothing open.
        Child other([&](int in, int out) {
            return Workstation("deleting", [&] {
                CheckHarness h(db->path, db->servers);
                if (Hear(in) != 'd') return 10;
                if (!h.articles->Locate(QStringLiteral("ID"), ids[1], 0)) return 11;
                h.articles->Delete();
                Tell(out, 'd');
                return 0;
            });
        });
        CheckHarness h(db->path, db->servers);
        ASSERT_TRUE(h.articles->Locate(QStringLiteral("ID"), ids[1], 0));
        other.Send('d');
        ASSERT_EQ(other.Receive(), 'd')
            << "the other workstation could not delete: exit " << other.Finish();
        EXPECT_EQ(other.Finish(), 0);
        c.reposition(*h.articles, ids);
        try {
            h.articles->Delete();
            ADD_FAILURE() << "a delete of the gone article went through";
        } catch (const EDbEngineError &e) {
            EXPECT_EQ(e.ErrorCode(), DBE_E_RECORD_NOT_FOUND);
            EXPECT_TRUE(
                e.message().startsWith(QStringLiteral("Table_ARTMAIN: The record does not exist.")))
                << e.what();
        }
        const QList<int> all = h.ArticleIds();
        EXPECT_EQ(all.mid(all.size() - 3), (QList<int>{ids[0], ids[2], ids[3]}));
    }
}

INSTANTIATE_TEST_SUITE_P(, EitherBackend, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Server" : "Local"; });

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
