// What assistive technology reads of the kit's widgets, through Qt's
// accessibility interfaces as a screen reader's bridge reads them, and the
// events it is told.
#include "../framework/km_table.h"
#include "db_grid.h"
#include "kit_accessibility.h"
#include "minihtmllabel.h"
#include "slimbutton.h"
#include "slimprogressbar.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenEvent {
    QAccessible::Event type;
    QObject *object;
    int child;
    QVariant value;
};

// Records what the kit's widgets tell assistive technology.
class EventLog {
public:
    EventLog() {
        SetAccessibleEventWatch([this](QAccessibleEvent *e) {
            QVariant value;
            if (e->type() == QAccessible::ValueChanged)
                value = static_cast<QAccessibleValueChangeEvent *>(e)->value();
            events.push_back({e->type(), e->object(), e->child(), value});
        });
    }
    ~EventLog() { SetAccessibleEventWatch({}); }
    // The events of one type about one object, in order.
    std::vector<SeenEvent> Of(QAccessible::Event type, QObject *object) const {
        std::vector<SeenEvent> out;
        for (const SeenEvent &e : events)
            if (e.type == type && e.object == object) out.push_back(e);
        return out;
    }

    std::vector<SeenEvent> events;
};

QAccessibleInterface *Interface(QObject *object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString Name(QObject *object) {
    return Interface(object)->text(QAccessible::Name);
}

TEST(KitAccessibility, ButtonsAreNamedByTheirCaption) {
    const struct {
        const char *caption;
        QString name;
        QString accelerator;
    } cases[] = {
        {"Überprüfen", QStringLiteral("Überprüfen"), QString()},
        {"&Schliessen", QStringLiteral("Schliessen"), QStringLiteral("Alt+S")},
        {"Kauf && Verkauf", QStringLiteral("Kauf & Verkauf"), QString()},
        {"Alle doppelten<BR>löschen", QStringLiteral("Alle doppelten löschen"), QString()},
        {"", QString(), QString()},
    };
    QWidget form;
    auto *button = new TSlimButton(&form);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption);
        button->SetCaption(QString::fromUtf8(c.caption));
        QAccessibleInterface *iface = Interface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button);
        EXPECT_EQ(iface->text(QAccessible::Name), c.name);
        EXPECT_EQ(iface->text(QAccessible::Accelerator), c.accelerator);
    }
    // A name given by the owner wins.
    button->setAccessibleName(QStringLiteral("Prüfen"));
    EXPECT_EQ(Name(button), QStringLiteral("Prüfen"));
}

// The press action is a click of the user: the veto decides, and a
// disabled button (also one in a disabled window) does nothing.
TEST(KitAccessibility, PressingAButtonAsksItsVeto) {
    QWidget form;
    auto *button = new TSlimButton(&form);
    button->SetCaption(QStringLiteral("Überprüfen"));
    button->SetTabStop(true);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    bool allow = false;
    int asked = 0, clicks = 0;
    QObject::connect(button, &TSlimButton::OnBeforeClick, [&](QObject *, bool &clicked) {
        ++asked;
        clicked = allow;
    });
    QObject::connect(button, &TSlimButton::OnClick, [&] { ++clicks; });
    QAccessibleInterface *iface = Interface(button);
    QAccessibleActionInterface *actions = iface->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames().value(0), QAccessibleActionInterface::pressAction());

    const struct {
        const char *name;
        std::function<void()> setUp;
        bool allow;
        int asked, clicks;
        bool disabled;
    } cases[] = {
        {"veto refuses", [] {}, false, 1, 0, false},
        {"veto lets it pass", [] {}, true, 1, 1, false},
        {"disabled button", [&] { button->setEnabled(false); }, true, 0, 0, true},
        {"disabled window", [&] { form.setEnabled(false); }, true, 0, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        button->setEnabled(true);
        form.setEnabled(true);
        c.setUp();
        allow = c.allow;
        asked = clicks = 0;
        actions->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(clicks, c.clicks);
        EXPECT_EQ(iface->state().disabled, c.disabled);
    }
    form.setEnabled(true);
    button->setEnabled(true);
    EXPECT_FALSE(iface->state().focused);
    actions->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_TRUE(button->hasFocus());
    EXPECT_TRUE(iface->state().focused);
}

