// Field values in a table cursor's record image: when a value is empty,
// decoding it to a variant and encoding a variant (or the empty value)
// into the image.
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

#include <cmath>

using namespace dbtable;

namespace {

constexpr int64_t kJulianOffset = 1721425;
constexpr int64_t kMsPerDay = 86400000;

} // namespace

TRecordBuffer *TDbDataSet::StateBuffer() const {
    switch (State()) {
    case TDataSetState::dsFilter:
        return scratch_.get();
    default:
        return ActiveBuffer();
    }
}

bool TDbDataSet::IsEmptyValue(const TDbeFieldDef &d, const char *p) const {
    const int n = d.length;
    if (tableType_ == TDbTableType::ttDbTBL) {
        switch (d.typeCode) {
        case 1:
            return p[0] == ' ';
        case 2:
        case 3:
        case 4:
        case 9:
        case 16:
        case 20:
            return AllBytes(p, n, 0, 0);
        case 5:
        case 6:
        case 7:
        case 8:
            return Get32(p) == 0;
        case 10:
        case 17:
            return Get32(p) == 0x20 && Get32(p + 4) == 0x80000000u;
        case 11:
            return Get32(p) == 0x80000000u;
        case 12:
            return (uint8_t(p[0]) | (uint8_t(p[1]) << 8)) == 0x8000;
        case 13:
        case 15:
            return Get32(p) == 0xFFFFFFFFu;
        case 14:
            return Get32(p) == 0;
        default:
            return true;
        }
    }
    switch (d.typeCode) {
    case 1:
    case 2:
    case 4:
        return AllBytes(p, n, 0, ' ');
    case 3:
        return n == 4 ? Get32(p) == 0 : AllBytes(p, n, 0, ' ');
    case 5:
    case 6:
    case 7:
    case 8:
        return Get32(p) == 0;
    case 9:
        return AllBytes(p, n, 0, 0);
    case 10:
    case 11:
    case 12:
    case 17:
        return false;
    default:
        return true;
    }
}

bool TDbDataSet::DecodeValue(const TDbeFieldDef &d, const TField *field, const char *p,
                             QVariant &v) {
    if (IsEmptyValue(d, p)) return false;
    switch (d.typeCode) {
    case 1:
        v = (p[0] == '1' || p[0] == 'T' || p[0] == 'Y' || p[0] == 't' || p[0] == 'y');
        return true;
    case 2: {
        bool ok = false;
        double x = QString::fromLatin1(p, d.length).trimmed().toDouble(&ok);
        // A numeric text that does not parse reads as empty.
        if (!ok) return false;
        if (field->DataType() == TFieldType::ftSmallint)
            v = static_cast<qint32>(std::llround(x));
        else
            v = x;
        return true;
    }
    case 3:
    case 9: {
        double julian = 0;
        if (d.typeCode == 3 && d.length == 4) {
            julian = static_cast<int32_t>(Get32(p));
        } else {
            QByteArray text;
            if (d.typeCode == 9) {
                int hi = (uint8_t(p[0]) << 8) | uint8_t(p[1]);
                int y = hi / 2, m = (hi % 2) * 8 + uint8_t(p[2]) / 32, day = uint8_t(p[2]) % 32;
                text = QStringLiteral("%1%2%3")
                           .arg(y, 4, 10, QChar(u'0'))
                           .arg(m, 2, 10, QChar(u'0'))
                           .arg(day, 2, 10, QChar(u'0'))
                           .toLatin1();
            } else {
                text = QByteArray(p, d.length);
            }
            Check(Dbe().DbeConvertStringToJulian(text.constData(),
                                                 static_cast<uint16_t>(text.size()), &julian));
        }
        v = DayNumberToDateTime(static_cast<int64_t>(julian) - kJulianOffset);
        return true;
    }
    case 4:
    case 20: {
        int n = d.length;
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
            --n;
        int z = static_cast<int>(qstrnlen(p, size_t(n)));
        v = FromAnsi(p, std::min(n, z));
        return true;
    }
    case 10:
    case 17: {
        double x;
        std::memcpy(&x, p, 8);
        v = x;
        return true;
    }
    case 11:
    case 15:
        v = static_cast<qint32>(Get32(p));
        return true;
    case 12: {
        int16_t s;
        std::memcpy(&s, p, 2);
        v = static_cast<qint32>(s);
        return true;
    }
    case 13:
        v = static_cast<double>(Get32(p)) / kMsPerDay;
        return true;
    case 14: {
        int64_t day = Get32(p), ms = Get32(p + 4);
        int64_t value = (day - kJulianOffset) * kMsPerDay + ms;
        if (value < 0) value = 0;
        v = DayNumberToDateTime(value / kMsPerDay) + double(value % kMsPerDay) / kMsPerDay;
        return true;
    }
    case 16:
        v = QByteArray(p, d.length);
        return true;
    }
    return false;
}

