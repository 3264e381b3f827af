// The engine's C interface: handles, the thread's last error, process-wide
// settings, connections and dictionaries; table work is the TableCursor's.
#include "dbe.h"

#include "cp1252.h"
#include "engine_error.h"
#include "table_cursor.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace dbe {
namespace {

constexpr size_t kMaxErrorText = 600;

struct LastError {
    uint32_t code = 0;
    std::string text;
};
thread_local LastError tLastError;

struct DictTable {
    std::string path;
    std::string defaultIndex;
};

struct Connection {
    std::string folder;  // tables without a path are looked for here
    bool dictionary = false;
    bool remote = false;  // tables on a database server, not in `folder`
    PgTarget server;
    std::string serverName;
    std::map<std::string, DictTable> dictTables;  // by upper-cased name
    std::set<DBEHANDLE> tables;
    bool inTransaction = false;
};

struct Table {
    DBEHANDLE connection = 0;
    std::unique_ptr<TableCursor> cursor;
    std::vector<DBEHANDLE> indexes;
};

struct Index {
    DBEHANDLE table = 0;
    int number = 0;
    KeyBuffer key;
};

struct Engine {
    std::recursive_mutex mutex;
    DBEHANDLE next = 1;
    std::unordered_map<DBEHANDLE, std::unique_ptr<Connection>> connections;
    std::unordered_map<DBEHANDLE, std::unique_ptr<Table>> tables;
    std::unordered_map<DBEHANDLE, std::unique_ptr<Index>> indexes;
    std::string dateFormat = "MM/dd/ccyy";
    uint16_t decimals = 2;
    uint16_t showDeleted = 1;
    uint16_t serverTypes = DBE_LOCAL_SERVER | DBE_REMOTE_SERVER;
    int16_t cachedCursors = 25, cachedTables = 0;

