#include "font_substitution.h"

#include <QtMath>
#include <array>
#include <utility>

namespace {

// Tahoma is a narrowed Verdana; the condensed cut of DejaVu Sans (itself
// Verdana-like) keeps its widths closest. The other classic fonts have
// metric-compatible Liberation counterparts.
constexpr std::array<std::pair<const char *, const char *>, 8> kSubstitutes{{
    {"MS Sans Serif", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"Arial", "Liberation Sans"},
    {"Tahoma", "DejaVu Sans Condensed"},
    {"Verdana", "DejaVu Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"MS Shell Dlg 2", "DejaVu Sans Condensed"},
}};

} // namespace

QString SubstituteFontFamily(const QString &name) {
    for (const auto &[from, to] : kSubstitutes)
        if (name.compare(QLatin1String(from), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(to);
    return name;
}

QFont FormFont(const QString &name, int size, bool bold) {
    QFont font(SubstituteFontFamily(name));
    const int pixels = size < 0 ? -size : qRound(size * 96.0 / 72.0);
    font.setPixelSize(qMax(1, pixels));
    font.setBold(bold);
    return font;
}
