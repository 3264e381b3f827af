// Indexes of a table: creating them, their handles and their properties,
// and scopes.
#include "dbe.h"

#include "engine_state.h"

#include <algorithm>
#include <string>

using namespace dbe;

extern "C" {

// --- indexes ---------------------------------------------------------------
DBESTATUS DbeCreateIndex(DBEHANDLE table, const char *tag, const char *expression, uint32_t options,
                         DBEHANDLE *index) try {
    LOCK;
    Table *t = FindTable(table);
    if (!t) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(table));
    if (!tag || !*tag || !expression) return Fail(DBE_E_INVALID_ARGUMENT, "index tag");
    const Schema &s = t->cursor->schema();
    if (s.IndexNumber(tag) >= 0)
        return Fail(DBE_E_INVALID_ARGUMENT, std::string("tag exists: ") + tag);
    IndexDef ix;
    ix.name = tag;
    ix.unique = options & DBE_INDEX_UNIQUE;
    ix.descending = options & DBE_INDEX_DESCENDING;
    std::string e = expression;
    size_t start = 0;
    while (true) {
        size_t semi = e.find(';', start);
        std::string name = e.substr(start, semi - start);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        while (!name.empty() && name.front() == ' ')
            name.erase(0, 1);
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
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeOpenIndex(DBEHANDLE table, const char *file, DBEHANDLE *indexes, uint16_t *count) try {
    LOCK;
    (void)indexes;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (count) *count = 0;
    return Fail(DBE_E_INDEX_NOT_FOUND,
                std::string("index files are part of the table: ") + (file ? file : ""));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetNumIndexes(DBEHANDLE table, uint16_t *count) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(count, static_cast<uint16_t>(t->indexes.size()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetAllIndexes(DBEHANDLE table, DBEHANDLE *indexes, uint16_t *count) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!count) return Fail(DBE_E_INVALID_ARGUMENT);
    size_t room = indexes ? *count : 0, n = std::min(room, t->indexes.size());
    for (size_t i = 0; i < n; ++i)
        indexes[i] = t->indexes[i];
    *count = static_cast<uint16_t>(n);
    if (n < t->indexes.size()) return Fail(DBE_E_BUFFER_TOO_SMALL, "more indexes than room");
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetIndexHandle(DBEHANDLE table, const char *tag, DBEHANDLE *index) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!tag || !index) return Fail(DBE_E_INVALID_ARGUMENT);
    int n = t->cursor->schema().IndexNumber(tag);
    if (n < 0) return Fail(DBE_E_INDEX_NOT_FOUND, tag);
    *index = t->indexes[n];
    return Ok();
} catch (...) {
    return CaughtException();
}

DBESTATUS DbeGetIndexName(DBEHANDLE index, char *name, uint16_t *length) try {
    LOCK;
    INDEX_DEF
    return PutText(def->name, name, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetNumSegments(DBEHANDLE index, uint16_t *count) try {
    LOCK;
    INDEX_DEF
    return Put(count, static_cast<uint16_t>(def->fields.size()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetSegmentFieldname(DBEHANDLE index, uint16_t segment, char *name,
                                 uint16_t *length) try {
    LOCK;
    INDEX_DEF
    if (segment < 1 || segment > def->fields.size())
        return Fail(DBE_E_INVALID_ARGUMENT, "segment " + std::to_string(segment));
    return PutText(t->cursor->schema().fields[def->fields[segment - 1]].name, name, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsIndexUnique(DBEHANDLE index, uint16_t *unique) try {
    LOCK;
    INDEX_DEF
    return Put(unique, uint16_t(def->unique));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsIndexDescending(DBEHANDLE index, uint16_t *descending) try {
    LOCK;
    INDEX_DEF
    return Put(descending, uint16_t(def->descending));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsIndexPrimaryKey(DBEHANDLE index, uint16_t *primary) try {
    LOCK;
    INDEX_DEF
    return Put(primary, uint16_t(0));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsIndexCustom(DBEHANDLE index, uint16_t *custom) try {
    LOCK;
    INDEX_DEF
    return Put(custom, uint16_t(0));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetIndexCondition(DBEHANDLE index, char *condition, uint16_t *length) try {
    LOCK;
    INDEX_DEF
    return PutText("", condition, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetIndexFlags(DBEHANDLE index, uint32_t *flags) try {
    LOCK;
    INDEX_DEF
    return Put(flags, uint32_t(def->unique ? 1 : 0));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetIndexPageSize(DBEHANDLE index, uint16_t *size) try {
    LOCK;
    INDEX_DEF
    return Put(size, uint16_t(4096));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetScope(DBEHANDLE index, uint16_t which, void *key, uint16_t *length) try {
    LOCK;
    (void)which, (void)key, (void)length;
    INDEX_DEF
    return Fail(DBE_E_NO_SCOPE);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeClearAllScopes(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Ok();
} catch (...) {
    return CaughtException();
}

} // extern "C"
