// Each table is one SQLite database in WAL mode:
//   dbe_table   (key, value): format, next record number, next auto-increment
//   dbe_fields  (num, name, type, length, decimals)
//   dbe_indexes (num, name, fields "A;B", is_unique, descending)
//   records     (_recno INTEGER PRIMARY KEY, one typed column per field)
//   dbe_deleted (the journal of deleted records, made by the first delete:
//                the columns of records, then "#deleted_at", "#deleted_by",
//                "#deleted_host")
// Strings and memos are stored as UTF-8 text, binary values as blobs, dates as
// YYYY-MM-DD, timestamps as YYYY-MM-DD HH:MM:SS.mmm, so the sqlite3 shell
// reads every table. Index tags are SQLite indexes on (key columns, _recno);
// string keys use the collations dbe_char / dbe_cichar, which compare the
// Windows-1252 bytes blank-padded.
#include "cp1252.h"
#include "dbe.h"
#include "delete_journal.h"
#include "engine_error.h"
#include "record_lock.h"
#include "stored_text.h"
#include "table_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstring>
#include <unordered_map>

namespace dbe {
namespace {

constexpr const char *kFormat = "dbe-table-1";

int32_t MapSqlite(int rc, sqlite3 *db, const std::string &what) {
    std::string msg = what + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return Fail(DBE_E_NOT_A_TABLE, msg);
    case SQLITE_READONLY: return Fail(DBE_E_READ_ONLY, msg);
    case SQLITE_CANTOPEN: return Fail(DBE_E_TABLE_NOT_FOUND, msg);
    case SQLITE_CONSTRAINT: return Fail(DBE_E_DUPLICATE_KEY, msg);
    default: return Fail(DBE_E_IO, msg);
    }
}

// Decodes one UTF-8 code point to its Windows-1252 byte (or 0x3F).
inline unsigned char NextByte(const unsigned char *&p, const unsigned char *end) {
    unsigned char c = *p++;
    if (c < 0x80) return c;
    char32_t cp;
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
    cp = c & (0x3F >> extra);
    for (int i = 0; i < extra && p < end; ++i) cp = (cp << 6) | (*p++ & 0x3F);
    int b = CodePointToCp1252(cp);
    return b < 0 ? '?' : static_cast<unsigned char>(b);
}

int CollatePadded(void *ignoreCase, int n1, const void *s1, int n2, const void *s2) {
    auto p = static_cast<const unsigned char *>(s1), e1 = p + n1;
    auto q = static_cast<const unsigned char *>(s2), e2 = q + n2;
    // The empty text is the all-zero value: before every other text.
    if (n1 == 0 || n2 == 0) return (n1 == 0) == (n2 == 0) ? 0 : (n1 == 0 ? -1 : 1);
    while (p < e1 || q < e2) {
        unsigned char a = p < e1 ? NextByte(p, e1) : ' ';
        unsigned char b = q < e2 ? NextByte(q, e2) : ' ';
        if (ignoreCase) {
            a = Cp1252Upper(a);
            b = Cp1252Upper(b);
        }
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

// An identifier in SQL text; names are Windows-1252 like every engine text.
std::string Quote(const std::string &name) {
    std::string q = "\"";
    for (char c : Cp1252ToUtf8(name)) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

const char *SqlType(uint16_t t) {
    switch (t) {
    case 1: case 11: case 12: case 13: case 15: return "INTEGER";
    case 2: case 10: case 17: return "REAL";
    case 6: case 7: case 16: return "BLOB";
    default: return "TEXT";
    }
}

class Stmt {
public:
    explicit Stmt(sqlite3_stmt *s) : s_(s) {}
    ~Stmt() {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    sqlite3_stmt *get() const { return s_; }

private:
    sqlite3_stmt *s_;
};

class SqliteStore final : public TableStore {
public:
    ~SqliteStore() override {
        for (auto &[k, s] : stmts_) sqlite3_finalize(s);
        if (db_) {
            if (inTxn_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(db_);
        }
    }

    int32_t OpenDb(const std::string &path, bool create, bool readOnly) {
        path_ = path;
        int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
        int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK && !create && readOnly) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
            rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        }
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path);
        sqlite3_extended_result_codes(db_, 0);
        sqlite3_busy_timeout(db_, 10000);
        sqlite3_create_collation(db_, "dbe_char", SQLITE_UTF8, nullptr, CollatePadded);
        sqlite3_create_collation(db_, "dbe_cichar", SQLITE_UTF8, reinterpret_cast<void *>(1),
                                 CollatePadded);
        const char *pragmas = "PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456;"
                              "PRAGMA cache_size=-32000;";
        if ((rc = sqlite3_exec(db_, pragmas, nullptr, nullptr, nullptr)) != SQLITE_OK)
            return MapSqlite(rc, db_, path);
        return DBE_SUCCESS;
    }

    int32_t CreateSchema(const std::vector<FieldDef> &fields) {
        std::string sql = "PRAGMA journal_mode=WAL; BEGIN;"
                          "CREATE TABLE dbe_table(key TEXT PRIMARY KEY, value);"
                          "CREATE TABLE dbe_fields(num INTEGER PRIMARY KEY, name TEXT NOT NULL,"
                          " type INTEGER NOT NULL, length INTEGER NOT NULL,"
                          " decimals INTEGER NOT NULL);"
                          "CREATE TABLE dbe_indexes(num INTEGER PRIMARY KEY, name TEXT NOT NULL,"
                          " fields TEXT NOT NULL, is_unique INTEGER NOT NULL,"
                          " descending INTEGER NOT NULL);";
        sql += std::string("INSERT INTO dbe_table VALUES('format','") + kFormat +
               "'),('next_recno',1),('next_autoinc',1);";
        sql += "CREATE TABLE records(_recno INTEGER PRIMARY KEY";
        for (const auto &f : fields) sql += ", " + Quote(f.name) + " " + SqlType(f.type);
        sql += ");";
        for (size_t i = 0; i < fields.size(); ++i) {
            char buf[64];
            std::snprintf(buf, sizeof buf, ",%d,%u,%d);", fields[i].type, fields[i].length,
                          fields[i].decimals);
            sql += "INSERT INTO dbe_fields VALUES(" + std::to_string(i + 1) + "," +
                   QuoteLiteral(fields[i].name) + buf;
        }
        sql += "COMMIT;";
        char *err = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        return LoadSchema();
    }

    int32_t LoadSchema() {
        schema_ = Schema();
        sqlite3_stmt *s = nullptr;
        int rc = sqlite3_prepare_v2(db_, "SELECT value FROM dbe_table WHERE key='format'", -1, &s,
                                    nullptr);
        // The catalogue may have been edited by hand: any value may be NULL,
        // of another kind, or out of range.
        bool ok = rc == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW;
        const char *format =
            ok ? reinterpret_cast<const char *>(sqlite3_column_text(s, 0)) : nullptr;
        ok = format && std::strcmp(format, kFormat) == 0;
        sqlite3_finalize(s);
        if (!ok) return Fail(DBE_E_NOT_A_TABLE, path_ + ": no table format");
        rc = sqlite3_prepare_v2(db_,
                                "SELECT name, type, length, decimals FROM dbe_fields ORDER BY num",
                                -1, &s, nullptr);
        if (rc != SQLITE_OK) return Fail(DBE_E_NOT_A_TABLE, path_);
        auto number = [&](int column, int64_t most, int64_t &value) {
            value = sqlite3_column_int64(s, column);
            return sqlite3_column_type(s, column) == SQLITE_INTEGER && value >= 0 && value <= most;
        };
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            FieldDef f;
            if (!NameFromColumn(s, 0, f.name)) {
                sqlite3_finalize(s);
                return FailCatalogueText(
                    TableName(), "the name of field " + std::to_string(schema_.fields.size() + 1));
            }
            int64_t type, length, decimals;
            if (!number(1, UINT16_MAX, type) || !number(2, UINT32_MAX, length) ||
                !number(3, UINT16_MAX, decimals)) {
                sqlite3_finalize(s);
                return Fail(DBE_E_NOT_A_TABLE,
                            path_ + ": field " + f.name +
                                ": type, length or decimals not a number in range");
            }
            f.type = static_cast<uint16_t>(type);
            f.length = static_cast<uint32_t>(length);
            f.decimals = static_cast<uint16_t>(decimals);
            schema_.fields.push_back(f);
        }
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) return Fail(DBE_E_NOT_A_TABLE, path_);
        std::string error;
        if (!CheckFields(schema_.fields, error))
            return Fail(DBE_E_NOT_A_TABLE, path_ + ": " + error);
        schema_.Layout();
        rc = sqlite3_prepare_v2(
            db_, "SELECT name, fields, is_unique, descending FROM dbe_indexes ORDER BY num", -1,
            &s, nullptr);
        if (rc != SQLITE_OK) return Fail(DBE_E_NOT_A_TABLE, path_);
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            IndexDef ix;
            std::string fields;
            if (!NameFromColumn(s, 0, ix.name) || !NameFromColumn(s, 1, fields)) {
                sqlite3_finalize(s);
                return FailCatalogueText(TableName(),
                                         "the definition of index " +
                                             std::to_string(schema_.indexes.size() + 1));
            }
            ix.unique = sqlite3_column_int(s, 2) != 0;
            ix.descending = sqlite3_column_int(s, 3) != 0;
            size_t start = 0;
            while (start <= fields.size()) {
                size_t semi = fields.find(';', start);
                std::string name = fields.substr(start, semi - start);
                int f = schema_.FieldIndex(name);
                if (f < 0) {
                    sqlite3_finalize(s);
                    return Fail(DBE_E_NOT_A_TABLE, path_ + ": index " + ix.name);
                }
                ix.fields.push_back(f);
                if (semi == std::string::npos) break;
                start = semi + 1;
            }
            schema_.indexes.push_back(std::move(ix));
        }
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) return Fail(DBE_E_NOT_A_TABLE, path_);
        BuildColumnList();
        return DBE_SUCCESS;
    }

    int32_t OpenLocks(bool exclusive) {
        bool ioError = false;
        if (!locks_.Open(path_ + ".lck", exclusive, ioError)) {
            if (ioError) return Fail(DBE_E_IO, "cannot open the lock file " + path_ + ".lck");
            return Fail(DBE_E_TABLE_LOCKED, path_);
        }
        return DBE_SUCCESS;
    }

    const Schema &schema() const override { return schema_; }
    const std::string &path() const override { return path_; }

    int32_t Scan(int index, const Row *from, bool forward, int limit,
                 std::vector<Row> &out) override {
        out.clear();
        std::string where;
        std::vector<const Value *> binds;
        std::vector<int> bindTypes;
        bool ascending = forward != (index >= 0 && schema_.indexes[index].descending);
        if (from) {
            where = " WHERE " + AfterPredicate(index, *from, ascending ? ">" : "<", binds,
                                               bindTypes);
        }
        std::string sql = selectList_ + " FROM records" + where + OrderBy(index, ascending) +
                          " LIMIT ?";
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(sql, s)) return rc;
        Stmt guard(s);
        int n = BindAll(s, binds, bindTypes);
        if (from) sqlite3_bind_int64(s, ++n, from->recno);
        sqlite3_bind_int(s, ++n, limit);
        return ReadRows(s, out);
    }

    int32_t Seek(int index, const std::vector<Value> &key, bool partial, int limit,
                 std::vector<Row> &out) override {
        out.clear();
        const IndexDef &ix = schema_.indexes[index];
        std::vector<Value> bound = key;
        if (partial && ix.descending && !bound.empty()) {
            // In descending order the first row at or after a prefix is the
            // greatest key that starts with it.
            // The collation upper-cases both sides of a case-insensitive
            // tag, and 0xFF would become 0x9F there: 0xF7 is the greatest
            // byte that upper-casing leaves as it is.
            const FieldDef &f = schema_.fields[ix.fields[bound.size() - 1]];
            auto &s = std::get<std::string>(bound.back());
            const char fill = f.type == DBE_T_CISTRING ? '\xF7' : '\xFF';
            if (s.size() < f.length) s.append(f.length - s.size(), fill);
        }
        std::vector<const Value *> binds;
        std::vector<int> bindTypes;
        std::string pred = KeyPredicate(ix, bound, ix.descending ? "<" : ">", true, binds,
                                        bindTypes);
        std::string sql = selectList_ + " FROM records WHERE " + pred +
                          OrderBy(index, !ix.descending) + " LIMIT ?";
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(sql, s)) return rc;
        Stmt guard(s);
        int n = BindAll(s, binds, bindTypes);
        sqlite3_bind_int(s, ++n, limit);
        return ReadRows(s, out);
    }

    int32_t Fetch(uint32_t recno, std::optional<Row> &out) override {
        out.reset();
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(selectList_ + " FROM records WHERE _recno=?", s)) return rc;
        Stmt guard(s);
        sqlite3_bind_int64(s, 1, recno);
        std::vector<Row> rows;
        if (int32_t rc = ReadRows(s, rows)) return rc;
        if (!rows.empty()) out = std::move(rows.front());
        return DBE_SUCCESS;
    }

    int32_t FetchBlob(uint32_t recno, int field, std::optional<std::string> &out) override {
        out.reset();
        sqlite3_stmt *s;
        std::string sql =
            "SELECT " + Quote(schema_.fields[field].name) + " FROM records WHERE _recno=?";
        if (int32_t rc = Prepare(sql, s)) return rc;
        Stmt guard(s);
        sqlite3_bind_int64(s, 1, recno);
        int rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
        if (rc != SQLITE_ROW) return MapSqlite(rc, db_, path_);
        if (sqlite3_column_type(s, 0) == SQLITE_NULL) return DBE_SUCCESS;
        const char *p = static_cast<const char *>(sqlite3_column_blob(s, 0));
        int n = sqlite3_column_bytes(s, 0);
        std::string bytes(p ? p : "", static_cast<size_t>(n));
        if (sqlite3_column_type(s, 0) == SQLITE_TEXT) {
            std::string cp;
            if (TextFault fault = TextFromUtf8(schema_.fields[field], bytes, cp);
                fault != TextFault::kNone)
                return FailStoredText(TableName(), recno, schema_.fields[field], fault);
            bytes = std::move(cp);
        }
        out = std::move(bytes);
        return DBE_SUCCESS;
    }

    int32_t Count(uint32_t &count) override {
        sqlite3_stmt *s;
        if (int32_t rc = Prepare("SELECT count(*) FROM records", s)) return rc;
        Stmt guard(s);
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) return MapSqlite(rc, db_, path_);
        count = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
        return DBE_SUCCESS;
    }

    int32_t CountBefore(int index, const Row &row, uint32_t &count) override {
        std::vector<const Value *> binds;
        std::vector<int> bindTypes;
        bool ascending = !(index >= 0 && schema_.indexes[index].descending);
        std::string sql = "SELECT count(*) FROM records WHERE " +
                          AfterPredicate(index, row, ascending ? "<" : ">", binds, bindTypes);
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(sql, s)) return rc;
        Stmt guard(s);
        int n = BindAll(s, binds, bindTypes);
        sqlite3_bind_int64(s, ++n, row.recno);
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) return MapSqlite(rc, db_, path_);
        count = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
        return DBE_SUCCESS;
    }

    int32_t ReserveRecno(uint32_t &recno) override {
        int64_t v;
        if (int32_t rc = NextCounter("next_recno", v)) return rc;
        recno = static_cast<uint32_t>(v);
        return DBE_SUCCESS;
    }

    int32_t Insert(Row &row, const std::vector<bool> &set) override {
        int ai = schema_.AutoincField();
        return InWriteTxn([&]() -> int32_t {
            if (ai >= 0) {
                if (!set[ai] || IsNull(row.values[ai]) ||
                    std::get<int64_t>(row.values[ai]) < 0) {
                    int64_t v;
                    if (int32_t rc = NextCounter("next_autoinc", v)) return rc;
                    row.values[ai] = v;
                } else if (int32_t rc = RaiseCounter("next_autoinc",
                                                     std::get<int64_t>(row.values[ai]) + 1)) {
                    return rc;
                }
                lastAutoinc_ = std::get<int64_t>(row.values[ai]);
            }
            if (int32_t rc = CheckUnique(row, nullptr)) return rc;
            std::string cols = "_recno", marks = "?";
            std::vector<int> which;
            for (size_t i = 0; i < schema_.fields.size(); ++i) {
                if (!(set[i] || static_cast<int>(i) == ai || IsStringType(schema_.fields[i].type)))
                    continue;
                cols += "," + Quote(schema_.fields[i].name);
                marks += ",?";
                which.push_back(static_cast<int>(i));
            }
            sqlite3_stmt *s;
            if (int32_t rc = Prepare("INSERT INTO records(" + cols + ") VALUES(" + marks + ")", s))
                return rc;
            Stmt guard(s);
            sqlite3_bind_int64(s, 1, row.recno);
            for (size_t k = 0; k < which.size(); ++k)
                BindValue(s, static_cast<int>(k + 2), schema_.fields[which[k]].type,
                          row.values[which[k]]);
            int rc = sqlite3_step(s);
            if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
            return DBE_SUCCESS;
        });
    }

    int32_t Update(const Row &row, const std::vector<bool> &modified) override {
        std::string sets;
        std::vector<int> which;
        for (size_t i = 0; i < schema_.fields.size(); ++i) {
            if (!modified[i]) continue;
            sets += (sets.empty() ? "" : ",") + Quote(schema_.fields[i].name) + "=?";
            which.push_back(static_cast<int>(i));
        }
        if (which.empty()) {
            std::optional<Row> r;
            if (int32_t rc = Fetch(row.recno, r)) return rc;
            return r ? DBE_SUCCESS : Fail(DBE_E_RECORD_NOT_FOUND, std::to_string(row.recno));
        }
        return InWriteTxn([&]() -> int32_t {
            if (int32_t rc = CheckUnique(row, &modified)) return rc;
            sqlite3_stmt *s;
            if (int32_t rc = Prepare("UPDATE records SET " + sets + " WHERE _recno=?", s))
                return rc;
            Stmt guard(s);
            int n = 0;
            for (int f : which) BindValue(s, ++n, schema_.fields[f].type, row.values[f]);
            sqlite3_bind_int64(s, ++n, row.recno);
            int rc = sqlite3_step(s);
            if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
            if (sqlite3_changes(db_) == 0)
                return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(row.recno));
            return DBE_SUCCESS;
        });
    }

    int32_t Remove(uint32_t recno, const DeleteStamp &stamp) override {
        const bool had = journalReady_;
        int32_t result = InWriteTxn([&]() -> int32_t {
            if (int32_t rc = MakeJournal()) return rc;
            const std::string columns = FieldColumns();
            {
                sqlite3_stmt *s;
                std::string sql = "INSERT INTO dbe_deleted(" + columns;
                for (const char *c : kJournalColumns)
                    sql += ", " + Quote(c);
                sql += ") SELECT " + columns + ", ?, ?, ? FROM records WHERE _recno=?";
                if (int32_t rc = Prepare(sql, s)) return rc;
                Stmt guard(s);
                BindValue(s, 1, DBE_T_TIMESTAMP, Value(stamp.at));
                BindValue(s, 2, DBE_T_STRING, Value(stamp.user));
                BindValue(s, 3, DBE_T_STRING, Value(stamp.host));
                sqlite3_bind_int64(s, 4, recno);
                int rc = sqlite3_step(s);
                if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
                if (sqlite3_changes(db_) == 0)
                    return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
            }
            sqlite3_stmt *s;
            if (int32_t rc = Prepare("DELETE FROM records WHERE _recno=?", s)) return rc;
            Stmt guard(s);
            sqlite3_bind_int64(s, 1, recno);
            int rc = sqlite3_step(s);
            if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
            return DBE_SUCCESS;
        });
        // A journal made in a write that failed went with its rollback; one
        // made in the caller's transaction goes if that is rolled back.
        journalReady_ = result == DBE_SUCCESS || had;
        return result;
    }

    int32_t Recall(uint32_t recno) override {
        return InWriteTxn([&]() -> int32_t {
            bool exists = false;
            if (int32_t rc = JournalExists(exists)) return rc;
            if (!exists) return NotInJournal(recno);
            std::vector<Row> rows;
            {
                sqlite3_stmt *s;
                if (int32_t rc = Prepare(selectList_ + " FROM dbe_deleted WHERE _recno=?", s))
                    return rc;
                Stmt guard(s);
                sqlite3_bind_int64(s, 1, recno);
                if (int32_t rc = ReadRows(s, rows)) return rc;
            }
            if (rows.empty()) return NotInJournal(recno);
            const Row &row = rows.front();
            if (int32_t rc = CheckUnique(row, nullptr)) return KeyTaken(rc, recno);
            const std::string columns = FieldColumns();
            const std::string moves[] = {"INSERT INTO records(" + columns + ") SELECT " + columns +
                                             " FROM dbe_deleted WHERE _recno=?",
                                         "DELETE FROM dbe_deleted WHERE _recno=?"};
            for (const std::string &sql : moves) {
                sqlite3_stmt *s;
                if (int32_t rc = Prepare(sql, s)) return rc;
                Stmt guard(s);
                sqlite3_bind_int64(s, 1, recno);
                int rc = sqlite3_step(s);
                if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
            }
            // The counters are past both numbers already (they never go
            // back); raising them keeps that true whatever wrote the file.
            if (int32_t rc = RaiseCounter("next_recno", int64_t(recno) + 1)) return rc;
            const int ai = schema_.AutoincField();
            if (ai >= 0 && !IsNull(row.values[ai]))
                if (int32_t rc =
                        RaiseCounter("next_autoinc", std::get<int64_t>(row.values[ai]) + 1))
                    return rc;
            return DBE_SUCCESS;
        });
    }

    int32_t Purge(uint32_t recno) override {
        return InWriteTxn([&]() -> int32_t {
            bool exists = false;
            if (int32_t rc = JournalExists(exists)) return rc;
            if (!exists) return NotInJournal(recno);
            sqlite3_stmt *s;
            if (int32_t rc = Prepare("DELETE FROM dbe_deleted WHERE _recno=?", s)) return rc;
            Stmt guard(s);
            sqlite3_bind_int64(s, 1, recno);
            int rc = sqlite3_step(s);
            if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
            return sqlite3_changes(db_) == 0 ? NotInJournal(recno) : DBE_SUCCESS;
        });
    }

    int32_t OpenJournal(std::unique_ptr<TableStore> &out) override {
        // Without the table lock: the journal only changes through the
        // table's handles, so reading it stands in nobody's way, and a
        // handle that holds its table exclusively can still read it.
        auto journal = std::make_unique<SqliteStore>();
        if (int32_t rc = journal->OpenDb(path_, false, true)) return rc;
        if (int32_t rc = journal->LoadSchema()) return rc;
        if (int32_t rc = journal->ShowJournal()) return rc;
        out = std::move(journal);
        return DBE_SUCCESS;
    }

    int32_t LastAutoinc(int64_t &value) override {
        value = lastAutoinc_;
        return DBE_SUCCESS;
    }

    int32_t Begin() override {
        // A store of the journal only reads: it must not take the file's
        // write lock from the table's own store in the same transaction.
        if (inTxn_ || journalView_) return DBE_SUCCESS;
        int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        inTxn_ = true;
        return DBE_SUCCESS;
    }
    int32_t Commit() override {
        if (!inTxn_) return DBE_SUCCESS;
        int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            int32_t code = MapSqlite(rc, db_, path_);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            inTxn_ = false;
            journalReady_ = false;
            return code;
        }
        inTxn_ = false;
        return DBE_SUCCESS;
    }
    int32_t Rollback() override {
        if (!inTxn_) return DBE_SUCCESS;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        inTxn_ = false;
        journalReady_ = false;
        return DBE_SUCCESS;
    }
    bool InTransaction() const override { return inTxn_; }

    int32_t CreateIndex(const IndexDef &ix) override {
        std::string fields;
        for (int f : ix.fields) fields += (fields.empty() ? "" : ";") + schema_.fields[f].name;
        std::string sql = "BEGIN IMMEDIATE; INSERT INTO dbe_indexes(name, fields, is_unique,"
                          " descending) VALUES(" +
                          QuoteLiteral(ix.name) + "," + QuoteLiteral(fields) + "," +
                          (ix.unique ? "1" : "0") + "," + (ix.descending ? "1" : "0") + ");";
        sql += "CREATE INDEX " + Quote("tag_" + ix.name) + " ON records(";
        for (int f : ix.fields)
            sql += KeyColumn(f) + (ix.descending ? " DESC" : "") + ", ";
        sql += std::string("_recno") + (ix.descending ? " DESC" : "") + "); COMMIT;";
        char *err = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return MapSqlite(rc, db_, path_);
        }
        for (auto &[k, s] : stmts_) sqlite3_finalize(s);
        stmts_.clear();
        schema_.indexes.push_back(ix);
        return DBE_SUCCESS;
    }

    int32_t Check() override {
        sqlite3_stmt *s = nullptr;
        int rc = sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &s, nullptr);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        std::string result;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            result += reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
        if (result != "ok") return Fail(DBE_E_NOT_A_TABLE, path_ + ": " + result);
        return journalView_ ? DBE_SUCCESS : CheckJournal();
    }

    bool LockRecord(uint32_t recno) override { return locks_.LockRecord(recno); }
    void UnlockRecord(uint32_t recno) override { locks_.UnlockRecord(recno); }
    bool HoldsRecord(uint32_t recno) const override { return locks_.HoldsRecord(recno); }
    bool LockedByOther(uint32_t recno) override { return locks_.LockedByOther(recno); }

