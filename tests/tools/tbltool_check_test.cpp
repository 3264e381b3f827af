// tbltool check: the built program on host tables in a folder and on the
// PostgreSQL server, beside the check's own delete run through the check
// harness.
#include "check_fixture.h"
#include "server_schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <set>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun tbltool(const QStringList &args, const QString &workingDirectory = QString()) {
    QProcess process;
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(qEnvironmentVariable("DBE_TEST_BIN") + QStringLiteral("/tbltool"), args);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        run.err = QStringLiteral("tbltool did not run: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The check's CSV as lines of cells. Only a BZK can be quoted (the demo's
// texts hold commas): ID, the first cell, and KEEP, the last, read right.
std::vector<QStringList> Rows(const QString &csv) {
    std::vector<QStringList> rows;
    for (const QString &line : csv.split(u'\n', Qt::SkipEmptyParts))
        rows.push_back(line.split(u','));
    return rows;
}

class CheckCommand : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        server_ = GetParam();
        if (server_ && !schema_.Create()) GTEST_SKIP() << "DBE_TEST_PG names no PostgreSQL server";
        // The host tables: in a folder of the test's own, or in its schema.
        place_ = server_ ? schema_.conninfo : folder_.filePath(QStringLiteral("db"));
    }

    TDbServerTypes Servers() const {
        return {server_ ? TDbServerType::stDB_REMOTE : TDbServerType::stDB_LOCAL};
    }
    QString Articles() const { return place_ + QStringLiteral("/ArtikelMain.TBL"); }
    // The host tables made by the check's own test fixture.
    std::unique_ptr<HostDatabase> Host() {
        auto host = std::make_unique<HostDatabase>(server_ ? schema_.conninfo : QString());
        place_ = host->path;
        return host;
    }
    ToolRun Check(const QStringList &extra = {}) {
        return tbltool(QStringList{"check", place_} + extra);
    }

    bool server_ = false;
    QString place_;

private:
    QTemporaryDir folder_;
    ServerSchema schema_;
};

INSTANTIATE_TEST_SUITE_P(Backends, CheckCommand, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Server" : "Local"; });

// The result table in its order, the full number past the 30 characters
// the window shows, the booked quantity in the tool's number form, and the
// verdict as plain text.
TEST_P(CheckCommand, WritesTheResultTableAndTheVerdict) {
    const QString longNumber = QStringLiteral("SONDERANFERTIGUNG-KUNDE-4711-BLAU-2024");
    const auto db = Host();
    const std::vector<int> ids = db->AddArticles({{"100", "Schraube"},
                                                  {"7", "Mutter"},
                                                  {longNumber, "lang eins"},
                                                  {"100", "Scheibe"},
                                                  {longNumber, "lang zwei"},
                                                  {"solo", "allein"}});
    db->AddBooking(ids[0], 2.5);
    db->AddBooking(ids[4], 3);
    const ToolRun run = Check();
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("Es existieren mindestens 4\ndoppelte Artikelnummern.\n"));
    const auto id = [&](int i) { return QString::number(ids[size_t(i)]); };
    EXPECT_EQ(Rows(run.out), (std::vector<QStringList>{{"ID", "ARTN", "BZK", "STK"},
                                                       {id(3), "100", "Scheibe", ""},
                                                       {id(0), "100", "Schraube", "2.5"},
                                                       {id(4), longNumber, "lang zwei", "3"},
                                                       {id(2), longNumber, "lang eins", ""}}));
}

TEST_P(CheckCommand, ExitCodeTellsUniqueDuplicatesAndErrors) {
    const auto db = Host();
    db->AddArticles({{"A-1"}, {"A-2"}});
    const ToolRun unique = Check({"--survivors"});
    EXPECT_EQ(unique.exitCode, 0) << unique.err.toStdString();
    EXPECT_EQ(unique.out, QStringLiteral("ID,ARTN,BZK,STK,KEEP\n"));
    EXPECT_EQ(unique.err, QStringLiteral("Alle Artikelnummern sind eindeutig.\n"));

    const ToolRun missing = tbltool({"check", place_ + (server_ ? QStringLiteral(" dbname=nirgends")
                                                                : QStringLiteral("/nirgends"))});
    EXPECT_EQ(missing.exitCode, 1) << missing.err.toStdString();
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("tbltool: "))) << missing.err.toStdString();
}

