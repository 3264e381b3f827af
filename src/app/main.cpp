// The tool's entry: the host starts it with its connect path, a server-type
// selector and its release, or with "INSTALL" to enter it into its menu.
#include "application_title.h"
#include "busy_cursor.h"
#include "currency_format.h"
#include "login_dialog.h"
#include "main_window.h"
#include "settings_hand_over.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    InitFormatSettings();
    const QString title = QStringLiteral("Check auf doppelte Artikelnummern");
    SetApplicationTitle(title);
    QApplication::setApplicationName(title);
    RegisterAnimatedCursors();
    InstallLoginDialog();
    InstallSettingsHandOver();
    // Closing the main window ends the program, whichever way it is closed:
    // a window that was hidden first (the install run) or closed while an
    // operation still runs would not end it as the last visible window.
    QApplication::setQuitOnLastWindowClosed(false);
    int result = 0;
    {
        TFMain window(QApplication::arguments());
        QObject::connect(&window, &TFMain::Closed, &app, &QCoreApplication::quit);
        window.show();
        result = QApplication::exec();
    }
    UnregisterAnimatedCursors();
    return result;
}
