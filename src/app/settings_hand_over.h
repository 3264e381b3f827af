// What start-up hands the suite's settings code: the open settings cursor
// and the connect path, loaded into the process-wide settings object, with
// the loader's own messages shown in the message box.
#pragma once

// Installs the hand-over the main window's start-up calls.
void InstallSettingsHandOver();
