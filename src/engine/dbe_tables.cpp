// Tables: creating, opening and closing them, their properties, and their
// field definitions.
#include "dbe.h"

#include "engine_state.h"

#include <dirent.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace dbe {
namespace {

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

// On a server a table is named by the last segment of the path the caller
// built from the connect path (which may hold slashes of its own).
std::string ServerTableName(const std::string &name) {
    size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// A bare table name lies in the connection's folder; a path is a path of the
// file system, relative ones to the working directory. The layer names its
// tables by the connect path and the table name, so a relative connect path
// must not be taken twice.
std::string LocalTablePath(const Connection &conn, const std::string &normalized) {
    if (normalized.find('/') == std::string::npos) return conn.folder + "/" + normalized;
    return AbsolutePath(normalized);
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
    } else {
        path = LocalTablePath(conn, n);
    }
    path = ResolveCase(path);
    return Ok();
}

} // namespace
} // namespace dbe

using namespace dbe;

extern "C" {

// --- tables ----------------------------------------------------------------
DBESTATUS DbeCreateTable(DBEHANDLE connection, const char *name, const char *fields,
                         DBEHANDLE *table) try {
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
        const std::string path = LocalTablePath(*c, NormalizePath(name));
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
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeOpenTable(DBEHANDLE connection, const char *name, const char *alias,
                       uint16_t tableType, uint16_t charType, uint16_t lockType, uint16_t rights,
                       uint32_t options, DBEHANDLE *table) try {
    LOCK;
    (void)alias, (void)tableType, (void)charType, (void)lockType, (void)rights;
    Connection *c = FindConnection(connection);
    if (!c) return Fail(DBE_E_INVALID_CONNECTION, "handle " + std::to_string(connection));
    if (!name || !*name || !table) return Fail(DBE_E_INVALID_ARGUMENT, "table name");
    *table = 0;
    std::unique_ptr<TableStore> store;
    if (c->remote) {
        if (int32_t rc =
                OpenPgTable(c->server, ServerTableName(name), options & DBE_EXCLUSIVE, store))
            return rc;
    } else {
        std::string path;
        if (int32_t rc = ResolveTable(*c, name, path)) return rc;
        if (int32_t rc =
                OpenSqliteTable(path, options & DBE_EXCLUSIVE, options & DBE_READONLY, store))
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
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCloseTable(DBEHANDLE table) try {
    LOCK;
    if (!FindTable(table)) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(table));
    CloseTable(table);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetTableType(DBEHANDLE table, uint16_t *type) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(type, uint16_t(DBE_TBL));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetTableCharType(DBEHANDLE table, uint16_t *charType) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(charType, uint16_t(1));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetTableOpenOptions(DBEHANDLE table, uint32_t *options) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(options, t->cursor->openOptions());
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetRecordLength(DBEHANDLE table, uint32_t *length) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(length, t->cursor->schema().recordLength);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCacheRecords(DBEHANDLE table, uint16_t records) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->SetCacheSize(records);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsTableEncrypted(DBEHANDLE table, uint16_t *encrypted) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(encrypted, uint16_t(0));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsEncryptionEnabled(DBEHANDLE table, uint16_t *enabled) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(enabled, uint16_t(0));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeEnableEncryption(DBEHANDLE table, const char *password) try {
    LOCK;
    (void)password;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Fail(DBE_E_INVALID_ARGUMENT, "tables are not encrypted");
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCheckTable(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->store().Check();
} catch (...) {
    return CaughtException();
}

// --- fields ----------------------------------------------------------------
DBESTATUS DbeGetNumFields(DBEHANDLE table, uint16_t *count) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(count, static_cast<uint16_t>(t->cursor->schema().fields.size()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFieldName(DBEHANDLE table, uint16_t number, char *name, uint16_t *length) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, DBE_FIELD(number), t, f)) return rc;
    return PutText(t->cursor->schema().fields[f].name, name, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFieldType(DBEHANDLE table, const char *field, uint16_t *type) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(type, t->cursor->schema().fields[f].type);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFieldLength(DBEHANDLE table, const char *field, uint32_t *length) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(length, t->cursor->schema().fields[f].length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFieldDecimals(DBEHANDLE table, const char *field, uint16_t *decimals) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(decimals, t->cursor->schema().fields[f].decimals);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFieldOffset(DBEHANDLE table, const char *field, uint32_t *offset) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(offset, t->cursor->schema().fields[f].offset);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetColumnPermissions(DBEHANDLE table, const char *field, uint8_t *permissions) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    uint8_t p = DBE_PERM_READ;
    if (!(t->cursor->openOptions() & DBE_READONLY)) p |= DBE_PERM_UPDATE | DBE_PERM_INSERT;
    return Put(permissions, p);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetNullRecord(DBEHANDLE table, void *record, uint32_t *length) try {
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
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeClearRecordBuffer(DBEHANDLE table, void *record, uint32_t length) try {
    uint32_t len = length;
    return DbeGetNullRecord(table, record, &len);
} catch (...) {
    return CaughtException();
}

} // extern "C"