    DBEHANDLE NewHandle() { return next++; }
};

Engine &E() {
    static Engine *engine = new Engine;  // outlives every static user at exit
    return *engine;
}

using Guard = std::lock_guard<std::recursive_mutex>;

std::string Upper(std::string s) {
    for (auto &c : s) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
    return s;
}

std::string NormalizePath(std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool IsDirectory(const std::string &p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string &p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

std::string Folder(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Table names come from a platform whose file names ignore case: a name
// that does not exist as written is looked up without regard to case.
std::string ResolveCase(const std::string &path) {
    if (Exists(path)) return path;
    std::string folder = Folder(path), name = path.substr(path.rfind('/') + 1);
    DIR *d = ::opendir(folder.c_str());
    if (!d) return path;
    std::string found = path;
    while (dirent *e = ::readdir(d)) {
        if (EqualsNoCase(e->d_name, name)) {
            found = folder + "/" + e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

int32_t Ok() { return DBE_SUCCESS; }

// Copies a text into a caller's buffer with the in/out 16-bit length rule.
int32_t PutText(const std::string &text, char *buf, uint16_t *len) {
    if (!len) return Fail(DBE_E_INVALID_ARGUMENT, "length pointer is null");
    uint16_t capacity = *len;
    size_t n = std::min<size_t>(text.size(), 65534);
    *len = static_cast<uint16_t>(n);
    if (!buf || capacity == 0) return text.empty() ? Ok() : Fail(DBE_E_BUFFER_TOO_SMALL);
    if (capacity <= n) {
        std::memcpy(buf, text.data(), capacity - 1);
        buf[capacity - 1] = '\0';
        return Fail(DBE_E_BUFFER_TOO_SMALL);
    }
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return Ok();
}

template <class T> int32_t Put(T *out, T value) {
    if (!out) return Fail(DBE_E_INVALID_ARGUMENT, "output pointer is null");
    *out = value;
    return Ok();
}

Connection *FindConnection(DBEHANDLE h) {
    auto it = E().connections.find(h);
    return it == E().connections.end() ? nullptr : it->second.get();
}

Table *FindTable(DBEHANDLE h) {
    auto it = E().tables.find(h);
    return it == E().tables.end() ? nullptr : it->second.get();
}

Index *FindIndex(DBEHANDLE h) {
    auto it = E().indexes.find(h);
    return it == E().indexes.end() ? nullptr : it->second.get();
}

// A table handle, or the table of an index handle.
int32_t TableOf(DBEHANDLE h, Table *&table) {
    if ((table = FindTable(h))) return Ok();
    if (Index *ix = FindIndex(h)) {
        table = FindTable(ix->table);
        if (table) return Ok();
    }
    return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(h));
}

// An order: the table and index number (-1 for natural order).
int32_t OrderOf(DBEHANDLE h, Table *&table, int &index) {
    if ((table = FindTable(h))) {
        index = -1;
        return Ok();
    }
    if (Index *ix = FindIndex(h)) {
        table = FindTable(ix->table);
        index = ix->number;
        if (table) return Ok();
    }
    return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(h));
}

int32_t FieldOf(const Schema &schema, const char *field, int &number) {
    uintptr_t raw = reinterpret_cast<uintptr_t>(field);
    if (raw == 0) return Fail(DBE_E_FIELD_NOT_FOUND, "(none)");
    if (raw < 0x10000) {
        if (raw > schema.fields.size()) return Fail(DBE_E_FIELD_NOT_FOUND, "number " + std::to_string(raw));
        number = static_cast<int>(raw) - 1;
        return Ok();
    }
    number = schema.FieldIndex(field);
    if (number < 0) return Fail(DBE_E_FIELD_NOT_FOUND, field);
    return Ok();
}

int32_t TableField(DBEHANDLE h, const char *field, Table *&table, int &number) {
    if (int32_t rc = TableOf(h, table)) return rc;
    return FieldOf(table->cursor->schema(), field, number);
}

void RegisterIndexes(DBEHANDLE tableHandle, Table &table) {
    for (size_t i = table.indexes.size(); i < table.cursor->schema().indexes.size(); ++i) {
        auto ix = std::make_unique<Index>();
        ix->table = tableHandle;
        ix->number = static_cast<int>(i);
        DBEHANDLE h = E().NewHandle();
        E().indexes.emplace(h, std::move(ix));
        table.indexes.push_back(h);
    }
}

void CloseTable(DBEHANDLE h) {
    Table *t = FindTable(h);
    if (!t) return;
    for (DBEHANDLE ix : t->indexes) E().indexes.erase(ix);
    if (Connection *c = FindConnection(t->connection)) c->tables.erase(h);
    if (t->cursor->store().InTransaction()) t->cursor->store().Rollback();
    E().tables.erase(h);
}

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
    if (sqlite3_prepare_v2(db, "SELECT password FROM dbe_dict_users WHERE upper(name)=upper(?)",
                           -1, &s, nullptr) != SQLITE_OK) {
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

// On a server a table is named by the last segment of the path the caller
// built from the connect path (which may hold slashes of its own).
std::string ServerTableName(const std::string &name) {
    size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// The file a table name stands for on a connection; 5132 when a dictionary
// does not know a bare name.
int32_t ResolveTable(Connection &conn, const std::string &name, std::string &path) {
    std::string n = NormalizePath(name);
    bool bare = n.find('/') == std::string::npos;
    if (conn.dictionary && bare) {
        auto it = conn.dictTables.find(Upper(n));
        if (it == conn.dictTables.end()) return Fail(DBE_E_TABLE_NOT_IN_DICTIONARY, name);
        const std::string &p = it->second.path;
        path = (!p.empty() && p[0] == '/') ? p : conn.folder + "/" + p;
    } else if (bare || n[0] != '/') {
        path = conn.folder + "/" + n;
    } else {
        path = n;
    }
    path = ResolveCase(path);
    return Ok();
}

}  // namespace

int32_t Fail(int32_t code, const std::string &detail) {
    std::string text = DbeStatusText(code);
    if (!detail.empty()) text += (text.empty() ? "" : " ") + detail;
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    tLastError.code = static_cast<uint32_t>(code);
    tLastError.text = std::move(text);
    return code;
}

}  // namespace dbe

using namespace dbe;

#define LOCK Guard guard(E().mutex)

extern "C" {

// --- process-wide settings -------------------------------------------------
DBESTATUS DbeSetServerType(uint16_t mask) {
    LOCK;
    if ((mask & 7) == 0) return Fail(DBE_E_INVALID_ARGUMENT, "server type mask 0");
    E().serverTypes = mask;
    return Ok();
}
DBESTATUS DbeCacheOpenCursors(int16_t count) {
    LOCK;
    if (count < 0) return Fail(DBE_E_INVALID_ARGUMENT);
    E().cachedCursors = count;
    return Ok();
}
DBESTATUS DbeCacheOpenTables(int16_t count) {
    LOCK;
    if (count < 0) return Fail(DBE_E_INVALID_ARGUMENT);
    E().cachedTables = count;
    return Ok();
}
DBESTATUS DbeSetDateFormat(const char *format) {
    LOCK;
    if (!format || !*format || std::strlen(format) > 11)
        return Fail(DBE_E_INVALID_ARGUMENT, "date format");
    std::string f = format;
    int d = 0, m = 0, y = 0;
    for (char c : f) {
        char u = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
        d += u == 'D';
        m += u == 'M';
        y += u == 'Y' || u == 'C';
    }
    if (d != 2 || m != 2 || (y != 2 && y != 4)) return Fail(DBE_E_INVALID_ARGUMENT, "date format " + f);
    E().dateFormat = f;
    return Ok();
}
DBESTATUS DbeGetDateFormat(char *format, uint16_t *length) {
    LOCK;
    return PutText(E().dateFormat, format, length);
}
DBESTATUS DbeSetDecimals(uint16_t decimals) {
    LOCK;
    if (decimals > 15) return Fail(DBE_E_INVALID_ARGUMENT, "decimals");
    E().decimals = decimals;
    return Ok();
}
DBESTATUS DbeGetDecimals(uint16_t *decimals) {
    LOCK;
    return Put(decimals, E().decimals);
}
DBESTATUS DbeShowDeleted(uint16_t show) {
    LOCK;
    E().showDeleted = show ? 1 : 0;
    return Ok();
}
DBESTATUS DbeGetDeleted(uint16_t *show) {
    LOCK;
    return Put(show, E().showDeleted);
}
DBESTATUS DbeGetNumOpenTables(uint16_t *count) {
    LOCK;
    return Put(count, static_cast<uint16_t>(E().tables.size()));
}
DBESTATUS DbeGetVersion(uint32_t *major, uint32_t *minor, char *letter, char *description,
                        uint16_t *length) {
    LOCK;
    if (major) *major = 1;
    if (minor) *minor = 0;
    if (letter) *letter = ' ';
    if (length) return PutText("dbe table engine", description, length);
    return Ok();
}
DBESTATUS DbeConvertStringToJulian(const char *text, uint16_t length, double *julian) {
    LOCK;
    if (!text || !julian) return Fail(DBE_E_INVALID_ARGUMENT);
    std::string s(text, strnlen(text, length));
    if (s.find_first_not_of(' ') == std::string::npos) {
        *julian = 0;
        return Ok();
    }
    int64_t j;
    if (!ParseDate(s, E().dateFormat, j)) return Fail(DBE_E_VALUE_CONVERSION, "date " + s);
    *julian = static_cast<double>(j);
    return Ok();
}
DBESTATUS DbeConvertJulianToString(double julian, char *text, uint16_t *length) {
    LOCK;
    if (julian < 1721426 || julian > 5373484) return PutText("", text, length);
    return PutText(FormatDateCompact(static_cast<int64_t>(julian)), text, length);
}

// --- errors ----------------------------------------------------------------
DBESTATUS DbeGetLastError(uint32_t *code, char *text, uint16_t *length) {
    if (code) *code = tLastError.code;
    if (length) {
        std::string saved = tLastError.text;
        uint32_t savedCode = tLastError.code;
        int32_t rc = PutText(saved, text, length);
        tLastError.code = savedCode;  // asking must not replace what is asked for
        tLastError.text = saved;
        return rc == DBE_E_BUFFER_TOO_SMALL ? DBE_SUCCESS : rc;
    }
    return Ok();
}
DBESTATUS DbeGetErrorString(uint32_t code, char *text, uint16_t *length) {
    std::string t = code == tLastError.code ? tLastError.text : DbeStatusText(static_cast<int32_t>(code));
    if (t.empty()) t = "Error " + std::to_string(code) + ".";
    int32_t rc = PutText(t, text, length);
    return rc == DBE_E_BUFFER_TOO_SMALL ? DBE_SUCCESS : rc;
}
DBESTATUS DbeSetLastError(uint32_t code, const char *text) {
    tLastError.code = code;
    tLastError.text = text ? text : "";
    if (tLastError.text.size() > kMaxErrorText) tLastError.text.resize(kMaxErrorText);
    return static_cast<DBESTATUS>(code);
}
DBESTATUS DbeShowError(const char *title) {
    std::fprintf(stderr, "%s: %u %s\n", title ? title : "dbe", tLastError.code,
                 tLastError.text.c_str());
    return Ok();
}

// --- connections -----------------------------------------------------------
DBESTATUS DbeConnectEx(const char *path, uint16_t serverTypes, const char *user,
                       const char *password, uint32_t options, DBEHANDLE *connection) {
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
    const bool toServer = remote && (!local || (!dictionary && !IsDirectory(p))) &&
                          LooksLikeConninfo(raw);
    if (toServer) {
        conn->remote = true;
        conn->server = {raw, user ? user : "", password ? password : ""};
        if (int32_t rc = CheckPgServer(conn->server, conn->serverName)) return rc;
    } else if (!local) {
        return Fail(DBE_E_SERVER_UNAVAILABLE,
                    "\"" + raw + "\" is no connection string of the remote server; it takes"
                    " \"host=... dbname=...\" or a postgresql:// URI.");
    } else if (p.empty()) {
        return Fail(DBE_E_PATH_NOT_FOUND, "(empty path)");
    } else if (dictionary) {
        conn->dictionary = true;
        conn->folder = Folder(p);
        if (int32_t rc = LoadDictionary(p, user ? user : "", password ? password : "", *conn))
            return rc;
    } else {
        if (!IsDirectory(p)) return Fail(DBE_E_PATH_NOT_FOUND, p);
        conn->folder = p;
    }
    DBEHANDLE h = E().NewHandle();
    E().connections.emplace(h, std::move(conn));
    *connection = h;
    return Ok();
}
DBESTATUS DbeConnect(const char *path, DBEHANDLE *connection) {
    return DbeConnectEx(path, DBE_LOCAL_SERVER, "", "", 0, connection);
}
DBESTATUS DbeDisconnect(DBEHANDLE connection) {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION, "handle " + std::to_string(connection));
    std::set<DBEHANDLE> tables = c->tables;
    for (DBEHANDLE t : tables) CloseTable(t);
    E().connections.erase(connection);
    return Ok();
}
DBESTATUS DbeGetConnectionType(DBEHANDLE connection, uint16_t *type) {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    return Put(type, uint16_t(c->remote ? DBE_REMOTE_SERVER : DBE_LOCAL_SERVER));
}
DBESTATUS DbeGetServerName(DBEHANDLE connection, char *name, uint16_t *length) {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    return PutText(c->remote ? c->serverName : c->folder, name, length);
}
DBESTATUS DbeDictGetTableProperty(DBEHANDLE connection, const char *table, uint16_t property,
                                  void *value, uint16_t *length) {
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
}
DBESTATUS DbeBeginTransaction(DBEHANDLE connection) {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    if (c->inTransaction) return Fail(DBE_E_INVALID_ARGUMENT, "a transaction is already active");
    for (DBEHANDLE t : c->tables)
        if (int32_t rc = FindTable(t)->cursor->store().Begin()) {
            for (DBEHANDLE u : c->tables) FindTable(u)->cursor->store().Rollback();
            return rc;
        }
    c->inTransaction = true;
    return Ok();
}
DBESTATUS DbeCommitTransaction(DBEHANDLE connection) {
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
}
DBESTATUS DbeRollbackTransaction(DBEHANDLE connection) {
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
}
DBESTATUS DbeCreateDictionary(const char *path) {
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
}
DBESTATUS DbeDictAddTable(const char *dictionary, const char *table, const char *path,
                          const char *defaultIndex) {
    LOCK;
    if (!dictionary || !table || !path) return Fail(DBE_E_INVALID_ARGUMENT);
    return ExecDictionary(NormalizePath(dictionary),
                          "INSERT OR REPLACE INTO dbe_dict_tables VALUES(?, ?, nullif(?, ''))",
                          {table, NormalizePath(path), defaultIndex ? defaultIndex : ""});
}
DBESTATUS DbeDictAddUser(const char *dictionary, const char *user, const char *password) {
    LOCK;
    if (!dictionary || !user) return Fail(DBE_E_INVALID_ARGUMENT);
    return ExecDictionary(NormalizePath(dictionary),
                          "INSERT OR REPLACE INTO dbe_dict_users VALUES(?, ?)",
                          {user, password ? password : ""});
}

// --- tables ----------------------------------------------------------------
DBESTATUS DbeCreateTable(DBEHANDLE connection, const char *name, const char *fields,
                         DBEHANDLE *table) {
    LOCK;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION);
    if (!name || !fields || !table) return Fail(DBE_E_INVALID_ARGUMENT);
    std::vector<FieldDef> defs;
    std::string error;
    if (!ParseFieldList(fields, defs, error)) return Fail(DBE_E_INVALID_ARGUMENT, error);
    std::unique_ptr<TableStore> store;
    if (c->remote) {
        if (int32_t rc = CreatePgTable(c->server, ServerTableName(name), defs, store)) return rc;
    } else {
        std::string n = NormalizePath(name);
        std::string path = n.find('/') == std::string::npos || n[0] != '/' ? c->folder + "/" + n : n;
        if (int32_t rc = CreateSqliteTable(path, defs, store)) return rc;
    }
    auto t = std::make_unique<Table>();
    t->connection = connection;
    t->cursor = std::make_unique<TableCursor>(std::move(store), DBE_EXCLUSIVE | DBE_UPDATE_ALLOWED |
                                                                   DBE_INSERT_ALLOWED);
    DBEHANDLE h = E().NewHandle();
    c->tables.insert(h);
    E().tables.emplace(h, std::move(t));
    *table = h;
    return Ok();
}
DBESTATUS DbeOpenTable(DBEHANDLE connection, const char *name, const char *alias,
                       uint16_t tableType, uint16_t charType, uint16_t lockType, uint16_t rights,
                       uint32_t options, DBEHANDLE *table) {
    LOCK;
    (void)alias, (void)tableType, (void)charType, (void)lockType, (void)rights;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION, "handle " + std::to_string(connection));
    if (!name || !*name || !table) return Fail(DBE_E_INVALID_ARGUMENT, "table name");
    *table = 0;
    std::unique_ptr<TableStore> store;
    if (c->remote) {
        if (int32_t rc = OpenPgTable(c->server, ServerTableName(name), options & DBE_EXCLUSIVE, store))
            return rc;
    } else {
        std::string path;
        if (int32_t rc = ResolveTable(*c, name, path)) return rc;
        if (int32_t rc = OpenSqliteTable(path, options & DBE_EXCLUSIVE, options & DBE_READONLY, store))
            return rc;
    }
    if (c->inTransaction)
        if (int32_t rc = store->Begin()) return rc;
    uint32_t open = options & (DBE_EXCLUSIVE | DBE_READONLY);
    if (!(options & DBE_READONLY)) open |= DBE_UPDATE_ALLOWED | DBE_INSERT_ALLOWED;
    auto t = std::make_unique<Table>();
    t->connection = connection;
    t->cursor = std::make_unique<TableCursor>(std::move(store), open);
    DBEHANDLE h = E().NewHandle();
    RegisterIndexes(h, *t);
    c->tables.insert(h);
    E().tables.emplace(h, std::move(t));
    *table = h;
    return Ok();
}
DBESTATUS DbeCloseTable(DBEHANDLE table) {
    LOCK;
    if (!FindTable(table)) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(table));
    CloseTable(table);
    return Ok();
}
DBESTATUS DbeGetTableType(DBEHANDLE table, uint16_t *type) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(type, uint16_t(DBE_TBL));
}
DBESTATUS DbeGetTableCharType(DBEHANDLE table, uint16_t *charType) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(charType, uint16_t(1));
}
DBESTATUS DbeGetTableOpenOptions(DBEHANDLE table, uint32_t *options) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(options, t->cursor->openOptions());
}
DBESTATUS DbeGetRecordLength(DBEHANDLE table, uint32_t *length) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(length, t->cursor->schema().recordLength);
}
DBESTATUS DbeCacheRecords(DBEHANDLE table, uint16_t records) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->SetCacheSize(records);
    return Ok();
}
DBESTATUS DbeIsTableEncrypted(DBEHANDLE table, uint16_t *encrypted) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(encrypted, uint16_t(0));
}
DBESTATUS DbeIsEncryptionEnabled(DBEHANDLE table, uint16_t *enabled) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(enabled, uint16_t(0));
}
DBESTATUS DbeEnableEncryption(DBEHANDLE table, const char *password) {
    LOCK;
    (void)password;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Fail(DBE_E_INVALID_ARGUMENT, "tables are not encrypted");
}
DBESTATUS DbeCheckTable(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->store().Check();
}

