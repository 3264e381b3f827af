// A whole text taken apart into lines, as a string list takes it.
#pragma once

#include <QString>
#include <QStringList>

// Carriage return, line feed or both end a line, and a final line break
// starts no empty line.
QStringList SplitTextLines(const QString &text);
