// The engine's shared state behind the C interface: the handle tables of
// connections, tables and indexes, the process-wide settings, the one lock
// every call holds, and the helpers the interface's parts share to look up
// handles and answer into callers' buffers.
#pragma once

#include "dbe.h"
#include "engine_error.h"
#include "table_cursor.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace dbe {

struct DictTable {
    std::string path;
    std::string defaultIndex;
};

struct Connection {
    std::string folder; // tables without a path are looked for here
    bool dictionary = false;
    bool remote = false; // tables on a database server, not in `folder`
    PgTarget server;
    std::string serverName;
    std::map<std::string, DictTable> dictTables; // by upper-cased name
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

// The one engine of the process. REQUIRES for everything reached through
// it: the caller holds its mutex (LOCK).
Engine &E();

using Guard = std::lock_guard<std::recursive_mutex>;

// Names and paths.
std::string Upper(std::string s);
std::string NormalizePath(std::string p);
bool IsDirectory(const std::string &p);
bool Exists(const std::string &p);
std::string Folder(const std::string &path);
// A path relative to the working directory made absolute ("." segments
// dropped), so that a connection keeps its folder whatever the process's
// working directory becomes later.
std::string AbsolutePath(const std::string &path);

// Answers to the caller: DBE_SUCCESS, a text under the in/out 16-bit
// length rule, or one value through an output pointer (which may be null:
// DBE_E_INVALID_ARGUMENT).
int32_t Ok();
int32_t PutText(const std::string &text, char *buf, uint16_t *len);

template <class T> int32_t Put(T *out, T value) {
    if (!out) return Fail(DBE_E_INVALID_ARGUMENT, "output pointer is null");
    *out = value;
    return Ok();
}

// Handle lookups: null, or a failing code with the last error set, for a
// handle that is not of the kind asked for.
Connection *FindConnection(DBEHANDLE h);
Table *FindTable(DBEHANDLE h);
Index *FindIndex(DBEHANDLE h);
int32_t TableOf(DBEHANDLE h, Table *&table);
int32_t OrderOf(DBEHANDLE h, Table *&table, int &index);
int32_t FieldOf(const Schema &schema, const char *field, int &number);
int32_t TableField(DBEHANDLE h, const char *field, Table *&table, int &number);
int32_t IndexDefOf(DBEHANDLE index, Table *&t, const IndexDef *&def);

// Gives every index of the table's schema that has none yet its handle.
void RegisterIndexes(DBEHANDLE tableHandle, Table &table);
// Drops a table handle and its index handles; an open transaction of the
// table is rolled back.
void CloseTable(DBEHANDLE h);

} // namespace dbe

#define LOCK Guard guard(E().mutex)

#define INDEX_DEF                                                                                  \
    Table *t;                                                                                      \
    const IndexDef *def;                                                                           \
    if (int32_t rc = IndexDefOf(index, t, def)) return rc;

#define ORDER                                                                                      \
    Table *t;                                                                                      \
    int ix;                                                                                        \
    if (int32_t rc = OrderOf(order, t, ix)) return rc;