TEST(KitAccessibility, TheProgressBarTellsRangeAndPosition) {
    EventLog log;
    QWidget form;
    auto *bar = new TSlimProgressBar(&form);
    form.show();
    QAccessibleInterface *iface = Interface(bar);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface *value = iface->valueInterface();
    ASSERT_NE(value, nullptr);

    const struct {
        const char *name;
        std::function<void()> change;
        int min, max, position;
        std::vector<int> told; // value-change events
    } cases[] = {
        {"design values", [] {}, 0, 100, 0, {}},
        {"maximum of an operation", [&] { bar->SetMax(3); }, 0, 3, 0, {}},
        {"one step per record",
         [&] {
             for (int i = 1; i <= 3; ++i)
                 bar->SetPosition(i);
         },
         0,
         3,
         3,
         {1, 2, 3}},
        {"the same position again", [&] { bar->SetPosition(3); }, 0, 3, 3, {}},
        {"a smaller maximum lowers the position", [&] { bar->SetMax(2); }, 0, 2, 2, {2}},
        {"a position beyond the maximum is clamped", [&] { bar->SetPosition(50); }, 0, 2, 2, {}},
        {"back to 0", [&] { bar->SetPosition(0); }, 0, 2, 0, {0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        log.events.clear();
        c.change();
        EXPECT_EQ(value->minimumValue().toInt(), c.min);
        EXPECT_EQ(value->maximumValue().toInt(), c.max);
        EXPECT_EQ(value->currentValue().toInt(), c.position);
        EXPECT_EQ(iface->text(QAccessible::Value), QString::number(c.position));
        std::vector<int> told;
        for (const SeenEvent &e : log.Of(QAccessible::ValueChanged, bar))
            told.push_back(e.value.toInt());
        EXPECT_EQ(told, c.told);
    }
    // Nobody moves the bar from outside.
    value->setCurrentValue(1);
    EXPECT_EQ(bar->Position(), 0);
}

TEST(KitAccessibility, LabelsReadTheTextTheyShow) {
    const struct {
        const char *name;
        bool messageBox; // TSBHTM, else TMiniHtmlLabel
        QString html;
        QString read;
    } cases[] = {
        {"bold verdict", false, QStringLiteral("<B>Alle Artikelnummern sind eindeutig."),
         QStringLiteral("Alle Artikelnummern sind eindeutig.")},
        {"two lines", false,
         QStringLiteral("<B>Es existieren mindestens 2<BR>doppelte Artikelnummern."),
         QStringLiteral("Es existieren mindestens 2\ndoppelte Artikelnummern.")},
        {"bold part", false, QStringLiteral("100 <b>löschen.."), QStringLiteral("100 löschen..")},
        {"error with its text", false, QStringLiteral("<B>Fehler:</B><BR>Datensatz gesperrt"),
         QStringLiteral("Fehler:\nDatensatz gesperrt")},
        {"entities", false, QStringLiteral("&lt;b&gt; 5&euro; &quot;x&quot;"),
         QStringLiteral("<b> 5€ \"x\"")},
        {"an unclosed tag cuts the rest", false, QStringLiteral("vorher <B nachher"),
         QStringLiteral("vorher")},
        {"no wrapping at the label's width", false,
         QString(40, u'w') + QStringLiteral(" ") + QString(40, u'v'),
         QString(40, u'w') + QStringLiteral(" ") + QString(40, u'v')},
        {"the label's prefix ampersand", false, QStringLiteral("A &amp;B &amp;&amp; C"),
         QStringLiteral("A B & C")},
        {"the message box shows every ampersand", true, QStringLiteral("A &amp; B"),
         QStringLiteral("A & B")},
        {"empty", false, QString(), QString()},
    };
    QWidget form;
    form.resize(120, 80);
    TCustomHtmlLabel *labels[] = {new TMiniHtmlLabel(&form), new TSBHTM(&form)};
    EventLog log;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TCustomHtmlLabel *label = labels[c.messageBox ? 1 : 0];
        log.events.clear();
        label->SetText(c.html);
        QAccessibleInterface *iface = Interface(label);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::StaticText);
        EXPECT_EQ(iface->text(QAccessible::Name), c.read);
        EXPECT_EQ(log.Of(QAccessible::NameChanged, label).size(), 1u);
    }
}

