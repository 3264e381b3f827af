#include "check_fixture.h"

namespace {

struct ScanCase {
    const char *name;
    std::vector<Article> articles;  // in record-number order (IDs 1, 2, ...)
    QStringList rows;               // expected result rows "ID:ARTN"
    int count;
};

// The scan's order within a run (second, first, third...) is what decides
// which article survives a delete run, so it is checked row by row.
TEST(CheckDuplicates, CollectsRunsInScanOrderWithTheVerdict) {
    const std::vector<ScanCase> cases = {
        {"all unique", {{"A1"}, {"B2"}, {"C3"}}, {}, 0},
        {"pair", {{"100"}, {"100"}}, {"2:100", "1:100"}, 2},
        {"triple", {{"7"}, {"7"}, {"7"}}, {"2:7", "1:7", "3:7"}, 3},
        {"two groups in index order", {{"7"}, {"5"}, {"7"}, {"5"}}, {"4:5", "2:5", "3:7", "1:7"}, 4},
        {"case variants are different numbers", {{"X1"}, {"x1"}}, {}, 0},
        {"an empty first number counts alone", {{""}, {"A"}}, {"1:"}, 1},
        {"an empty table", {}, {}, 0},
    };
    for (const ScanCase &c : cases) {
        SCOPED_TRACE(c.name);
        HostDatabase db;
        db.AddArticles(c.articles);
        CheckHarness h(db.dir.path());
        h.check->CheckDuplicates();
        EXPECT_EQ(h.Rows(), c.rows);
        ASSERT_FALSE(h.ui.statuses.isEmpty());
        EXPECT_EQ(h.ui.statuses.last(), VerdictText(c.count));
        EXPECT_EQ(h.ui.position, 0);
        EXPECT_EQ(h.ui.cursorDepth, 0);
        EXPECT_FALSE(h.km->Busy());
        EXPECT_TRUE(h.ui.infos.isEmpty());
    }
}

TEST(CheckDuplicates, VerdictTexts) {
    EXPECT_EQ(VerdictText(0), QStringLiteral("<B>Alle Artikelnummern sind eindeutig."));
    EXPECT_EQ(VerdictText(2), QStringLiteral("<B>Es existieren mindestens 2<BR>doppelte Artikelnummern."));
}

// 5000 collected rows are the limit: a match that finds 5000 or more ends
// the scan with the abandon message. A run's first match adds two rows, so
// the table can hold 5001.
TEST(CheckDuplicates, StopsAtTheFiveThousandLimit) {
    struct Case {
        int runA, runB;
        int rows;
        bool abandoned;
    };
    for (const Case c : {Case{5000, 0, 5000, false}, Case{4999, 3, 5001, true}}) {
        SCOPED_TRACE(c.runA);
        HostDatabase db;
        std::vector<Article> articles(size_t(c.runA), Article{QStringLiteral("A")});
        articles.insert(articles.end(), size_t(c.runB), Article{QStringLiteral("B")});
        db.AddArticles(articles);
        CheckHarness h(db.dir.path());
        h.check->CheckDuplicates();
        EXPECT_EQ(h.km->RecordCount(), c.rows);
        EXPECT_EQ(h.ui.infos.size(), c.abandoned ? 1 : 0);
        if (c.abandoned) {
            EXPECT_EQ(h.ui.infos[0],
                      QStringLiteral("<B>Abgebrochen.</B><BR>Es existieren mehr als 5000 doppelte Nummern."));
        }
        EXPECT_EQ(h.ui.statuses.last(), VerdictText(c.rows));
    }
}

TEST(CheckDuplicates, AnErrorEndsTheScanSilentlyAndRestoresTheWindow) {
    HostDatabase db;
    db.AddArticles({{"A"}, {"A"}, {"B"}});
    CheckHarness h(db.dir.path());
    // The article table goes away in the middle of the scan.
    h.ui.onPump = [&] {
        if (h.ui.position == 1) h.articles->Close();
    };
    h.check->CheckDuplicates();
    EXPECT_TRUE(h.ui.statuses.isEmpty());
    EXPECT_FALSE(h.km->Busy());
    EXPECT_EQ(h.ui.cursorDepth, 0);
    EXPECT_EQ(h.ui.position, 0);
    EXPECT_FALSE(h.km->ControlsDisabled());
}

TEST(FillBookedQuantities, ShowsTheFirstBookingOfEachArticle) {
    HostDatabase db;
    auto ids = db.AddArticles({{"N"}, {"N"}, {"N"}, {"N"}});
    db.AddBooking(ids[0], 3);
    db.AddBooking(ids[1], 2.5);
    db.AddBooking(ids[2], 1);  // the first of two bookings in index order
    db.AddBooking(ids[2], 4);
    CheckHarness h(db.dir.path());
    h.check->CheckDuplicates();
    h.check->FillBookedQuantities();
    QMap<int, QString> stk;
    h.km->First();
    while (!h.km->Eof()) {
        stk[h.km->FieldByName(QStringLiteral("ID"))->AsInteger()] = h.km->FieldByName(QStringLiteral("STK"))->AsString();
        h.km->Next();
    }
    EXPECT_EQ(stk.value(ids[0]), QStringLiteral("3"));
    EXPECT_EQ(stk.value(ids[1]), QStringLiteral("2,5"));
    EXPECT_EQ(stk.value(ids[2]), QStringLiteral("1"));
    EXPECT_EQ(stk.value(ids[3]), QString());
    EXPECT_FALSE(h.km->Busy());
    EXPECT_EQ(h.ui.cursorDepth, 0);
}

TEST(QuantityText, GeneralFormWithTheProcessSeparator) {
    EXPECT_EQ(QuantityText(0), QStringLiteral("0"));
    EXPECT_EQ(QuantityText(2.5), QStringLiteral("2,5"));
    EXPECT_EQ(QuantityText(0.00001), QStringLiteral("1E-5"));
    EXPECT_EQ(QuantityText(1.5e20), QStringLiteral("1,5E20"));
}

struct DeleteCase {
    const char *name;
    std::vector<Article> articles;
    QList<int> survivors;
    QStringList statuses;
};

TEST(DeleteDuplicates, KeepsTheSecondOfEachRunInIndexOrder) {
    const std::vector<DeleteCase> cases = {
        {"pair", {{"100"}, {"100"}}, {2}, {"100 <b>löschen..", "100 <b>überspringen.."}},
        {"triple keeps the middle one", {{"7"}, {"7"}, {"7"}}, {2}, {}},
        {"case variants keep one each", {{"AB1"}, {"AB1"}, {"ab1"}, {"ab1"}}, {2, 4}, {}},
        {"groups follow the list order",
         {{"7"}, {"7"}, {"5"}, {"5"}},
         {2, 4},
         {"5 <b>löschen..", "5 <b>überspringen..", "7 <b>löschen..", "7 <b>überspringen.."}},
        {"numbers alike in their first 30 characters are different",
         {{"123456789012345678901234567890-A"},
          {"123456789012345678901234567890-A"},
          {"123456789012345678901234567890-B"},
          {"123456789012345678901234567890-B"}},
         {2, 4},
         {}},
        {"groups in the locale's order ignoring case, not in byte order",
         {{"B7"}, {"B7"}, {"a5"}, {"a5"}},
         {2, 4},
         {"a5 <b>löschen..", "a5 <b>überspringen..", "B7 <b>löschen..", "B7 <b>überspringen.."}},
        {"numbers equal but for case stand in reverse order of their rows",
         {{"AB1"}, {"AB1"}, {"ab1"}, {"ab1"}},
         {2, 4},
         {"ab1 <b>löschen..", "ab1 <b>überspringen..", "AB1 <b>löschen..", "AB1 <b>überspringen.."}},
    };
    for (const DeleteCase &c : cases) {
        SCOPED_TRACE(c.name);
        HostDatabase db;
        db.AddArticles(c.articles);
        CheckHarness h(db.dir.path());
        h.ui.onCheckClick = [&] { h.check->CheckDuplicates(); };
        h.check->CheckDuplicates();
        h.ui.statuses.clear();
        h.check->DeleteDuplicates();
        EXPECT_EQ(h.ArticleIds(), c.survivors);
        if (!c.statuses.isEmpty()) {
            EXPECT_EQ(h.ui.statuses.mid(0, c.statuses.size()), c.statuses);
        }
        // The run ends by checking again, so the grid shows what is left.
        EXPECT_EQ(h.ui.checkClicks, h.ui.questions.isEmpty() ? 0 : 1);
        EXPECT_FALSE(h.km->Busy());
        EXPECT_EQ(h.ui.cursorDepth, 0);
    }
}

TEST(DeleteDuplicates, DecliningDeletesNothing) {
    HostDatabase db;
    db.AddArticles({{"A"}, {"A"}});
    CheckHarness h(db.dir.path());
    h.check->CheckDuplicates();
    h.ui.answer = false;
    h.check->DeleteDuplicates();
    EXPECT_EQ(h.ui.questions, QStringList{QStringLiteral("Doppelte Artikel <b>jetzt löschen</b>?")});
    EXPECT_EQ(h.ArticleIds(), (QList<int>{1, 2}));
    EXPECT_EQ(h.ui.checkClicks, 0);
}

TEST(DeleteDuplicates, AnEmptyResultAsksNothing) {
    HostDatabase db;
    db.AddArticles({{"A"}, {"B"}});
    CheckHarness h(db.dir.path());
    h.check->DeleteDuplicates();
    EXPECT_TRUE(h.ui.questions.isEmpty());
    EXPECT_EQ(h.ArticleIds(), (QList<int>{1, 2}));
}

// An article deleted elsewhere since the scan must not count for its
// number: the last existing article of that number stays.
TEST(DeleteDuplicates, AStaleEntryNeverCostsTheLastArticle) {
    HostDatabase db;
    db.AddArticles({{"Z"}, {"Z"}});
    CheckHarness h(db.dir.path());
    h.check->CheckDuplicates();  // rows: 2, 1 -> article 1 would be the survivor
    {
        DBEHANDLE c = 0, t = 0;
        ASSERT_EQ(DbeConnect(db.dir.path().toLocal8Bit().constData(), &c), 0);
        ASSERT_EQ(DbeOpenTable(c, "ArtikelMain.TBL", nullptr, 3, 1, 1, 1, 0, &t), 0);
        ASSERT_EQ(DbeGotoRecord(t, 1), 0);
        ASSERT_EQ(DbeDeleteRecord(t), 0);
        DbeDisconnect(c);
    }
    h.check->DeleteDuplicates();
    EXPECT_EQ(h.ArticleIds(), QList<int>{2});
}

TEST(DeleteDuplicates, AFailedDeleteRestoresTheWindowAndChecksAgain) {
    HostDatabase db;
    db.AddArticles({{"L"}, {"L"}});
    CheckHarness h(db.dir.path());
    h.check->CheckDuplicates();
    // Another user holds the lock on the article to be deleted.
    DBEHANDLE c = 0, t = 0;
    ASSERT_EQ(DbeConnect(db.dir.path().toLocal8Bit().constData(), &c), 0);
    ASSERT_EQ(DbeOpenTable(c, "ArtikelMain.TBL", nullptr, 3, 1, 1, 1, 0, &t), 0);
    ASSERT_EQ(DbeLockRecord(t, 1), 0);
    EXPECT_THROW(h.check->DeleteDuplicates(), Exception);
    DbeDisconnect(c);
    EXPECT_EQ(h.ui.checkClicks, 1);
    EXPECT_FALSE(h.km->Busy());
    EXPECT_EQ(h.ui.cursorDepth, 0);
    EXPECT_EQ(h.ui.position, 0);
    EXPECT_EQ(h.ArticleIds(), (QList<int>{1, 2}));
}

struct ChangeCase {
    const char *name;
    std::optional<QString> input;
    QString stored;  // the article's number afterwards
};

TEST(ChangeNumber, WritesOnlyARealChange) {
    const std::vector<ChangeCase> cases = {
        {"cancelled", std::nullopt, "A-1"},
        {"empty", QString(), "A-1"},
        {"unchanged", QStringLiteral("A-1"), "A-1"},
        {"a change of letter case counts", QStringLiteral("a-1"), "a-1"},
        {"leading blanks are kept", QStringLiteral("  B-2"), "  B-2"},
        {"umlauts", QStringLiteral("Ä-ß"), "Ä-ß"},
    };
    for (const ChangeCase &c : cases) {
        SCOPED_TRACE(c.name);
        HostDatabase db;
        db.AddArticles({{"A-1"}, {"A-1"}});
        CheckHarness h(db.dir.path());
        h.check->CheckDuplicates();
        h.check->FillBookedQuantities();  // as "Überprüfen" does; selects the first row
        h.ui.input = c.input;
        h.check->ChangeNumber();
        EXPECT_EQ(h.ui.offered, QStringList{QStringLiteral("A-1")});
        ASSERT_TRUE(h.articles->Locate(QStringLiteral("ID"), 2, 0));
        EXPECT_EQ(h.articles->FieldByName(QStringLiteral("ARTN"))->AsString(), c.stored);
        EXPECT_EQ(h.km->FieldByName(QStringLiteral("ARTN"))->AsString(), c.stored);
        EXPECT_TRUE(h.ui.infos.isEmpty());
    }
}

// A refused change reports the engine's words and leaves no pending edit or
// lock behind: the next change of the same article goes through.
TEST(ChangeNumber, ARefusedChangeIsReportedAndCleanedUp) {
    HostDatabase db;
    db.AddArticles({{"A-1"}, {"A-1"}});
    CheckHarness h(db.dir.path());
    h.check->CheckDuplicates();
    h.check->FillBookedQuantities();

    h.ui.input = QStringLiteral("Ω-1");
    h.check->ChangeNumber();
    ASSERT_EQ(h.ui.infos.size(), 1);
    EXPECT_TRUE(h.ui.infos[0].startsWith(QStringLiteral("<B>Fehler:</B><BR>Table_ARTMAIN: ")));
    EXPECT_EQ(h.articles->State(), TDataSetState::dsBrowse);

    DBEHANDLE c = 0, t = 0;
    ASSERT_EQ(DbeConnect(db.dir.path().toLocal8Bit().constData(), &c), 0);
    ASSERT_EQ(DbeOpenTable(c, "ArtikelMain.TBL", nullptr, 3, 1, 1, 1, 0, &t), 0);
    ASSERT_EQ(DbeLockRecord(t, 2), 0);
    h.ui.input = QStringLiteral("B-1");
    h.check->ChangeNumber();
    ASSERT_EQ(h.ui.infos.size(), 2);
    EXPECT_TRUE(h.ui.infos[1].startsWith(QStringLiteral("<B>Fehler:</B><BR>Table_ARTMAIN: ")));
    DbeDisconnect(c);

    h.ui.input = QStringLiteral("C-1");
    h.check->ChangeNumber();
    EXPECT_EQ(h.ui.infos.size(), 2);
    ASSERT_TRUE(h.articles->Locate(QStringLiteral("ID"), 2, 0));
    EXPECT_EQ(h.articles->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("C-1"));
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
