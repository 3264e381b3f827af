// The host's command line: connect path, server-type selector, release.
#pragma once

#include <QString>
#include <QStringList>

constexpr int kMinimumHostRelease = 12272;

// The whole text as a signed 32-bit integer (blanks before it, a sign,
// decimal, or hexadecimal after "$", "x" or "0x"); 0 when it is not one.
int StrToIntOrZero(const QString &text);

// The process-wide display name of the host program; nothing sets it.
QString &HostDisplayName();
