#include "db_connection.h"

#include "db_errors.h"
#include "db_table.h"
#include "dbe_dispatch.h"
#include "text_codec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>

#include <limits>

namespace {

QMutex gConnectionsLock;
QList<TDbConnection *> &Connections() {
    static QList<TDbConnection *> list;
    return list;
}

QByteArray Ansi(const QString &s, int maxLength) {
    QByteArray b = ToAnsi(s).value_or(QByteArray());
    if (b.size() > maxLength) b.truncate(maxLength);
    return b;
}

bool IsDictionaryPath(const QString &path) { return path.toUpper().contains(QLatin1String(".DIC")); }

}  // namespace

TDbLoginPrompt &DbLoginPrompt() {
    static TDbLoginPrompt prompt;
    return prompt;
}

bool LookupAlias(const QString &alias, QString &path, QChar &typeLetter) {
    QString file = QCoreApplication::instance()
                       ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("dbe.ini"))
                       : QString();
    if (file.isEmpty() || !QFile::exists(file)) file = QStringLiteral("dbe.ini");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QString section;
    const QStringList lines = FromAnsi(f.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString &raw : lines) {
        QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        if (section.compare(QLatin1String("Databases"), Qt::CaseInsensitive) != 0) continue;
        int eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed().compare(alias, Qt::CaseInsensitive) != 0) continue;
        QString value = line.mid(eq + 1).trimmed();
        int semi = value.indexOf(u';');
        typeLetter = QChar();
        if (semi >= 0) {
            QString letter = value.mid(semi + 1).trimmed();
            if (!letter.isEmpty()) typeLetter = letter[0].toUpper();
            value = value.left(semi).trimmed();
        }
        path = value;
        return true;
    }
    return false;
}

TDbConnection::TDbConnection(TComponent *owner) : TComponent(owner) {
    QMutexLocker lock(&gConnectionsLock);
    Connections().append(this);
}

TDbConnection::~TDbConnection() {
    if (IsConnected()) {
        const QList<TDbDataSet *> cursors = cursors_;
        for (TDbDataSet *c : cursors) {
            c->Close();
            c->ConnectionClosed();
            c->ForgetConnection();
        }
        uint32_t handle = handle_;
        handle_ = 0;
        int32_t rc = adoptedHandle_ ? 0 : Dbe().DbeDisconnect(handle);
        Fire(OnDisconnect, this);
        (void)rc;  // a destructor cannot raise; 5024 (already gone) is the usual answer
    } else {
        const QList<TDbDataSet *> cursors = cursors_;
        for (TDbDataSet *c : cursors) c->ForgetConnection();
    }
    QMutexLocker lock(&gConnectionsLock);
    Connections().removeAll(this);
}

QList<TDbConnection *> TDbConnection::AllConnections() {
    QMutexLocker lock(&gConnectionsLock);
    return Connections();
}

void TDbConnection::SetConnectPath(const QString &path) {
    if (IsConnected())
        throw DbConnectionError(
            QStringLiteral("The TDbConnection.ConnectPath may not be changed when IsConnected is TRUE"));
    connectPath_ = path;
    dictionary_ = IsDictionaryPath(path);
    aliasName_.clear();
    aliasPath_.clear();
    aliasTableType_ = 0;
}

void TDbConnection::SetAliasName(const QString &name) {
    if (IsConnected())
        throw DbConnectionError(
            QStringLiteral("The TDbConnection.AliasName may not be changed when IsConnected is TRUE"));
    aliasName_ = name;
    if (name.isEmpty()) {
        aliasValid_ = true;
        return;
    }
    QString path;
    QChar letter;
    if (!LookupAlias(name, path, letter)) {
        aliasValid_ = false;
        aliasPath_.clear();
        return;
    }
    aliasValid_ = true;
    connectPath_.clear();
    aliasPath_ = path;
    aliasTableType_ = letter == u'C' ? 1 : letter == u'N' ? 2 : letter == u'T' ? 3 : 0;
    dictionary_ = IsDictionaryPath(path);
    for (TDbDataSet *c : cursors_)
        if (c->Owner() == Owner() &&
            (c->DatabaseName().isEmpty() || c->DatabaseName().compare(Name(), Qt::CaseInsensitive) == 0))
            c->ApplyAliasTableType(aliasTableType_);
}

QString TDbConnection::RawConnectionPath() const {
    return connectPath_.isEmpty() ? aliasPath_ : connectPath_;
}

QString TDbConnection::DirectoryPath() const {
    QString raw = RawConnectionPath();
    if (raw.size() > 4 && raw[raw.size() - 4] == u'.' && raw.right(3).compare(QLatin1String("DIC"), Qt::CaseInsensitive) == 0) {
        int slash = raw.lastIndexOf(u'/');
        if (slash < 0) slash = raw.lastIndexOf(u'\\');
        return slash >= 0 ? raw.left(slash) : QStringLiteral("./");
    }
    return raw;
}

QString TDbConnection::ConnectionType() const {
    if (!IsConnected()) return QString();
    uint16_t type = 0;
    if (Dbe().DbeGetConnectionType(handle_, &type) != 0) return QString();
    switch (type) {
    case 1: return QStringLiteral("Local");
    case 2: return QStringLiteral("Remote");
    case 4: return QStringLiteral("Internet");
    default: return QString();
    }
}

