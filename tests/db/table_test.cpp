// The cursors against the real engine, on the host's three tables.
#include "child_process.h"
#include "db_errors.h"
#include "db_fixture.h"
#include "dbe_codes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbtest;

namespace {

using Walked = std::vector<std::pair<QString, int>>;

class HostTables : public ::testing::Test {
protected:
    void SetUp() override {
        FillHost(folder);
        form = std::make_unique<HostForm>(folder.Path());
    }

    TDbTable &Articles() { return *form->articles; }
    QString Text(TDbTable &t, const char *field) {
        return t.FieldByName(QString::fromLatin1(field))->AsString();
    }
    int Id() { return Articles().FieldByName(QStringLiteral("ID"))->AsInteger(); }
    // The ARTN of an article as a fresh cursor reads it.
    QString StoredArtn(int id) {
        HostForm fresh(folder.Path());
        EXPECT_TRUE(fresh.articles->Locate(QStringLiteral("ID"), id, 0));
        return fresh.articles->FieldByName(QStringLiteral("ARTN"))->AsString();
    }

    HostFolder folder;
    std::unique_ptr<HostForm> form;
};

TEST_F(HostTables, TheArtnOrderKeepsEqualNumbersInRecordOrder) {
    Articles().SetIndexName(QStringLiteral("ARTN"));
    const Walked expected = {{"A-100", 2}, {"A-100", 5}, {"B-200", 1},
                             {"B-200", 3}, {"B-200", 6}, {"C-300", 4}};
    EXPECT_EQ(Walk(Articles()), expected);
    EXPECT_TRUE(Articles().Eof());
    EXPECT_EQ(Articles().RecordCount(), 6);
    // And back again from the end.
    Walked backwards;
    Articles().Last();
    while (!Articles().Bof()) {
        backwards.emplace_back(Text(Articles(), "ARTN"), Id());
        Articles().Prior();
    }
    EXPECT_EQ(Walked(backwards.rbegin(), backwards.rend()), expected);
}

TEST_F(HostTables, TextsWithUmlautsAreReadAsTheyWereStored) {
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 3, 0));
    EXPECT_EQ(Text(Articles(), "BZK"), QStringLiteral("Dübel"));
    // A string field holding nothing reads as empty text.
    EXPECT_TRUE(Articles().FieldByName(QStringLiteral("EINH"))->IsNull());
}

TEST_F(HostTables, AnUnknownTagRaisesAndKeepsTheOrder) {
    Articles().SetIndexName(QStringLiteral("ARTN"));
    Articles().First();
    Articles().Next();  // A-100, ID 5
    try {
        Articles().SetIndexName(QStringLiteral("NOSUCHTAG"));
        ADD_FAILURE() << "no error";
    } catch (const EDbEngineError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Table_ARTMAIN: "))) << e.what();
        EXPECT_EQ(e.ErrorCode(), DBE_E_INDEX_NOT_FOUND);
    }
    EXPECT_EQ(Articles().IndexName(), QStringLiteral("ARTN"));
    EXPECT_EQ(Id(), 5);
    Articles().Next();
    EXPECT_EQ(Id(), 1);  // the first B-200 follows in ARTN order
}

TEST_F(HostTables, AnEmptyIndexNameReturnsToNaturalOrder) {
    Articles().SetIndexName(QStringLiteral("ARTN"));
    Articles().Last();
    EXPECT_EQ(Id(), 4);
    Articles().SetIndexName(QString());
    EXPECT_EQ(Id(), 4);  // the current record stays current
    const Walked expected = {{"B-200", 1}, {"A-100", 2}, {"B-200", 3},
                             {"C-300", 4}, {"A-100", 5}, {"B-200", 6}};
    EXPECT_EQ(Walk(Articles()), expected);
}

TEST_F(HostTables, ATagIsFoundWithoutRegardToCase) {
    // The window's design value is IDENT; the settings loader asks for Ident.
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    std::vector<int> idents;
    s.First();
    while (!s.Eof()) {
        idents.push_back(s.FieldByName(QStringLiteral("Ident"))->AsInteger());
        s.Next();
    }
    EXPECT_EQ(idents, (std::vector<int>{1, 100, 949}));
}

