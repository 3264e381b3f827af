// The settings hand-over at start-up, through the real window: a settings
// load that reports a damaged database in its message box still ends in an
// enabled window that is ready for the check.
#include "box_answerer.h"
#include "db_fixture.h"
#include "dbe_recorder.h"
#include "main_window.h"
#include "settings.h"
#include "settings_hand_over.h"
#include "slimbutton.h"

#include <QGuiApplication>

namespace {

TEST(SettingsHandOver, AFailedLoadStillEndsInAReadyWindow) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {
                                   {{"Ident", "903"}, {"stringItem", "7"}},
                                   {{"Ident", "1501"}, {"MemoItem", "Frau\r\nHerr"}},
                                   {{"Ident", "16002"}, {"MemoItem", "zwei"}},
                               });
    folder.Append("ArtikelMain.TBL", {{{"ARTN", "A-1"}}, {{"ARTN", "A-1"}}});
    InstallSettingsHandOver();
    {
        dbtest::DbeRecorder recorder;
        recorder.Fail("DbeGetMemoLength", 5000, "Memo kaputt");
        BoxAnswerer boxes;
        TFMain w({QStringLiteral("artnrcheck"), folder.Path(), QStringLiteral("1"),
                  QStringLiteral("12272")});
        Start(w);
        ASSERT_EQ(boxes.texts.size(), 1);
        // The box writes its line breaks in its own spelling.
        EXPECT_TRUE(boxes.texts[0].startsWith(
            QStringLiteral("<B>Möglicher Fehler in der Datenbank:<br></B>"), Qt::CaseInsensitive))
            << boxes.texts[0].toStdString();
        EXPECT_TRUE(boxes.texts[0].contains(QStringLiteral("Memo kaputt")));
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.isEnabled());
        EXPECT_EQ(w.windowTitle(), folder.Path());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(GetSettings().ConnectPath, folder.Path());
        recorder.ClearFailures();
        // The check works as it does after a clean load.
        w.SlimButton4()->Click();
        EXPECT_EQ(w.KM()->RecordCount(), 2);
    }
    SettingsHandOver() = nullptr;
    SettingsMessageHook() = nullptr;
}

} // namespace
