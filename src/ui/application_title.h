// The application title: the caption of every message box whose caller
// gives none. The tool sets it once at start-up.
#pragma once

#include <QString>

void SetApplicationTitle(const QString &title);

// The title set, or the application name while none has been set.
QString ApplicationTitle();
