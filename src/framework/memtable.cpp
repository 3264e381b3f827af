#include "memtable.h"

namespace {
struct MemBuffer : TRecordBuffer {
    int index = -1;
    std::vector<QVariant> values;
};
MemBuffer &Buf(TRecordBuffer &b) { return static_cast<MemBuffer &>(b); }
}  // namespace

void TMemTable::AddFieldDef(const QString &name, TFieldType type, int size) {
    if (Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    defs_.push_back(TFieldDef{name, type, size});
}

void TMemTable::ClearFieldDefs() {
    if (Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    defs_.clear();
}

void TMemTable::InternalOpen() {
    for (size_t i = 0; i < defs_.size(); ++i) {
        TField *f = CreateField(nullptr, defs_[i].type, defs_[i].size);
        f->SetFieldName(defs_[i].name);
        f->SetFieldNo(static_cast<int>(i + 1));
        AddField(f);
    }
    cursor_ = -1;
}

void TMemTable::InternalClose() {
    records_.clear();
    cursor_ = -1;
}

std::unique_ptr<TRecordBuffer> TMemTable::AllocRecordBuffer() {
    auto b = std::make_unique<MemBuffer>();
    b->values.resize(defs_.size());
    return b;
}

TGetResult TMemTable::GetRecord(TRecordBuffer &buffer, TGetMode mode) {
    const int n = static_cast<int>(records_.size());
    switch (mode) {
    case TGetMode::gmNext:
        if (cursor_ + 1 >= n) {
            cursor_ = n;
            return TGetResult::grEOF;
        }
        ++cursor_;
        break;
    case TGetMode::gmPrior:
        if (cursor_ - 1 < 0) {
            cursor_ = -1;
            return TGetResult::grBOF;
        }
        cursor_ = std::min(cursor_, n) - 1;
        break;
    case TGetMode::gmCurrent:
        if (cursor_ < 0 || cursor_ >= n) return TGetResult::grError;
        break;
    }
    MemBuffer &b = Buf(buffer);
    b.index = cursor_;
    b.values = records_[cursor_];
    return TGetResult::grOK;
}

void TMemTable::InternalSetToRecord(TRecordBuffer &buffer) { cursor_ = Buf(buffer).index; }

void TMemTable::InternalInitRecord(TRecordBuffer &buffer) {
    MemBuffer &b = Buf(buffer);
    b.index = -1;
    b.values.assign(defs_.size(), QVariant());
}

void TMemTable::InternalPost() {
    MemBuffer &b = Buf(*ActiveBuffer());
    if (State() == TDataSetState::dsInsert) {
        records_.push_back(b.values);
        cursor_ = static_cast<int>(records_.size()) - 1;
    } else {
        records_[b.index] = b.values;
        cursor_ = b.index;
    }
}

void TMemTable::InternalCancel() {
    // Back to the record that was current before the insert, if any.
    if (State() == TDataSetState::dsInsert && cursor_ >= static_cast<int>(records_.size()))
        cursor_ = static_cast<int>(records_.size()) - 1;
}

void TMemTable::InternalDelete() {
    MemBuffer &b = Buf(*ActiveBuffer());
    records_.erase(records_.begin() + b.index);
    cursor_ = b.index;
}

void TMemTable::EmptyTable() {
    CheckActive();
    if (State() != TDataSetState::dsBrowse) Cancel();
    records_.clear();
    cursor_ = -1;
    First();
}

int TMemTable::RecordCount() {
    CheckActive();
    return static_cast<int>(records_.size());
}

int TMemTable::RecNo() const {
    const TRecordBuffer *b = ActiveBuffer();
    return b ? static_cast<const MemBuffer *>(b)->index : -1;
}

bool TMemTable::Locate(const QString &keyFields, const QVariant &keyValues,
                       TLocateOptions options) {
    CheckBrowseMode();
    const QStringList names = keyFields.split(u';');
    QVariantList values = names.size() == 1 ? QVariantList{keyValues} : keyValues.toList();
    std::vector<int> cols;
    for (const QString &n : names) cols.push_back(FieldByName(n.trimmed())->FieldNo() - 1);
    for (size_t r = 0; r < records_.size(); ++r) {
        bool match = true;
        for (size_t i = 0; i < cols.size() && match; ++i) {
            const QVariant &have = records_[r][cols[i]];
            const QVariant &want = values.value(static_cast<int>(i));
            if (!want.isValid() || !have.isValid()) {
                match = have.isValid() == want.isValid();
            } else if (defs_[cols[i]].type == TFieldType::ftString) {
                Qt::CaseSensitivity cs =
                    (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
                match = (options & loPartialKey) ? have.toString().startsWith(want.toString(), cs)
                                                 : have.toString().compare(want.toString(), cs) == 0;
            } else {
                match = have == want || have.toString() == want.toString();
            }
        }
        if (match) {
            cursor_ = static_cast<int>(r);
            ResyncCurrent();
            return true;
        }
    }
    return false;
}

bool TMemTable::GetFieldData(const TField *field, QVariant &value) {
    TRecordBuffer *b = ActiveBuffer();
    if (!b || field->FieldNo() < 1) return false;
    value = Buf(*b).values[field->FieldNo() - 1];
    return value.isValid();
}

void TMemTable::SetFieldData(TField *field, const QVariant &value) {
    CheckEditing();
    TRecordBuffer *b = ActiveBuffer();
    QVariant v = value;
    if (v.isValid() && field->DataType() == TFieldType::ftString) {
        QString s = v.toString();
        if (field->Size() > 0 && s.size() > field->Size()) s.truncate(field->Size());
        v = s;
    }
    Buf(*b).values[field->FieldNo() - 1] = v;
    FieldChanged(field);
}
