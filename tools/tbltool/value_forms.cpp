#include "value_forms.h"

#include "text_codec.h"
#include "tool_error.h"

#include <QDate>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace tbltool {

namespace {

constexpr int64_t kMsPerDay = 86400000;
const QString kBase64Prefix = QStringLiteral("base64:");

[[noreturn]] void reject(const QString &reason) {
    throw ToolError(reason);
}

QByteArray latin(const QString &ascii) {
    return ascii.toLatin1();
}

double parseDouble(const QString &cell, bool allowExponent) {
    static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    static const QRegularExpression withExponent(
        QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!(allowExponent ? withExponent : plain).match(cell).hasMatch())
        reject(QStringLiteral("'%1' is not a number (use '.' for decimals)").arg(cell));
    const std::string text = cell.toStdString();
    const char *begin = text.data() + (text.front() == '+' ? 1 : 0);
    double value = 0;
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value))
        reject(QStringLiteral("'%1' is out of range").arg(cell));
    return value;
}

int64_t parseInteger(const QString &cell, int64_t lowest, int64_t highest) {
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
    if (!integer.match(cell).hasMatch())
        reject(QStringLiteral("'%1' is not a whole number").arg(cell));
    bool ok = false;
    const qlonglong value = cell.toLongLong(&ok);
    if (!ok || value < lowest || value > highest)
        reject(QStringLiteral("%1 is outside %2..%3").arg(cell).arg(lowest).arg(highest));
    return value;
}

QDate parseDate(const QString &text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const auto match = form.match(text);
    const QDate date =
        match.hasMatch()
            ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
            : QDate();
    if (!date.isValid() || date.year() < 1)
        reject(QStringLiteral("'%1' is not a date of the form YYYY-MM-DD").arg(text));
    return date;
}

void checkTime(const QString &text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2})(\\.\\d{1,3})?$"));
    const auto match = form.match(text);
    if (!match.hasMatch() || match.captured(1).toInt() > 23 || match.captured(2).toInt() > 59 ||
        match.captured(3).toInt() > 59)
        reject(QStringLiteral("'%1' is not a time of the form HH:MM:SS[.mmm]").arg(text));
}

QByteArray textBytes(const FieldInfo &field, const QString &cell, bool limited) {
    const auto bytes = toWindows1252(cell);
    if (!bytes)
        reject(QStringLiteral("the character %1 is not in Windows-1252")
                   .arg(describeFirstUnencodable(cell)));
    if (limited && field.length > 0 && uint32_t(bytes->size()) > field.length)
        reject(QStringLiteral("the text has %1 characters, the field holds %2")
                   .arg(bytes->size())
                   .arg(field.length));
    return *bytes;
}

QByteArray base64Bytes(const FieldInfo &field, const QString &cell) {
    if (!cell.startsWith(kBase64Prefix))
        reject(QStringLiteral("a %1 value is written as base64:...")
                   .arg(QString::fromLatin1(fieldTypeName(field.type))));
    auto decoded = QByteArray::fromBase64Encoding(cell.mid(kBase64Prefix.size()).toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) reject(QStringLiteral("the text after base64: is not valid base64"));
    if (field.type == DBE_T_RAW && uint32_t(decoded.decoded.size()) > field.length)
        reject(QStringLiteral("%1 bytes do not fit the field's %2")
                   .arg(decoded.decoded.size())
                   .arg(field.length));
    return decoded.decoded;
}

template <typename T> T readAt(const QByteArray &record, uint32_t offset) {
    T value{};
    if (uint64_t(offset) + sizeof(T) <= uint64_t(record.size()))
        std::memcpy(&value, record.constData() + offset, sizeof(T));
    return value;
}

// The bytes a type's image takes at least; 0 for types of any length.
uint32_t imageBytes(uint16_t type) {
    switch (type) {
    case DBE_T_LOGICAL:
        return 1;
    case DBE_T_COMPACTDATE:
        return 3;
    case DBE_T_DATE:
    case DBE_T_INTEGER:
    case DBE_T_AUTOINC:
    case DBE_T_TIME:
        return 4;
    case DBE_T_SHORTINT:
        return 2;
    case DBE_T_DOUBLE:
    case DBE_T_CURDOUBLE:
    case DBE_T_TIMESTAMP:
        return 8;
    default:
        return 0;
    }
}

QString isoDate(int64_t julian) {
    return QDate::fromJulianDay(julian).toString(Qt::ISODate);
}

QString clock(uint32_t ms) {
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                       .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (ms % 1000) text += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

} // namespace