QString TDbConnection::ServerName() {
    if (!IsConnected() && !IsDesigning())
        throw DbConnectionError(QStringLiteral("Must be connected to get the database server name."));
    char name[256] = {};
    uint16_t length = 255;
    if (int32_t rc = Dbe().DbeGetServerName(handle_, name, &length)) throw dbconnect::DbError(rc);
    return FromAnsi(name, qstrnlen(name, sizeof name));
}

void TDbConnection::SetIsConnected(bool connected) {
    if (connected == IsConnected()) return;
    if (IsLoading()) {
        connectAfterLoading_ = connected;
        return;
    }
    if (connected)
        Connect();
    else
        Disconnect();
}

void TDbConnection::Loaded() {
    if (connectAfterLoading_) {
        connectAfterLoading_ = false;
        Connect();
    }
}

void TDbConnection::Connect() {
    Fire(BeforeConnect, this);
    if (!aliasValid_) {
        SetAliasName(aliasName_);
        if (!aliasValid_) throw DbConnectionError(QStringLiteral("TDbConnection.AliasName is not valid"));
    }
    if (RawConnectionPath().isEmpty())
        throw DbConnectionError(
            QStringLiteral("Must specify connection string before getting a server connection."));
    handle_ = adoptedHandle_ ? adoptedHandle_ : ConnectToEngine();
    if (dictionary_)
        for (TDbDataSet *c : cursors_) c->ReadDictionaryDefaultIndex();
    Fire(AfterConnect, this);
    Fire(OnConnect, this);
}

uint32_t TDbConnection::ConnectToEngine() {
    QString user, password;
    if (LoginPrompt && dictionary_) {
        if (OnLogin) {
            OnLogin(this, user, password);
        } else {
            user = Username;
            if (!DbLoginPrompt() || !DbLoginPrompt()(Name(), user, password))
                throw EDatabaseError(QStringLiteral("Cannot connect to database '%1'").arg(Name()));
        }
        Username = user;
        if (!IsDesigning()) Password = password;
    } else {
        user = Username;
        password = Password;
    }
    // The engine takes 254 characters. Cut short, a folder could name another
    // folder and a server's connection string lose its last keywords (the
    // schema, say) and land elsewhere without a word: refused instead.
    QByteArray path = Ansi(RawConnectionPath(), std::numeric_limits<int>::max());
    if (path.size() > 254)
        throw DbConnectionError(QStringLiteral("The connect path is longer than 254 characters."));
    QByteArray u = dictionary_ ? Ansi(user, 260) : QByteArray();
    QByteArray p = dictionary_ ? Ansi(password, 260) : QByteArray();
    uint32_t options = (MiddleTierConnection ? 1 : 0) + (StoredProcedureConnection ? 2 : 0);
    switch (Compression) {
    case TDbCompressionTypes::ccDbCompressInternet: options += 12; break;
    case TDbCompressionTypes::ccDbCompressAlways: options += 4; break;
    case TDbCompressionTypes::ccDbCompressNever: options += 8; break;
    default: break;
    }
    uint32_t handle = 0;
    DbeCheck(nullptr, Dbe().DbeConnectEx(path.constData(), DbServerTypes.EngineMask(),
                                         u.constData(), p.constData(), options, &handle));
    return handle;
}

void TDbConnection::Disconnect() {
    Fire(BeforeDisconnect, this);
    const QList<TDbDataSet *> cursors = cursors_;
    for (TDbDataSet *c : cursors) {
        try {
            c->Close();
        } catch (...) {
        }
        c->ConnectionClosed();
    }
    int32_t rc = 0;
    if (!adoptedHandle_) rc = Dbe().DbeDisconnect(handle_);
    handle_ = 0;
    transactionActive_ = false;
    Fire(AfterDisconnect, this);
    Fire(OnDisconnect, this);
    if (rc) throw dbconnect::DbError(rc);
}

void TDbConnection::RegisterCursor(TDbDataSet *cursor) {
    if (!cursors_.contains(cursor)) cursors_.append(cursor);
}

void TDbConnection::UnregisterCursor(TDbDataSet *cursor) { cursors_.removeAll(cursor); }

void TDbConnection::BeginTransaction() {
    if (!IsConnected()) throw DbConnectionError(QStringLiteral("No connection to the database server."));
    if (int32_t rc = Dbe().DbeBeginTransaction(handle_)) throw dbconnect::DbError(rc);
    transactionActive_ = true;
}

void TDbConnection::Commit() {
    if (!IsConnected()) throw DbConnectionError(QStringLiteral("No connection to the database server."));
    Fire(BeforeCommit, this);
    int32_t rc = Dbe().DbeCommitTransaction(handle_);
    transactionActive_ = false;
    if (rc) throw dbconnect::DbError(rc);
    Fire(AfterCommit, this);
}

void TDbConnection::Rollback() {
    if (!IsConnected()) throw DbConnectionError(QStringLiteral("No connection to the database server."));
    Fire(BeforeRollback, this);
    int32_t rc = Dbe().DbeRollbackTransaction(handle_);
    transactionActive_ = false;
    if (rc) throw dbconnect::DbError(rc);
    Fire(AfterRollback, this);
}

bool TDbConnection::TransactionActive() const {
    if (!IsConnected()) throw DbConnectionError(QStringLiteral("No connection to the database server."));
    return transactionActive_;
}