// --- fields ----------------------------------------------------------------
DBESTATUS DbeGetNumFields(DBEHANDLE table, uint16_t *count) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(count, static_cast<uint16_t>(t->cursor->schema().fields.size()));
}
DBESTATUS DbeGetFieldName(DBEHANDLE table, uint16_t number, char *name, uint16_t *length) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, DBE_FIELD(number), t, f)) return rc;
    return PutText(t->cursor->schema().fields[f].name, name, length);
}
DBESTATUS DbeGetFieldType(DBEHANDLE table, const char *field, uint16_t *type) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(type, t->cursor->schema().fields[f].type);
}
DBESTATUS DbeGetFieldLength(DBEHANDLE table, const char *field, uint32_t *length) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(length, t->cursor->schema().fields[f].length);
}
DBESTATUS DbeGetFieldDecimals(DBEHANDLE table, const char *field, uint16_t *decimals) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(decimals, t->cursor->schema().fields[f].decimals);
}
DBESTATUS DbeGetFieldOffset(DBEHANDLE table, const char *field, uint32_t *offset) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(offset, t->cursor->schema().fields[f].offset);
}
DBESTATUS DbeGetColumnPermissions(DBEHANDLE table, const char *field, uint8_t *permissions) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    uint8_t p = DBE_PERM_READ;
    if (!(t->cursor->openOptions() & DBE_READONLY)) p |= DBE_PERM_UPDATE | DBE_PERM_INSERT;
    return Put(permissions, p);
}
DBESTATUS DbeGetNullRecord(DBEHANDLE table, void *record, uint32_t *length) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!length || !record) return Fail(DBE_E_INVALID_ARGUMENT);
    std::vector<unsigned char> image;
    t->cursor->NullRecord(image);
    if (*length < image.size()) {
        *length = static_cast<uint32_t>(image.size());
        return Fail(DBE_E_BUFFER_TOO_SMALL);
    }
    std::memcpy(record, image.data(), image.size());
    *length = static_cast<uint32_t>(image.size());
    return Ok();
}
DBESTATUS DbeClearRecordBuffer(DBEHANDLE table, void *record, uint32_t length) {
    uint32_t len = length;
    return DbeGetNullRecord(table, record, &len);
}

