// The data grid as the main window uses it: the result table KM, three
// columns 238 : 158 : 130, read-only, row select, auto-size, title clicks
// and incremental search; driven with real mouse and key events.
#include "busy_cursor.h"
#include "db_grid.h"
#include "../framework/km_table.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr TDBGridOptions kMainWindowOptions =
    TDBGridOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgRowSelect |
                   dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit | dgTitleClicked | dgFlatButtons |
                   dgCompleteLines | dgAutoSize);

enum { kBZ, kARTN, kSTK };

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        km = MakeKm();
        source.SetDataSet(km.get());
        form.setObjectName(QStringLiteral("FMain"));
        auto *layout = new QVBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        grid = new TI_DBGrid(&form);
        grid->setObjectName(QStringLiteral("DBGrid_ARTMAIN"));
        other = new QLineEdit(&form);
        layout->addWidget(grid);
        layout->addWidget(other);

        grid->SetOptions(kMainWindowOptions);
        grid->SetReadOnly(true);
        grid->SetAutoSearch(true);
        grid->Columns().BeginUpdate();
        const struct {
            const char *field, *title;
            int width;
            bool indexed;
        } columns[] = {{"BZ", "Bezeichnung 1", 238, true},
                       {"ARTN", "Artikelnummer", 158, true},
                       {"STK", "Bereits gebucht", 130, false}};
        for (const auto &c : columns) {
            TColumn *column = grid->Columns().Add();
            column->SetFieldName(QString::fromLatin1(c.field));
            column->Title()->SetCaption(QString::fromLatin1(c.title));
            column->SetWidth(c.width);
            column->SetIndexed(c.indexed);
        }
        grid->Columns().EndUpdate();
        grid->SetDataSource(&source);
    }

    void Show(int width = 548, int height = 300) {
        form.resize(width, height);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        grid->setFocus();
        QCoreApplication::processEvents();
    }

    void Fill(const std::vector<std::pair<const char *, const char *>> &rows) {
        int id = 1;
        for (const auto &[bz, artn] : rows)
            AppendKm(*km, {id++, QString::fromLatin1(bz), QString::fromLatin1(artn), QString(), false});
        km->First();
        QCoreApplication::processEvents();  // the grid reads the rows from the event loop
    }

    std::vector<int> Widths() const {
        std::vector<int> out;
        for (int i = 0; i < grid->Columns().Count(); ++i) out.push_back(grid->Columns()[i]->Width());
        return out;
    }

    QPoint TitleCentre(int column) const {
        QHeaderView *header = grid->horizontalHeader();
        return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    }

    QPoint CellCentre(int row, int column) const {
        return grid->visualRect(grid->model()->index(row, column)).center();
    }

    QString Artn() const { return km->FieldByName(QStringLiteral("ARTN"))->AsString(); }

    std::unique_ptr<TMemTable> km;
    TDataSource source;
    QWidget form;
    TI_DBGrid *grid = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(GridTest, ColumnsFillTheGridInTheirDesignProportions) {
    Show();
    // Widths in a shuffled order, so that rounding from one size carries
    // into the next as a user's resizing would.
    for (int formWidth : {548, 900, 320, 1400, 611, 140, 548}) {
        SCOPED_TRACE(formWidth);
        form.resize(formWidth, 300);
        QCoreApplication::processEvents();
        const int client = grid->viewport()->width();
        const std::vector<int> w = Widths();
        EXPECT_EQ(w[0] + w[1] + w[2] + 3, client);
        EXPECT_EQ(grid->horizontalHeader()->length(), client);
        const double share = (client - 3) / 526.0;
        const int design[] = {238, 158, 130};
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(w[i], 15);
            EXPECT_NEAR(w[i], design[i] * share, 2.0) << "column " << i;
        }
    }

    // Setting one column's width makes room in the columns after it.
    grid->Columns()[kBZ]->SetWidth(300);
    const std::vector<int> w = Widths();
    EXPECT_EQ(w[kBZ], 300);
    EXPECT_EQ(w[0] + w[1] + w[2] + 3, grid->viewport()->width());
    EXPECT_GT(w[kARTN], w[kSTK]);
}

