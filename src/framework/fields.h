// Field objects: one per column of a dataset. A field reads and writes its
// value through its dataset (the dataset decides which record buffer the
// state addresses) and converts between types with the process format.
#pragma once

#include "component.h"
#include "format_settings.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

class TDataSet;

enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
};

enum class TFieldKind { fkData, fkCalculated, fkInternalCalc };

// Values travel as QVariant: QString for strings and memos, qint32 for the
// integer types, double for floats, currency, BCD and TDateTime values, bool
// for booleans, QByteArray for blobs and bytes; an invalid QVariant is null.
class TField : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString FieldName READ FieldName WRITE SetFieldName)

public:
    TField(TComponent *owner, TFieldType type, int size = 0);

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString &name) { fieldName_ = name; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    // The engine's field number, from 1; 0 for calculated fields.
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int n) { fieldNo_ = n; }
    TFieldKind FieldKind() const { return kind_; }
    void SetFieldKind(TFieldKind k) { kind_ = k; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r) { readOnly_ = r; }
    QString DisplayName() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
    QString DisplayLabel() const { return DisplayName(); }
    void SetDisplayLabel(const QString &l) { displayLabel_ = l; }
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : (size_ > 0 ? size_ : 10); }
    void SetDisplayWidth(int w) { displayWidth_ = w; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    bool IsBlob() const { return type_ == TFieldType::ftBlob || type_ == TFieldType::ftMemo; }

    TDataSet *DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *ds) { dataSet_ = ds; }

    bool IsNull() const;
    QVariant Value() const;
    void SetValue(const QVariant &value);
    void Clear() { SetData(QVariant()); }

    virtual QString AsString() const;
    virtual void SetAsString(const QString &value);
    virtual qint32 AsInteger() const;
    virtual void SetAsInteger(qint32 value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    // The text a grid shows.
    virtual QString DisplayText() const { return AsString(); }

    // The raw value the dataset holds (invalid when null).
    QVariant GetData() const;
    void SetData(const QVariant &value);

protected:
    [[noreturn]] void ConversionError(const char *typeName) const;

private:
    TFieldType type_;
    QString fieldName_;
    int size_ = 0;
    int fieldNo_ = 0;
    TFieldKind kind_ = TFieldKind::fkData;
    bool readOnly_ = false;
    QString displayLabel_;
    int displayWidth_ = 0;
    bool visible_ = true;
    TDataSet *dataSet_ = nullptr;
};

class TStringField : public TField {
    Q_OBJECT
public:
    TStringField(TComponent *owner, int size) : TField(owner, TFieldType::ftString, size) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override { SetAsString(IntToStr(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override { SetAsString(FloatToStr(value)); }
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? QStringLiteral("T") : QStringLiteral("F")); }
};

class TIntegerField : public TField {
    Q_OBJECT
public:
    TIntegerField(TComponent *owner, TFieldType type = TFieldType::ftInteger) : TField(owner, type) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override;
    double AsFloat() const override { return AsInteger(); }
    void SetAsFloat(double value) override;
    bool AsBoolean() const override { ConversionError("Boolean"); }
    void SetAsBoolean(bool) override { ConversionError("Boolean"); }

protected:
    qint32 min_ = INT32_MIN, max_ = INT32_MAX;
};

class TSmallintField : public TIntegerField {
    Q_OBJECT
public:
    explicit TSmallintField(TComponent *owner) : TIntegerField(owner, TFieldType::ftSmallint) {
        min_ = -32768;
        max_ = 32767;
    }
};

class TAutoIncField : public TIntegerField {
    Q_OBJECT
public:
    explicit TAutoIncField(TComponent *owner) : TIntegerField(owner, TFieldType::ftAutoInc) {}
};

class TFloatField : public TField {
    Q_OBJECT
public:
    TFloatField(TComponent *owner, TFieldType type = TFieldType::ftFloat) : TField(owner, type) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override { SetAsFloat(value); }
    double AsFloat() const override;
    void SetAsFloat(double value) override { SetData(value); }
    bool AsBoolean() const override { ConversionError("Boolean"); }
    void SetAsBoolean(bool) override { ConversionError("Boolean"); }
};

class TCurrencyField : public TFloatField {
    Q_OBJECT
public:
    explicit TCurrencyField(TComponent *owner) : TFloatField(owner, TFieldType::ftCurrency) {}
};

// Fixed-point numbers; the tool's BCD fields are currency values.
class TBCDField : public TFloatField {
    Q_OBJECT
public:
    explicit TBCDField(TComponent *owner) : TFloatField(owner, TFieldType::ftBCD) {}
    bool Currency() const { return currency_; }
    void SetCurrency(bool c) { currency_ = c; }

private:
    bool currency_ = true;
};

class TBooleanField : public TField {
    Q_OBJECT
public:
    explicit TBooleanField(TComponent *owner) : TField(owner, TFieldType::ftBoolean) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override { ConversionError("Integer"); }
    void SetAsInteger(qint32) override { ConversionError("Integer"); }
    double AsFloat() const override { ConversionError("Float"); }
    void SetAsFloat(double) override { ConversionError("Float"); }
    bool AsBoolean() const override { return GetData().toBool(); }
    void SetAsBoolean(bool value) override { SetData(value); }
};

class TDateTimeField : public TField {
    Q_OBJECT
public:
    TDateTimeField(TComponent *owner, TFieldType type = TFieldType::ftDateTime) : TField(owner, type) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override { ConversionError("Integer"); }
    void SetAsInteger(qint32) override { ConversionError("Integer"); }
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    bool AsBoolean() const override { ConversionError("Boolean"); }
    void SetAsBoolean(bool) override { ConversionError("Boolean"); }
    TDateTime AsDateTime() const override { return GetData().toDouble(); }
    void SetAsDateTime(TDateTime value) override { SetData(value); }
};

class TDateField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TDateField(TComponent *owner) : TDateTimeField(owner, TFieldType::ftDate) {}
};

class TTimeField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TTimeField(TComponent *owner) : TDateTimeField(owner, TFieldType::ftTime) {}
};

// Blob values: bytes. Memos hold text; their bytes are the dataset's
// business, the field hands out QString.
class TBlobField : public TField {
    Q_OBJECT
public:
    TBlobField(TComponent *owner, TFieldType type = TFieldType::ftBlob) : TField(owner, type, 1) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    qint32 AsInteger() const override { ConversionError("Integer"); }
    void SetAsInteger(qint32) override { ConversionError("Integer"); }
    double AsFloat() const override { ConversionError("Float"); }
    void SetAsFloat(double) override { ConversionError("Float"); }
    bool AsBoolean() const override { ConversionError("Boolean"); }
    void SetAsBoolean(bool) override { ConversionError("Boolean"); }
    QString DisplayText() const override;
};

class TMemoField : public TBlobField {
    Q_OBJECT
public:
    explicit TMemoField(TComponent *owner) : TBlobField(owner, TFieldType::ftMemo) {}
    QString DisplayText() const override { return QStringLiteral("(MEMO)"); }
};

class TBytesField : public TField {
    Q_OBJECT
public:
    TBytesField(TComponent *owner, int size) : TField(owner, TFieldType::ftBytes, size) {}
    QString AsString() const override;
    void SetAsString(const QString &value) override;
};

// A field object of the class that fits the type.
TField *CreateField(TComponent *owner, TFieldType type, int size);
