// TDbConnection: one engine connection. Table cursors register with it,
// take its handle when they open and build their table paths from its
// connect path.
#pragma once

#include "component.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

class TDbDataSet;

enum class TDbServerType { stDB_REMOTE = 0, stDB_LOCAL = 1, stDB_INTERNET = 2 };

// A set over TDbServerType, bit n for the value n.
class TDbServerTypes {
public:
    TDbServerTypes() = default;
    TDbServerTypes(std::initializer_list<TDbServerType> types) {
        for (auto t : types) bits_ |= 1u << static_cast<int>(t);
    }
    bool contains(TDbServerType t) const { return bits_ & (1u << static_cast<int>(t)); }
    bool empty() const { return bits_ == 0; }
    unsigned bits() const { return bits_; }
    // The engine's mask: local 1, remote 2, internet 4.
    uint16_t EngineMask() const {
        return (contains(TDbServerType::stDB_LOCAL) ? 1 : 0) |
               (contains(TDbServerType::stDB_REMOTE) ? 2 : 0) |
               (contains(TDbServerType::stDB_INTERNET) ? 4 : 0);
    }
    bool operator==(const TDbServerTypes &o) const { return bits_ == o.bits_; }

private:
    unsigned bits_ = 0;
};

enum class TDbCompressionTypes {
    ccDbCompressionNotSet,
    ccDbCompressInternet,
    ccDbCompressAlways,
    ccDbCompressNever,
};

// The login prompt: fills user name and password, false when cancelled.
using TDbLoginPrompt = std::function<bool(const QString &databaseName, QString &user, QString &password)>;
// The prompt in force (the widget dialog installs itself; tests replace it).
TDbLoginPrompt &DbLoginPrompt();

class TDbConnection : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString AliasName READ AliasName WRITE SetAliasName)
    Q_PROPERTY(bool IsConnected READ IsConnected WRITE SetIsConnected)
    Q_PROPERTY(QString ConnectPath READ ConnectPath WRITE SetConnectPath)
    Q_PROPERTY(bool LoginPrompt MEMBER LoginPrompt)
    Q_PROPERTY(QString Username MEMBER Username)
    Q_PROPERTY(QString Password MEMBER Password)
    Q_PROPERTY(bool MiddleTierConnection MEMBER MiddleTierConnection)
    Q_PROPERTY(bool StoreConnected MEMBER StoreConnected)
    Q_PROPERTY(bool StoredProcedureConnection MEMBER StoredProcedureConnection)
    Q_PROPERTY(bool ReadOnly MEMBER ReadOnly)

public:
    using TNotifyEvent = std::function<void(QObject *)>;

    explicit TDbConnection(TComponent *owner = nullptr);
    ~TDbConnection() override;

    QString AliasName() const { return aliasName_; }
    void SetAliasName(const QString &name);
    bool IsConnected() const { return handle_ != 0; }
    void SetIsConnected(bool connected);
    QString ConnectPath() const { return connectPath_; }
    void SetConnectPath(const QString &path);
    QString ServerName();
    uint32_t ConnectionHandle() const { return handle_; }
    QString ConnectionType() const;

    // A plain field: writing it runs nothing.
    TDbServerTypes DbServerTypes;
    bool LoginPrompt = true;
    QString Username;
    QString Password;
    bool MiddleTierConnection = false;
    bool StoreConnected = true;
    bool StoredProcedureConnection = false;
    TDbCompressionTypes Compression = TDbCompressionTypes::ccDbCompressionNotSet;
    bool ReadOnly = false;

    TNotifyEvent AfterCommit, BeforeCommit, AfterRollback, BeforeRollback, OnConnect, OnDisconnect,
        AfterConnect, BeforeConnect, AfterDisconnect, BeforeDisconnect;
    std::function<void(QObject *, QString &user, QString &password)> OnLogin;

    bool IsDictionaryConnection() const { return dictionary_; }
    // ConnectPath when set, else the alias path.
    QString RawConnectionPath() const;
    // The folder tables are opened from (the dictionary's folder for a
    // dictionary path).
    QString DirectoryPath() const;
    int AliasTableType() const { return aliasTableType_; }

    void RegisterCursor(TDbDataSet *cursor);
    void UnregisterCursor(TDbDataSet *cursor);
    QList<TDbDataSet *> RegisteredCursors() const { return cursors_; }

    // Not used by the tool; they exist on the component.
    void BeginTransaction();
    void Commit();
    void Rollback();
    bool TransactionActive() const;

    // Every connection of the process, in order of creation.
    static QList<TDbConnection *> AllConnections();

protected:
    void Loaded() override;

private:
    void Connect();
    void Disconnect();
    uint32_t ConnectToEngine();
    static void Fire(const TNotifyEvent &e, QObject *self) {
        if (e) e(self);
    }

    QString aliasName_;
    QString connectPath_;
    QString aliasPath_;
    int aliasTableType_ = 0;
    bool aliasValid_ = true;
    bool dictionary_ = false;
    bool connectAfterLoading_ = false;
    uint32_t handle_ = 0;
    uint32_t adoptedHandle_ = 0;
    bool transactionActive_ = false;
    QList<TDbDataSet *> cursors_;
};

// The "Databases" section of "dbe.ini": an alias's path and table-type
// letter, found when the file names it.
bool LookupAlias(const QString &alias, QString &path, QChar &typeLetter);