TEST_F(GridTest, TitleClicksMoveTheDescendingArrow) {
    Fill({{"b", "2"}, {"a", "1"}});
    Show();
    struct Click {
        int column;
        Qt::KeyboardModifiers modifiers;
    };
    struct Case {
        const char *name;
        std::vector<Click> clicks;
        TIndexStyle bz, artn, stk;
    } cases[] = {
        {"one indexed title", {{kARTN, {}}}, idxNone, idxDescending, idxNone},
        {"the arrow moves", {{kBZ, {}}, {kARTN, {}}}, idxNone, idxDescending, idxNone},
        {"Shift keeps the other arrow", {{kBZ, {}}, {kARTN, Qt::ShiftModifier}}, idxDescending, idxDescending, idxNone},
        {"a title without index changes no arrow", {{kBZ, {}}, {kSTK, {}}}, idxDescending, idxNone, idxNone},
        {"clicked twice stays descending", {{kARTN, {}}, {kARTN, {}}}, idxNone, idxDescending, idxNone},
    };
    QWidget *titles = grid->horizontalHeader()->viewport();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i) grid->Columns()[i]->SetIndexStyle(idxNone);
        std::vector<int> reported;
        grid->OnTitleClick = [&](TColumn *column) { reported.push_back(column->Index()); };
        for (const Click &click : c.clicks) QTest::mouseClick(titles, Qt::LeftButton, click.modifiers, TitleCentre(click.column));
        EXPECT_EQ(grid->Columns()[kBZ]->IndexStyle(), c.bz);
        EXPECT_EQ(grid->Columns()[kARTN]->IndexStyle(), c.artn);
        EXPECT_EQ(grid->Columns()[kSTK]->IndexStyle(), c.stk);
        EXPECT_EQ(reported.size(), c.clicks.size());
    }

    // Released over another title: no click at all.
    grid->Columns()[kBZ]->SetIndexStyle(idxNone);
    QTest::mousePress(titles, Qt::LeftButton, {}, TitleCentre(kBZ));
    QTest::mouseMove(titles, TitleCentre(kARTN));
    QTest::mouseRelease(titles, Qt::LeftButton, {}, TitleCentre(kARTN));
    EXPECT_EQ(grid->Columns()[kBZ]->IndexStyle(), idxNone);

    // The grid itself never reorders the records.
    km->First();
    EXPECT_EQ(Artn(), QStringLiteral("2"));
    EXPECT_EQ(grid->model()->index(0, kARTN).data().toString(), QStringLiteral("2"));
}