private:
    // A name of the catalogue; false when it is no Windows-1252 text (or
    // holds a NUL, where a C string of it would end).
    static bool NameFromColumn(sqlite3_stmt *s, int col, std::string &out) {
        const char *p = reinterpret_cast<const char *>(sqlite3_column_text(s, col));
        std::string_view utf8(p ? p : "",
                              p ? static_cast<size_t>(sqlite3_column_bytes(s, col)) : 0);
        return Utf8ToCp1252(utf8, out) && out.find('\0') == std::string::npos;
    }

    // The table as its errors name it: the file name without the folder.
    std::string_view TableName() const {
        std::string_view p = path_;
        size_t slash = p.rfind('/');
        return slash == std::string_view::npos ? p : p.substr(slash + 1);
    }

    static std::string QuoteLiteral(const std::string &s) {
        std::string q = "'";
        for (char c : Cp1252ToUtf8(s)) {
            if (c == '\'') q += '\'';
            q += c;
        }
        return q + "'";
    }

    std::string KeyColumn(int f) const {
        const FieldDef &fd = schema_.fields[f];
        std::string c = Quote(fd.name);
        if (fd.type == DBE_T_STRING) c += " COLLATE dbe_char";
        if (fd.type == DBE_T_CISTRING) c += " COLLATE dbe_cichar";
        return c;
    }

    // A parameter compared with a key column, in the tag's collation.
    std::string BoundMarker(int f) const {
        const FieldDef &fd = schema_.fields[f];
        if (fd.type == DBE_T_STRING) return "? COLLATE dbe_char";
        if (fd.type == DBE_T_CISTRING) return "? COLLATE dbe_cichar";
        return "?";
    }

    void BuildColumnList() {
        selectList_ = "SELECT _recno";
        for (const auto &f : schema_.fields) {
            if (IsBlobType(f.type))
                selectList_ += ", (" + Quote(f.name) + " IS NOT NULL)";
            else
                selectList_ += ", " + Quote(f.name);
        }
        for (auto &[k, s] : stmts_) sqlite3_finalize(s);
        stmts_.clear();
    }

    std::string OrderBy(int index, bool ascending) const {
        const char *dir = ascending ? " ASC" : " DESC";
        if (index < 0) return std::string(" ORDER BY _recno") + dir;
        std::string o = " ORDER BY ";
        for (int f : schema_.indexes[index].fields) o += KeyColumn(f) + dir + ", ";
        return o + "_recno" + dir;
    }

    // "Comes after `from`" in the order of `index` by `op` ('>' walks
    // ascending keys, '<' descending), record number last.
    std::string AfterPredicate(int index, const Row &from, const char *op,
                               std::vector<const Value *> &binds, std::vector<int> &types) const {
        if (index < 0) return std::string("_recno ") + op + " ?";
        const IndexDef &ix = schema_.indexes[index];
        std::vector<Value> key;
        for (int f : ix.fields) key.push_back(from.values[f]);
        return KeyPredicate(ix, key, op, false, binds, types, &from, true);
    }

    // Lexicographic comparison of the index's first key.size() columns (and
    // the record number when `withRecno`) with the bound values. NULL sorts
    // first, as the empty value does in the engine's key order.
    std::string KeyPredicate(const IndexDef &ix, const std::vector<Value> &key, const char *op,
                             bool inclusive, std::vector<const Value *> &binds,
                             std::vector<int> &types, const Row *from = nullptr,
                             bool withRecno = false) const {
        // Row values compare NULL as unknown, so they serve only where no NULL
        // can take part: no empty bound, and either a '>' walk (NULL is before
        // every bound) or string columns only (strings are never NULL).
        bool anyNull = false, allStrings = true;
        for (const auto &v : key) anyNull |= IsNull(v);
        for (size_t i = 0; i < key.size(); ++i)
            allStrings &= IsStringType(schema_.fields[ix.fields[i]].type);
        if (op[0] == '<' && !allStrings) anyNull = true;
        size_t m = key.size();
        keyStore_.assign(key.begin(), key.end());
        if (!anyNull) {
            std::string l = "(", r = "(";
            // The collation goes on the bound side: with it on the column,
            // the planner cannot range-search the tag and scans it from the
            // start for every batch.
            for (size_t i = 0; i < m; ++i) {
                l += (i ? ", " : "") + Quote(schema_.fields[ix.fields[i]].name);
                r += (i ? ", " : "") + BoundMarker(ix.fields[i]);
                binds.push_back(&keyStore_[i]);
                types.push_back(schema_.fields[ix.fields[i]].type);
            }
            if (withRecno) {
                l += ", _recno";
                r += ", ?";
            }
            std::string cmp = std::string(op) + (inclusive ? "=" : "");
            if (m == 1 && !withRecno)
                return Quote(schema_.fields[ix.fields[0]].name) + " " + cmp + " " + BoundMarker(ix.fields[0]);
            return l + ") " + cmp + " " + r + ")";
        }
        (void)from;
        std::string tail = withRecno ? std::string("_recno ") + op + " ?" : (inclusive ? "1" : "0");
        bool greater = op[0] == '>';
        for (size_t k = m; k-- > 0;) {
            std::string term;
            if (IsNull(keyStore_[k])) {
                term = greater ? "(" + Quote(schema_.fields[ix.fields[k]].name) +
                                     " IS NOT NULL OR (" + Quote(schema_.fields[ix.fields[k]].name) +
                                     " IS NULL AND " + tail + "))"
                               : "(" + Quote(schema_.fields[ix.fields[k]].name) + " IS NULL AND " +
                                     tail + ")";
            } else {
                std::string nul = greater ? "" : " OR " + Quote(schema_.fields[ix.fields[k]].name) +
                                                     " IS NULL";
                const std::string col = Quote(schema_.fields[ix.fields[k]].name);
                const std::string bound = BoundMarker(ix.fields[k]);
                term = "(" + col + " " + op + " " + bound + nul + " OR (" + col + " = " + bound + " AND " +
                       tail + "))";
            }
            tail = term;
        }
        // Parameters appear in text order: walk again to list them.
        for (size_t k = 0; k < m; ++k) {
            if (IsNull(keyStore_[k])) continue;
            binds.push_back(&keyStore_[k]);
            types.push_back(schema_.fields[ix.fields[k]].type);
            binds.push_back(&keyStore_[k]);
            types.push_back(schema_.fields[ix.fields[k]].type);
        }
        return tail;
    }

    int BindAll(sqlite3_stmt *s, const std::vector<const Value *> &binds,
                const std::vector<int> &types) {
        int n = 0;
        for (size_t i = 0; i < binds.size(); ++i)
            BindValue(s, ++n, static_cast<uint16_t>(types[i]), *binds[i]);
        return n;
    }

    void BindValue(sqlite3_stmt *s, int n, uint16_t type, const Value &v) {
        if (IsStringType(type)) {
            if (IsNull(v)) {
                sqlite3_bind_text(s, n, "", 0, SQLITE_STATIC);
            } else {
                std::string u = Cp1252ToUtf8(std::get<std::string>(v));
                sqlite3_bind_text(s, n, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
            }
            return;
        }
        if (IsNull(v)) {
            sqlite3_bind_null(s, n);
            return;
        }
        switch (type) {
        case 5: case 8: {
            std::string u = Cp1252ToUtf8(std::get<std::string>(v));
            sqlite3_bind_text(s, n, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
            break;
        }
        case 6: case 7: case 16: {
            const auto &b = std::get<std::string>(v);
            sqlite3_bind_blob(s, n, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case 2: case 10: case 17: sqlite3_bind_double(s, n, std::get<double>(v)); break;
        case 3: case 9: {
            std::string d = FormatDateIso(std::get<int64_t>(v));
            sqlite3_bind_text(s, n, d.data(), static_cast<int>(d.size()), SQLITE_TRANSIENT);
            break;
        }
        case 14: {
            std::string d = FormatTimestampIso(std::get<int64_t>(v));
            sqlite3_bind_text(s, n, d.data(), static_cast<int>(d.size()), SQLITE_TRANSIENT);
            break;
        }
        default: sqlite3_bind_int64(s, n, std::get<int64_t>(v)); break;
        }
    }

    // Rows of a statement that selects _recno and then selectList_'s
    // columns. A row with a text that cannot be read ends them: the rows
    // before it are in `out`, and the answer is DBE_E_UNREADABLE_TEXT.
    int32_t ReadRows(sqlite3_stmt *s, std::vector<Row> &out) {
        const size_t n = schema_.fields.size();
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            Row row;
            row.recno = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
            row.values.resize(n);
            for (size_t i = 0; i < n; ++i)
                if (int32_t fail =
                        DecodeColumn(s, static_cast<int>(i + 1), i, row.recno, row.values[i]))
                    return fail;
            out.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
        return DBE_SUCCESS;
    }

    // The value of field `field` from column `col` of a row of record
    // `recno`, as selectList_ selects it (a blob as 1 or null). Every read
    // of stored values comes through here.
    int32_t DecodeColumn(sqlite3_stmt *s, int col, size_t field, uint32_t recno, Value &v) const {
        const FieldDef &f = schema_.fields[field];
        const int ct = sqlite3_column_type(s, col);
        v = Value();
        if (IsStringType(f.type)) {
            // Strings are never null: an empty text is the empty value.
            std::string cp;
            if (ct != SQLITE_NULL) {
                const char *p = reinterpret_cast<const char *>(sqlite3_column_text(s, col));
                std::string_view utf8(p ? p : "",
                                      static_cast<size_t>(sqlite3_column_bytes(s, col)));
                if (TextFault fault = TextFromUtf8(f, utf8, cp); fault != TextFault::kNone)
                    return FailStoredText(TableName(), recno, f, fault);
            }
            v = std::move(cp);
            return DBE_SUCCESS;
        }
        if (ct == SQLITE_NULL) return DBE_SUCCESS;
        switch (f.type) {
        case 5: case 6: case 7: case 8:
            if (sqlite3_column_int(s, col)) v = int64_t(1);
            break;
        case 2: case 10: case 17: v = sqlite3_column_double(s, col); break;
        case 3: case 9: {
            int64_t j;
            if (ParseDate(reinterpret_cast<const char *>(sqlite3_column_text(s, col)), "", j))
                v = j;
            break;
        }
        case 14: {
            int64_t ts;
            if (ParseTimestamp(reinterpret_cast<const char *>(sqlite3_column_text(s, col)), ts))
                v = ts;
            break;
        }
        case 16: {
            const char *p = static_cast<const char *>(sqlite3_column_blob(s, col));
            v = std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, col)));
            break;
        }
        default: v = sqlite3_column_int64(s, col); break;
        }
        return DBE_SUCCESS;
    }

    int32_t Prepare(const std::string &sql, sqlite3_stmt *&out) {
        auto it = stmts_.find(sql);
        if (it != stmts_.end()) {
            out = it->second;
            return DBE_SUCCESS;
        }
        int rc = sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &out, nullptr);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        stmts_.emplace(sql, out);
        return DBE_SUCCESS;
    }

    template <class F> int32_t InWriteTxn(F body) {
        if (inTxn_) return body();
        int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        int32_t r = body();
        if (r != DBE_SUCCESS) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return r;
        }
        rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            int32_t code = MapSqlite(rc, db_, path_);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return code;
        }
        return DBE_SUCCESS;
    }

    int32_t NextCounter(const char *key, int64_t &value) {
        value = 0;
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(std::string("UPDATE dbe_table SET value=value+1 WHERE key='") +
                                     key + "' RETURNING value-1",
                                 s))
            return rc;
        Stmt guard(s);
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) return MapSqlite(rc, db_, path_);
        value = sqlite3_column_int64(s, 0);
        while (sqlite3_step(s) == SQLITE_ROW) {
        }
        return DBE_SUCCESS;
    }

    int32_t RaiseCounter(const char *key, int64_t atLeast) {
        sqlite3_stmt *s;
        if (int32_t rc = Prepare(std::string("UPDATE dbe_table SET value=max(value, ?) WHERE key='") +
                                     key + "'",
                                 s))
            return rc;
        Stmt guard(s);
        sqlite3_bind_int64(s, 1, atLeast);
        int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
        return DBE_SUCCESS;
    }

    // A unique tag refuses a second record with the same full key. Empty
    // keys are exempt, as they are in the tags of the host's tables.
    int32_t CheckUnique(const Row &row, const std::vector<bool> *modified) {
        for (const auto &ix : schema_.indexes) {
            if (!ix.unique) continue;
            bool touched = modified == nullptr, allNull = true;
            for (int f : ix.fields) {
                if (modified && (*modified)[f]) touched = true;
                if (!IsNull(row.values[f])) allNull = false;
            }
            if (!touched || allNull) continue;
            std::string sql = "SELECT 1 FROM records WHERE _recno<>?";
            for (int f : ix.fields) {
                if (IsNull(row.values[f]) && !IsStringType(schema_.fields[f].type))
                    sql += " AND " + Quote(schema_.fields[f].name) + " IS NULL";
                else
                    sql += " AND " + KeyColumn(f) + " = ?";
            }
            sql += " LIMIT 1";
            sqlite3_stmt *s;
            if (int32_t rc = Prepare(sql, s)) return rc;
            Stmt guard(s);
            int n = 1;
            sqlite3_bind_int64(s, 1, row.recno);
            for (int f : ix.fields)
                if (!(IsNull(row.values[f]) && !IsStringType(schema_.fields[f].type)))
                    BindValue(s, ++n, schema_.fields[f].type, row.values[f]);
            int rc = sqlite3_step(s);
            if (rc == SQLITE_ROW) return Fail(DBE_E_DUPLICATE_KEY, "index " + ix.name);
            if (rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
        }
        return DBE_SUCCESS;
    }

    // --- the journal of deleted records ------------------------------------
    // dbe_deleted holds a deleted record under its number with the columns
    // it had in `records`, and the journal's own columns after them: the
    // moment of the delete in UTC (as timestamps are kept), user and host.

    std::string FieldColumns() const {
        std::string columns = "_recno";
        for (const auto &f : schema_.fields)
            columns += ", " + Quote(f.name);
        return columns;
    }

    int32_t MakeJournal() {
        if (journalReady_) return DBE_SUCCESS;
        std::string sql = "CREATE TABLE IF NOT EXISTS dbe_deleted(_recno INTEGER PRIMARY KEY";
        for (const auto &f : schema_.fields)
            sql += ", " + Quote(f.name) + " " + SqlType(f.type);
        for (const char *c : kJournalColumns)
            sql += ", " + Quote(c) + " TEXT NOT NULL";
        sql += ")";
        char *err = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        return DBE_SUCCESS;
    }

    int32_t JournalExists(bool &exists) {
        if (journalReady_) {
            exists = true;
            return DBE_SUCCESS;
        }
        sqlite3_stmt *s;
        if (int32_t rc = Prepare("SELECT 1 FROM main.sqlite_master WHERE type='table'"
                                 " AND name='dbe_deleted'",
                                 s))
            return rc;
        Stmt guard(s);
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return MapSqlite(rc, db_, path_);
        exists = rc == SQLITE_ROW;
        return DBE_SUCCESS;
    }

    static int32_t NotInJournal(uint32_t recno) {
        return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno) +
                                                " is not in the journal of deleted records");
    }

    // A unique tag's key that a recall would give twice: 5045 naming the
    // record and the tag (the key check names it as "index NAME").
    static int32_t KeyTaken(int32_t rc, uint32_t recno) {
        if (rc != DBE_E_DUPLICATE_KEY) return rc;
        std::string tag = LastErrorDetail();
        if (tag.rfind("index ", 0) == 0) tag = tag.substr(6);
        return Fail(rc, "record " + std::to_string(recno) + " cannot be recalled: its key in tag " +
                            tag + " is taken by now");
    }

    // In a store of the journal (OpenJournal), the journal stands in for the
    // table: a temporary view named `records`, which this connection finds
    // before the file's own table, shows the journal's rows with the
    // journal's columns as fields, so that every read above goes to it
    // unchanged. Before the first delete there is no journal: the view is
    // then the table's columns without a row.
    int32_t ShowJournal() {
        bool exists = false;
        if (int32_t rc = JournalExists(exists)) return rc;
        const size_t own = schema_.fields.size();
        std::string sql = "CREATE TEMP VIEW records AS SELECT " + FieldColumns();
        AddJournalFields(schema_);
        for (int i = 0; i < kJournalFieldCount; ++i)
            sql += ", " + (exists ? Quote(kJournalColumns[i]) : std::string("NULL")) + " AS " +
                   Quote(schema_.fields[own + i].name);
        sql += exists ? " FROM main.dbe_deleted" : " FROM main.records WHERE 0";
        char *err = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
        schema_.indexes.clear();
        journalView_ = true;
        BuildColumnList();
        return DBE_SUCCESS;
    }

    // Every record number is in the table or in the journal, not in both,
    // and the journal's numbers were handed out by the counter.
    int32_t CheckJournal() {
        bool exists = false;
        if (int32_t rc = JournalExists(exists)) return rc;
        if (!exists) return DBE_SUCCESS;
        const struct {
            const char *sql;
            const char *fault;
        } checks[] = {
            {"SELECT count(*) FROM records JOIN dbe_deleted USING(_recno)",
             "records both in the table and in its journal of deleted records"},
            {"SELECT count(*) FROM dbe_deleted WHERE _recno >="
             " (SELECT value FROM dbe_table WHERE key='next_recno')",
             "record numbers in the journal beyond the counter"},
        };
        for (const auto &c : checks) {
            sqlite3_stmt *s = nullptr;
            int rc = sqlite3_prepare_v2(db_, c.sql, -1, &s, nullptr);
            if (rc != SQLITE_OK) return MapSqlite(rc, db_, path_);
            rc = sqlite3_step(s);
            const int64_t count = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
            sqlite3_finalize(s);
            if (rc != SQLITE_ROW) return MapSqlite(rc, db_, path_);
            if (count != 0) return Fail(DBE_E_NOT_A_TABLE, path_ + ": " + c.fault);
        }
        return DBE_SUCCESS;
    }

    sqlite3 *db_ = nullptr;
    std::string path_;
    Schema schema_;
    std::string selectList_;
    std::unordered_map<std::string, sqlite3_stmt *> stmts_;
    mutable std::vector<Value> keyStore_;
    LockFile locks_;
    bool inTxn_ = false;
    int64_t lastAutoinc_ = 0;
    bool journalReady_ = false; // dbe_deleted is known to exist
    bool journalView_ = false;  // this store shows the journal (OpenJournal)
};

