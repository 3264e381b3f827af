// A table cursor's blob fields: the per-buffer caches of their contents,
// loaded from the engine on demand, and the streams over them.
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

using namespace dbtable;

TDbBlobCache *TDbDataSet::CacheFor(TRecordBuffer &buffer, const TField *field) {
    const int index = field->FieldNo() - 1;
    for (size_t i = 0; i < blobFields_.size(); ++i)
        if (blobFields_[i] == index) return &Buf(buffer).blobs[i];
    return nullptr;
}

void TDbDataSet::LoadCache(TDbBlobCache &cache, int fieldNumber, bool forced,
                           uint32_t recordNumber) {
    if (!forced && cache.table == tableHandle_ && cache.recordNumber == recordNumber &&
        cache.fieldNumber == fieldNumber) {
        cache.position = 0;
        return;
    }
    cache.Clear();
    cache.table = tableHandle_;
    cache.recordNumber = recordNumber;
    cache.fieldNumber = fieldNumber;
    if (recordNumber == 0) return;
    try {
        uint32_t current = 0;
        Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &current));
        if (current != recordNumber) Check(Dbe().DbeGotoRecord(tableHandle_, recordNumber));
        uint16_t type = 0;
        Check(Dbe().DbeGetFieldType(tableHandle_, DBE_FIELD(fieldNumber), &type));
        bool binary = type == 6 || type == 7;
        if (type == 5) {
            uint16_t memoType = 5;
            Check(Dbe().DbeGetMemoDataType(tableHandle_, DBE_FIELD(fieldNumber), &memoType));
            binary = memoType != 5;
        }
        uint32_t length = 0;
        int32_t rc = binary
                         ? Dbe().DbeGetBinaryLength(tableHandle_, DBE_FIELD(fieldNumber), &length)
                         : Dbe().DbeGetMemoLength(tableHandle_, DBE_FIELD(fieldNumber), &length);
        if (rc == 5068) {
            cache.recordNumber = 0;
            return;
        }
        Check(rc);
        if (!binary) length += 1;
        cache.data.resize(length);
        uint32_t got = length;
        Check(Dbe().DbeGetField(tableHandle_, DBE_FIELD(fieldNumber), cache.data.data(), &got, 0));
        if (got != length) cache.data.resize(got);
    } catch (const EDbEngineError &e) {
        cache.data.clear();
        cache.recordNumber = 0;
        if (e.ErrorCode() == 5068 || e.ErrorCode() == 5022) return;
        throw;
    }
}

std::unique_ptr<TDbBlobStream> TDbDataSet::CreateBlobStream(TField *field, TBlobStreamMode mode) {
    const TDataSetState s = State();
    const bool editing = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
    if (mode != TBlobStreamMode::bmRead && !editing)
        RaiseLayerError(
            this, QStringLiteral(
                      "Table must be in Edit or Insert state to open blob stream in Write Mode."));
    TDbBlobCache *cache = nullptr;
    const bool hasBufferState = s == TDataSetState::dsBrowse || editing ||
                                s == TDataSetState::dsCalcFields || s == TDataSetState::dsNewValue;
    if (hasBufferState) {
        if (TRecordBuffer *buffer = ActiveBuffer()) {
            uint16_t type = 0;
            Check(Dbe().DbeGetFieldType(tableHandle_, DBE_FIELD(field->FieldNo()), &type));
            if (!IsBlobCode(type))
                RaiseLayerError(this, QStringLiteral("Invalid blob open on non-blob field."));
            cache = CacheFor(*buffer, field);
            uint32_t recno = Buf(*buffer).inserted || s != TDataSetState::dsInsert
                                 ? Get32(Buf(*buffer).bookmark.constData())
                                 : 0;
            bool forced = editing && mode == TBlobStreamMode::bmReadWrite && !cache->modified;
            // Unsaved contents must survive even when the cache lost its
            // record number (a new record, a failed load); like a cache that
            // is found loaded, they are read again from the start.
            if (cache->modified && editing)
                cache->position = 0;
            else
                LoadCache(*cache, field->FieldNo(), forced, recno);
            CursorPosChanged();
        }
    }
    return std::make_unique<TDbBlobStream>(this, field, mode, cache);
}
