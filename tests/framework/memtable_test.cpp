// The in-memory result table: the check appends its findings in the order it
// finds them and the grid walks them in that order, so append order, the end
// flags, the current record after each edit, and the notification bracket
// around bulk fills are what the tool relies on.
#include "exceptions.h"
#include "km_table.h"

#include <QPointer>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// IDs and article numbers deliberately out of order: nothing may sort them.
const KmRow kRows[] = {
    {30, QStringLiteral("Mutter M8"), QStringLiteral("B-200"), QStringLiteral("10"), false},
    {10, QStringLiteral("Schraube M8"), QStringLiteral("C-300"), QStringLiteral("5"), true},
    {20, QStringLiteral("Scheibe 8"), QStringLiteral("A-100"), QStringLiteral("0"), false},
};

std::unique_ptr<TMemTable> Filled(int rows = 3) {
    auto km = MakeKm();
    for (int i = 0; i < rows; ++i)
        AppendKm(*km, kRows[i]);
    return km;
}

std::vector<int> WalkForward(TMemTable &km) {
    std::vector<int> ids;
    for (km.First(); !km.Eof(); km.Next())
        ids.push_back(CurrentId(km));
    return ids;
}

std::vector<int> WalkBackward(TMemTable &km) {
    std::vector<int> ids;
    for (km.Last(); !km.Bof(); km.Prior())
        ids.push_back(CurrentId(km));
    return ids;
}

// -1 stands for "no current record".
int CurrentOrNone(TMemTable &km) {
    return km.IsEmpty() ? -1 : CurrentId(km);
}

TEST(MemTable, KeepsAppendOrderInBothDirections) {
    auto km = Filled();
    EXPECT_EQ(km->RecordCount(), 3);
    EXPECT_EQ(WalkForward(*km), (std::vector<int>{30, 10, 20}));
    EXPECT_EQ(WalkBackward(*km), (std::vector<int>{20, 10, 30}));

    std::vector<QString> artn;
    for (km->First(); !km->Eof(); km->Next())
        artn.push_back(km->FieldByName("ARTN")->AsString());
    EXPECT_EQ(artn, (std::vector<QString>{"B-200", "C-300", "A-100"}));
}

