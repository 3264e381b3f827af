// TDbSettings pushes process-wide settings into the engine: date format,
// decimals, showing deleted records, server types, cache sizes. One per
// process; it takes effect when its window is created.
#pragma once

#include "component.h"
#include "db_connection.h"

#include <QString>

class TDbSettings : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString DateFormat READ DateFormat WRITE SetDateFormat)
    Q_PROPERTY(int NumDecimals READ NumDecimals WRITE SetNumDecimals)
    Q_PROPERTY(bool SetProcessDate READ SetProcessDate WRITE SetSetProcessDate)
    Q_PROPERTY(bool ShowDeleted READ ShowDeleted WRITE SetShowDeleted)
    Q_PROPERTY(int NumCachedTables READ NumCachedTables WRITE SetNumCachedTables)
    Q_PROPERTY(int NumCachedCursors READ NumCachedCursors WRITE SetNumCachedCursors)

public:
    // A second one at run time raises "Only one DbSettings component is
    // allowed per application".
    explicit TDbSettings(TComponent *owner = nullptr);
    ~TDbSettings() override;

    QString DateFormat() const { return dateFormat_; }
    void SetDateFormat(const QString &format);
    int NumDecimals() const { return numDecimals_; }
    void SetNumDecimals(int decimals);
    bool SetProcessDate() const { return setProcessDate_; }
    void SetSetProcessDate(bool value);
    bool ShowDeleted() const { return showDeleted_; }
    void SetShowDeleted(bool show);
    TDbServerTypes DbServerTypes() const { return serverTypes_; }
    void SetDbServerTypes(TDbServerTypes types);
    int NumCachedTables() const { return numCachedTables_; }
    void SetNumCachedTables(int count);
    int NumCachedCursors() const { return numCachedCursors_; }
    void SetNumCachedCursors(int count);

    uint32_t LastErrorCode() const;
    int NumOpenTables() const;

    static TDbSettings *ProcessSettings();
    static int InstanceCount();

private:
    QString dateFormat_;
    int numDecimals_ = 0;
    bool setProcessDate_ = false;
    bool showDeleted_ = false;
    TDbServerTypes serverTypes_;
    int numCachedTables_ = 0;
    int numCachedCursors_ = 0;
    QString savedProcessDateFormat_;
    bool counted_ = false;
};