// --- indexes ---------------------------------------------------------------
DBESTATUS DbeCreateIndex(DBEHANDLE table, const char *tag, const char *expression,
                         uint32_t options, DBEHANDLE *index) {
    LOCK;
    Table *t = FindTable(table);
    if (!t) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(table));
    if (!tag || !*tag || !expression) return Fail(DBE_E_INVALID_ARGUMENT, "index tag");
    const Schema &s = t->cursor->schema();
    if (s.IndexNumber(tag) >= 0) return Fail(DBE_E_INVALID_ARGUMENT, std::string("tag exists: ") + tag);
    IndexDef ix;
    ix.name = tag;
    ix.unique = options & DBE_INDEX_UNIQUE;
    ix.descending = options & DBE_INDEX_DESCENDING;
    std::string e = expression;
    size_t start = 0;
    while (true) {
        size_t semi = e.find(';', start);
        std::string name = e.substr(start, semi - start);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        int f = s.FieldIndex(name);
        if (f < 0) return Fail(DBE_E_FIELD_NOT_FOUND, name);
        if (IsBlobType(s.fields[f].type)) return Fail(DBE_E_WRONG_FIELD_TYPE, name);
        ix.fields.push_back(f);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    if (int32_t rc = t->cursor->store().CreateIndex(ix)) return rc;
    RegisterIndexes(table, *t);
    if (index) *index = t->indexes.back();
    return Ok();
}
DBESTATUS DbeOpenIndex(DBEHANDLE table, const char *file, DBEHANDLE *indexes, uint16_t *count) {
    LOCK;
    (void)indexes;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (count) *count = 0;
    return Fail(DBE_E_INDEX_NOT_FOUND, std::string("index files are part of the table: ") +
                                           (file ? file : ""));
}
DBESTATUS DbeGetNumIndexes(DBEHANDLE table, uint16_t *count) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(count, static_cast<uint16_t>(t->indexes.size()));
}
DBESTATUS DbeGetAllIndexes(DBEHANDLE table, DBEHANDLE *indexes, uint16_t *count) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!count) return Fail(DBE_E_INVALID_ARGUMENT);
    size_t room = indexes ? *count : 0, n = std::min(room, t->indexes.size());
    for (size_t i = 0; i < n; ++i) indexes[i] = t->indexes[i];
    *count = static_cast<uint16_t>(n);
    if (n < t->indexes.size()) return Fail(DBE_E_BUFFER_TOO_SMALL, "more indexes than room");
    return Ok();
}
DBESTATUS DbeGetIndexHandle(DBEHANDLE table, const char *tag, DBEHANDLE *index) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!tag || !index) return Fail(DBE_E_INVALID_ARGUMENT);
    int n = t->cursor->schema().IndexNumber(tag);
    if (n < 0) return Fail(DBE_E_INDEX_NOT_FOUND, tag);
    *index = t->indexes[n];
    return Ok();
}

