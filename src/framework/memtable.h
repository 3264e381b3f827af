// An in-memory table: field definitions, records in append order, no
// index. String values are cut to their field's width on assignment.
#pragma once

#include "dataset.h"

#include <vector>

struct TFieldDef {
    QString name;
    TFieldType type;
    int size = 0;
};

class TMemTable : public TDataSet {
    Q_OBJECT
public:
    explicit TMemTable(TComponent *owner = nullptr) : TDataSet(owner) {}

    // Definitions may change only while closed.
    void AddFieldDef(const QString &name, TFieldType type, int size = 0);
    void ClearFieldDefs();
    const std::vector<TFieldDef> &FieldDefs() const { return defs_; }

    // Deletes every record.
    void EmptyTable();
    int RecordCount() override;
    // The first record (in append order) whose fields equal the values;
    // keeps the current record when none does.
    bool Locate(const QString &keyFields, const QVariant &keyValues,
                TLocateOptions options) override;
    // The record number (0-based) of the current record, -1 when none.
    int RecNo() const;

    bool GetFieldData(const TField *field, QVariant &value) override;
    void SetFieldData(TField *field, const QVariant &value) override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    TGetResult GetRecord(TRecordBuffer &buffer, TGetMode mode) override;
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = static_cast<int>(records_.size()); }
    void InternalSetToRecord(TRecordBuffer &buffer) override;
    void InternalInitRecord(TRecordBuffer &buffer) override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;

private:
    std::vector<TFieldDef> defs_;
    std::vector<std::vector<QVariant>> records_;
    int cursor_ = -1;  // -1 before the first record, size() after the last
};