TEST(MemTable, EndFlagsAndCurrentRecordAfterMoves) {
    using Moves = std::function<void(TMemTable &)>;
    struct Case {
        const char *name;
        int rows;
        Moves moves;
        bool eof, bof;
        int current;
    };
    const Case cases[] = {
        {"empty, opened", 0, [](TMemTable &) {}, true, true, -1},
        {"empty, First Next", 0,
         [](TMemTable &t) {
             t.First();
             t.Next();
         },
         true, true, -1},
        {"empty, Last Prior", 0,
         [](TMemTable &t) {
             t.Last();
             t.Prior();
         },
         true, true, -1},
        {"one, First", 1, [](TMemTable &t) { t.First(); }, false, true, 30},
        {"one, First Next", 1,
         [](TMemTable &t) {
             t.First();
             t.Next();
         },
         true, false, 30},
        {"one, Last", 1, [](TMemTable &t) { t.Last(); }, true, false, 30},
        {"First", 3, [](TMemTable &t) { t.First(); }, false, true, 30},
        {"First Next", 3,
         [](TMemTable &t) {
             t.First();
             t.Next();
         },
         false, false, 10},
        {"Next up to the last", 3,
         [](TMemTable &t) {
             t.First();
             t.Next();
             t.Next();
         },
         false, false, 20},
        {"Next past the end", 3,
         [](TMemTable &t) {
             t.First();
             t.Next();
             t.Next();
             t.Next();
         },
         true, false, 20},
        {"Next twice past the end", 3,
         [](TMemTable &t) {
             t.First();
             for (int i = 0; i < 5; ++i)
                 t.Next();
         },
         true, false, 20},
        {"Prior after passing the end", 3,
         [](TMemTable &t) {
             t.First();
             for (int i = 0; i < 4; ++i)
                 t.Next();
             t.Prior();
         },
         false, false, 10},
        {"Prior before the start", 3,
         [](TMemTable &t) {
             t.First();
             t.Prior();
         },
         false, true, 30},
        {"Prior back to the first", 3,
         [](TMemTable &t) {
             t.First();
             t.Next();
             t.Prior();
         },
         false, false, 30},
        {"Prior past the first", 3,
         [](TMemTable &t) {
             t.First();
             t.Next();
             t.Prior();
             t.Prior();
         },
         false, true, 30},
        {"Last", 3, [](TMemTable &t) { t.Last(); }, true, false, 20},
        {"Last Next", 3,
         [](TMemTable &t) {
             t.Last();
             t.Next();
         },
         true, false, 20},
        {"Last Prior", 3,
         [](TMemTable &t) {
             t.Last();
             t.Prior();
         },
         false, false, 10},
        {"Prior past the start then Next", 3,
         [](TMemTable &t) {
             t.First();
             t.Prior();
             t.Prior();
             t.Next();
         },
         false, false, 10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto km = Filled(c.rows);
        c.moves(*km);
        EXPECT_EQ(km->Eof(), c.eof);
        EXPECT_EQ(km->Bof(), c.bof);
        EXPECT_EQ(CurrentOrNone(*km), c.current);
    }
}

TEST(MemTable, CurrentRecordAndContentsAfterEditing) {
    using Steps = std::function<void(TMemTable &)>;
    struct Case {
        const char *name;
        int rows;
        Steps steps;
        int current;
        std::vector<int> ids;
    };
    const auto setId = [](TMemTable &t, int id) { t.FieldByName("ID")->SetAsInteger(id); };
    const Case cases[] = {
        {"append to empty",
         0,
         [](TMemTable &t) {
             AppendKm(t, {7, "", "", "", false});
         },
         7,
         {7}},
        {"append from the first",
         3,
         [](TMemTable &t) {
             t.First();
             AppendKm(t, {7, "", "", "", false});
         },
         7,
         {30, 10, 20, 7}},
        {"edit the middle",
         3,
         [&](TMemTable &t) {
             t.First();
             t.Next();
             t.Edit();
             setId(t, 11);
             t.Post();
         },
         11,
         {30, 11, 20}},
        {"edit after passing the end",
         3,
         [&](TMemTable &t) {
             t.Last();
             t.Next();
             t.Edit();
             setId(t, 21);
             t.Post();
         },
         21,
         {30, 10, 21}},
        {"edit after Prior before the start",
         3,
         [&](TMemTable &t) {
             t.First();
             t.Prior();
             t.Edit();
             setId(t, 31);
             t.Post();
         },
         31,
         {31, 10, 20}},
        {"cancel an edit",
         3,
         [&](TMemTable &t) {
             t.First();
             t.Next();
             t.Edit();
             setId(t, 11);
             t.Cancel();
         },
         10,
         {30, 10, 20}},
        {"cancel an append from the middle",
         3,
         [&](TMemTable &t) {
             t.First();
             t.Next();
             t.Append();
             setId(t, 7);
             t.Cancel();
         },
         10,
         {30, 10, 20}},
        {"cancel an append after passing the end",
         3,
         [&](TMemTable &t) {
             t.Last();
             t.Next();
             t.Append();
             setId(t, 7);
             t.Cancel();
         },
         20,
         {30, 10, 20}},
        {"cancel an append to empty",
         0,
         [&](TMemTable &t) {
             t.Append();
             setId(t, 7);
             t.Cancel();
         },
         -1,
         {}},
        {"moving posts a written append",
         3,
         [&](TMemTable &t) {
             t.First();
             t.Append();
             setId(t, 7);
             t.First();
         },
         30,
         {30, 10, 20, 7}},
        {"delete the middle",
         3,
         [](TMemTable &t) {
             t.First();
             t.Next();
             t.Delete();
         },
         20,
         {30, 20}},
        {"delete the last",
         3,
         [](TMemTable &t) {
             t.Last();
             t.Delete();
         },
         10,
         {30, 10}},
        {"delete the only", 1, [](TMemTable &t) { t.Delete(); }, -1, {}},
        {"empty the table",
         3,
         [](TMemTable &t) {
             t.Next();
             t.EmptyTable();
         },
         -1,
         {}},
        {"empty while appending",
         3,
         [&](TMemTable &t) {
             t.Append();
             setId(t, 7);
             t.EmptyTable();
         },
         -1,
         {}},
        {"append after emptying",
         3,
         [](TMemTable &t) {
             t.EmptyTable();
             AppendKm(t, {7, "", "", "", false});
         },
         7,
         {7}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto km = Filled(c.rows);
        c.steps(*km);
        EXPECT_EQ(km->State(), TDataSetState::dsBrowse);
        EXPECT_EQ(CurrentOrNone(*km), c.current);
        EXPECT_EQ(km->RecordCount(), static_cast<int>(c.ids.size()));
        EXPECT_EQ(km->IsEmpty(), c.ids.empty());
        EXPECT_EQ(WalkForward(*km), c.ids);
    }
}

TEST(MemTable, EditKeepsTheOtherFieldsAndRecords) {
    auto km = Filled();
    km->First();
    km->Next();
    km->Edit();
    km->FieldByName("ARTN")->SetAsString("C-301");
    km->FieldByName("DEL")->SetAsBoolean(false);
    km->Post();

    std::vector<QString> rows;
    for (km->First(); !km->Eof(); km->Next()) {
        QStringList row;
        for (TField *f : km->Fields())
            row << f->AsString();
        rows.push_back(row.join(u'|'));
    }
    EXPECT_EQ(rows,
              (std::vector<QString>{"30|Mutter M8|B-200|10|False", "10|Schraube M8|C-301|5|False",
                                    "20|Scheibe 8|A-100|0|False"}));
}

TEST(MemTable, LocateMovesOnlyWhenFound) {
    struct Case {
        QVariant key;
        int startMoves; // Next calls after First before locating
        bool found;
        int current;
        int afterNext; // current after one Next: the cursor must follow
    };
    const Case cases[] = {
        {QVariant(20), 0, true, 20, 20},  {QVariant(10), 2, true, 10, 20},
        {QVariant(30), 2, true, 30, 10},  {QVariant(QStringLiteral("10")), 0, true, 10, 20},
        {QVariant(99), 1, false, 10, 20}, {QVariant(99), 0, false, 30, 10},
        {QVariant(99), 3, false, 20, 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key.toString().toStdString() + " after " + std::to_string(c.startMoves));
        auto km = Filled();
        km->First();
        for (int i = 0; i < c.startMoves; ++i)
            km->Next();
        EXPECT_EQ(km->Locate("ID", c.key, 0), c.found);
        EXPECT_EQ(CurrentId(*km), c.current);
        km->Next();
        EXPECT_EQ(CurrentId(*km), c.afterNext);
    }
}

TEST(MemTable, DisabledControlsHearOneChangeWhenTheLastDisableIsMatched) {
    auto km = Filled();
    TDataSource source;
    source.SetDataSet(km.get());
    std::vector<TDataEvent> heard;
    QObject::connect(&source, &TDataSource::dataChanged,
                     [&](TDataEvent e, qintptr) { heard.push_back(e); });

    km->DisableControls();
    km->DisableControls();
    AppendKm(*km, {40, "", "", "", false});
    km->First();
    km->Next();
    km->Edit();
    km->FieldByName("STK")->SetAsString("3");
    km->Post();
    km->EnableControls();
    km->Last();
    EXPECT_TRUE(heard.empty());

    km->EnableControls();
    EXPECT_EQ(heard, std::vector<TDataEvent>{TDataEvent::deDataSetChange});

    // A surplus enable must not leave the count below zero: the next
    // bracket still holds back notifications.
    km->EnableControls();
    heard.clear();
    km->DisableControls();
    km->First();
    EXPECT_TRUE(heard.empty());
    km->EnableControls();
    EXPECT_EQ(heard, std::vector<TDataEvent>{TDataEvent::deDataSetChange});

    // Enabled again, moves reach the view one by one.
    heard.clear();
    km->Next();
    EXPECT_FALSE(heard.empty());
}

TEST(MemTable, MisuseRaisesWithoutChangingTheRecord) {
    auto km = Filled();
    km->First();
    EXPECT_THROW(km->FieldByName("NOPE"), EDatabaseError);
    EXPECT_EQ(km->FieldByName("artn"), km->FieldByName("ARTN"));

    const std::function<void(TMemTable &)> writes[] = {
        [](TMemTable &t) { t.FieldByName("ID")->SetAsInteger(1); },
        [](TMemTable &t) { t.FieldByName("ARTN")->SetAsString("X"); },
        [](TMemTable &t) { t.FieldByName("DEL")->SetAsBoolean(true); },
        [](TMemTable &t) { t.FieldByName("BZ")->Clear(); },
    };
    for (const auto &write : writes) {
        EXPECT_THROW(write(*km), EDatabaseError);
        EXPECT_EQ(km->State(), TDataSetState::dsBrowse);
    }
    EXPECT_EQ(CurrentId(*km), 30);
    EXPECT_EQ(km->FieldByName("ARTN")->AsString(), QStringLiteral("B-200"));
    EXPECT_FALSE(km->FieldByName("DEL")->AsBoolean());
    EXPECT_EQ(km->FieldByName("BZ")->AsString(), QStringLiteral("Mutter M8"));

    km->EmptyTable();
    EXPECT_THROW(km->FieldByName("ID")->SetAsInteger(1), EDatabaseError);
    EXPECT_TRUE(km->IsEmpty());
}

TEST(MemTable, FieldsDieWithAnOpenTable) {
    auto km = Filled();
    QPointer<TField> id = km->FieldByName("ID");
    km.reset();
    EXPECT_TRUE(id.isNull());
}

} // namespace
