// Connections (to a folder, a data dictionary or a database server), their
// transactions, and data dictionaries.
#include "dbe.h"

#include "cp1252.h"
#include "engine_state.h"

#include <sqlite3.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dbe {
namespace {

int32_t OpenDictionary(const std::string &path, sqlite3 *&db, bool create) {
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr;
        return Fail(create ? DBE_E_IO : DBE_E_PATH_NOT_FOUND, path);
    }
    sqlite3_busy_timeout(db, 10000);
    return Ok();
}

int32_t ExecDictionary(const std::string &path, const std::string &sql,
                       const std::vector<std::string> &args) {
    sqlite3 *db = nullptr;
    if (int32_t rc = OpenDictionary(path, db, false)) return rc;
    sqlite3_stmt *s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        for (size_t i = 0; i < args.size(); ++i) {
            std::string u = Cp1252ToUtf8(args[i]);
            sqlite3_bind_text(s, static_cast<int>(i + 1), u.data(), static_cast<int>(u.size()),
                              SQLITE_TRANSIENT);
        }
        rc = sqlite3_step(s);
    }
    std::string msg = sqlite3_errmsg(db);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    if (rc != SQLITE_DONE) return Fail(DBE_E_NOT_A_TABLE, path + ": " + msg);
    return Ok();
}

int32_t LoadDictionary(const std::string &path, const std::string &user,
                       const std::string &password, Connection &conn) {
    if (!Exists(path)) return Fail(DBE_E_PATH_NOT_FOUND, path);
    sqlite3 *db = nullptr;
    if (int32_t rc = OpenDictionary(path, db, false)) return rc;
    int32_t result = Ok();
    sqlite3_stmt *s = nullptr;
    bool userOk = false;
    if (sqlite3_prepare_v2(db, "SELECT password FROM dbe_dict_users WHERE upper(name)=upper(?)", -1,
                           &s, nullptr) != SQLITE_OK) {
        result = Fail(DBE_E_NOT_A_TABLE, path + ": not a data dictionary");
    } else {
        std::string u = Cp1252ToUtf8(user);
        sqlite3_bind_text(s, 1, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(s) == SQLITE_ROW) {
            const char *pw = reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
            userOk = pw && Cp1252ToUtf8(password) == pw;
        }
        if (!userOk) result = Fail(DBE_E_LOGIN_FAILED, "user " + user);
    }
    sqlite3_finalize(s);
    s = nullptr;
    if (result == DBE_SUCCESS &&
        sqlite3_prepare_v2(db, "SELECT name, path, default_index FROM dbe_dict_tables", -1, &s,
                           nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::string name, tpath, ix;
            Utf8ToCp1252(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)), name);
            Utf8ToCp1252(reinterpret_cast<const char *>(sqlite3_column_text(s, 1)), tpath);
            if (const unsigned char *d = sqlite3_column_text(s, 2))
                Utf8ToCp1252(reinterpret_cast<const char *>(d), ix);
            conn.dictTables[Upper(name)] = DictTable{NormalizePath(tpath), ix};
        }
    }
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    return result;
}

} // namespace
} // namespace dbe

using namespace dbe;

