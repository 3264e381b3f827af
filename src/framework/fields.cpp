#include "fields.h"

#include "dataset.h"
#include "exceptions.h"

#include <cmath>


TField::TField(TComponent *owner, TFieldType type, int size)
    : TComponent(owner), type_(type), size_(size) {}

QVariant TField::GetData() const {
    if (!dataSet_) throw EDatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    QVariant v;
    if (!dataSet_->GetFieldData(this, v)) return QVariant();
    return v;
}

void TField::SetData(const QVariant &value) {
    if (!dataSet_) throw EDatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    dataSet_->SetFieldData(this, value);
}

bool TField::IsNull() const { return !GetData().isValid(); }

QVariant TField::Value() const { return GetData(); }

void TField::SetValue(const QVariant &value) {
    if (!value.isValid() || value.isNull()) {
        Clear();
        return;
    }
    switch (type_) {
    case TFieldType::ftString: SetAsString(value.toString()); break;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc: SetAsInteger(value.toInt()); break;
    case TFieldType::ftBoolean: SetAsBoolean(value.toBool()); break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: SetAsFloat(value.toDouble()); break;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: SetAsDateTime(value.toDouble()); break;
    default: SetData(value);
    }
}

void TField::ConversionError(const char *typeName) const {
    throw EDatabaseError(
        QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), QLatin1String(typeName)));
}

QString TField::AsString() const { return GetData().toString(); }
void TField::SetAsString(const QString &value) { SetData(value); }
qint32 TField::AsInteger() const { ConversionError("Integer"); }
void TField::SetAsInteger(qint32) { ConversionError("Integer"); }
double TField::AsFloat() const { ConversionError("Float"); }
void TField::SetAsFloat(double) { ConversionError("Float"); }
bool TField::AsBoolean() const { ConversionError("Boolean"); }
void TField::SetAsBoolean(bool) { ConversionError("Boolean"); }
TDateTime TField::AsDateTime() const { ConversionError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { ConversionError("DateTime"); }

// --- strings -----------------------------------------------------------------
QString TStringField::AsString() const { return GetData().toString(); }

void TStringField::SetAsString(const QString &value) { SetData(value); }

qint32 TStringField::AsInteger() const { return StrToInt(AsString()); }

double TStringField::AsFloat() const { return StrToFloat(AsString()); }

bool TStringField::AsBoolean() const {
    QString s = AsString();
    if (s.isEmpty()) return false;
    QChar c = s[0].toUpper();
    if (c == u'T' || c == u'Y') return true;
    if (c == u'F' || c == u'N') return false;
    throw EDatabaseError(QStringLiteral("'%1' is not a valid boolean value for field '%2'")
                             .arg(s, DisplayName()));
}

// --- integers ----------------------------------------------------------------
QString TIntegerField::AsString() const {
    QVariant v = GetData();
    return v.isValid() ? IntToStr(v.toLongLong()) : QString();
}

void TIntegerField::SetAsString(const QString &value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    auto v = TryStrToInt(value);
    if (!v) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(value));
    SetAsInteger(*v);
}

qint32 TIntegerField::AsInteger() const {
    QVariant v = GetData();
    return v.isValid() ? v.toInt() : 0;
}

void TIntegerField::SetAsInteger(qint32 value) {
    if (value < min_ || value > max_)
        throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range "
                                         "is %3 to %4")
                              .arg(value)
                              .arg(DisplayName())
                              .arg(min_)
                              .arg(max_));
    SetData(value);
}

void TIntegerField::SetAsFloat(double value) {
    double r = std::round(value);
    if (r < min_ || r > max_)
        throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range "
                                         "is %3 to %4")
                              .arg(FloatToStr(value), DisplayName())
                              .arg(min_)
                              .arg(max_));
    SetAsInteger(static_cast<qint32>(r));
}

