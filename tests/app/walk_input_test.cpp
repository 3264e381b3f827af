// The user's clicks, keys, wheel turns and typed search text reaching the
// result grid while an operation walks the result table: they arrive
// through the operation's own event processing and must leave the walk
// exact. The grid shows what it showed before the operation meanwhile, and
// follows the result table again once the operation is over.
#include "box_answerer.h"
#include "check_fixture.h"
#include "db_grid.h"
#include "result_table.h"
#include "slimbutton.h"

#include <QWheelEvent>

namespace {

// The window with a hand in its event processing. Every operation sets the
// progress bar's maximum once, at its start; that counts the operations of
// one button press, and the event rounds are counted within each.
class TProbedMain : public TFMain {
public:
    using TFMain::TFMain;

    void SetProgressMax(int max) override {
        ++operation;
        round = 0;
        TFMain::SetProgressMax(max);
    }
    void ProcessMessages() override {
        if (onRound) onRound(operation, round);
        ++round;
        TFMain::ProcessMessages();
    }

    int operation = -1;
    int round = 0;
    std::function<void(int operation, int round)> onRound;
};

QPoint RowCentre(TI_DBGrid *grid, int row) {
    return grid->visualRect(grid->model()->index(row, 1)).center();
}

struct Input {
    const char *name;
    std::function<void(TI_DBGrid *)> send;
};

const std::vector<Input> &Inputs() {
    static const std::vector<Input> inputs = {
        {"click on a row",
         [](TI_DBGrid *g) {
             QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, RowCentre(g, 5));
         }},
        {"click on the selected row",
         [](TI_DBGrid *g) {
             QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                               RowCentre(g, std::max(0, g->currentIndex().row())));
         }},
        {"double-click on a row",
         [](TI_DBGrid *g) {
             QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, RowCentre(g, 3));
         }},
        {"Down", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_Down); }},
        {"Up", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_Up); }},
        {"Right", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_Right); }},
        {"Home", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_Home); }},
        {"End", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_End); }},
        {"Page Down", [](TI_DBGrid *g) { QTest::keyClick(g, Qt::Key_PageDown); }},
        {"Tab",
         [](TI_DBGrid *g) {
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(g, Qt::Key_Tab);
         }},
        {"typed search text", [](TI_DBGrid *g) { QTest::keyClicks(g, QStringLiteral("teil 2")); }},
        {"mouse wheel",
         [](TI_DBGrid *g) {
             const QPoint at = RowCentre(g, 2);
             QWheelEvent wheel(at, g->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -360),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(g->viewport(), &wheel);
         }},
    };
    return inputs;
}

struct Operation {
    const char *name;
    bool deleteButton; // "Alle doppelten löschen", else "Überprüfen"
    int walk;          // which operation of the press receives the input
    Qt::Key answer;    // to the delete question
};

// What an operation leaves behind: the result rows with their quantities,
// the duplicate list and the articles still in the table.
struct Outcome {
    QStringList rows, list;
    QList<int> articles;
    bool operator==(const Outcome &) const = default;
};

void PrintTo(const Outcome &o, std::ostream *os) {
    *os << "rows " << o.rows.join(u' ').toStdString() << "; list "
        << o.list.join(u' ').toStdString() << "; articles";
    for (int id : o.articles)
        *os << ' ' << id;
}

// Nine numbers three times each, interleaved in record order, and three
// that stand alone: 27 result rows, more than the grid shows at once, so
// that Page Down and the wheel have somewhere to go. Article n has n booked.
std::vector<Article> Articles() {
    std::vector<Article> articles;
    for (int i = 0; i < 30; ++i)
        articles.push_back({i < 27 ? QString::number(100 + i % 9) : QString::number(900 + i),
                            QStringLiteral("Teil %1").arg(i + 1)});
    return articles;
}

class WalkUnderInput : public ::testing::Test {
protected:
    // One press of the operation's button on a fresh database, with `input`
    // sent into the grid in a few event rounds of the chosen walk. Counts
    // the inputs that moved the result table.
    Outcome Run(const Operation &op, const Input *input, int *moves) {
        HostDatabase db;
        for (int id : db.AddArticles(Articles()))
            db.AddBooking(id, id);
        TProbedMain w({QStringLiteral("artnrcheck"), db.dir.path(), QStringLiteral("1"),
                       QStringLiteral("12272")});
        Start(w);
        EXPECT_TRUE(w.isEnabled());
        TI_DBGrid *grid = w.DBGrid_ARTMAIN();
        TResultTable *km = w.KM();
        // A first check fills the grid, as the user sees it before pressing
        // again; the grid keeps showing these rows while the walk runs.
        w.SlimButton4()->Click();
        QCoreApplication::processEvents();
        EXPECT_EQ(grid->model()->rowCount(), 27);
        grid->setFocus();

        BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{op.answer, QString()}});
        w.operation = -1;
        w.onRound = [&](int operation, int round) {
            if (!input || operation != op.walk || (round != 2 && round != 5 && round != 40)) return;
            EXPECT_EQ(km->Tag(), 1);
            const int before = km->RecNo();
            input->send(grid);
            if (km->RecNo() != before) ++*moves;
        };
        (op.deleteButton ? w.SlimButton3() : w.SlimButton4())->Click();
        w.onRound = nullptr;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();

        // Idle again: the grid stands on the result table's record.
        EXPECT_EQ(km->Tag(), 0);
        EXPECT_EQ(grid->Row(), km->RecNo());
        EXPECT_EQ(grid->currentIndex().row(), km->RecNo());
        EXPECT_EQ(grid->model()->rowCount(), km->RecordCount());

        Outcome out;
        km->DisableControls();
        for (km->First(); !km->Eof(); km->Next())
            out.rows << km->FieldByName(QStringLiteral("ID"))->AsString() + u':' +
                            km->FieldByName(QStringLiteral("STK"))->AsString();
        km->First();
        km->EnableControls();
        TDuplicateList &list = w.Check()->DuplicateList();
        for (int i = 0; i < list.Count(); ++i)
            out.list << list[i].text + u':' + list[i].id->ID;
        TDbTable *t = w.Table_ARTMAIN();
        t->SetIndexName(QStringLiteral("ID"));
        for (t->First(); !t->Eof(); t->Next())
            out.articles << t->FieldByName(QStringLiteral("ID"))->AsInteger();
        return out;
    }
};

// Every kind of input in every walk: the quantities, the duplicate list and
// the surviving articles are those of the same press without input, and no
// input moved the result table while the operation ran.
TEST_F(WalkUnderInput, InputOnTheGridLeavesEveryWalkExact) {
    const Operation operations[] = {
        {"booked quantities", false, 1, Qt::Key_Return},
        {"duplicate list (question declined)", true, 0, Qt::Key_Escape},
        {"delete run, input while the list is built", true, 0, Qt::Key_Return},
        {"delete run, input in the delete loop", true, 1, Qt::Key_Return},
    };
    for (const Operation &op : operations) {
        int none = 0;
        const Outcome expected = Run(op, nullptr, &none);
        // The press did its work: quantities shown, a list, articles gone.
        ASSERT_EQ(expected.rows.size(), op.deleteButton && op.answer == Qt::Key_Return ? 0 : 27)
            << op.name;
        for (const Input &input : Inputs()) {
            SCOPED_TRACE(std::string(op.name) + " / " + input.name);
            int moves = 0;
            EXPECT_EQ(Run(op, &input, &moves), expected);
            EXPECT_EQ(moves, 0);
        }
    }
}

} // namespace