bool TDbDataSet::GetFieldData(const TField *field, QVariant &value) {
    TRecordBuffer *buffer = StateBuffer();
    const char *image = nullptr;
    if (State() == TDataSetState::dsOldValue) {
        if (oldRecord_.isEmpty()) return false;
        image = oldRecord_.constData();
    } else {
        if (!buffer) return false;
        image = Buf(*buffer).image.constData();
    }
    if (field->FieldNo() <= 0) {
        if (!buffer) return false;
        int i = static_cast<int>(Fields().indexOf(const_cast<TField *>(field)));
        value = Buf(*buffer).calc[i];
        return value.isValid();
    }
    const TDbeFieldDef &d = fieldDefs_[field->FieldNo() - 1];
    if (IsBlobCode(d.typeCode)) {
        if (!buffer || Get32(image + d.offset) == 0) return false;
        auto stream = CreateBlobStream(const_cast<TField *>(field), TBlobStreamMode::bmRead);
        QByteArray bytes = stream->ReadAll();
        if (d.typeCode == 5 || d.typeCode == 8)
            value = FromAnsi(bytes);
        else
            value = bytes;
        return true;
    }
    return DecodeValue(d, field, image + d.offset, value);
}

uint16_t TDbDataSet::EngineTableType() {
    uint16_t type = 3;
    Check(Dbe().DbeGetTableType(tableHandle_, &type));
    return type;
}

void TDbDataSet::EncodeNull(const TDbeFieldDef &d, char *p) {
    const int n = d.length;
    if (EngineTableType() == 3) {
        switch (d.typeCode) {
        case 1:
            p[0] = ' ';
            break;
        case 10:
        case 17:
            Put32(p, 0x20);
            Put32(p + 4, 0x80000000u);
            break;
        case 11:
            Put32(p, 0x80000000u);
            break;
        case 12:
            p[0] = 0;
            p[1] = char(0x80);
            break;
        case 13:
        case 15:
            Put32(p, 0xFFFFFFFFu);
            break;
        case 14:
            Put32(p, 0);
            Put32(p + 4, 0xFFFFFFFFu);
            break;
        default:
            std::memset(p, 0, size_t(n));
        }
        return;
    }
    bool zeros = (d.typeCode >= 5 && d.typeCode <= 12) || d.typeCode == 17;
    std::memset(p, zeros ? 0 : ' ', size_t(n));
}

void TDbDataSet::EncodeValue(const TDbeFieldDef &d, TField *field, const QVariant &value, char *p) {
    const int n = d.length;
    switch (d.typeCode) {
    case 1:
        p[0] = value.toBool() ? 'T' : 'F';
        break;
    case 2: {
        QString text;
        if (field->DataType() == TFieldType::ftSmallint) {
            text = QString::number(value.toInt());
        } else {
            int precision = d.decimals > 0 ? n - 1 : n;
            (void)precision;
            text = QString::number(value.toDouble(), 'f', d.decimals);
        }
        if (text.size() > n || text.contains(u'E') || text.contains(u'e'))
            RaiseLayerError(this, QStringLiteral("Numeric out of range."));
        QByteArray t = text.rightJustified(n, u' ').toLatin1();
        std::memcpy(p, t.constData(), size_t(n));
        break;
    }
    case 3:
    case 9: {
        int64_t julian = DateTimeToDayNumber(value.toDouble()) + kJulianOffset;
        if (d.typeCode == 3 && n == 4) {
            Put32(p, static_cast<uint32_t>(julian));
            break;
        }
        char text[14] = {};
        uint16_t length = 13;
        Check(Dbe().DbeConvertJulianToString(static_cast<double>(julian), text, &length));
        if (d.typeCode == 3) {
            if (int(qstrnlen(text, sizeof text)) > n)
                RaiseLayerError(this,
                                QStringLiteral("Something's wrong with the engine date functions"));
            std::memset(p, ' ', size_t(n));
            std::memcpy(p, text, qstrnlen(text, sizeof text));
        } else {
            QByteArray t(text);
            int y = t.left(4).toInt(), m = t.mid(4, 2).toInt(), day = t.mid(6, 2).toInt();
            uint16_t hi = static_cast<uint16_t>(y * 2 + m / 8);
            p[0] = char(hi >> 8);
            p[1] = char(hi & 0xFF);
            p[2] = char((m % 8) * 32 + day);
        }
        break;
    }
    case 4:
    case 20: {
        const QString text = value.toString();
        auto bytes = ToAnsi(text);
        if (!bytes)
            RaiseLayerError(this,
                            QStringLiteral("The character '%1' cannot be stored in field '%2'.")
                                .arg(FirstUnencodable(text), field->DisplayName()));
        if (bytes->size() > n)
            RaiseLayerError(
                this,
                QStringLiteral("The value is too long for field '%1' (at most %2 characters).")
                    .arg(field->DisplayName())
                    .arg(n));
        std::memset(p, bytes->isEmpty() && EngineTableType() == 3 ? 0 : ' ', size_t(n));
        std::memcpy(p, bytes->constData(), size_t(bytes->size()));
        break;
    }
    case 10:
    case 17: {
        double x = value.toDouble();
        std::memcpy(p, &x, 8);
        break;
    }
    case 11:
    case 15:
        Put32(p, static_cast<uint32_t>(value.toInt()));
        break;
    case 13:
        Put32(p, static_cast<uint32_t>(std::llround(value.toDouble() * kMsPerDay) % kMsPerDay));
        break;
    case 12: {
        int16_t s = static_cast<int16_t>(value.toInt());
        std::memcpy(p, &s, 2);
        break;
    }
    case 14: {
        double dt = value.toDouble();
        int64_t dayNumber = DateTimeToDayNumber(dt);
        int64_t ms = dayNumber * kMsPerDay + std::llround((dt - std::floor(dt)) * kMsPerDay);
        int64_t days = ms / kMsPerDay;
        Put32(p, static_cast<uint32_t>(days + kJulianOffset));
        Put32(p + 4, static_cast<uint32_t>(ms - days * kMsPerDay));
        break;
    }
    case 16: {
        QByteArray b = value.toByteArray();
        std::memset(p, 0, size_t(n));
        std::memcpy(p, b.constData(), size_t(std::min<qsizetype>(b.size(), n)));
        break;
    }
    }
}