TEST_F(HostTables, LocateFindsArticlesByIdAndBookingsByArticle) {
    Articles().SetIndexName(QStringLiteral("ARTN"));
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 5, 0));
    EXPECT_EQ(Id(), 5);
    EXPECT_EQ(Text(Articles(), "BZK"), QStringLiteral("Scheibe"));
    // The order stays ARTN: after the second A-100 comes the first B-200.
    Articles().Next();
    EXPECT_EQ(Id(), 1);
    // Nothing found: the current record stays.
    EXPECT_FALSE(Articles().Locate(QStringLiteral("ID"), 42, 0));
    EXPECT_EQ(Id(), 1);
    Articles().Next();
    EXPECT_EQ(Id(), 3);

    TDbTable &b = *form->bookings;
    b.SetIndexName(QStringLiteral("ID_ART"));
    ASSERT_TRUE(b.Locate(QStringLiteral("ID_ART"), 2, 0));
    EXPECT_EQ(b.FieldByName(QStringLiteral("STK"))->AsInteger(), 7);
    EXPECT_FALSE(b.Locate(QStringLiteral("ID_ART"), 4, 0));
}

TEST_F(HostTables, AnEditedNumberWithUmlautsIsStored) {
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 2, 0));
    Articles().Edit();
    Articles().FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("Größe-Ä1"));
    Articles().Post();
    EXPECT_EQ(Articles().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Text(Articles(), "ARTN"), QStringLiteral("Größe-Ä1"));
    EXPECT_EQ(StoredArtn(2), QStringLiteral("Größe-Ä1"));
    // The index follows the new number.
    Articles().SetIndexName(QStringLiteral("ARTN"));
    Articles().Last();
    EXPECT_EQ(Id(), 2);
}

TEST_F(HostTables, ANumberOfExactlyTheFieldsLengthIsStored) {
    const QString full(50, u'Z');
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 2, 0));
    Articles().Edit();
    Articles().FieldByName(QStringLiteral("ARTN"))->SetAsString(full);
    Articles().Post();
    EXPECT_EQ(StoredArtn(2), full);
}

TEST_F(HostTables, LookupAnswersAFieldOfTheMatchAndLeavesTheCursorWhereItWas) {
    Articles().SetIndexName(QStringLiteral("ARTN"));
    Articles().First();  // A-100, ID 2
    EXPECT_EQ(Articles().Lookup(QStringLiteral("ID"), 4, QStringLiteral("BZK")).toString(),
              QStringLiteral("Nagel"));
    EXPECT_FALSE(Articles().Lookup(QStringLiteral("ID"), 42, QStringLiteral("BZK")).isValid());
    EXPECT_EQ(Id(), 2);
    Articles().Next();
    EXPECT_EQ(Id(), 5);
}

TEST_F(HostTables, EditStartsFromTheStoredValuesNotTheBufferedOnes) {
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 4, 0));
    EXPECT_EQ(Text(Articles(), "ARTN"), QStringLiteral("C-300"));
    {
        HostForm other(folder.Path());
        ASSERT_TRUE(other.articles->Locate(QStringLiteral("ID"), 4, 0));
        other.articles->Edit();
        other.articles->FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("ANDERS"));
        other.articles->Post();
    }
    Articles().Edit();
    EXPECT_EQ(Text(Articles(), "ARTN"), QStringLiteral("ANDERS"));
    Articles().Cancel();
}

TEST_F(HostTables, ARecordIsLockedFromEditUntilPostOrCancel) {
    HostForm other(folder.Path());
    TDbTable &mine = Articles(), &theirs = *other.articles;
    ASSERT_TRUE(mine.Locate(QStringLiteral("ID"), 4, 0));
    ASSERT_TRUE(theirs.Locate(QStringLiteral("ID"), 4, 0));
    mine.Edit();
    EXPECT_THROW(theirs.Edit(), EDbEngineError);
    mine.Cancel();
    theirs.Edit();  // released by Cancel
    EXPECT_THROW(mine.Edit(), EDbEngineError);
    theirs.FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("DEIN"));
    theirs.Post();
    mine.Edit();  // released by Post
    EXPECT_EQ(Text(mine, "ARTN"), QStringLiteral("DEIN"));
    mine.Cancel();
}