QString shortestDouble(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

EngineValue engineValueFromCell(const FieldInfo &field, const QString &cell) {
    if (cell.isEmpty()) {
        // An auto-increment field left empty is one the engine numbers itself.
        return {field.type == DBE_T_AUTOINC ? EngineValue::Kind::Skip : EngineValue::Kind::Empty,
                {}};
    }
    EngineValue value{EngineValue::Kind::Text, {}};
    switch (field.type) {
    case DBE_T_LOGICAL: {
        const QString upper = cell.toUpper();
        if (upper == u"T" || upper == u"1")
            value.bytes = "T";
        else if (upper == u"F" || upper == u"0")
            value.bytes = "F";
        else
            reject(QStringLiteral("'%1' is not a logical (T, F, 1 or 0)").arg(cell));
        break;
    }
    case DBE_T_NUMERIC: {
        const double number = parseDouble(cell, false);
        // The image is the number printed with the field's decimals; it must fit.
        const QString printed = QString::number(number, 'f', field.decimals);
        if (uint32_t(printed.size()) > field.length)
            reject(QStringLiteral("%1 does not fit a numeric field of length %2 with %3 decimals")
                       .arg(cell)
                       .arg(field.length)
                       .arg(field.decimals));
        value.bytes = latin(shortestDouble(number));
        break;
    }
    case DBE_T_DOUBLE:
    case DBE_T_CURDOUBLE:
        value.bytes = latin(shortestDouble(parseDouble(cell, true)));
        break;
    case DBE_T_INTEGER:
        // The lowest 32-bit value is the image of "empty".
        value.bytes = QByteArray::number(parseInteger(
            cell, std::numeric_limits<int32_t>::min() + 1ll, std::numeric_limits<int32_t>::max()));
        break;
    case DBE_T_SHORTINT:
        value.bytes = QByteArray::number(parseInteger(cell, -32767, 32767));
        break;
    case DBE_T_AUTOINC:
        value.bytes = QByteArray::number(parseInteger(cell, 0, 0xFFFFFFFEll));
        break;
    case DBE_T_DATE:
    case DBE_T_COMPACTDATE:
        value.bytes = latin(parseDate(cell).toString(QStringLiteral("yyyyMMdd")));
        break;
    case DBE_T_TIME:
        checkTime(cell);
        value.bytes = latin(cell);
        break;
    case DBE_T_TIMESTAMP: {
        const qsizetype space = cell.indexOf(u' ');
        if (space < 0)
            reject(QStringLiteral("'%1' is not a timestamp of the form YYYY-MM-DD HH:MM:SS[.mmm]")
                       .arg(cell));
        parseDate(cell.left(space));
        checkTime(cell.mid(space + 1));
        value.bytes = latin(cell);
        break;
    }
    case DBE_T_STRING:
    case DBE_T_CISTRING:
        value.bytes = textBytes(field, cell, true);
        break;
    case DBE_T_VARCHAR:
        value.bytes = textBytes(field, cell, true);
        break;
    case DBE_T_MEMO:
        value.bytes = textBytes(field, cell, false);
        break;
    case DBE_T_BINARY:
    case DBE_T_IMAGE:
    case DBE_T_RAW:
        value.bytes = base64Bytes(field, cell);
        break;
    default:
        reject(QStringLiteral("the field type %1 is unknown to this tool").arg(field.type));
    }
    return value;
}

QString cellFromImage(const FieldInfo &field, const QByteArray &record) {
    const uint32_t at = field.offset;
    if (uint64_t(at) + field.length > uint64_t(record.size()))
        throw ToolError(QStringLiteral("field %1 lies outside the record image").arg(field.name));
    // A damaged catalogue may give a length that cannot hold the type.
    if (field.length < imageBytes(field.type))
        throw ToolError(QStringLiteral("field %1 has %2 bytes, too few for its type")
                            .arg(field.name)
                            .arg(field.length));
    const QByteArray bytes = record.mid(at, field.length);
    switch (field.type) {
    case DBE_T_LOGICAL:
        return bytes.at(0) == 'T'   ? QStringLiteral("T")
               : bytes.at(0) == 'F' ? QStringLiteral("F")
                                    : QString();
    case DBE_T_NUMERIC:
        return QString::fromLatin1(bytes).remove(QChar(u'\0')).trimmed();
    case DBE_T_DATE:
        if (field.length == 4) {
            const uint32_t julian = readAt<uint32_t>(record, at);
            return julian ? isoDate(julian) : QString();
        } else {
            const QString digits = QString::fromLatin1(bytes.left(8));
            const QDate date = QDate::fromString(digits, QStringLiteral("yyyyMMdd"));
            return date.isValid() ? date.toString(Qt::ISODate) : QString();
        }
    case DBE_T_COMPACTDATE: {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        const int high = (p[0] << 8) | p[1];
        if (high == 0 && p[2] == 0) return {};
        const QDate date(high / 2, (high % 2) * 8 + p[2] / 32, p[2] % 32);
        return date.isValid() ? date.toString(Qt::ISODate) : QString();
    }
    case DBE_T_STRING:
    case DBE_T_CISTRING: {
        QByteArray text = bytes;
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0) text.truncate(zero);
        while (text.endsWith(' '))
            text.chop(1);
        return fromWindows1252(text);
    }
    case DBE_T_DOUBLE:
    case DBE_T_CURDOUBLE:
        return shortestDouble(readAt<double>(record, at));
    case DBE_T_INTEGER:
        return QString::number(readAt<int32_t>(record, at));
    case DBE_T_SHORTINT:
        return QString::number(readAt<int16_t>(record, at));
    case DBE_T_AUTOINC:
        return QString::number(readAt<uint32_t>(record, at));
    case DBE_T_TIME:
        return clock(readAt<uint32_t>(record, at));
    case DBE_T_TIMESTAMP: {
        const uint32_t julian = readAt<uint32_t>(record, at);
        const uint32_t ms = readAt<uint32_t>(record, at + 4);
        if (julian == 0) return {};
        return isoDate(julian) + u' ' + clock(ms % kMsPerDay);
    }
    case DBE_T_RAW: {
        // The image pads a raw value with zero bytes; they are not part of it.
        QByteArray raw = bytes;
        while (raw.endsWith('\0'))
            raw.chop(1);
        return raw.isEmpty() ? QString() : kBase64Prefix + QString::fromLatin1(raw.toBase64());
    }
    }
    throw ToolError(QStringLiteral("field %1 has a type (%2) unknown to this tool")
                        .arg(field.name)
                        .arg(field.type));
}

QString cellFromBlob(const FieldInfo &field, const QByteArray &bytes) {
    if (bytes.isEmpty()) return {};
    if (field.type == DBE_T_BINARY || field.type == DBE_T_IMAGE)
        return kBase64Prefix + QString::fromLatin1(bytes.toBase64());
    return fromWindows1252(bytes);
}

} // namespace tbltool