TEST_F(GridTest, IncrementalSearchFollowsTheTypedText) {
    Fill({{"Alpha", "900"}, {"Beta", "1A"}, {"Gamma", "12b"}, {"Delta", "12B5"}, {"Eps", "*X"}, {"Zeta", "ab"}});
    Show();
    grid->SetSelectedIndex(kARTN);
    QLabel *window = grid->SearchWindow();

    // Characters are typed as characters; the other keys by their key code.
    struct Step {
        const char *name;
        char typed;   // 0: press `key` instead
        Qt::Key key;
        int row;
        const char *text;  // nullptr: the search window is closed
    } steps[] = {
        {"first character", '1', {}, 1, "1"},
        {"second character", '2', {}, 2, "12"},
        {"letters match in any case", 'B', {}, 2, "12B"},
        {"longer text, next record", '5', {}, 3, "12B5"},
        {"Backspace searches the shorter text", 0, Qt::Key_Backspace, 2, "12B"},
        {"'!' is ignored", '!', {}, 2, "12B"},
        {"'(' is ignored", '(', {}, 2, "12B"},
        {"Escape closes the window", 0, Qt::Key_Escape, 2, nullptr},
        {"'*' starts a new search", '*', {}, 4, "*"},
        {"Up closes the window and moves", 0, Qt::Key_Up, 3, nullptr},
        {"nothing of the old text is left", 'a', {}, 5, "a"},
        {"Backspace to empty closes", 0, Qt::Key_Backspace, 5, nullptr},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        if (s.typed)
            QTest::keyClick(grid, s.typed);
        else
            QTest::keyClick(grid, s.key);
        EXPECT_EQ(grid->Row(), s.row);
        EXPECT_EQ(km->RecNo(), s.row);
        EXPECT_EQ(window->isVisible(), s.text != nullptr);
        if (s.text) {
            EXPECT_EQ(window->text(), QString::fromLatin1(s.text));
        }
    }
    // Ctrl with a character searches for the clipboard's text, trimmed and
    // cut to 20 characters; Ctrl+C is left to copying.
    QGuiApplication::clipboard()->setText(QStringLiteral("  12B5 is what we look for  "));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->text(), QStringLiteral("12B5 is what we look"));
    EXPECT_EQ(grid->Row(), 5);  // no record starts with that
    QGuiApplication::clipboard()->setText(QStringLiteral(" 12b "));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->text(), QStringLiteral("12b"));
    EXPECT_EQ(grid->Row(), 2);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(window->text(), QStringLiteral("12b"));

    // The hourglass shown while searching is gone again.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(GridTest, SearchWindowPlacementAndClosing) {
    Fill({{"Alpha", "900"}, {"Beta", "1A"}, {"Gamma", "12b"}});
    Show();
    grid->SetSelectedIndex(kARTN);
    QLabel *window = grid->SearchWindow();

    QTest::keyClicks(grid, QStringLiteral("12"));
    ASSERT_TRUE(window->isVisible());
    const QRect cell = grid->visualRect(grid->model()->index(2, kARTN));
    EXPECT_EQ(window->pos(), grid->viewport()->mapToGlobal(QPoint(cell.left() + cell.width() / 2, cell.top() + 17)));

    // Five seconds without typing: the timer fires and the window closes;
    // the next character starts a new search.
    EXPECT_TRUE(grid->SearchTimer()->isActive());
    EXPECT_EQ(grid->SearchTimer()->interval(), 5000);
    QMetaObject::invokeMethod(grid->SearchTimer(), "timeout");
    EXPECT_FALSE(window->isVisible());
    QTest::keyClick(grid, '9');
    EXPECT_EQ(grid->SearchText(), QStringLiteral("9"));
    EXPECT_EQ(grid->Row(), 0);

    // Another column starts anew.
    grid->SetSelectedIndex(kBZ);
    QTest::keyClick(grid, 'g');
    EXPECT_EQ(grid->SearchText(), QStringLiteral("g"));
    EXPECT_EQ(grid->Row(), 2);

    // Focus leaving the grid closes the window.
    ASSERT_TRUE(window->isVisible());
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(GridTest, FollowsTheDataSetAndMovesIt) {
    Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    Show();
    EXPECT_EQ(grid->model()->rowCount(), 4);

    km->Last();
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(3, QModelIndex()));

    // A click on a data cell makes that record current.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(1, kSTK));
    EXPECT_EQ(km->RecNo(), 1);
    EXPECT_EQ(grid->SelectedIndex(), kSTK);

    // Keys move the record, not only the view.
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row;
    } keys[] = {{Qt::Key_Down, {}, 2},           {Qt::Key_Right, {}, 3},      {Qt::Key_Left, {}, 2},
                {Qt::Key_Home, {}, 0},           {Qt::Key_End, {}, 3},        {Qt::Key_Up, {}, 2},
                {Qt::Key_Home, Qt::ControlModifier, 0}, {Qt::Key_Down, {}, 1}};
    for (const Key &k : keys) {
        QTest::keyClick(grid, k.key, k.modifiers);
        EXPECT_EQ(km->RecNo(), k.row) << QTest::toString(k.key);
        EXPECT_EQ(grid->Row(), k.row);
    }

    // Tab walks the columns and wraps to the next record.
    grid->SetSelectedIndex(kSTK);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), kBZ);
    EXPECT_EQ(km->RecNo(), 2);

    // Ctrl+Delete in the read-only grid deletes nothing.
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(km->RecordCount(), 4);

    // While the table's controls are off the grid keeps what it showed.
    km->DisableControls();
    AppendKm(*km, {5, QStringLiteral("e"), QStringLiteral("5"), QString(), false});
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    km->EnableControls();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->model()->index(4, kARTN).data().toString(), QStringLiteral("5"));
    EXPECT_EQ(grid->Row(), km->RecNo());
}