TEST_F(HostTables, AMemoWrittenAsTextReachesTheTableAtPost) {
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    ASSERT_TRUE(s.SeekKey(QStringLiteral("1"), true));
    s.Edit();
    const QString text = QStringLiteral("Neu: äöü €\r\nZeile 2");
    s.FieldByName(QStringLiteral("MemoItem"))->SetAsString(text);
    s.Post();
    HostForm fresh(folder.Path());
    fresh.settings->SetIndexName(QStringLiteral("Ident"));
    ASSERT_TRUE(fresh.settings->SeekKey(QStringLiteral("1"), true));
    EXPECT_EQ(fresh.settings->FieldByName(QStringLiteral("MemoItem"))->AsString(), text);
    // The other memo and the text field stay as they were.
    EXPECT_EQ(fresh.settings->FieldByName(QStringLiteral("stringItem"))->AsString(),
              QStringLiteral("eins"));
    ASSERT_TRUE(fresh.settings->SeekKey(QStringLiteral("949"), true));
    EXPECT_EQ(fresh.settings->FieldByName(QStringLiteral("MemoItem"))->AsString(), Memo949());
}

TEST_F(HostTables, AMemoWrittenWhileEditingReadsBackBeforePost) {
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    ASSERT_TRUE(s.SeekKey(QStringLiteral("949"), true));
    TField *memo = s.FieldByName(QStringLiteral("MemoItem"));
    s.Edit();
    memo->SetAsString(QStringLiteral("ersetzt"));
    EXPECT_EQ(memo->AsString(), QStringLiteral("ersetzt"));
    EXPECT_EQ(memo->AsString(), QStringLiteral("ersetzt"));
    s.Cancel();
    EXPECT_EQ(memo->AsString(), Memo949());
}

TEST_F(HostTables, AReadWriteStreamWhileEditingKeepsWhatAnEarlierStreamWrote) {
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    ASSERT_TRUE(s.SeekKey(QStringLiteral("949"), true));
    TField *memo = s.FieldByName(QStringLiteral("MemoItem"));
    s.Edit();
    // Nothing written yet: the value comes from the table.
    EXPECT_EQ(s.CreateBlobStream(memo, TBlobStreamMode::bmReadWrite)->ReadAll().toStdString(),
              Ansi(Memo949()));
    s.CreateBlobStream(memo, TBlobStreamMode::bmWrite)->Write("neu", 3);
    auto again = s.CreateBlobStream(memo, TBlobStreamMode::bmReadWrite);
    EXPECT_EQ(again->ReadAll().toStdString(), "neu");
    again->Write("er", 2);
    again.reset();
    s.Post();
    EXPECT_EQ(memo->AsString(), QStringLiteral("neuer"));
}

TEST(NumericText, NarrowFieldsAreSmallIntegersAndTooWideValuesAreRefused) {
    HostFolder folder;
    folder.CreateTable("Zahlen.TBL", "K,Numeric,4;L,Numeric,5;N,Numeric,5,2",
                       {{{"K", "12"}, {"L", "34567"}, {"N", "3.25"}}});
    TComponent owner;
    TDbConnection connection(&owner);
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_LOCAL};
    connection.SetConnectPath(folder.Path());
    TDbTable table(&owner);
    table.SetName(QStringLiteral("Zahlen"));
    table.SetTableName(QStringLiteral("Zahlen.TBL"));
    table.SetDbConnection(&connection);
    table.SetActive(true);
    TField *k = table.FieldByName(QStringLiteral("K"));
    TField *l = table.FieldByName(QStringLiteral("L"));
    TField *n = table.FieldByName(QStringLiteral("N"));
    EXPECT_EQ(k->DataType(), TFieldType::ftSmallint);
    EXPECT_EQ(l->DataType(), TFieldType::ftFloat);
    EXPECT_EQ(n->DataType(), TFieldType::ftFloat);
    EXPECT_EQ(k->AsInteger(), 12);
    EXPECT_DOUBLE_EQ(l->AsFloat(), 34567);
    EXPECT_DOUBLE_EQ(n->AsFloat(), 3.25);

    table.Edit();
    n->SetAsFloat(12.5);
    try {
        n->SetAsFloat(123.5);
        ADD_FAILURE() << "accepted";
    } catch (const EDbEngineError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Zahlen: Numeric out of range."));
        EXPECT_EQ(e.ErrorCode(), kLayerErrorCode);
    }
    table.Post();
    EXPECT_DOUBLE_EQ(n->AsFloat(), 12.5);
}

