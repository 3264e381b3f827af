// A table cursor's lifetime and the properties set before opening it: the
// connection or database name, exclusive and read-only use, the table
// type, and the folder tables are opened from.
#include "db_table.h"

#include "db_errors.h"
#include "dbe_dispatch.h"

#include <QMutex>

namespace {

QMutex gCursorsLock;
QList<TDbDataSet *> &Cursors() {
    static QList<TDbDataSet *> list;
    return list;
}

} // namespace

TDbDataSet::TDbDataSet(TComponent *owner) : TDataSet(owner) {
    QMutexLocker lock(&gCursorsLock);
    Cursors().append(this);
}

TDbDataSet::~TDbDataSet() {
    if (tableHandle_ != UINT32_MAX) {
        Dbe().DbeCloseTable(tableHandle_);
        tableHandle_ = orderHandle_ = UINT32_MAX;
    }
    if (connection_) connection_->UnregisterCursor(this);
    QMutexLocker lock(&gCursorsLock);
    Cursors().removeAll(this);
}

QList<TDbDataSet *> TDbDataSet::AllCursors() {
    QMutexLocker lock(&gCursorsLock);
    return Cursors();
}

void TDbDataSet::DbeCheckResult(int32_t result) {
    DbeCheck(this, result);
}

void TDbDataSet::SetDbConnection(TDbConnection *connection) {
    if (connection == connection_) return;
    if (Active()) RaiseLayerError(this, QStringLiteral("Table must not be Active."));
    if (connection_) connection_->UnregisterCursor(this);
    connection_ = connection;
    if (connection_) connection_->RegisterCursor(this);
}

void TDbDataSet::ForgetConnection() {
    connection_ = nullptr;
}

void TDbDataSet::SetDatabaseName(const QString &name) {
    if (Active())
        RaiseLayerError(this, QStringLiteral("Cannot perform this operation on an open dataset"));
    if (name.isEmpty()) {
        databaseName_.clear();
        cachedPath_.clear();
        return;
    }
    // A connection of that name: same owner first, then any.
    const QList<TDbConnection *> all = TDbConnection::AllConnections();
    auto matches = [&](TDbConnection *c) {
        return c->Name().compare(name, Qt::CaseInsensitive) == 0 ||
               (c->Owner() &&
                (c->Owner()->Name() + u'.' + c->Name()).compare(name, Qt::CaseInsensitive) == 0);
    };
    for (TDbConnection *c : all)
        if (c->Owner() == Owner() && c->Name().compare(name, Qt::CaseInsensitive) == 0) {
            SetDbConnection(c);
            databaseName_ = name;
            return;
        }
    for (TDbConnection *c : all)
        if (matches(c)) {
            SetDbConnection(c);
            databaseName_ = name;
            return;
        }
    databaseName_ = name;
    QString path;
    QChar letter;
    if (!name.contains(u'/') && !name.contains(u'\\') && LookupAlias(name, path, letter)) {
        cachedPath_ = path;
        tableType_ = letter == u'N'   ? TDbTableType::ttDbNTX
                     : letter == u'C' ? TDbTableType::ttDbCDX
                                      : TDbTableType::ttDbTBL;
    }
}

void TDbDataSet::SetExclusive(bool e) {
    if (Active())
        throw EDatabaseError(
            QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    exclusive_ = e;
}

void TDbDataSet::SetReadOnly(bool r) {
    if (Active())
        throw EDatabaseError(
            QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    readOnly_ = r;
}

void TDbDataSet::SetTableType(TDbTableType t) {
    if (Active())
        RaiseLayerError(this, QStringLiteral("Cannot perform this operation on an open dataset"));
    tableType_ = t;
}

void TDbDataSet::ApplyAliasTableType(int aliasType) {
    if (aliasType == 1) tableType_ = TDbTableType::ttDbCDX;
    if (aliasType == 2) tableType_ = TDbTableType::ttDbNTX;
    if (aliasType == 3) tableType_ = TDbTableType::ttDbTBL;
}

QString TDbDataSet::DatabasePath() {
    QString path;
    if (!cachedPath_.isEmpty()) {
        path = cachedPath_;
    } else if (databaseName_.isEmpty() ||
               (connection_ &&
                (databaseName_.compare(connection_->Name(), Qt::CaseInsensitive) == 0 ||
                 (connection_->Owner() &&
                  databaseName_.compare(connection_->Owner()->Name() + u'.' + connection_->Name(),
                                        Qt::CaseInsensitive) == 0)))) {
        if (connection_) {
            path = connection_->DirectoryPath();
            ApplyAliasTableType(connection_->AliasTableType() == 1   ? 1
                                : connection_->AliasTableType() == 2 ? 2
                                : connection_->AliasTableType() == 3 ? 3
                                                                     : 0);
        }
    } else {
        path = databaseName_;
    }
    if (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\'))) path.chop(1);
    return path;
}

QString TDbDataSet::Version() const {
    uint32_t major = 0, minor = 0;
    char letter = ' ';
    char description[128] = {};
    uint16_t length = sizeof description;
    Dbe().DbeGetVersion(&major, &minor, &letter, description, &length);
    QString v = QStringLiteral("7.1 (DBE %1%2%3")
                    .arg(major)
                    .arg(minor < 10 ? QStringLiteral(".0") : QStringLiteral("."))
                    .arg(minor);
    if (letter != ' ' && letter != 0) v += QChar(letter);
    return v + u')';
}