namespace {
int32_t IndexDefOf(DBEHANDLE index, Table *&t, const IndexDef *&def) {
    Index *ix = FindIndex(index);
    if (!ix || !(t = FindTable(ix->table)))
        return Fail(DBE_E_INVALID_HANDLE, "index handle " + std::to_string(index));
    def = &t->cursor->schema().indexes[ix->number];
    return Ok();
}
}  // namespace

#define INDEX_DEF                                                                                  \
    Table *t;                                                                                      \
    const IndexDef *def;                                                                           \
    if (int32_t rc = IndexDefOf(index, t, def)) return rc;

DBESTATUS DbeGetIndexName(DBEHANDLE index, char *name, uint16_t *length) {
    LOCK;
    INDEX_DEF
    return PutText(def->name, name, length);
}
DBESTATUS DbeGetNumSegments(DBEHANDLE index, uint16_t *count) {
    LOCK;
    INDEX_DEF
    return Put(count, static_cast<uint16_t>(def->fields.size()));
}
DBESTATUS DbeGetSegmentFieldname(DBEHANDLE index, uint16_t segment, char *name,
                                 uint16_t *length) {
    LOCK;
    INDEX_DEF
    if (segment < 1 || segment > def->fields.size())
        return Fail(DBE_E_INVALID_ARGUMENT, "segment " + std::to_string(segment));
    return PutText(t->cursor->schema().fields[def->fields[segment - 1]].name, name, length);
}
DBESTATUS DbeIsIndexUnique(DBEHANDLE index, uint16_t *unique) {
    LOCK;
    INDEX_DEF
    return Put(unique, uint16_t(def->unique));
}
DBESTATUS DbeIsIndexDescending(DBEHANDLE index, uint16_t *descending) {
    LOCK;
    INDEX_DEF
    return Put(descending, uint16_t(def->descending));
}
DBESTATUS DbeIsIndexPrimaryKey(DBEHANDLE index, uint16_t *primary) {
    LOCK;
    INDEX_DEF
    return Put(primary, uint16_t(0));
}
DBESTATUS DbeIsIndexCustom(DBEHANDLE index, uint16_t *custom) {
    LOCK;
    INDEX_DEF
    return Put(custom, uint16_t(0));
}
DBESTATUS DbeGetIndexCondition(DBEHANDLE index, char *condition, uint16_t *length) {
    LOCK;
    INDEX_DEF
    return PutText("", condition, length);
}
DBESTATUS DbeGetIndexFlags(DBEHANDLE index, uint32_t *flags) {
    LOCK;
    INDEX_DEF
    return Put(flags, uint32_t(def->unique ? 1 : 0));
}
DBESTATUS DbeGetIndexPageSize(DBEHANDLE index, uint16_t *size) {
    LOCK;
    INDEX_DEF
    return Put(size, uint16_t(4096));
}
DBESTATUS DbeGetScope(DBEHANDLE index, uint16_t which, void *key, uint16_t *length) {
    LOCK;
    (void)which, (void)key, (void)length;
    INDEX_DEF
    return Fail(DBE_E_NO_SCOPE);
}
DBESTATUS DbeClearAllScopes(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Ok();
}

