// Fetching records into a table cursor's buffers in the order chosen:
// moving to the ends and to a record, skipping records the engine or the
// OnFilterRecord handler hides, and counting records.
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

using namespace dbtable;

void TDbDataSet::InternalFirst() {
    Check(Dbe().DbeGotoBOF(orderHandle_));
}

void TDbDataSet::InternalLast() {
    Check(Dbe().DbeGotoBottom(orderHandle_));
    Check(Dbe().DbeSkip(orderHandle_, 1));
}

void TDbDataSet::InternalSetToRecord(TRecordBuffer &buffer) {
    if (State() == TDataSetState::dsInsert) return;
    uint32_t recno = Get32(Buf(buffer).bookmark.constData());
    int32_t rc = Dbe().DbeGotoBookmark(tableHandle_, recno);
    if (rc != 5022) Check(rc);
}

TGetResult TDbDataSet::GetRecord(TRecordBuffer &buffer, TGetMode mode) {
    return Fetch(buffer, mode);
}

TGetResult TDbDataSet::Fetch(TRecordBuffer &buffer, TGetMode mode) {
    if (tableHandle_ == UINT32_MAX || State() == TDataSetState::dsInsert)
        return TGetResult::grError;
    if (mode == TGetMode::gmNext) Check(Dbe().DbeSkip(orderHandle_, 1));
    if (mode == TGetMode::gmPrior) Check(Dbe().DbeSkip(orderHandle_, -1));
    uint16_t numFields = 0;
    Check(Dbe().DbeGetNumFields(tableHandle_, &numFields));
    DbBuffer &b = Buf(buffer);
    while (true) {
        uint16_t at = 0;
        Check(Dbe().DbeAtEOF(tableHandle_, &at));
        if (at && mode != TGetMode::gmPrior) return TGetResult::grEOF;
        Check(Dbe().DbeAtBOF(tableHandle_, &at));
        if (at && mode != TGetMode::gmNext) return TGetResult::grBOF;
        uint16_t visible = 0;
        int32_t rc = Dbe().DbeIsRecordVisible(orderHandle_, &visible);
        if (rc == 5068)
            visible = 0;
        else
            Check(rc);
        if (!visible) {
            if (mode == TGetMode::gmCurrent) return TGetResult::grError;
            Check(Dbe().DbeSkip(orderHandle_, mode == TGetMode::gmNext ? 1 : -1));
            continue;
        }
        uint32_t length = recordLength_;
        Check(Dbe().DbeGetRecord(tableHandle_, b.image.data(), &length));
        uint32_t bmLength = static_cast<uint32_t>(b.bookmark.size());
        Check(Dbe().DbeGetBookmarkEx(orderHandle_, b.bookmark.data(), &bmLength));
        AfterFetch(buffer);
        if (Filtered && OnFilterRecord) {
            bool accept = true;
            TDataSetState saved = SetTempState(TDataSetState::dsFilter);
            TRecordBuffer *keep = scratch_.get();
            (void)keep;
            try {
                OnFilterRecord(this, accept);
            } catch (...) {
                RestoreState(saved);
                throw;
            }
            RestoreState(saved);
            if (!accept) {
                Check(Dbe().DbeSkip(orderHandle_, mode == TGetMode::gmPrior ? -1 : 1));
                if (mode == TGetMode::gmCurrent) mode = TGetMode::gmNext;
                continue;
            }
        }
        b.bookmarkFlag = 0;
        uint32_t position = 0;
        Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &position));
        b.position = static_cast<int32_t>(position);
        b.inserted = false;
        return TGetResult::grOK;
    }
}

void TDbDataSet::AfterFetch(TRecordBuffer &buffer) {
    DbBuffer &b = Buf(buffer);
    for (size_t i = 0; i < blobFields_.size(); ++i) {
        const TDbeFieldDef &d = fieldDefs_[blobFields_[i]];
        uint16_t empty = 0;
        Check(Dbe().DbeIsEmpty(tableHandle_, DBE_FIELD(d.fieldNumber), &empty));
        Put32(b.image.data() + d.offset, empty ? 0u : 0xFFFFFFFFu);
        b.blobs[i].Clear();
    }
    if (options_.DbCharType == TDbTableOptions::OEM) {
        for (const TDbeFieldDef &d : fieldDefs_) {
            if (!IsStringCode(d.typeCode)) continue;
            char *p = b.image.data() + d.offset;
            char after = (d.offset + d.length < b.image.size()) ? p[d.length] : 0;
            uint32_t len = static_cast<uint32_t>(d.length + 1);
            QByteArray tmp(d.length + 1, '\0');
            Check(Dbe().DbeGetField(tableHandle_, DBE_FIELD(d.fieldNumber), tmp.data(), &len, 0));
            std::memcpy(p, tmp.constData(), size_t(d.length));
            if (d.offset + d.length < b.image.size()) p[d.length] = after;
        }
    }
    std::fill(b.calc.begin(), b.calc.end(), QVariant());
    if (OnCalcFields) {
        TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
        try {
            OnCalcFields(this);
        } catch (...) {
            RestoreState(saved);
            throw;
        }
        RestoreState(saved);
    }
}

uint32_t TDbDataSet::CurrentRecordNumber() const {
    TRecordBuffer *b = ActiveBuffer();
    return b ? Get32(Buf(*b).bookmark.constData()) : 0;
}

int TDbDataSet::RecordCount() {
    CheckActive();
    uint16_t option = options_.DbFilterOptions == TDbTableOptions::RESPECT_WHEN_COUNTING ? 1
                      : options_.DbScopeOptions == TDbTableOptions::RESPECT_SCOPES_WHEN_COUNTING
                          ? 3
                          : 2;
    if (options_.DbFreshRecordCount) option += 4;
    uint32_t handle = orderHandle_;
    if ((option & 3) == 1 && orderHandle_ != tableHandle_) {
        uint32_t flags = 0;
        Check(Dbe().DbeGetIndexFlags(orderHandle_, &flags));
        char condition[511] = {};
        uint16_t length = 510;
        if (tableType_ == TDbTableType::ttDbTBL || !(flags & 1))
            Check(Dbe().DbeGetIndexCondition(orderHandle_, condition, &length));
        if (qstrnlen(condition, sizeof condition) == 0) handle = tableHandle_;
    }
    uint32_t count = 0;
    Check(Dbe().DbeGetRecordCount(handle, option, &count));
    return static_cast<int>(count);
}
