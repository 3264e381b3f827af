// Writes into a table as another program would, past the engine and its
// checks: into a local table's SQLite file, or (with ExecuteSql of
// test_server.h) into a server table's relation.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace testsupport {

// Runs one statement on a local table's file, ?1 bound to `text` as the
// text it is (with its length, so a NUL stays, and unchecked as UTF-8), ?2
// to `number`; the error, empty when exactly one row changed. The tags'
// collations are those of a program of its own: blank-padded byte order,
// which agrees with the engine's order for the tests' texts.
inline std::string RunOnTableFile(const std::string &file, const std::string &sql,
                                  const std::string &text, int64_t number) {
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string error = sqlite3_errmsg(db);
        sqlite3_close(db);
        return file + ": " + error;
    }
    auto padded = [](void *, int n1, const void *s1, int n2, const void *s2) {
        const auto *a = static_cast<const unsigned char *>(s1);
        const auto *b = static_cast<const unsigned char *>(s2);
        for (int i = 0; i < std::max(n1, n2); ++i) {
            const int x = i < n1 ? a[i] : ' ', y = i < n2 ? b[i] : ' ';
            if (x != y) return x < y ? -1 : 1;
        }
        return 0;
    };
    for (const char *collation : {"dbe_char", "dbe_cichar"})
        sqlite3_create_collation(db, collation, SQLITE_UTF8, nullptr, padded);
    std::string error;
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
    } else {
        sqlite3_bind_text(s, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(s, 2, number);
        if (sqlite3_step(s) != SQLITE_DONE)
            error = sqlite3_errmsg(db);
        else if (sqlite3_changes(db) != 1)
            error = "changed " + std::to_string(sqlite3_changes(db)) + " rows: " + sql;
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return error;
}

// Replaces the text a local table's string or memo column holds in record
// `recno` by the UTF-8 bytes `stored`.
inline std::string StoreInTableFile(const std::string &file, const std::string &column,
                                    uint32_t recno, const std::string &stored) {
    return RunOnTableFile(file, "UPDATE records SET \"" + column + "\" = ?1 WHERE _recno = ?2",
                          stored, recno);
}

// SQL that replaces what a server table's string or memo column (bytea)
// holds in record `recno` by the bytes `stored`.
inline std::string StoreInRelationSql(const std::string &relation, const std::string &column,
                                      uint32_t recno, const std::string &stored) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : stored) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return "UPDATE \"" + relation + "\" SET \"" + column + "\" = '\\x" + hex +
           "'::bytea WHERE _recno = " + std::to_string(recno);
}

} // namespace testsupport
