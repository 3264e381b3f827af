// The engine's shared state and the helpers every part of the C interface
// uses to reach it.
#include "engine_state.h"

#include "cp1252.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace dbe {

Engine &E() {
    static Engine *engine = new Engine; // outlives every static user at exit
    return *engine;
}

std::string Upper(std::string s) {
    for (auto &c : s)
        c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
    return s;
}

std::string NormalizePath(std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
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

std::string AbsolutePath(const std::string &path) {
    std::string p = path;
    if (p.empty() || p[0] != '/') {
        char buffer[PATH_MAX];
        if (!::getcwd(buffer, sizeof buffer)) return path;
        p = std::string(buffer) + "/" + p;
    }
    std::string out;
    size_t at = 0;
    while (at <= p.size()) {
        size_t next = p.find('/', at);
        if (next == std::string::npos) next = p.size();
        const std::string segment = p.substr(at, next - at);
        if (!segment.empty() && segment != ".") out += "/" + segment;
        at = next + 1;
    }
    return out.empty() ? "/" : out;
}

int32_t Ok() {
    return DBE_SUCCESS;
}

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
        if (raw > schema.fields.size())
            return Fail(DBE_E_FIELD_NOT_FOUND, "number " + std::to_string(raw));
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
    for (DBEHANDLE ix : t->indexes)
        E().indexes.erase(ix);
    if (Connection *c = FindConnection(t->connection)) c->tables.erase(h);
    if (t->cursor->store().InTransaction()) t->cursor->store().Rollback();
    E().tables.erase(h);
}

int32_t IndexDefOf(DBEHANDLE index, Table *&t, const IndexDef *&def) {
    Index *ix = FindIndex(index);
    if (!ix || !(t = FindTable(ix->table)))
        return Fail(DBE_E_INVALID_HANDLE, "index handle " + std::to_string(index));
    def = &t->cursor->schema().indexes[ix->number];
    return Ok();
}

} // namespace dbe