// What --survivors predicts is what the check's own delete run does, on the
// demo data with its pairs, triple, letter-case twins, empty numbers and
// long numbers. The run is then undone by one recall since its start.
TEST_P(CheckCommand, SurvivorsAreWhatTheDeleteRunKeepsAndOneRecallUndoesIt) {
    const ToolRun demo = tbltool({"demo", place_, "--articles", "80", "--seed", "11"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    const ToolRun before = tbltool({"export", Articles(), "--index", "ID"});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();

    // Predicted from another working directory, with a relative path there.
    QTemporaryDir elsewhere;
    const QString given = server_ ? place_ : QDir(elsewhere.path()).relativeFilePath(place_);
    const ToolRun predicted = tbltool({"check", given, "--survivors"}, elsewhere.path());
    ASSERT_EQ(predicted.exitCode, 3) << predicted.err.toStdString();
    const auto rows = Rows(predicted.out);
    ASSERT_EQ(rows.front(), (QStringList{"ID", "ARTN", "BZK", "STK", "KEEP"}));
    std::set<int> doomed;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i].back() == u"0") doomed.insert(rows[i].front().toInt());
    ASSERT_FALSE(doomed.empty());
    ASSERT_LT(doomed.size(), rows.size() - 1) << "every number keeps an article";

    const QString start =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    {
        CheckHarness h(place_, Servers());
        QList<int> survivors;
        for (int id : h.ArticleIds())
            if (!doomed.count(id)) survivors << id;
        h.check->CheckDuplicates();
        h.check->FillBookedQuantities();
        h.ui.answer = true;
        h.check->DeleteDuplicates();
        EXPECT_EQ(h.ArticleIds(), survivors);
    }

    // One recall since the run's start takes the whole run back.
    const ToolRun info = tbltool({"info", Articles()});
    EXPECT_TRUE(info.out.contains(QStringLiteral("Deleted: %1 ").arg(doomed.size())))
        << info.out.toStdString();
    const ToolRun recalled = tbltool({"recall", Articles(), "--since", start});
    ASSERT_EQ(recalled.exitCode, 0) << recalled.err.toStdString();
    EXPECT_EQ(tbltool({"export", Articles(), "--index", "ID"}).out, before.out);
    EXPECT_EQ(Check({"--survivors"}).out, predicted.out);
}

// More than 5000 duplicates: the window's abandon message on standard error,
// then the verdict for what was collected.
TEST(CheckCommandLimit, AbandonsAsTheWindowDoes) {
    HostDatabase db;
    QString csv = QStringLiteral("ARTN,BZK\n");
    for (int i = 0; i < 5003; ++i)
        csv += QStringLiteral("X-1,Teil %1\n").arg(i);
    QFile file(db.dir.filePath(QStringLiteral("many.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(csv.toUtf8());
    file.close();
    ASSERT_EQ(
        tbltool({"import", db.dir.filePath(QStringLiteral("ArtikelMain.TBL")), file.fileName()})
            .exitCode,
        0);

    const ToolRun run = tbltool({"check", db.path});
    EXPECT_EQ(run.exitCode, 3);
    const qsizetype rows = run.out.count(u'\n') - 1;
    EXPECT_TRUE(rows == 5000 || rows == 5001) << rows;
    EXPECT_EQ(run.err,
              QStringLiteral("Abgebrochen.\nEs existieren mehr als 5000 doppelte Nummern.\n"
                             "Es existieren mindestens %1\ndoppelte Artikelnummern.\n")
                  .arg(rows));
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
