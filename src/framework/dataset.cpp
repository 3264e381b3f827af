#include "dataset.h"

TDataSet::TDataSet(TComponent *owner) : TComponent(owner) {}

// Fields have no owner (they are not components of the form), so a dataset
// destroyed while open must delete them itself.
TDataSet::~TDataSet() { DestroyFields(); }

void TDataSet::CheckActive() const {
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on a closed dataset")
                                 .arg(Name()));
}

void TDataSet::CheckEditing() const {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        throw EDatabaseError(QStringLiteral("%1: Dataset not in edit or insert mode").arg(Name()));
}

void TDataSet::SetActive(bool active) {
    if (active == Active()) return;
    if (active)
        DoOpen();
    else
        DoClose();
}

void TDataSet::DoOpen() {
    Fire(BeforeOpen, this);
    state_ = TDataSetState::dsOpening;
    try {
        InternalOpen();
        active_ = AllocRecordBuffer();
        spare_ = AllocRecordBuffer();
    } catch (...) {
        state_ = TDataSetState::dsInactive;
        try {
            InternalClose();
        } catch (...) {
        }
        DestroyFields();
        active_.reset();
        spare_.reset();
        throw;
    }
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    hasRecord_ = false;
    bof_ = eof_ = true;
    synced_ = true;
    First();
    DataEvent(TDataEvent::deUpdateState);
    Fire(AfterOpen, this);
}

void TDataSet::DoClose() {
    Fire(BeforeClose, this);
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        try {
            InternalCancel();
        } catch (...) {
        }
    }
    state_ = TDataSetState::dsInactive;
    hasRecord_ = false;
    bof_ = eof_ = true;
    active_.reset();
    spare_.reset();
    InternalClose();
    DestroyFields();
    DataEvent(TDataEvent::deUpdateState);
    Fire(AfterClose, this);
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    TDataSetState old = state_;
    state_ = state;
    return old;
}

void TDataSet::DataEvent(TDataEvent event, qintptr info) {
    if (disableCount_ > 0) {
        if (event != TDataEvent::deUpdateRecord && event != TDataEvent::deCheckBrowseMode)
            changedWhileDisabled_ = true;
        return;
    }
    emit dataEvent(event, info);
}

void TDataSet::DisableControls() { ++disableCount_; }

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0 && changedWhileDisabled_) {
        changedWhileDisabled_ = false;
        DataEvent(TDataEvent::deDataSetChange);
    }
}

void TDataSet::SyncCursor() {
    if (!synced_ && hasRecord_) InternalSetToRecord(*active_);
    synced_ = true;
}

bool TDataSet::Move(TGetMode mode) {
    SyncCursor();
    TGetResult r = GetRecord(*spare_, mode);
    if (r == TGetResult::grOK) {
        std::swap(active_, spare_);
        hasRecord_ = true;
        return true;
    }
    // The storage's cursor stands past the end now, not on our record.
    synced_ = false;
    return false;
}

void TDataSet::First() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    InternalFirst();
    synced_ = true;
    TGetResult r = GetRecord(*spare_, TGetMode::gmNext);
    if (r == TGetResult::grOK) {
        std::swap(active_, spare_);
        hasRecord_ = true;
        bof_ = true;
        eof_ = false;
    } else {
        hasRecord_ = false;
        bof_ = eof_ = true;
    }
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterScroll, this);
}

void TDataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    InternalLast();
    synced_ = true;
    TGetResult r = GetRecord(*spare_, TGetMode::gmPrior);
    if (r == TGetResult::grOK) {
        std::swap(active_, spare_);
        hasRecord_ = true;
        eof_ = true;
        bof_ = false;
    } else {
        hasRecord_ = false;
        bof_ = eof_ = true;
    }
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterScroll, this);
}

void TDataSet::Next() { MoveBy(1); }

void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_) || !hasRecord_) {
        if (!hasRecord_) bof_ = eof_ = true;
        return 0;
    }
    Fire(BeforeScroll, this);
    int moved = 0;
    const TGetMode mode = distance > 0 ? TGetMode::gmNext : TGetMode::gmPrior;
    const int steps = distance > 0 ? distance : -distance;
    bof_ = eof_ = false;
    while (moved < steps) {
        if (!Move(mode)) {
            (distance > 0 ? eof_ : bof_) = true;
            break;
        }
        ++moved;
    }
    DataEvent(TDataEvent::deDataSetScroll);
    Fire(AfterScroll, this);
    return distance > 0 ? moved : -moved;
}