// The grid is a table: its titles are the column headers, its cells the
// display texts, the current record the selected row and the current cell.
TEST(KitAccessibility, TheGridIsATableOfTheDataSet) {
    auto km = MakeKm();
    TDataSource source;
    source.SetDataSet(km.get());
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    auto *grid = new TI_DBGrid(&form);
    layout->addWidget(grid);
    grid->SetOptions(grid->Options() | dgRowSelect);
    grid->SetReadOnly(true);
    const struct {
        const char *field, *title;
    } columns[] = {{"BZ", "Bezeichnung 1"}, {"ARTN", "Artikelnummer"}, {"STK", "Bereits gebucht"}};
    for (const auto &c : columns) {
        TColumn *column = grid->Columns().Add();
        column->SetFieldName(QString::fromLatin1(c.field));
        column->Title()->SetCaption(QString::fromLatin1(c.title));
    }
    grid->SetDataSource(&source);
    AppendKm(*km,
             {2, QStringLiteral("Schraube"), QStringLiteral("100"), QStringLiteral("3"), false});
    AppendKm(*km, {1, QStringLiteral("Mutter"), QStringLiteral("100"), QString(), false});
    AppendKm(*km,
             {4, QStringLiteral("Scheibe"), QStringLiteral("7"), QStringLiteral("2,5"), false});
    km->First();
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    grid->setFocus();
    QCoreApplication::processEvents();

    QAccessibleInterface *iface = Interface(grid);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    QAccessibleTableInterface *table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 3);
    QStringList headers, cells;
    for (int c = 0; c < table->columnCount(); ++c)
        headers << table->columnDescription(c);
    EXPECT_EQ(headers, (QStringList{"Bezeichnung 1", "Artikelnummer", "Bereits gebucht"}));
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->cellAt(r, c)->text(QAccessible::Name);
    EXPECT_EQ(cells,
              (QStringList{"Schraube", "100", "3", "Mutter", "100", "", "Scheibe", "7", "2,5"}));
    EXPECT_EQ(table->selectedRows(), QList<int>{0});

    // A renamed title is a renamed header.
    grid->Columns()[2]->Title()->SetCaption(QStringLiteral("Gebucht"));
    EXPECT_EQ(table->columnDescription(2), QStringLiteral("Gebucht"));

    const struct {
        const char *name;
        std::function<void()> move;
        int row;
    } moves[] = {
        {"the data set moves", [&] { km->Last(); }, 2},
        {"a key moves the record", [&] { QTest::keyClick(grid, Qt::Key_Up); }, 1},
        {"a click moves the record",
         [&] {
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                               grid->visualRect(grid->model()->index(0, 1)).center());
         },
         0},
    };
    // Qt's table view tells the focus and the selection from its current
    // index and its selection: one change of each per move, on that row.
    std::vector<int> currentRows, selectedRows;
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged,
                     [&](const QModelIndex &current) { currentRows.push_back(current.row()); });
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged,
                     [&](const QItemSelection &selected) {
                         for (const QModelIndex &i : selected.indexes())
                             if (i.column() == 0) selectedRows.push_back(i.row());
                     });
    for (const auto &m : moves) {
        SCOPED_TRACE(m.name);
        currentRows.clear();
        selectedRows.clear();
        m.move();
        EXPECT_EQ(table->selectedRows(), QList<int>{m.row});
        EXPECT_TRUE(table->isRowSelected(m.row));
        EXPECT_EQ(currentRows, std::vector<int>{m.row});
        EXPECT_EQ(selectedRows, std::vector<int>{m.row});
    }
}

} // namespace
