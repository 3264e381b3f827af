#include "command_line.h"

#include "format_settings.h"

int StrToIntOrZero(const QString &text) { return TryStrToInt(text).value_or(0); }

QString &HostDisplayName() {
    static QString name;
    return name;
}
