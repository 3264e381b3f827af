// The main window as assistive technology reads it: every control named by
// its caption or titles, never by its object name, with its role, and the
// buttons pressed through their accessible action as through a click.
#include "box_answerer.h"
#include "check_fixture.h"
#include "db_grid.h"
#include "result_table.h"
#include "slimbutton.h"
#include "slimprogressbar.h"

#include <QAccessible>

namespace {

QAccessibleInterface *Interface(QObject *object) {
    return QAccessible::queryAccessibleInterface(object);
}

TEST(AccessibleWindow, ControlsAreNamedByTheirCaptionsAndTitles) {
    HostDatabase db;
    db.AddArticles({{"100", "Schraube"}, {"100", "Mutter"}, {"200", "Scheibe"}});
    db.AddBooking(1, 4);
    TFMain w({QStringLiteral("artnrcheck"), db.dir.path(), QStringLiteral("1"),
              QStringLiteral("12272")});
    Start(w);
    // Pressed as a screen reader presses it.
    Interface(w.SlimButton4())
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    ASSERT_EQ(w.KM()->RecordCount(), 2);

    const struct {
        const char *name;
        QWidget *widget;
        QAccessible::Role role;
        QString text;
    } cases[] = {
        {"Überprüfen", w.SlimButton4(), QAccessible::Button, QStringLiteral("Überprüfen")},
        {"Artikelnummer ändern", w.SlimButton2(), QAccessible::Button,
         QStringLiteral("Artikelnummer ändern")},
        {"Alle doppelten löschen", w.SlimButton3(), QAccessible::Button,
         QStringLiteral("Alle doppelten löschen")},
        {"Schliessen", w.SlimButton1(), QAccessible::Button, QStringLiteral("Schliessen")},
        {"status line", w.rlb(), QAccessible::StaticText,
         QStringLiteral("Es existieren mindestens 2\ndoppelte Artikelnummern.")},
        {"progress bar", w.PG(), QAccessible::ProgressBar, QString()},
        {"grid", w.DBGrid_ARTMAIN(), QAccessible::Table, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface *iface = Interface(c.widget);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), c.role);
        EXPECT_EQ(iface->text(QAccessible::Name), c.text);
        EXPECT_NE(iface->text(QAccessible::Name), c.widget->objectName());
        EXPECT_FALSE(iface->state().disabled);
    }

    // The bar: the range of the last operation, back at its start.
    QAccessibleValueInterface *bar = Interface(w.PG())->valueInterface();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimumValue().toInt(), 0);
    EXPECT_EQ(bar->maximumValue().toInt(), 2);
    EXPECT_EQ(bar->currentValue().toInt(), 0);

    // The grid: the titles as headers, the result rows with their quantities.
    QAccessibleTableInterface *table = Interface(w.DBGrid_ARTMAIN())->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->columnCount(), 3);
    QStringList headers, cells;
    for (int c = 0; c < 3; ++c)
        headers << table->columnDescription(c);
    EXPECT_EQ(headers, (QStringList{"Bezeichnung 1", "Artikelnummer", "Bereits gebucht"}));
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            cells << table->cellAt(r, c)->text(QAccessible::Name);
    EXPECT_EQ(cells, (QStringList{"Mutter", "100", "", "Schraube", "100", "4"}));
    EXPECT_EQ(table->selectedRows(), QList<int>{0});
}

// The accessible press goes through the before-click veto: refused while a
// scan runs, as a click would be.
TEST(AccessibleWindow, PressingCheckDuringAScanDoesNothing) {
    HostDatabase db;
    std::vector<Article> articles;
    for (int i = 0; i < 40; ++i)
        articles.push_back({QStringLiteral("N%1").arg(i / 2)});
    db.AddArticles(articles);
    TFMain w({QStringLiteral("artnrcheck"), db.dir.path(), QStringLiteral("1"),
              QStringLiteral("12272")});
    Start(w);
    BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{Qt::Key_Escape, QString()}});
    int busySeen = -1;
    int checks = 0;
    QObject::connect(w.SlimButton4(), &TSlimButton::OnClick, [&] { ++checks; });
    QTimer::singleShot(0, [&] {
        busySeen = w.KM()->Tag();
        Interface(w.SlimButton4())
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        Interface(w.SlimButton3())
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
    });
    w.SlimButton4()->Click();
    EXPECT_EQ(busySeen, 1);
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(w.KM()->RecordCount(), 40);
}

} // namespace