void TDbDataSet::SetFieldData(TField *field, const QVariant &value) {
    const TDataSetState s = State();
    const bool allowed = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert ||
                         s == TDataSetState::dsSetKey || s == TDataSetState::dsCalcFields ||
                         s == TDataSetState::dsFilter || s == TDataSetState::dsNewValue ||
                         s == TDataSetState::dsInternalCalc;
    if (!allowed) RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
    TRecordBuffer *buffer = StateBuffer();
    if (!buffer) RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
    if (field->FieldNo() <= 0) {
        int i = static_cast<int>(Fields().indexOf(field));
        Buf(*buffer).calc[i] = value;
    } else {
        if (s == TDataSetState::dsCalcFields)
            RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
        if (field->ReadOnly() && s != TDataSetState::dsSetKey && s != TDataSetState::dsFilter)
            throw EDatabaseError(
                QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()));
        TDbeFieldDef &d = fieldDefs_[field->FieldNo() - 1];
        if (field->FieldKind() != TFieldKind::fkInternalCalc) {
            if (s == TDataSetState::dsEdit && !(d.permissions & 2)) {
                Dbe().DbeSetLastError(
                    5054, Ansi(QStringLiteral("Update permission not granted on this field: %1.")
                                   .arg(d.name))
                              .constData());
                Check(5054);
            }
            if (s == TDataSetState::dsInsert && !(d.permissions & 4)) {
                Dbe().DbeSetLastError(
                    5054, Ansi(QStringLiteral("Insert permission not granted on this field: %1.")
                                   .arg(d.name))
                              .constData());
                Check(5054);
            }
        }
        if (IsBlobCode(d.typeCode)) {
            auto stream = CreateBlobStream(field, TBlobStreamMode::bmWrite);
            QByteArray bytes;
            if (value.isValid()) {
                if (value.typeId() == QMetaType::QString) {
                    auto a = ToAnsi(value.toString());
                    if (!a)
                        RaiseLayerError(
                            this,
                            QStringLiteral("The character '%1' cannot be stored in field '%2'.")
                                .arg(FirstUnencodable(value.toString()), field->DisplayName()));
                    bytes = *a;
                } else {
                    bytes = value.toByteArray();
                }
            }
            stream->Write(bytes.constData(), bytes.size());
            return; // the stream's end sends the notification
        }
        char *image = Buf(*buffer).image.data() + d.offset;
        QByteArray saved(image, d.length);
        try {
            if (!value.isValid())
                EncodeNull(d, image);
            else
                EncodeValue(d, field, value, image);
        } catch (...) {
            std::memcpy(image, saved.constData(), size_t(d.length));
            throw;
        }
        d.modified = true;
    }
    FieldChanged(field);
}

void TDbDataSet::BlobWritten(TField *field) {
    if (field && field->FieldNo() > 0) fieldDefs_[field->FieldNo() - 1].modified = true;
    FieldChanged(field);
}
