// The rows a data grid shows, read from a data set through a data source.
//
// The display texts of all records are cached and read again, in one walk,
// when the data set reports a change; row access is then O(1). The walk is
// done from the event loop (changes are coalesced), and only while the data
// set is browsing with its controls enabled: a data set that switched its
// controls off keeps showing what it showed before until it switches them
// on, which reports a change. The walk puts the current record back where
// it was.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <vector>

#include "dataset.h"

class TGridDataModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridDataModel(QObject *parent = nullptr);

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return source_; }
    // The data source's data set when it is open, else nullptr.
    TDataSet *DataSet() const;
    // One field name per model column; fields that do not exist show empty.
    void SetFieldNames(const QStringList &names);
    TField *Field(int column) const;
    // The column titles, as the horizontal header data (what assistive
    // technology reads as the column headers; the grid draws its own).
    void SetTitles(const QStringList &titles);

    // The row of the data set's current record, -1 when there is none.
    int CurrentRow() const { return current_; }
    // The data set has switched its controls off: the rows and the current
    // row are what they were before, and the record position belongs to
    // whoever switched them off (an operation walking the data set).
    bool Suspended() const;
    // Moves the current record by the difference of rows. Does nothing
    // while Suspended(): a difference of stale rows would move the walk.
    void MoveToRow(int row);
    // Reads the rows again now, if the data set allows it (see above).
    void Refresh();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void currentRowChanged(int row);

private:
    void OnDataChanged(TDataEvent event);
    void ScheduleRefresh();
    void FollowCurrent();
    void SetRows(std::vector<QStringList> rows);
    void SetCurrent(int row);

    QPointer<TDataSource> source_;
    QMetaObject::Connection connection_;
    QStringList fieldNames_;
    QStringList titles_;
    std::vector<QStringList> rows_;
    int current_ = -1;
    bool walking_ = false;
    bool moving_ = false;
    bool refreshQueued_ = false;
};