struct RefusedText {
    const char *name;
    QString text;
};
void PrintTo(const RefusedText &c, std::ostream *os) { *os << c.name; }

class RefusedNumbers : public HostTables, public ::testing::WithParamInterface<RefusedText> {};

TEST_P(RefusedNumbers, AreRefusedWhenWrittenAndChangeNothing) {
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 2, 0));
    Articles().Edit();
    TField *artn = Articles().FieldByName(QStringLiteral("ARTN"));
    try {
        artn->SetAsString(GetParam().text);
        ADD_FAILURE() << "accepted";
    } catch (const EDbEngineError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Table_ARTMAIN: "))) << e.what();
    }
    EXPECT_EQ(artn->AsString(), QStringLiteral("A-100"));
    EXPECT_FALSE(Articles().Modified());
    // Posting what is left writes the record unchanged.
    Articles().Post();
    EXPECT_EQ(StoredArtn(2), QStringLiteral("A-100"));
}

INSTANTIATE_TEST_SUITE_P(Texts, RefusedNumbers,
                         ::testing::Values(RefusedText{"OutsideWindows1252", QStringLiteral("A-Ω")},
                                           RefusedText{"LongerThanTheField", QString(51, u'Z')}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostTables, CancelDropsTheEditedValue) {
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), 2, 0));
    Articles().Edit();
    Articles().FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("NEU"));
    Articles().Cancel();
    EXPECT_EQ(Text(Articles(), "ARTN"), QStringLiteral("A-100"));
    EXPECT_EQ(StoredArtn(2), QStringLiteral("A-100"));
}

struct DeleteCase {
    const char *name;
    int id;
    int next;  // current afterwards
};
void PrintTo(const DeleteCase &c, std::ostream *os) { *os << c.name; }

