// Placement of forms on the monitor the user works on.
#include "form_hook.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(PlaceForm, Arithmetic) {
    const QRect monitor(0, 0, 800, 800), taskBarArea(0, 0, 800, 760);
    const struct {
        const char *name;
        QRect form;
        bool centre;
        QRect monitor;
        bool workAreaDiffers;
        QRect expected;
    } cases[] = {
        {"centred on the monitor", {10, 10, 300, 200}, true, monitor, false, {250, 300, 300, 200}},
        {"centred in the work area beside a task bar", {10, 10, 300, 200}, true, monitor, true, {250, 280, 300, 200}},
        // Centred first, then cut at the far edges (divisions truncate).
        {"larger than the monitor is cut", {0, 0, 1000, 300}, true, monitor, false, {-100, 250, 900, 300}},
        {"kept inside the work area", {700, 700, 300, 200}, false, monitor, true, {500, 560, 300, 200}},
        {"moved onto a monitor to the right", {100, 100, 300, 200}, false, {800, 0, 800, 600}, false,
         {900, 100, 300, 200}},
        {"off the bottom, no task bar", {100, 700, 300, 200}, false, monitor, false, {100, 600, 300, 200}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PlaceFormRect(c.form, c.centre, c.monitor, c.workAreaDiffers, taskBarArea), c.expected) << c.name;
}

TEST(PlaceForm, HookCentresOnceAndSetsTheHelpContext) {
    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();

    QWidget form;
    form.setObjectName(QStringLiteral("FPlaced"));
    form.setGeometry(3, 4, 300, 200);
    SetFormPosition(&form, poScreenCenter);
    ApplyFormHook(&form, true);
    EXPECT_EQ(form.property("HelpContext").toInt(), 1);
    EXPECT_EQ(form.pos(), area.topLeft() + QPoint((area.width() - 300) / 2, (area.height() - 200) / 2));
    EXPECT_EQ(FormPosition(&form), poDesigned);

    // A frameless form is left where it is unless placing is forced.
    QWidget bare(nullptr, Qt::FramelessWindowHint);
    bare.setGeometry(-50, 5, 100, 100);
    ApplyFormHook(&bare, true);
    EXPECT_EQ(bare.pos(), QPoint(-50, 5));
    PlaceForm(&bare, true);
    EXPECT_EQ(bare.pos().x(), screen->geometry().x());
}

}  // namespace