// --- moving ----------------------------------------------------------------
#define ORDER                                                                                      \
    Table *t;                                                                                      \
    int ix;                                                                                        \
    if (int32_t rc = OrderOf(order, t, ix)) return rc;

DBESTATUS DbeGotoTop(DBEHANDLE order) {
    LOCK;
    ORDER
    return t->cursor->GotoTop(ix);
}
DBESTATUS DbeGotoBottom(DBEHANDLE order) {
    LOCK;
    ORDER
    return t->cursor->GotoBottom(ix);
}
DBESTATUS DbeGotoBOF(DBEHANDLE order) {
    LOCK;
    ORDER
    return t->cursor->GotoBOF(ix);
}
DBESTATUS DbeSkip(DBEHANDLE order, int32_t count) {
    LOCK;
    ORDER
    return t->cursor->Skip(ix, count);
}
DBESTATUS DbeAtEOF(DBEHANDLE order, uint16_t *atEnd) {
    LOCK;
    ORDER
    return Put(atEnd, uint16_t(t->cursor->AtEOF()));
}
DBESTATUS DbeAtBOF(DBEHANDLE order, uint16_t *atBeginning) {
    LOCK;
    ORDER
    return Put(atBeginning, uint16_t(t->cursor->AtBOF()));
}
DBESTATUS DbeGotoRecord(DBEHANDLE table, uint32_t record) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->GotoRecord(record);
}
DBESTATUS DbeGotoBookmark(DBEHANDLE table, uint32_t bookmark) { return DbeGotoRecord(table, bookmark); }
DBESTATUS DbeGetRecordNum(DBEHANDLE table, uint16_t filterOption, uint32_t *record) {
    LOCK;
    (void)filterOption;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(record, t->cursor->RecordNumber());
}
DBESTATUS DbeGetBookmarkLength(DBEHANDLE order, uint32_t *length) {
    LOCK;
    ORDER
    return Put(length, uint32_t(4));
}
DBESTATUS DbeGetBookmark(DBEHANDLE table, uint32_t *bookmark) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!t->cursor->OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    return Put(bookmark, t->cursor->RecordNumber());
}
DBESTATUS DbeGetBookmarkEx(DBEHANDLE order, void *bookmark, uint32_t *length) {
    LOCK;
    ORDER
    if (!bookmark || !length) return Fail(DBE_E_INVALID_ARGUMENT);
    if (*length < 4) {
        *length = 4;
        return Fail(DBE_E_BUFFER_TOO_SMALL);
    }
    if (!t->cursor->OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    uint32_t recno = t->cursor->RecordNumber();
    std::memcpy(bookmark, &recno, 4);
    *length = 4;
    return Ok();
}
DBESTATUS DbeIsRecordVisible(DBEHANDLE order, uint16_t *visible) {
    LOCK;
    ORDER
    if (!visible) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->IsVisible(*visible);
}
DBESTATUS DbeGetRecordCount(DBEHANDLE order, uint16_t filterOption, uint32_t *count) {
    LOCK;
    ORDER
    if (!count) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->Count(ix, filterOption, *count);
}
DBESTATUS DbeGetKeyNum(DBEHANDLE order, uint16_t filterOption, uint32_t *number) {
    LOCK;
    (void)filterOption;
    ORDER
    if (!number) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->KeyNumber(ix, *number);
}
DBESTATUS DbeGetRelKeyPos(DBEHANDLE order, double *position) {
    LOCK;
    ORDER
    if (!position) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->RelativeKeyPosition(ix, *position);
}

// --- reading ---------------------------------------------------------------
DBESTATUS DbeGetRecord(DBEHANDLE table, void *record, uint32_t *length) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!record || !length) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->GetRecord(static_cast<unsigned char *>(record), *length);
}
DBESTATUS DbeGetField(DBEHANDLE table, const char *field, void *value, uint32_t *length,
                      uint16_t option) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    if (!length) return Fail(DBE_E_INVALID_ARGUMENT);
    Value v;
    if (int32_t rc = t->cursor->FieldValue(f, v)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    std::string bytes;
    bool text = true;
    if (IsBlobType(fd.type)) {
        bytes = IsNull(v) ? std::string() : std::get<std::string>(v);
        text = fd.type == DBE_T_MEMO || fd.type == DBE_T_VARCHAR;
    } else {
        bytes = FormatText(fd, v, option == DBE_TRIMMED);
    }
    uint32_t capacity = *length;
    *length = static_cast<uint32_t>(bytes.size());
    if (!value) return bytes.empty() ? Ok() : Fail(DBE_E_BUFFER_TOO_SMALL);
    uint32_t n = std::min<uint32_t>(capacity, static_cast<uint32_t>(bytes.size()));
    std::memcpy(value, bytes.data(), n);
    if (capacity > bytes.size() && text) static_cast<char *>(value)[bytes.size()] = '\0';
    if (capacity < bytes.size()) return Fail(DBE_E_BUFFER_TOO_SMALL);
    return Ok();
}
DBESTATUS DbeIsEmpty(DBEHANDLE table, const char *field, uint16_t *empty) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    bool e;
    if (int32_t rc = t->cursor->IsEmpty(f, e)) return rc;
    return Put(empty, uint16_t(e));
}
namespace {
int32_t BlobLength(DBEHANDLE table, const char *field, uint32_t *length, bool memo) {
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    bool isMemo = fd.type == DBE_T_MEMO || fd.type == DBE_T_VARCHAR;
    if (!IsBlobType(fd.type) || (memo && !isMemo))
        return Fail(DBE_E_WRONG_FIELD_TYPE, fd.name);
    Value v;
    if (int32_t rc = t->cursor->FieldValue(f, v)) return rc;
    return Put(length, IsNull(v) ? 0u : static_cast<uint32_t>(std::get<std::string>(v).size()));
}
}  // namespace
DBESTATUS DbeGetMemoLength(DBEHANDLE table, const char *field, uint32_t *length) {
    LOCK;
    return BlobLength(table, field, length, true);
}
DBESTATUS DbeGetBinaryLength(DBEHANDLE table, const char *field, uint32_t *length) {
    LOCK;
    return BlobLength(table, field, length, false);
}
DBESTATUS DbeGetMemoDataType(DBEHANDLE table, const char *field, uint16_t *type) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(type, t->cursor->schema().fields[f].type);
}
DBESTATUS DbeGetRecordCRC(DBEHANDLE table, uint32_t *crc, uint32_t option) {
    LOCK;
    (void)option;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!crc) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->RecordCrc(*crc);
}
DBESTATUS DbeGetLastAutoinc(DBEHANDLE table, uint32_t *value) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    int64_t v = 0;
    if (int32_t rc = t->cursor->store().LastAutoinc(v)) return rc;
    return Put(value, static_cast<uint32_t>(v));
}