extern "C" {

DBESTATUS DbeConnectEx(const char *path, uint16_t serverTypes, const char *user,
                       const char *password, uint32_t options, DBEHANDLE *connection) try {
    LOCK;
    (void)options;
    if (!path || !connection) return Fail(DBE_E_INVALID_ARGUMENT);
    *connection = 0;
    auto conn = std::make_unique<Connection>();
    const std::string raw = path;
    std::string p = NormalizePath(raw);
    std::string upper = Upper(p);
    const bool local = serverTypes & DBE_LOCAL_SERVER;
    const bool remote = serverTypes & (DBE_REMOTE_SERVER | DBE_INTERNET_SERVER);
    const bool dictionary = upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".DIC") == 0;
    // A folder or dictionary stays local whenever the local server may be
    // used; a connection string goes to the server.
    const bool toServer =
        remote && (!local || (!dictionary && !IsDirectory(p))) && LooksLikeConninfo(raw);
    if (toServer) {
        conn->remote = true;
        conn->server = {raw, user ? user : "", password ? password : ""};
        if (int32_t rc = CheckPgServer(conn->server, conn->serverName)) return rc;
    } else if (!local) {
        return Fail(DBE_E_SERVER_UNAVAILABLE,
                    "\"" + raw +
                        "\" is no connection string of the remote server; it takes"
                        " \"host=... dbname=...\" or a postgresql:// URI.");
    } else if (p.empty()) {
        return Fail(DBE_E_PATH_NOT_FOUND, "(empty path)");
    } else if (dictionary) {
        conn->dictionary = true;
        conn->folder = Folder(AbsolutePath(p));
        if (int32_t rc = LoadDictionary(p, user ? user : "", password ? password : "", *conn))
            return rc;
    } else {
        if (!IsDirectory(p)) return Fail(DBE_E_PATH_NOT_FOUND, p);
        conn->folder = AbsolutePath(p);
    }
    DBEHANDLE h = E().NewHandle();
    E().connections.emplace(h, std::move(conn));
    *connection = h;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeConnect(const char *path, DBEHANDLE *connection) try {
    return DbeConnectEx(path, DBE_LOCAL_SERVER, "", "", 0, connection);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeDisconnect(DBEHANDLE connection) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION, "handle " + std::to_string(connection));
    std::set<DBEHANDLE> tables = c->tables;
    for (DBEHANDLE t : tables)
        CloseTable(t);
    E().connections.erase(connection);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetConnectionType(DBEHANDLE connection, uint16_t *type) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    return Put(type, uint16_t(c->remote ? DBE_REMOTE_SERVER : DBE_LOCAL_SERVER));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetServerName(DBEHANDLE connection, char *name, uint16_t *length) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    return PutText(c->remote ? c->serverName : c->folder, name, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeDictGetTableProperty(DBEHANDLE connection, const char *table, uint16_t property,
                                  void *value, uint16_t *length) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    if (!c->dictionary) return Fail(DBE_E_INVALID_ARGUMENT, "not a dictionary connection");
    if (!table) return Fail(DBE_E_INVALID_ARGUMENT);
    auto it = c->dictTables.find(Upper(table));
    if (it == c->dictTables.end()) return Fail(DBE_E_TABLE_NOT_IN_DICTIONARY, table);
    if (property != DBE_DD_TABLE_DEFAULT_INDEX) return Fail(DBE_E_INVALID_ARGUMENT, "property");
    if (it->second.defaultIndex.empty()) return Fail(DBE_E_PROPERTY_NOT_SET, "default index");
    return PutText(it->second.defaultIndex, static_cast<char *>(value), length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeBeginTransaction(DBEHANDLE connection) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    if (c->inTransaction) return Fail(DBE_E_INVALID_ARGUMENT, "a transaction is already active");
    for (DBEHANDLE t : c->tables)
        if (int32_t rc = FindTable(t)->cursor->store().Begin()) {
            for (DBEHANDLE u : c->tables)
                FindTable(u)->cursor->store().Rollback();
            return rc;
        }
    c->inTransaction = true;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCommitTransaction(DBEHANDLE connection) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    int32_t result = Ok();
    for (DBEHANDLE t : c->tables) {
        int32_t rc = FindTable(t)->cursor->store().Commit();
        if (rc && !result) result = rc;
    }
    c->inTransaction = false;
    return result;
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeRollbackTransaction(DBEHANDLE connection) try {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    for (DBEHANDLE t : c->tables) {
        TableCursor &cur = *FindTable(t)->cursor;
        cur.store().Rollback();
        cur.GotoBOF(-1);
        GenerationOf(cur.store().path())->fetch_add(1);
    }
    c->inTransaction = false;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCreateDictionary(const char *path) try {
    LOCK;
    if (!path) return Fail(DBE_E_INVALID_ARGUMENT);
    std::string p = NormalizePath(path);
    if (Exists(p)) return Fail(DBE_E_TABLE_EXISTS, p);
    sqlite3 *db = nullptr;
    if (int32_t rc = OpenDictionary(p, db, true)) return rc;
    int rc = sqlite3_exec(db,
                          "CREATE TABLE dbe_dict_tables(name TEXT PRIMARY KEY, path TEXT NOT NULL,"
                          " default_index TEXT);"
                          "CREATE TABLE dbe_dict_users(name TEXT PRIMARY KEY, password TEXT);",
                          nullptr, nullptr, nullptr);
    std::string msg = sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK) return Fail(DBE_E_IO, p + ": " + msg);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeDictAddTable(const char *dictionary, const char *table, const char *path,
                          const char *defaultIndex) try {
    LOCK;
    if (!dictionary || !table || !path) return Fail(DBE_E_INVALID_ARGUMENT);
    return ExecDictionary(NormalizePath(dictionary),
                          "INSERT OR REPLACE INTO dbe_dict_tables VALUES(?, ?, nullif(?, ''))",
                          {table, NormalizePath(path), defaultIndex ? defaultIndex : ""});
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeDictAddUser(const char *dictionary, const char *user, const char *password) try {
    LOCK;
    if (!dictionary || !user) return Fail(DBE_E_INVALID_ARGUMENT);
    return ExecDictionary(NormalizePath(dictionary),
                          "INSERT OR REPLACE INTO dbe_dict_users VALUES(?, ?)",
                          {user, password ? password : ""});
} catch (...) {
    return CaughtException();
}

} // extern "C"