// An operation that walks the table switches its controls off; the grid
// keeps showing the old rows and its old current row, so nothing the user
// does on it may move the walk's record or report a stale one.
TEST_F(GridTest, InputMovesNothingWhileTheDisplayIsSuspended) {
    Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}, {"f", "6"}});
    Show();
    km->Last();
    int events = 0;
    grid->OnDblClick = [&](TI_DBGrid *) { ++events; };
    grid->OnCellClick = [&](TColumn *) { ++events; };
    grid->OnTitleClick = [&](TColumn *) { ++events; };
    km->DisableControls();
    km->First();
    km->Next();
    ASSERT_TRUE(grid->DisplaySuspended());

    QWidget *cells = grid->viewport();
    QWidget *titles = grid->horizontalHeader()->viewport();
    const struct {
        const char *name;
        std::function<void()> send;
    } inputs[] = {
        {"click", [&] { QTest::mouseClick(cells, Qt::LeftButton, {}, CellCentre(3, kSTK)); }},
        {"double-click",
         [&] { QTest::mouseDClick(cells, Qt::LeftButton, {}, CellCentre(2, kBZ)); }},
        {"drag across rows",
         [&] {
             QTest::mousePress(cells, Qt::LeftButton, {}, CellCentre(0, kBZ));
             QTest::mouseMove(cells, CellCentre(4, kBZ));
             QTest::mouseRelease(cells, Qt::LeftButton, {}, CellCentre(4, kBZ));
         }},
        {"title click", [&] { QTest::mouseClick(titles, Qt::LeftButton, {}, TitleCentre(kARTN)); }},
        {"Up", [&] { QTest::keyClick(grid, Qt::Key_Up); }},
        {"Home", [&] { QTest::keyClick(grid, Qt::Key_Home); }},
        {"Ctrl+Home", [&] { QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier); }},
        {"Page Up", [&] { QTest::keyClick(grid, Qt::Key_PageUp); }},
        {"Left", [&] { QTest::keyClick(grid, Qt::Key_Left); }},
        {"Shift+Tab", [&] { QTest::keyClick(grid, Qt::Key_Backtab); }},
        {"typed search", [&] { QTest::keyClicks(grid, QStringLiteral("c")); }},
        {"clipboard search",
         [&] {
             QGuiApplication::clipboard()->setText(QStringLiteral("a"));
             QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
         }},
        {"the view's current index set directly",
         [&] {
             grid->setCurrentIndex(grid->model()->index(0, kBZ));
             QCoreApplication::processEvents();
         }},
    };
    for (const auto &input : inputs) {
        SCOPED_TRACE(input.name);
        input.send();
        EXPECT_EQ(km->RecNo(), 1);
        EXPECT_EQ(grid->Row(), 5);
        EXPECT_EQ(grid->currentIndex().row(), 5);
        EXPECT_EQ(events, 0);
        EXPECT_EQ(grid->SearchText(), QString());
        EXPECT_EQ(grid->Columns()[kARTN]->IndexStyle(), idxNone);
    }

    // Resumed: the grid stands on the walk's record and takes input again.
    km->EnableControls();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(km->RecNo(), 2);
}

TEST_F(GridTest, DoubleClickOnADataRowOnly) {
    Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    Show();
    std::vector<int> current;
    grid->OnDblClick = [&](TI_DBGrid *) { current.push_back(km->RecNo()); };

    QTest::mouseDClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, TitleCentre(kARTN));
    EXPECT_TRUE(current.empty());

    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(2, kBZ));
    EXPECT_EQ(current, std::vector<int>{2});
}

TEST_F(GridTest, TitleRowAndSelectionColours) {
    grid->Columns().BeginUpdate();
    for (int i = 0; i < 3; ++i) {
        grid->Columns()[i]->Title()->SetColor(0xFF8080);
        grid->Columns()[i]->Title()->SetFontColor(clWhite);
    }
    grid->Columns().EndUpdate();
    Fill({{"a", "1"}, {"b", "2"}});
    Show();
    EXPECT_EQ(grid->horizontalHeader()->height(), grid->TitleRowHeight());

    // Title background: red 128, green 128, blue 255.
    const QImage titles = grid->horizontalHeader()->viewport()->grab().toImage();
    EXPECT_EQ(QColor(titles.pixel(TitleCentre(kSTK).x() + 40, titles.height() - 3)), QColor(128, 128, 255));

    // The selected row: highlight colour with focus, light orange without.
    km->Last();
    const QPoint probe = grid->visualRect(grid->model()->index(1, kSTK)).bottomRight() - QPoint(4, 3);
    ASSERT_TRUE(grid->hasFocus());
    EXPECT_EQ(QColor(grid->viewport()->grab().toImage().pixel(probe)), ColorToQColor(clHighlight));
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(QColor(grid->viewport()->grab().toImage().pixel(probe)), QColor(255, 225, 121));
}

}  // namespace