// --- keys and seeking ------------------------------------------------------
DBESTATUS DbeInitRawKey(DBEHANDLE index) {
    LOCK;
    INDEX_DEF
    Index *ix = FindIndex(index);
    ix->key.values.assign(def->fields.size(), Value());
    ix->key.lengths.assign(def->fields.size(), -1);
    return Ok();
}
DBESTATUS DbeBuildRawKey(DBEHANDLE index, void *key, uint16_t *length) {
    LOCK;
    INDEX_DEF
    Index *ix = FindIndex(index);
    if (!length) return Fail(DBE_E_INVALID_ARGUMENT);
    if (ix->key.values.size() != def->fields.size()) DbeInitRawKey(index);
    std::string raw;
    const Schema &s = t->cursor->schema();
    for (size_t i = 0; i < def->fields.size(); ++i) {
        if (ix->key.lengths[i] < 0) break;
        const FieldDef &f = s.fields[def->fields[i]];
        std::string img(f.length, '\0');
        EncodeImage(f, ix->key.values[i], reinterpret_cast<unsigned char *>(img.data()));
        if (IsStringType(f.type) && static_cast<uint32_t>(ix->key.lengths[i]) < f.length) {
            raw += img.substr(0, ix->key.lengths[i]);
            break;
        }
        raw += img;
    }
    uint16_t capacity = *length;
    *length = static_cast<uint16_t>(raw.size());
    if (!key || capacity < raw.size()) return Fail(DBE_E_BUFFER_TOO_SMALL);
    std::memcpy(key, raw.data(), raw.size());
    return Ok();
}
DBESTATUS DbeSeek(DBEHANDLE index, const void *key, uint16_t length, uint16_t dataType,
                  uint16_t seekType, uint16_t *found) {
    LOCK;
    INDEX_DEF
    if (!key || !found) return Fail(DBE_E_INVALID_ARGUMENT);
    *found = 0;
    const Schema &s = t->cursor->schema();
    std::vector<Value> values;
    bool partial = false;
    const char *bytes = static_cast<const char *>(key);
    if (dataType == DBE_RAWKEY) {
        uint32_t pos = 0;
        for (size_t i = 0; i < def->fields.size() && pos < length; ++i) {
            const FieldDef &f = s.fields[def->fields[i]];
            uint32_t rest = length - pos;
            Value v;
            if (rest >= f.length) {
                if (!DecodeImage(f, reinterpret_cast<const unsigned char *>(bytes + pos), v))
                    return Fail(DBE_E_VALUE_CONVERSION, "key segment " + f.name);
                pos += f.length;
            } else if (IsStringType(f.type)) {
                std::string prefix(bytes + pos, rest);
                size_t zero = prefix.find('\0');
                if (zero != std::string::npos) prefix.resize(zero);
                v = prefix;
                partial = true;
                pos = length;
            } else {
                return Fail(DBE_E_INVALID_ARGUMENT, "partial key of segment " + f.name);
            }
            values.push_back(std::move(v));
        }
    } else if (dataType == DBE_STRINGKEY) {
        std::string text(bytes, strnlen(bytes, length));
        size_t pos = 0;
        for (size_t i = 0; i < def->fields.size(); ++i) {
            const FieldDef &f = s.fields[def->fields[i]];
            if (!IsStringType(f.type)) {
                if (i == 0) {
                    Value v;
                    if (!ParseText(f, text, v))
                        return Fail(DBE_E_VALUE_CONVERSION, "key " + text + " for " + f.name);
                    values.push_back(std::move(v));
                }
                break;
            }
            std::string piece = text.substr(pos, f.length);
            pos += piece.size();
            if (piece.size() < f.length) {
                while (!piece.empty() && piece.back() == ' ') piece.pop_back();
                values.push_back(piece);
                partial = true;
                break;
            }
            while (!piece.empty() && piece.back() == ' ') piece.pop_back();
            values.push_back(piece);
            if (pos >= text.size()) break;
        }
    } else {
        return Fail(DBE_E_INVALID_ARGUMENT, "key data type " + std::to_string(dataType));
    }
    if (values.empty()) {
        // An empty key stands before every record.
        int32_t rc = t->cursor->GotoTop(FindIndex(index)->number);
        *found = t->cursor->OnRecord();
        return rc;
    }
    bool f = false;
    int32_t rc = t->cursor->Seek(FindIndex(index)->number, values, partial,
                                 seekType == DBE_HARDSEEK, f);
    *found = f;
    return rc;
}