void TDataSet::Resync() {
    synced_ = true;
    for (TGetMode mode : {TGetMode::gmCurrent, TGetMode::gmNext, TGetMode::gmPrior}) {
        if (GetRecord(*spare_, mode) == TGetResult::grOK) {
            std::swap(active_, spare_);
            hasRecord_ = true;
            bof_ = eof_ = false;
            DataEvent(TDataEvent::deDataSetChange);
            return;
        }
    }
    hasRecord_ = false;
    bof_ = eof_ = true;
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::ResyncCurrent() {
    synced_ = true;
    if (GetRecord(*spare_, TGetMode::gmCurrent) != TGetResult::grOK)
        throw EDatabaseError(QStringLiteral("%1: Record not found").arg(Name()));
    std::swap(active_, spare_);
    hasRecord_ = true;
    bof_ = eof_ = false;
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        DataEvent(TDataEvent::deUpdateRecord);
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TDataSet::Edit() {
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    CheckActive();
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(Name()));
    if (!hasRecord_) {
        Append();
        return;
    }
    CheckBrowseMode();
    Fire(BeforeEdit, this);
    SyncCursor();
    InternalEdit();
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange);
    Fire(AfterEdit, this);
}

void TDataSet::Append() {
    CheckActive();
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(Name()));
    CheckBrowseMode();
    Fire(BeforeInsert, this);
    SyncCursor();
    InternalInitRecord(*spare_);
    std::swap(active_, spare_);
    // The record left behind is found again by Resync after Cancel.
    hasRecord_ = true;
    synced_ = false;
    bof_ = eof_ = false;
    SetState(TDataSetState::dsInsert);
    Fire(OnNewRecord, this);
    modified_ = false;
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterInsert, this);
}

void TDataSet::Post() {
    CheckActive();
    DataEvent(TDataEvent::deUpdateRecord);
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    Fire(BeforePost, this);
    InternalPost();
    SetState(TDataSetState::dsBrowse);
    Resync();
    Fire(AfterPost, this);
}

void TDataSet::Cancel() {
    CheckActive();
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    Fire(BeforeCancel, this);
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync();
    Fire(AfterCancel, this);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (!hasRecord_)
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset")
                                 .arg(Name()));
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(Name()));
    DataEvent(TDataEvent::deCheckBrowseMode);
    Fire(BeforeDelete, this);
    Fire(BeforeScroll, this);
    SyncCursor();
    InternalDelete();
    SetState(TDataSetState::dsBrowse);
    Resync();
    Fire(AfterDelete, this);
    Fire(AfterScroll, this);
}

int TDataSet::RecordCount() { return hasRecord_ ? 1 : 0; }

bool TDataSet::Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options) {
    // Walks from the first record; storage with keys does better.
    CheckBrowseMode();
    const QStringList names = keyFields.split(u';');
    QVariantList values = names.size() == 1 ? QVariantList{keyValues} : keyValues.toList();
    QList<TField *> keys;
    for (const QString &n : names) keys.append(FieldByName(n.trimmed()));
    DisableControls();
    struct Enable {
        TDataSet *ds;
        ~Enable() { ds->EnableControls(); }
    } enable{this};
    First();
    while (!Eof()) {
        bool match = true;
        for (int i = 0; i < keys.size() && match; ++i) {
            if (!values[i].isValid() || values[i].isNull()) {
                match = keys[i]->IsNull();
                continue;
            }
            QString have = keys[i]->AsString(), want = values[i].toString();
            Qt::CaseSensitivity cs =
                (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
            match = (options & loPartialKey) ? have.startsWith(want, cs)
                                             : have.compare(want, cs) == 0;
        }
        if (match) return true;
        Next();
    }
    return false;
}

QVariant TDataSet::Lookup(const QString &keyFields, const QVariant &keyValues,
                          const QString &resultFields) {
    (void)keyFields, (void)keyValues, (void)resultFields;
    return QVariant();
}

TField *TDataSet::FindField(const QString &name) const {
    for (TField *f : fields_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

TField *TDataSet::FieldByName(const QString &name) const {
    if (TField *f = FindField(name)) return f;
    throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(Name(), name));
}

void TDataSet::AddField(TField *field) {
    field->SetDataSet(this);
    fields_.append(field);
}

void TDataSet::DestroyFields() {
    QList<TField *> fields;
    fields.swap(fields_);
    for (TField *f : fields) delete f;
}

void TDataSet::FieldChanged(TField *field) {
    if (state_ == TDataSetState::dsCalcFields || state_ == TDataSetState::dsFilter ||
        state_ == TDataSetState::dsNewValue)
        return;
    modified_ = true;
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<qintptr>(field));
}

void TDataSource::SetDataSet(TDataSet *dataSet) {
    if (dataSet_ == dataSet) return;
    if (connection_) disconnect(connection_);
    dataSet_ = dataSet;
    if (dataSet_)
        connection_ = connect(dataSet_, &TDataSet::dataEvent, this,
                              [this](TDataEvent e, qintptr info) {
                                  if (enabled_) emit dataChanged(e, info);
                              });
    emit dataChanged(TDataEvent::deLayoutChange, 0);
}
