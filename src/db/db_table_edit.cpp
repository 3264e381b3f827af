// Changing records through a table cursor: editing under a record lock,
// initialising a new record, posting the changed fields, cancelling and
// deleting.
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

using namespace dbtable;

bool TDbDataSet::CanModify() const {
    return canModify_ && !readOnly_;
}

void TDbDataSet::InternalEdit() {
    if (!(openOptions_ & 0x20)) {
        Dbe().DbeSetLastError(5054, "Update permission not granted on this table.");
        Check(5054);
    }
    const uint32_t recno = CurrentRecordNumber();
    const bool pessimistic = options_.DbRecordLockingMode == TDbTableOptions::lmPessimistic;
    if (!exclusive_ && pessimistic) {
        int32_t rc = Dbe().DbeLockRecord(tableHandle_, recno);
        if (rc == 5064)
            RaiseLayerError(
                this,
                QStringLiteral(
                    "This table is based on a static VIEW. Static VIEWs can not be updated."),
                5064);
        Check(rc);
    }
    // Editing starts from the locked, fresh values.
    TGetResult r;
    try {
        r = Fetch(*ActiveBuffer(), TGetMode::gmCurrent);
    } catch (...) {
        if (!exclusive_ && pessimistic) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw;
    }
    if (r != TGetResult::grOK) {
        if (!exclusive_ && pessimistic) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw EDatabaseError(QStringLiteral("%1: Record not found").arg(Name()));
    }
    if (!exclusive_ && !pessimistic) Check(Dbe().DbeGetRecordCRC(tableHandle_, &checksum_, 0));
    oldRecord_ = Buf(*ActiveBuffer()).image;
    for (auto &d : fieldDefs_)
        d.modified = false;
}

void TDbDataSet::InternalInitRecord(TRecordBuffer &buffer) {
    DbBuffer &b = Buf(buffer);
    insertReturnRecord_ = CurrentRecordNumber();
    insertAtEof_ = Eof() || IsEmpty();
    Check(Dbe().DbeClearRecordBuffer(tableHandle_, b.image.data(), recordLength_));
    std::fill(b.bookmark.begin(), b.bookmark.end(), '\0');
    for (auto &c : b.blobs)
        c.Clear();
    std::fill(b.calc.begin(), b.calc.end(), QVariant());
    b.inserted = false;
    for (auto &d : fieldDefs_) {
        d.modified = false;
        if (d.typeCode == 15) Put32(b.image.data() + d.offset, 0xFFFFFFFFu);
    }
    if (!(openOptions_ & 0x40)) {
        Dbe().DbeSetLastError(5054, "Insert permission not granted on this table.");
        Check(5054);
    }
}

void TDbDataSet::InternalPost() {
    DbBuffer &b = Buf(*ActiveBuffer());
    const bool editing = State() == TDataSetState::dsEdit;
    const bool optimistic = options_.DbRecordLockingMode == TDbTableOptions::lmOptimistic;
    const uint32_t recno = Get32(b.bookmark.constData());
    bool optimisticLock = false;
    try {
        if (editing) {
            Check(Dbe().DbeGotoRecord(tableHandle_, recno));
            if (!exclusive_ && optimistic) {
                Check(Dbe().DbeLockRecord(tableHandle_, 0));
                optimisticLock = true;
                uint32_t crc = 0;
                Check(Dbe().DbeGetRecordCRC(tableHandle_, &crc, 0));
                if (crc != checksum_)
                    RaiseLayerError(this, QStringLiteral("Record was changed by another user."),
                                    5186);
            }
        } else if (!b.inserted) {
            Check(Dbe().DbeAppendRecord(tableHandle_));
            b.inserted = true;
            uint32_t n = 0;
            Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &n));
            Put32(b.bookmark.data(), n);
        }
        for (int i = static_cast<int>(fieldDefs_.size()) - 1; i >= 0; --i) {
            const TDbeFieldDef &d = fieldDefs_[i];
            if (!d.modified || IsBlobCode(d.typeCode) || d.typeCode == 15) continue;
            const char *p = b.image.constData() + d.offset;
            if (IsStringCode(d.typeCode)) {
                if (AllBytes(p, d.length, ' ', ' '))
                    Check(Dbe().DbeSetEmpty(tableHandle_, DBE_FIELD(d.fieldNumber)));
                else
                    Check(Dbe().DbeSetField(tableHandle_, DBE_FIELD(d.fieldNumber), p,
                                            uint32_t(d.length)));
            } else {
                Check(Dbe().DbeSetFieldRaw(tableHandle_, DBE_FIELD(d.fieldNumber), p,
                                           uint32_t(d.length)));
            }
        }
        for (size_t i = 0; i < blobFields_.size(); ++i) {
            TDbBlobCache &c = b.blobs[i];
            if (!c.modified) continue;
            const TDbeFieldDef &d = fieldDefs_[blobFields_[i]];
            Put32(b.image.data() + d.offset, c.data.isEmpty() ? 0u : 0xFFFFFFFFu);
            Check(Dbe().DbeSetField(c.table == UINT32_MAX ? tableHandle_ : c.table,
                                    DBE_FIELD(d.fieldNumber), c.data.constData(),
                                    uint32_t(c.data.size())));
            c.modified = false;
        }
        Check(Dbe().DbeWriteRecord(tableHandle_));
        if (editing && !exclusive_) Check(Dbe().DbeUnlockRecord(tableHandle_, recno));
    } catch (...) {
        if (optimisticLock) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw;
    }
    for (auto &d : fieldDefs_)
        d.modified = false;
}

void TDbDataSet::InternalCancel() {
    int32_t rc = Dbe().DbeCancelUpdate(tableHandle_);
    if (rc != 0 && rc != 5068 && rc != 5085) Check(rc);
    const uint32_t recno = CurrentRecordNumber();
    const bool editing = State() == TDataSetState::dsEdit;
    if (State() == TDataSetState::dsInsert) {
        if (insertAtEof_ || insertReturnRecord_ == 0) {
            Check(Dbe().DbeGotoBottom(orderHandle_));
            Check(Dbe().DbeSkip(orderHandle_, 1));
            return;
        }
        int32_t grc = Dbe().DbeGotoBookmark(tableHandle_, insertReturnRecord_);
        if (grc != 5022) Check(grc);
    }
    Fetch(*ActiveBuffer(), TGetMode::gmCurrent);
    if (editing && !exclusive_ && options_.DbRecordLockingMode != TDbTableOptions::lmOptimistic)
        Check(Dbe().DbeUnlockRecord(tableHandle_, recno));
    for (auto &d : fieldDefs_)
        d.modified = false;
}

void TDbDataSet::InternalDelete() {
    // The buffered record goes, or nothing: after a re-positioning that
    // failed (a lookup, or a locate that found nothing, while the record
    // was deleted elsewhere) the engine stands on another record, and
    // returning to a buffered record ignores that it is gone. Record
    // numbers are never reused and the engine deletes the record it stands
    // on under that record's lock, so nothing else can be deleted between
    // the two calls; a record deleted meanwhile fails the delete.
    Check(Dbe().DbeGotoRecord(tableHandle_, CurrentRecordNumber()));
    int32_t rc = Dbe().DbeDeleteRecord(tableHandle_);
    if (rc == 0) rc = Dbe().DbeWriteRecord(tableHandle_);
    if (rc) {
        Dbe().DbeCancelUpdate(tableHandle_);
        Check(rc);
    }
    uint16_t shown = 1;
    Check(Dbe().DbeGetDeleted(&shown));
    if (!shown) Check(Dbe().DbeSkip(orderHandle_, 1));
}
