// The generic dataset: states, the current record, the end flags, editing,
// field objects and change notifications. A subclass supplies the storage:
// fetching a record into a buffer, positioning, and reading and writing
// field values inside buffers.
//
// Only the current record is buffered. After a move that failed (Next at the
// end, Prior at the start) or after an operation that moved the storage's
// cursor, the next move first puts the cursor back on the current record
// (InternalSetToRecord).
#pragma once

#include "component.h"
#include "exceptions.h"
#include "fields.h"

#include <QList>
#include <functional>
#include <memory>

enum class TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening,
};

enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

enum class TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
};

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

// A subclass's record buffer.
struct TRecordBuffer {
    virtual ~TRecordBuffer() = default;
};

class TDataSet : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)

public:
    using TDataSetNotifyEvent = std::function<void(TDataSet *)>;

    explicit TDataSet(TComponent *owner = nullptr);
    ~TDataSet() override;

    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }

    void First();
    void Next();
    void Prior();
    void Last();
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return !hasRecord_; }

    void Edit();
    void Append();
    void Insert() { Append(); }
    void Post();
    void Cancel();
    void Delete();
    // Posts a pending edit when fields were written, otherwise cancels it.
    void CheckBrowseMode();
    bool Modified() const { return modified_; }

    virtual int RecordCount();
    virtual bool Locate(const QString &keyFields, const QVariant &keyValues,
                        TLocateOptions options);
    virtual QVariant Lookup(const QString &keyFields, const QVariant &keyValues,
                            const QString &resultFields);

    TField *FindField(const QString &name) const;
    TField *FieldByName(const QString &name) const;  // raises when unknown
    const QList<TField *> &Fields() const { return fields_; }

    // Nested: views follow again when every disable has been matched.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
        BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
        AfterDelete, BeforeScroll, AfterScroll, OnNewRecord, OnCalcFields;
    std::function<void(TDataSet *, bool &accept)> OnFilterRecord;

    // Field access for TField.
    virtual bool GetFieldData(const TField *field, QVariant &value) = 0;
    virtual void SetFieldData(TField *field, const QVariant &value) = 0;
    void FieldChanged(TField *field);

signals:
    void dataEvent(TDataEvent event, qintptr info);

protected:
    virtual void InternalOpen() = 0;  // creates the fields (AddField)
    virtual void InternalClose() = 0;
    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    virtual TGetResult GetRecord(TRecordBuffer &buffer, TGetMode mode) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer &buffer) = 0;
    virtual void InternalInitRecord(TRecordBuffer &buffer) = 0;
    virtual void InternalEdit() {}
    virtual void InternalPost() = 0;
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;
    virtual bool CanModify() const { return true; }

    TRecordBuffer *ActiveBuffer() const { return hasRecord_ ? active_.get() : nullptr; }
    void SetState(TDataSetState state);
    // A state for one read or write (filter, calculation, old value, ...).
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState saved) { state_ = saved; }
    void DataEvent(TDataEvent event, qintptr info = 0);
    // Re-reads the current record: the current one if it can be fetched,
    // else the next, else the previous; with none the dataset is empty.
    void Resync();
    // Re-reads the current record; raises when it cannot be fetched.
    void ResyncCurrent();
    // The storage's cursor moved away from the current record.
    void CursorPosChanged() { synced_ = false; }
    void AddField(TField *field);
    void DestroyFields();
    void SetModified(bool m) { modified_ = m; }
    void CheckActive() const;
    void CheckEditing() const;
    static void Fire(const TDataSetNotifyEvent &event, TDataSet *self) {
        if (event) event(self);
    }

private:
    void DoOpen();
    void DoClose();
    void SyncCursor();
    bool Move(TGetMode mode);

    TDataSetState state_ = TDataSetState::dsInactive;
    bool bof_ = true, eof_ = true;
    bool hasRecord_ = false;
    bool synced_ = true;
    bool modified_ = false;
    std::unique_ptr<TRecordBuffer> active_;
    std::unique_ptr<TRecordBuffer> spare_;
    QList<TField *> fields_;
    int disableCount_ = 0;
    bool changedWhileDisabled_ = false;
};

// What views bind to: follows one dataset's notifications.
class TDataSource : public TComponent {
    Q_OBJECT
public:
    explicit TDataSource(TComponent *owner = nullptr) : TComponent(owner) {}
    TDataSet *DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e) { enabled_ = e; }

signals:
    void dataChanged(TDataEvent event, qintptr info);

private:
    TDataSet *dataSet_ = nullptr;
    QMetaObject::Connection connection_;
    bool enabled_ = true;
};