// --- floats ------------------------------------------------------------------
QString TFloatField::AsString() const {
    QVariant v = GetData();
    return v.isValid() ? FloatToStr(v.toDouble()) : QString();
}

void TFloatField::SetAsString(const QString &value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    auto v = TryStrToFloat(value);
    if (!v) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(value));
    SetAsFloat(*v);
}

qint32 TFloatField::AsInteger() const {
    double v = AsFloat();
    if (v > INT32_MAX || v < INT32_MIN)
        throw ERangeError(QStringLiteral("%1 is not a valid integer value").arg(FloatToStr(v)));
    return static_cast<qint32>(std::llround(v));
}

double TFloatField::AsFloat() const {
    QVariant v = GetData();
    return v.isValid() ? v.toDouble() : 0.0;
}

// --- booleans ----------------------------------------------------------------
QString TBooleanField::AsString() const {
    QVariant v = GetData();
    if (!v.isValid()) return QString();
    return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
}

void TBooleanField::SetAsString(const QString &value) {
    QString s = value.trimmed();
    if (s.isEmpty()) {
        Clear();
        return;
    }
    if (QStringLiteral("true").startsWith(s, Qt::CaseInsensitive))
        SetAsBoolean(true);
    else if (QStringLiteral("false").startsWith(s, Qt::CaseInsensitive))
        SetAsBoolean(false);
    else
        throw EDatabaseError(QStringLiteral("'%1' is not a valid boolean value for field '%2'")
                                 .arg(value, DisplayName()));
}

// --- dates -------------------------------------------------------------------
QString TDateTimeField::AsString() const {
    QVariant v = GetData();
    if (!v.isValid()) return QString();
    double d = v.toDouble();
    switch (DataType()) {
    case TFieldType::ftDate: return DateToStr(d);
    case TFieldType::ftTime: return TimeToStr(d);
    default: return DateTimeToStr(d);
    }
}

void TDateTimeField::SetAsString(const QString &value) {
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    auto d = TryStrToDate(value.trimmed().section(u' ', 0, 0));
    if (!d) throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(value));
    SetAsDateTime(*d);
}

// --- blobs -------------------------------------------------------------------
QString TBlobField::AsString() const {
    QVariant v = GetData();
    if (!v.isValid()) return QString();
    if (v.typeId() == QMetaType::QString) return v.toString();
    return QString::fromLatin1(v.toByteArray());
}

void TBlobField::SetAsString(const QString &value) {
    if (value.isEmpty())
        Clear();
    else
        SetData(DataType() == TFieldType::ftMemo ? QVariant(value) : QVariant(value.toLatin1()));
}

QString TBlobField::DisplayText() const { return QStringLiteral("(BLOB)"); }

QString TBytesField::AsString() const { return QString::fromLatin1(GetData().toByteArray()); }

void TBytesField::SetAsString(const QString &value) { SetData(value.toLatin1()); }

TField *CreateField(TComponent *owner, TFieldType type, int size) {
    switch (type) {
    case TFieldType::ftString: return new TStringField(owner, size);
    case TFieldType::ftSmallint: return new TSmallintField(owner);
    case TFieldType::ftInteger: return new TIntegerField(owner);
    case TFieldType::ftAutoInc: return new TAutoIncField(owner);
    case TFieldType::ftBoolean: return new TBooleanField(owner);
    case TFieldType::ftFloat: return new TFloatField(owner);
    case TFieldType::ftCurrency: return new TCurrencyField(owner);
    case TFieldType::ftBCD: return new TBCDField(owner);
    case TFieldType::ftDate: return new TDateField(owner);
    case TFieldType::ftTime: return new TTimeField(owner);
    case TFieldType::ftDateTime: return new TDateTimeField(owner);
    case TFieldType::ftBytes: return new TBytesField(owner, size);
    case TFieldType::ftBlob: return new TBlobField(owner);
    case TFieldType::ftMemo: return new TMemoField(owner);
    default: return new TField(owner, type, size);
    }
}