bool HasSqliteHeader(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[16] = {};
    size_t n = std::fread(head, 1, 16, f);
    std::fclose(f);
    return n == 16 && std::memcmp(head, "SQLite format 3", 16) == 0;
}

}  // namespace

int32_t CreateSqliteTable(const std::string &path, const std::vector<FieldDef> &fields,
                          std::unique_ptr<TableStore> &out) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return Fail(DBE_E_TABLE_EXISTS, path);
    auto store = std::make_unique<SqliteStore>();
    if (int32_t rc = store->OpenDb(path, true, false)) return rc;
    if (int32_t rc = store->OpenLocks(true)) return rc;
    if (int32_t rc = store->CreateSchema(fields)) {
        store.reset();
        std::remove(path.c_str());
        return rc;
    }
    out = std::move(store);
    return DBE_SUCCESS;
}

int32_t OpenSqliteTable(const std::string &path, bool exclusive, bool readOnly,
                        std::unique_ptr<TableStore> &out) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return Fail(DBE_E_TABLE_NOT_FOUND, path);
    if (!S_ISREG(st.st_mode) || !HasSqliteHeader(path)) return Fail(DBE_E_NOT_A_TABLE, path);
    auto store = std::make_unique<SqliteStore>();
    if (int32_t rc = store->OpenDb(path, false, readOnly)) return rc;
    if (int32_t rc = store->OpenLocks(exclusive)) return rc;
    if (int32_t rc = store->LoadSchema()) return rc;
    out = std::move(store);
    return DBE_SUCCESS;
}

}  // namespace dbe
