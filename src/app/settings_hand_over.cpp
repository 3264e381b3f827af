#include "settings_hand_over.h"

#include "db_table.h"
#include "main_window.h"
#include "sb.h"
#include "settings_loader.h"

void InstallSettingsHandOver() {
    SettingsMessageHook() = [](const QString &text) { ShowInfoBox(text); };
    SettingsHandOver() = [](TDbTable *settingsTable, const QString &connectPath) {
        TSettings &settings = GetSettings();
        if (settingsTable) LoadSettings(settings, *settingsTable);
        SetConnectPath(settings, connectPath);
    };
}