class Deleting : public HostTables, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(Deleting, LeavesTheCursorOnTheNextRecord) {
    const DeleteCase &c = GetParam();
    Articles().SetIndexName(QStringLiteral("ARTN"));
    ASSERT_TRUE(Articles().Locate(QStringLiteral("ID"), c.id, 0));
    Articles().Delete();
    EXPECT_EQ(Id(), c.next);
    EXPECT_EQ(Articles().RecordCount(), 5);
    EXPECT_FALSE(Articles().Locate(QStringLiteral("ID"), c.id, 0));
    Walked walk = Walk(Articles());
    EXPECT_EQ(walk.size(), 5u);
    for (const auto &[artn, id] : walk) EXPECT_NE(id, c.id) << artn.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Records, Deleting,
                         ::testing::Values(DeleteCase{"Middle", 3, 6}, DeleteCase{"First", 2, 5},
                                           // The last in order: the one before it.
                                           DeleteCase{"Last", 4, 6}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostTables, AMemoIsReadThroughAStreamAndAsText) {
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    ASSERT_TRUE(s.SeekKey(QStringLiteral("949"), true));
    TField *memo = s.FieldByName(QStringLiteral("MemoItem"));
    auto stream = s.CreateBlobStream(memo, TBlobStreamMode::bmRead);
    EXPECT_EQ(stream->ReadAll().toStdString(), Ansi(Memo949()));
    EXPECT_EQ(memo->AsString(), Memo949());
    ASSERT_TRUE(s.SeekKey(QStringLiteral("1"), true));
    EXPECT_TRUE(memo->IsNull());
    EXPECT_EQ(s.CreateBlobStream(memo, TBlobStreamMode::bmRead)->Size(), 0);
    EXPECT_EQ(s.FieldByName(QStringLiteral("stringItem"))->AsString(), QStringLiteral("eins"));
}

struct SeekCase {
    const char *name;
    const char *key;
    bool exact;
    bool found;
    int ident;  // current afterwards
};
void PrintTo(const SeekCase &c, std::ostream *os) { *os << c.name; }

class SeekingIdents : public HostTables, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(SeekingIdents, AnswerWhetherTheKeyExistsAndWhereTheCursorStands) {
    const SeekCase &c = GetParam();
    TDbTable &s = *form->settings;
    s.SetIndexName(QStringLiteral("Ident"));
    EXPECT_EQ(s.SeekKey(QString::fromLatin1(c.key), c.exact), c.found);
    EXPECT_EQ(s.FieldByName(QStringLiteral("Ident"))->AsInteger(), c.ident);
}

INSTANTIATE_TEST_SUITE_P(
    Idents, SeekingIdents,
    ::testing::Values(SeekCase{"Found", "949", true, true, 949},
                      SeekCase{"FoundFirst", "1", true, true, 1},
                      SeekCase{"MissingBeyondTheEnd", "5000", true, false, 949},
                      SeekCase{"MissingInBetween", "500", true, false, 949},
                      SeekCase{"NearestInBetween", "500", false, false, 949},
                      SeekCase{"NearestBeforeTheStart", "0", false, false, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EmptyTable, IsAtBothEndsWithNoRecords) {
    HostFolder folder;
    HostForm form(folder.Path());
    for (TDbTable *t : {form.articles, form.bookings, form.settings}) {
        EXPECT_TRUE(t->Eof()) << t->Name().toStdString();
        EXPECT_TRUE(t->Bof()) << t->Name().toStdString();
        EXPECT_EQ(t->RecordCount(), 0) << t->Name().toStdString();
    }
    form.bookings->SetIndexName(QStringLiteral("ID_ART"));
    EXPECT_TRUE(form.bookings->Eof());
    EXPECT_FALSE(form.bookings->Locate(QStringLiteral("ID_ART"), 1, 0));
    EXPECT_FALSE(form.settings->SeekKey(QStringLiteral("949"), true));
    EXPECT_TRUE(form.settings->Eof());
}

// --- two processes ----------------------------------------------------------

using testsupport::Child;
using testsupport::Hear;
using testsupport::Tell;

TEST(TwoProcesses, ARecordEditedInOneProcessCannotBeEditedInTheOther) {
    HostFolder folder;
    FillHost(folder);
    // Forked while this process has no table open.
    Child child([&](int in, int out) {
        HostForm form(folder.Path());
        if (!form.articles->Locate(QStringLiteral("ID"), 3, 0)) return 5;
        form.articles->Edit();
        form.articles->FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("KIND"));
        Tell(out, 'L');
        if (Hear(in) != 'Q') return 6;
        form.articles->Cancel();
        return 0;
    });
    ASSERT_EQ(child.Receive(), 'L');

    HostForm form(folder.Path());
    TDbTable &t = *form.articles;
    ASSERT_TRUE(t.Locate(QStringLiteral("ID"), 3, 0));
    try {
        t.Edit();
        ADD_FAILURE() << "the locked record could be edited";
    } catch (const EDbEngineError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Table_ARTMAIN: "))) << e.what();
        EXPECT_EQ(e.ErrorCode(), DBE_E_RECORD_LOCKED);
    }
    EXPECT_EQ(t.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(t.FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("B-200"));
    EXPECT_EQ(t.FieldByName(QStringLiteral("ID"))->AsInteger(), 3);

    child.Send('Q');
    EXPECT_EQ(child.Finish(), 0);
    // Released: now this process may edit it, and nothing of the child's
    // unposted value arrived.
    t.Edit();
    EXPECT_EQ(t.FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("B-200"));
    t.FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("VATER"));
    t.Post();
    HostForm fresh(folder.Path());
    ASSERT_TRUE(fresh.articles->Locate(QStringLiteral("ID"), 3, 0));
    EXPECT_EQ(fresh.articles->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("VATER"));
}

}  // namespace
