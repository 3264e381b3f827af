#include "db_grid_model.h"

#include "memtable.h"

#include <climits>

TGridDataModel::TGridDataModel(QObject *parent) : QAbstractTableModel(parent) {}

void TGridDataModel::SetDataSource(TDataSource *source) {
    if (source_ == source) return;
    if (connection_) disconnect(connection_);
    source_ = source;
    if (source_)
        connection_ = connect(source_, &TDataSource::dataChanged, this,
                              [this](TDataEvent event, qintptr) { OnDataChanged(event); });
    Refresh();
}

TDataSet *TGridDataModel::DataSet() const {
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    return ds && ds->Active() ? ds : nullptr;
}

void TGridDataModel::SetFieldNames(const QStringList &names) {
    if (names == fieldNames_) return;
    beginResetModel();
    fieldNames_ = names;
    rows_.clear();
    endResetModel();
    current_ = -1;
    Refresh();
}

TField *TGridDataModel::Field(int column) const {
    TDataSet *ds = DataSet();
    return ds && column >= 0 && column < fieldNames_.size() ? ds->FindField(fieldNames_[column]) : nullptr;
}

void TGridDataModel::SetTitles(const QStringList &titles) {
    if (titles == titles_) return;
    titles_ = titles;
    if (!fieldNames_.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(fieldNames_.size()) - 1);
}

QVariant TGridDataModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section >= 0 && section < titles_.size() ? titles_[section] : QString();
    return QAbstractTableModel::headerData(section, orientation, role);
}

int TGridDataModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TGridDataModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fieldNames_.size());
}

QVariant TGridDataModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(rows_.size())) return QVariant();
    return rows_[index.row()].value(index.column());
}

void TGridDataModel::OnDataChanged(TDataEvent event) {
    // Our own walk moves the data set; its events tell nothing new.
    if (walking_) return;
    switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deUpdateRecord:
    case TDataEvent::deCheckBrowseMode:
        return;
    case TDataEvent::deDataSetScroll:
        FollowCurrent();
        // Only an in-memory table tells its record number without a walk.
        if (!qobject_cast<TMemTable *>(DataSet())) ScheduleRefresh();
        return;
    default:
        FollowCurrent();
        ScheduleRefresh();
    }
}

void TGridDataModel::ScheduleRefresh() {
    if (refreshQueued_) return;
    refreshQueued_ = true;
    // Events arrive in the middle of data-set operations (between an insert
    // and its resync, say); walking there would move the record under them.
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshQueued_ = false;
            Refresh();
        },
        Qt::QueuedConnection);
}

void TGridDataModel::FollowCurrent() {
    if (moving_) return;
    auto *table = qobject_cast<TMemTable *>(DataSet());
    if (table && table->State() == TDataSetState::dsBrowse) SetCurrent(table->RecNo());
}

void TGridDataModel::Refresh() {
    TDataSet *ds = DataSet();
    if (!ds) {
        SetRows({});
        SetCurrent(-1);
        return;
    }
    if (ds->ControlsDisabled() || ds->State() != TDataSetState::dsBrowse) return;

    QList<TField *> fields;
    for (const QString &name : fieldNames_) fields.append(ds->FindField(name));
    std::vector<QStringList> rows;
    int current = -1;
    walking_ = true;
    ds->DisableControls();
    try {
        if (!ds->IsEmpty()) {
            auto *table = qobject_cast<TMemTable *>(ds);
            current = table ? table->RecNo() : -ds->MoveBy(-INT_MAX);
            ds->First();
            while (!ds->Eof()) {
                QStringList row;
                row.reserve(fields.size());
                for (TField *f : fields) row.append(f ? f->DisplayText() : QString());
                rows.push_back(std::move(row));
                ds->Next();
            }
            ds->First();
            ds->MoveBy(current);
        }
    } catch (...) {
        // A data set that fails to read shows what could be read.
    }
    ds->EnableControls();
    walking_ = false;
    SetRows(std::move(rows));
    SetCurrent(current);
}

void TGridDataModel::SetRows(std::vector<QStringList> rows) {
    if (rows.size() == rows_.size()) {
        rows_ = std::move(rows);
        if (!rows_.empty() && !fieldNames_.isEmpty())
            emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, int(fieldNames_.size()) - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    // A reset forgets the view's current index; say where it is again.
    emit currentRowChanged(current_);
}

void TGridDataModel::SetCurrent(int row) {
    if (row >= int(rows_.size())) row = int(rows_.size()) - 1;
    if (row < -1) row = -1;
    if (row == current_) return;
    current_ = row;
    emit currentRowChanged(row);
}

bool TGridDataModel::Suspended() const {
    TDataSet *ds = DataSet();
    return ds && ds->ControlsDisabled();
}

void TGridDataModel::MoveToRow(int row) {
    TDataSet *ds = DataSet();
    if (!ds || Suspended() || row == current_ || row < 0 || row >= int(rows_.size())) return;
    moving_ = true;
    int moved = 0;
    try {
        moved = ds->MoveBy(row - current_);
    } catch (...) {
        moving_ = false;
        throw;
    }
    moving_ = false;
    auto *table = qobject_cast<TMemTable *>(ds);
    SetCurrent(table ? table->RecNo() : current_ + moved);
}