// --- writing ---------------------------------------------------------------
namespace {
int32_t SetFieldOn(DBEHANDLE handle, const char *field, const void *value, uint32_t length,
                   bool raw) {
    if (Index *ix = FindIndex(handle)) {
        Table *t = FindTable(ix->table);
        const IndexDef &def = t->cursor->schema().indexes[ix->number];
        int f;
        if (int32_t rc = FieldOf(t->cursor->schema(), field, f)) return rc;
        auto seg = std::find(def.fields.begin(), def.fields.end(), f);
        if (seg == def.fields.end())
            return Fail(DBE_E_FIELD_NOT_FOUND, "not a key field of " + def.name);
        size_t i = seg - def.fields.begin();
        if (ix->key.values.size() != def.fields.size()) {
            ix->key.values.assign(def.fields.size(), Value());
            ix->key.lengths.assign(def.fields.size(), -1);
        }
        const FieldDef &fd = t->cursor->schema().fields[f];
        Value v;
        const char *bytes = static_cast<const char *>(value);
        if (IsStringType(fd.type)) {
            std::string s(bytes ? bytes : "", bytes ? strnlen(bytes, length) : 0);
            if (s.size() > fd.length) s.resize(fd.length);
            ix->key.lengths[i] = static_cast<int32_t>(std::min<size_t>(length, fd.length));
            while (!s.empty() && s.back() == ' ') s.pop_back();
            v = s;
        } else if (raw) {
            if (length < fd.length) return Fail(DBE_E_INVALID_ARGUMENT, "short value for " + fd.name);
            if (!DecodeImage(fd, reinterpret_cast<const unsigned char *>(bytes), v))
                return Fail(DBE_E_VALUE_CONVERSION, fd.name);
            ix->key.lengths[i] = static_cast<int32_t>(fd.length);
        } else {
            if (!ParseText(fd, std::string(bytes ? bytes : "", bytes ? strnlen(bytes, length) : 0), v))
                return Fail(DBE_E_VALUE_CONVERSION, fd.name);
            ix->key.lengths[i] = static_cast<int32_t>(fd.length);
        }
        ix->key.values[i] = std::move(v);
        return Ok();
    }
    Table *t = FindTable(handle);
    if (!t) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(handle));
    int f;
    if (int32_t rc = FieldOf(t->cursor->schema(), field, f)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    const char *bytes = static_cast<const char *>(value);
    if (!bytes && length) return Fail(DBE_E_INVALID_ARGUMENT);
    Value v;
    if (IsBlobType(fd.type)) {
        if (length) v = std::string(bytes, length);
    } else if (raw) {
        if (length < fd.length) return Fail(DBE_E_INVALID_ARGUMENT, "short value for " + fd.name);
        if (!DecodeImage(fd, reinterpret_cast<const unsigned char *>(bytes), v))
            return Fail(DBE_E_VALUE_CONVERSION, fd.name);
    } else {
        std::string text(bytes ? bytes : "", bytes ? strnlen(bytes, length) : 0);
        if (!ParseText(fd, text, v)) return Fail(DBE_E_VALUE_CONVERSION, fd.name + ": " + text);
    }
    return t->cursor->SetValue(f, v);
}
}  // namespace

DBESTATUS DbeSetField(DBEHANDLE handle, const char *field, const void *value, uint32_t length) {
    LOCK;
    return SetFieldOn(handle, field, value, length, false);
}
DBESTATUS DbeSetFieldRaw(DBEHANDLE handle, const char *field, const void *value,
                         uint32_t length) {
    LOCK;
    return SetFieldOn(handle, field, value, length, true);
}
DBESTATUS DbeSetEmpty(DBEHANDLE table, const char *field) {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return t->cursor->SetValue(f, Value());
}
DBESTATUS DbeAppendRecord(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Append();
}
DBESTATUS DbeWriteRecord(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Write();
}
DBESTATUS DbeCancelUpdate(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Cancel();
}
DBESTATUS DbeDeleteRecord(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Delete();
}
DBESTATUS DbeLockRecord(DBEHANDLE table, uint32_t record) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Lock(record);
}
DBESTATUS DbeUnlockRecord(DBEHANDLE table, uint32_t record) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Unlock(record);
}
DBESTATUS DbeIsRecordLocked(DBEHANDLE table, uint32_t record, uint16_t *locked) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    bool l = false;
    if (int32_t rc = t->cursor->IsLocked(record, l)) return rc;
    return Put(locked, uint16_t(l));
}

// --- filters ---------------------------------------------------------------
namespace {
int32_t FilterOf(DBEHANDLE table, bool optimized, char *expression, uint16_t *length) {
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    const std::string *text = t->cursor->FilterText(optimized);
    if (!text) return Fail(DBE_E_NO_FILTER);
    if (!length) return Fail(DBE_E_BUFFER_TOO_SMALL);
    return PutText(*text, expression, length);
}
}  // namespace
DBESTATUS DbeSetFilter(DBEHANDLE table, const char *expression) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!expression || !*expression) {
        t->cursor->ClearFilter(false);
        return Ok();
    }
    return t->cursor->SetFilter(expression, false, E().dateFormat);
}
DBESTATUS DbeGetFilter(DBEHANDLE table, char *expression, uint16_t *length) {
    LOCK;
    return FilterOf(table, false, expression, length);
}
DBESTATUS DbeClearFilter(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->ClearFilter(false);
    return Ok();
}
DBESTATUS DbeSetOptFilter(DBEHANDLE table, const char *expression, uint16_t options) {
    LOCK;
    (void)options;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!expression || !*expression) {
        t->cursor->ClearFilter(true);
        return Ok();
    }
    return t->cursor->SetFilter(expression, true, E().dateFormat);
}
DBESTATUS DbeGetOptFilter(DBEHANDLE table, char *expression, uint16_t *length) {
    LOCK;
    return FilterOf(table, true, expression, length);
}
DBESTATUS DbeClearOptFilter(DBEHANDLE table) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->ClearFilter(true);
    return Ok();
}
DBESTATUS DbeSetExact(DBEHANDLE table, uint16_t exact) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->SetExact(exact != 0);
    return Ok();
}
DBESTATUS DbeGetExact(DBEHANDLE table, uint16_t *exact) {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(exact, uint16_t(t->cursor->Exact()));
}
DBESTATUS DbeEvalLogicalExpr(DBEHANDLE order, const char *expression, uint16_t *result) {
    LOCK;
    ORDER
    if (!expression || !result) return Fail(DBE_E_INVALID_ARGUMENT);
    bool r = false;
    if (int32_t rc = t->cursor->Evaluate(expression, E().dateFormat, r)) return rc;
    *result = r;
    return Ok();
}

}  // extern "C"
