#include "format_settings.h"

#include "exceptions.h"

#include <QDate>
#include <cmath>

namespace {
constexpr qint64 kDayNumberOf18991230 = 693594;
}

TFormatSettings &FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

QString IntToStr(qint64 value) { return QString::number(value); }

QString FloatToStr(double value) {
    // General form, 15 significant digits; scientific below 0.0001 and from
    // 16 digits before the separator on, written as 1E-5 or 1,5E20.
    QString s = QString::number(value, 'g', 15);
    int e = s.indexOf(u'e');
    if (e >= 0) {
        QString mantissa = s.left(e);
        int exponent = s.mid(e + 1).toInt();
        s = mantissa + u'E' + (exponent < 0 ? QStringLiteral("-") : QString()) +
            QString::number(std::abs(exponent));
    }
    s.replace(u'.', FormatSettings().DecimalSeparator);
    return s;
}

std::optional<qint32> TryStrToInt(const QString &text) {
    int i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        QChar c = text[i];
        int d = 0;
        bool isDigit = c.isDigit() && c.unicode() < 128;
        bool isHex = (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!(isDigit || (base == 16 && isHex))) return std::nullopt;
        d = isDigit ? c.unicode() - '0' : (c.toLower().unicode() - 'a' + 10);
        v = v * base + d;
        if (v > (base == 16 ? 0xFFFFFFFFll : 0x80000000ll)) return std::nullopt;
    }
    if (base == 16) {
        // Hex gives the 32-bit pattern; negating in unsigned arithmetic keeps
        // "-$80000000" defined instead of overflowing a signed multiply.
        quint32 bits = static_cast<quint32>(v);
        return static_cast<qint32>(negative ? 0u - bits : bits);
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFF || v < -0x80000000ll) return std::nullopt;
    return static_cast<qint32>(v);
}

qint32 StrToInt(const QString &text) {
    if (auto v = TryStrToInt(text)) return *v;
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

std::optional<double> TryStrToFloat(const QString &text) {
    QString s = text.trimmed();
    if (s.isEmpty()) return std::nullopt;
    const QChar sep = FormatSettings().DecimalSeparator;
    // Only the process decimal separator counts as one; a '.' is no
    // separator under a comma format.
    if (sep != u'.' && s.contains(u'.')) return std::nullopt;
    s.replace(sep, u'.');
    bool ok = false;
    double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

double StrToFloat(const QString &text) {
    if (auto v = TryStrToFloat(text)) return *v;
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

TDateTime EncodeDate(int y, int m, int d) {
    QDate date(y, m, d);
    if (!date.isValid()) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

void DecodeDate(TDateTime value, int &y, int &m, int &d) {
    QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(value)));
    y = date.year();
    m = date.month();
    d = date.day();
}

TDateTime DayNumberToDateTime(qint64 dayNumber) {
    return static_cast<double>(dayNumber - kDayNumberOf18991230);
}

qint64 DateTimeToDayNumber(TDateTime value) {
    return static_cast<qint64>(std::floor(value)) + kDayNumberOf18991230;
}

namespace {
QString PatternFor(TDateTime value, const QString &format) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    QString out;
    const QString f = format;
    for (int i = 0; i < f.size();) {
        QChar c = f[i].toLower();
        int n = 1;
        while (i + n < f.size() && f[i + n].toLower() == c) ++n;
        if (c == u'd')
            out += n >= 2 ? QStringLiteral("%1").arg(d, 2, 10, QChar(u'0')) : QString::number(d);
        else if (c == u'm')
            out += n >= 2 ? QStringLiteral("%1").arg(m, 2, 10, QChar(u'0')) : QString::number(m);
        else if (c == u'y')
            out += n <= 2 ? QStringLiteral("%1").arg(y % 100, 2, 10, QChar(u'0'))
                          : QStringLiteral("%1").arg(y, 4, 10, QChar(u'0'));
        else if (c == u'/')
            out += QString(n, FormatSettings().DateSeparator);
        else
            out += QString(n, f[i]);
        i += n;
    }
    return out;
}
}  // namespace

QString DateToStr(TDateTime value) { return PatternFor(value, FormatSettings().ShortDateFormat); }

QString TimeToStr(TDateTime value) {
    double frac = value - std::floor(value);
    qint64 ms = std::llround(frac * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    QChar sep = FormatSettings().TimeSeparator;
    return QStringLiteral("%1%2%3%4%5")
        .arg(ms / 3600000, 2, 10, QChar(u'0'))
        .arg(sep)
        .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
        .arg(sep)
        .arg(ms / 1000 % 60, 2, 10, QChar(u'0'));
}

QString DateTimeToStr(TDateTime value) {
    QString s = DateToStr(value);
    if (value != std::floor(value)) s += u' ' + TimeToStr(value);
    return s;
}

std::optional<TDateTime> TryStrToDate(const QString &text) {
    // Day, month and year in the order the short date format gives them,
    // separated by the date separator.
    const QString f = FormatSettings().ShortDateFormat.toLower();
    QString order;
    for (QChar c : f)
        if ((c == u'd' || c == u'm' || c == u'y') && !order.contains(c)) order += c;
    const QStringList parts = text.trimmed().split(FormatSettings().DateSeparator);
    if (parts.size() != 3 || order.size() != 3) return std::nullopt;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
    }
    int y = v[order.indexOf(u'y')], m = v[order.indexOf(u'm')], d = v[order.indexOf(u'd')];
    if (parts[order.indexOf(u'y')].trimmed().size() <= 2) y += y < 50 ? 2000 : 1900;
    QDate date(y, m, d);
    if (!date.isValid()) return std::nullopt;
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

double TextToFloatOrZero(const QString &text) { return TryStrToFloat(text).value_or(0.0); }
