// Tables on a PostgreSQL server, shared by every workstation that connects to
// the same database. The catalogue lives beside the tables in the
// connection's current schema:
//   dbe_tables  (name upper-cased, relation, format)
//   dbe_fields  (table_name, num, name, type, length, decimals)
//   dbe_indexes (table_name, num, name, fields "A;B", is_unique, descending)
// and each table is one relation named as the table was created, with
// _recno as primary key and one column per field; record numbers and
// auto-increment values come from sequences "<relation>#recno" and
// "<relation>#autoinc", which never hand a value out twice. The journal of
// deleted records is the relation "<relation>#deleted", made by the first
// delete.
//
// Texts travel as Windows-1252 bytes (bytea), whatever the server's
// encoding, so that the key order is the engine's byte order. A string field
// holds its text without trailing blanks, and its tags order by the text
// blank-padded to the field length (an index expression; empty stays empty
// and so sorts first). A case-insensitive string field has a second column
// "<field>#key" with the upper-cased text, padded the same way in its tags.
// Every value travels in binary form.
//
// Each table handle has its own server session: record locks are session
// advisory locks on (relation oid, record number), so two handles exclude
// each other as two processes do, every other session sees them, and they
// end with the handle or with a process that dies.
#include "cp1252.h"
#include "dbe.h"
#include "delete_journal.h"
#include "engine_error.h"
#include "stored_text.h"
#include "table_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <unordered_map>

namespace dbe {
namespace {

constexpr const char *kFormat = "dbe-table-1";
// Serialises catalogue changes of every process on the database.
constexpr int64_t kCatalogueLock = 0x646265000001LL;
// Key space of the per-table write locks (relation oid below it).
constexpr int64_t kWriteLockBase = int64_t(1) << 32;
// Days and milliseconds from the Julian day epoch to the server's 2000-01-01.
constexpr int64_t kServerEpochDay = 2451545;
constexpr int64_t kMsPerDay = 86400000;
// How long a lock held elsewhere is waited for before it counts as taken.
constexpr const char *kLockGrace = "'1s'";

struct ResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string QuoteIdent(const std::string &utf8) {
    std::string q = "\"";
    for (char c : utf8) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string QuoteLiteral(const std::string &utf8) {
    std::string q = "'";
    for (char c : utf8) {
        if (c == '\'') q += '\'';
        q += c;
    }
    return q + "'";
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// The server's message as one line of the engine's error text.
std::string ServerMessage(PGconn *conn, const PGresult *r) {
    std::string m = r ? PQresultErrorMessage(r) : "";
    if (m.empty() && conn) m = PQerrorMessage(conn);
    for (auto &c : m)
        if (c == '\n') c = ' ';
    return Trimmed(m);
}

int32_t MapPg(PGconn *conn, const PGresult *r, const std::string &what) {
    std::string msg = what + ": " + ServerMessage(conn, r);
    if (!conn || PQstatus(conn) != CONNECTION_OK) return Fail(DBE_E_SERVER_UNAVAILABLE, msg);
    const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    std::string s = state ? state : "";
    if (s == "23505") return Fail(DBE_E_DUPLICATE_KEY, msg);
    if (s == "42P01") return Fail(DBE_E_TABLE_NOT_FOUND, msg);
    if (s == "42P07") return Fail(DBE_E_TABLE_EXISTS, msg);
    if (s == "25006") return Fail(DBE_E_READ_ONLY, msg);
    if (s.rfind("28", 0) == 0) return Fail(DBE_E_LOGIN_FAILED, msg);
    if (s.rfind("42", 0) == 0) return Fail(DBE_E_NOT_A_TABLE, msg);
    return Fail(DBE_E_IO, msg);
}

// --- binary forms of the server's types ----------------------------------
void PutBE(std::string &out, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint64_t GetBE(const char *p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

enum class ColType { Int8, Float8, Date, Timestamp, Bytea };

ColType ColumnType(uint16_t t) {
    switch (t) {
    case 2: case 10: case 17: return ColType::Float8;
    case 3: case 9: return ColType::Date;
    case 14: return ColType::Timestamp;
    case 4: case 5: case 6: case 7: case 8: case 16: case 20: return ColType::Bytea;
    default: return ColType::Int8;
    }
}

const char *SqlType(ColType t) {
    switch (t) {
    case ColType::Float8: return "float8";
    case ColType::Date: return "date";
    case ColType::Timestamp: return "timestamp";
    case ColType::Bytea: return "bytea";
    default: return "int8";
    }
}

// A text as a column holds it: without trailing blanks, upper-cased for the
// key column of a case-insensitive field.
std::string StoredText(const Value &v, bool upper) {
    std::string s = IsNull(v) ? std::string() : std::get<std::string>(v);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (upper)
        for (auto &c : s) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
    return s;
}

// The form a tag compares a text in: blank-padded to the field length (the
// empty text stays empty, the least key), upper-cased for a case-insensitive
// field; `fillHigh` pads with 0xFF instead, the greatest text that starts
// with the value.
std::string KeyForm(const FieldDef &f, const Value &v, bool fillHigh = false) {
    std::string s = StoredText(v, f.type == DBE_T_CISTRING);
    if (s.empty() && !fillHigh) return s;
    if (s.size() < f.length) s.append(f.length - s.size(), fillHigh ? '\xFF' : ' ');
    return s;
}

// A value in the binary form of its column; false for null.
bool EncodeValue(const FieldDef &f, const Value &v, std::string &out) {
    out.clear();
    if (IsStringType(f.type)) {
        out = StoredText(v, false);
        return true;
    }
    if (IsNull(v)) return false;
    switch (ColumnType(f.type)) {
    case ColType::Bytea: out = std::get<std::string>(v); break;
    case ColType::Float8: PutBE(out, std::bit_cast<uint64_t>(std::get<double>(v)), 8); break;
    case ColType::Date:
        PutBE(out, static_cast<uint32_t>(static_cast<int32_t>(std::get<int64_t>(v) - kServerEpochDay)), 4);
        break;
    case ColType::Timestamp:
        PutBE(out, static_cast<uint64_t>((std::get<int64_t>(v) - kServerEpochDay * kMsPerDay) * 1000), 8);
        break;
    case ColType::Int8: PutBE(out, static_cast<uint64_t>(std::get<int64_t>(v)), 8); break;
    }
    return true;
}

// Parameters of one statement, numbered as they are added.
class Params {
public:
    // "$n::type" for the value, in binary form; null when `present` is false.
    std::string Add(std::string bytes, ColType type, bool present = true) {
        values_.push_back(std::move(bytes));
        present_.push_back(present);
        return "$" + std::to_string(values_.size()) + "::" + SqlType(type);
    }
    std::string Int8(int64_t v) {
        std::string b;
        PutBE(b, static_cast<uint64_t>(v), 8);
        return Add(std::move(b), ColType::Int8);
    }
    std::string Int4(uint32_t v) {
        std::string b;
        PutBE(b, v, 4);
        values_.push_back(std::move(b));
        present_.push_back(true);
        return "$" + std::to_string(values_.size()) + "::int4";
    }
    std::string Text(const std::string &utf8) {
        values_.push_back(utf8);
        present_.push_back(true);
        text_.insert(values_.size() - 1);
        return "$" + std::to_string(values_.size()) + "::text";
    }
    // The value of a field as a column holds it.
    std::string Field(const FieldDef &f, const Value &v) {
        std::string b;
        bool present = EncodeValue(f, v, b);
        return Add(std::move(b), ColumnType(f.type), present);
    }
    // The upper-cased text of a case-insensitive field's key column.
    std::string UpperText(const Value &v) { return Add(StoredText(v, true), ColType::Bytea); }
    // The value of a field as its tags compare it.
    std::string Key(const FieldDef &f, const Value &v, bool fillHigh = false) {
        if (IsStringType(f.type)) return Add(KeyForm(f, v, fillHigh), ColType::Bytea);
        return Field(f, v);
    }

    int count() const { return static_cast<int>(values_.size()); }
    void Arrays(std::vector<const char *> &v, std::vector<int> &len, std::vector<int> &fmt) const {
        for (size_t i = 0; i < values_.size(); ++i) {
            v.push_back(present_[i] ? values_[i].data() : nullptr);
            len.push_back(static_cast<int>(values_[i].size()));
            fmt.push_back(text_.count(i) ? 0 : 1);
        }
    }

private:
    std::vector<std::string> values_;
    std::vector<bool> present_;
    std::set<size_t> text_;
};

// One session on the server.
class Session {
public:
    ~Session() {
        if (!conn_) return;
        // PQfinish does not wait for the server to end the session, so its
        // locks would outlive the handle for a moment; giving them back first
        // and waiting for the answer makes a close a close.
        if (PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "SELECT pg_advisory_unlock_all()"));
        PQfinish(conn_);
    }

    int32_t Open(const PgTarget &target) {
        const char *keys[] = {"dbname", "user", "password", "client_encoding", "application_name",
                              nullptr};
        const char *values[] = {target.conninfo.c_str(),
                                target.user.empty() ? nullptr : target.user.c_str(),
                                target.password.empty() ? nullptr : target.password.c_str(),
                                "UTF8", "dbe", nullptr};
        conn_ = PQconnectdbParams(keys, values, 1);
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
            std::string msg = conn_ ? Trimmed(PQerrorMessage(conn_)) : "out of memory";
            for (auto &c : msg)
                if (c == '\n') c = ' ';
            bool auth = msg.find("authentication") != std::string::npos ||
                        msg.find("password") != std::string::npos;
            return Fail(auth ? DBE_E_LOGIN_FAILED : DBE_E_SERVER_UNAVAILABLE, msg);
        }
        // The server's notices ("already exists, skipping") are no errors.
        PQsetNoticeProcessor(conn_, [](void *, const char *) {}, nullptr);
        return DBE_SUCCESS;
    }

    PGconn *get() const { return conn_; }

    // A statement without parameters, its result rows in text form.
    int32_t Exec(const std::string &sql, const std::string &what, Result *out = nullptr) {
        Result r(PQexec(conn_, sql.c_str()));
        auto st = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) return MapPg(conn_, r.get(), what);
        if (out) *out = std::move(r);
        return DBE_SUCCESS;
    }

    // A statement with parameters, prepared once per session; rows in binary
    // form unless `textResult`.
    int32_t Run(const std::string &sql, const Params &p, const std::string &what, Result &out,
                bool textResult = false) {
        auto it = prepared_.find(sql);
        if (it == prepared_.end()) {
            std::string name = "s" + std::to_string(prepared_.size() + 1);
            Result r(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
            if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) return MapPg(conn_, r.get(), what);
            it = prepared_.emplace(sql, name).first;
        }
        std::vector<const char *> v;
        std::vector<int> len, fmt;
        p.Arrays(v, len, fmt);
        out.reset(PQexecPrepared(conn_, it->second.c_str(), p.count(), v.data(), len.data(),
                                 fmt.data(), textResult ? 0 : 1));
        auto st = out ? PQresultStatus(out.get()) : PGRES_FATAL_ERROR;
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) return MapPg(conn_, out.get(), what);
        return DBE_SUCCESS;
    }

private:
    PGconn *conn_ = nullptr;
    std::unordered_map<std::string, std::string> prepared_;
};

bool ResultBool(const PGresult *r) {
    return PQntuples(r) > 0 && !PQgetisnull(r, 0, 0) && PQgetvalue(r, 0, 0)[0] != 0 &&
           PQgetvalue(r, 0, 0)[0] != 'f';
}

int64_t ResultInt8(const PGresult *r) {
    if (PQntuples(r) == 0 || PQgetisnull(r, 0, 0)) return 0;
    return static_cast<int64_t>(GetBE(PQgetvalue(r, 0, 0), 8));
}

// A name of the catalogue (a text column, which the session reads as
// UTF-8); false when it is no Windows-1252 text.
bool NameFromText(const char *utf8, std::string &out) {
    return Utf8ToCp1252(utf8 ? utf8 : "", out);
}

class PgStore final : public TableStore {
public:
    ~PgStore() override {
        // Closing the session ends its transaction and its locks.
        if (inTxn_ && session_.get()) session_.Exec("ROLLBACK", "rollback");
    }

    int32_t Connect(const PgTarget &target, const std::string &name) {
        target_ = target;
        name_ = name;
        upperName_ = Cp1252ToUtf8(UpperCp(name));
        path_ = "pg:" + target.conninfo + "/" + UpperCp(name);
        return session_.Open(target);
    }

    int32_t Create(const std::vector<FieldDef> &fields) {
        relation_ = Cp1252ToUtf8(name_);
        for (const char *suffix : {"#recno", "#autoinc", "#deleted"})
            if (relation_.size() + std::strlen(suffix) > 63)
                return Fail(DBE_E_INVALID_ARGUMENT, name_ + ": the table name is too long for the server");
        std::string sql =
            "BEGIN;"
            "SELECT pg_advisory_xact_lock(" + std::to_string(kCatalogueLock) + ");"
            "CREATE TABLE IF NOT EXISTS dbe_tables(name text PRIMARY KEY, relation text NOT NULL,"
            " format text NOT NULL);"
            "CREATE TABLE IF NOT EXISTS dbe_fields(table_name text NOT NULL, num int NOT NULL,"
            " name text NOT NULL, type int NOT NULL, length int NOT NULL, decimals int NOT NULL,"
            " PRIMARY KEY(table_name, num));"
            "CREATE TABLE IF NOT EXISTS dbe_indexes(table_name text NOT NULL, num int NOT NULL,"
            " name text NOT NULL, fields text NOT NULL, is_unique bool NOT NULL,"
            " descending bool NOT NULL, PRIMARY KEY(table_name, num));";
        if (int32_t rc = session_.Exec(sql, name_)) return Abort(rc);
        Result r;
        if (int32_t rc = session_.Exec("SELECT 1 FROM dbe_tables WHERE name=" + QuoteLiteral(upperName_),
                                       name_, &r))
            return Abort(rc);
        if (PQntuples(r.get()) > 0) return Abort(Fail(DBE_E_TABLE_EXISTS, name_));
        std::string columns = "_recno int8 PRIMARY KEY";
        for (const auto &f : fields) {
            columns += ", " + QuoteIdent(Cp1252ToUtf8(f.name)) + " " + SqlType(ColumnType(f.type));
            if (IsStringType(f.type)) columns += " NOT NULL DEFAULT ''";
            if (f.type == DBE_T_CISTRING)
                columns += ", " + QuoteIdent(Cp1252ToUtf8(f.name) + "#key") + " bytea NOT NULL DEFAULT ''";
        }
        sql = "CREATE TABLE " + QuoteIdent(relation_) + "(" + columns + ");" +
              "CREATE SEQUENCE " + QuoteIdent(relation_ + "#recno") + " MINVALUE 0 START 1;" +
              "CREATE SEQUENCE " + QuoteIdent(relation_ + "#autoinc") + " MINVALUE 0 START 1;" +
              "INSERT INTO dbe_tables VALUES(" + QuoteLiteral(upperName_) + "," +
              QuoteLiteral(relation_) + ",'" + kFormat + "');";
        for (size_t i = 0; i < fields.size(); ++i)
            sql += "INSERT INTO dbe_fields VALUES(" + QuoteLiteral(upperName_) + "," +
                   std::to_string(i + 1) + "," + QuoteLiteral(Cp1252ToUtf8(fields[i].name)) + "," +
                   std::to_string(fields[i].type) + "," + std::to_string(fields[i].length) + "," +
                   std::to_string(fields[i].decimals) + ");";
        sql += "COMMIT;";
        if (int32_t rc = session_.Exec(sql, name_)) return Abort(rc);
        if (int32_t rc = LoadSchema()) return rc;
        return TakeTableLock(true);
    }

    int32_t Open(bool exclusive) {
        if (int32_t rc = LoadSchema()) return rc;
        return TakeTableLock(exclusive);
    }

    const Schema &schema() const override { return schema_; }
    const std::string &path() const override { return path_; }

    int32_t Scan(int index, const Row *from, bool forward, int limit,
                 std::vector<Row> &out) override {
        out.clear();
        Params p;
        bool ascending = forward != (index >= 0 && schema_.indexes[index].descending);
        std::string where;
        if (from) where = " WHERE " + AfterPredicate(index, *from, ascending ? ">" : "<", p);
        std::string sql = selectList_ + where + OrderBy(index, ascending) + " LIMIT " + p.Int8(limit);
        return Query(sql, p, out);
    }

    int32_t Seek(int index, const std::vector<Value> &key, bool partial, int limit,
                 std::vector<Row> &out) override {
        out.clear();
        const IndexDef &ix = schema_.indexes[index];
        Params p;
        // In descending order the first row at or after a prefix is the
        // greatest key that starts with it.
        bool fillHigh = partial && ix.descending && !key.empty();
        std::string pred = KeyPredicate(ix, key, ix.descending ? "<" : ">", true, p, nullptr, fillHigh);
        std::string sql = selectList_ + " WHERE " + pred + OrderBy(index, !ix.descending) +
                          " LIMIT " + p.Int8(limit);
        return Query(sql, p, out);
    }

    int32_t Fetch(uint32_t recno, std::optional<Row> &out) override {
        out.reset();
        Params p;
        std::vector<Row> rows;
        if (int32_t rc = Query(selectList_ + " WHERE _recno=" + p.Int8(recno), p, rows)) return rc;
        if (!rows.empty()) out = std::move(rows.front());
        return DBE_SUCCESS;
    }

    int32_t FetchBlob(uint32_t recno, int field, std::optional<std::string> &out) override {
        out.reset();
        Params p;
        Result r;
        std::string sql = "SELECT " + Column(field) + " FROM " + QuoteIdent(relation_) +
                          " WHERE _recno=" + p.Int8(recno);
        if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
        if (PQntuples(r.get()) == 0) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
        if (PQgetisnull(r.get(), 0, 0)) return DBE_SUCCESS;
        std::string bytes;
        const std::string_view stored(PQgetvalue(r.get(), 0, 0),
                                      static_cast<size_t>(PQgetlength(r.get(), 0, 0)));
        if (TextFault fault = TextFromBytes(schema_.fields[field], stored, bytes);
            fault != TextFault::kNone)
            return FailStoredText(name_, recno, schema_.fields[field], fault);
        out = std::move(bytes);
        return DBE_SUCCESS;
    }

    int32_t Count(uint32_t &count) override {
        Params p;
        Result r;
        if (int32_t rc = session_.Run("SELECT count(*) FROM " + QuoteIdent(relation_), p, path_, r))
            return rc;
        count = static_cast<uint32_t>(ResultInt8(r.get()));
        return DBE_SUCCESS;
    }

    int32_t CountBefore(int index, const Row &row, uint32_t &count) override {
        Params p;
        bool ascending = !(index >= 0 && schema_.indexes[index].descending);
        std::string sql = "SELECT count(*) FROM " + QuoteIdent(relation_) + " WHERE " +
                          AfterPredicate(index, row, ascending ? "<" : ">", p);
        Result r;
        if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
        count = static_cast<uint32_t>(ResultInt8(r.get()));
        return DBE_SUCCESS;
    }

    int32_t ReserveRecno(uint32_t &recno) override {
        int64_t v;
        if (int32_t rc = NextValue("#recno", &recnos_, v)) return rc;
        recno = static_cast<uint32_t>(v);
        return DBE_SUCCESS;
    }

    int32_t Insert(Row &row, const std::vector<bool> &set) override {
        int ai = schema_.AutoincField();
        return InWriteTxn(hasUnique_, [&]() -> int32_t {
            if (ai >= 0) {
                if (!set[ai] || IsNull(row.values[ai]) || std::get<int64_t>(row.values[ai]) < 0) {
                    int64_t v;
                    if (int32_t rc = NextValue("#autoinc", nullptr, v)) return rc;
                    row.values[ai] = v;
                } else if (int32_t rc = RaiseAutoinc(std::get<int64_t>(row.values[ai]) + 1)) {
                    return rc;
                }
                lastAutoinc_ = std::get<int64_t>(row.values[ai]);
            }
            Params p;
            std::string cols = "_recno", marks = p.Int8(row.recno);
            for (size_t i = 0; i < schema_.fields.size(); ++i) {
                const FieldDef &f = schema_.fields[i];
                if (!(set[i] || static_cast<int>(i) == ai || IsStringType(f.type))) continue;
                cols += "," + Column(static_cast<int>(i));
                marks += "," + p.Field(f, row.values[i]);
                if (f.type == DBE_T_CISTRING) {
                    cols += "," + UpperColumn(static_cast<int>(i));
                    marks += "," + p.UpperText(row.values[i]);
                }
            }
            // The key check goes with the insert: one round trip, and the
            // write lock keeps the answer true until the commit.
            const std::string free = UniqueFree(row, nullptr, p);
            std::string sql = "INSERT INTO " + QuoteIdent(relation_) + "(" + cols + ") ";
            sql += free.empty() ? "VALUES(" + marks + ")" : "SELECT " + marks + " WHERE " + free;
            Result r;
            if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
            if (std::strcmp(PQcmdTuples(r.get()), "0") == 0) return NameDuplicate(row, nullptr);
            return DBE_SUCCESS;
        });
    }

    int32_t Update(const Row &row, const std::vector<bool> &modified) override {
        bool any = false;
        for (size_t i = 0; i < schema_.fields.size(); ++i) any |= modified[i];
        if (!any) {
            std::optional<Row> r;
            if (int32_t rc = Fetch(row.recno, r)) return rc;
            return r ? DBE_SUCCESS : Fail(DBE_E_RECORD_NOT_FOUND, std::to_string(row.recno));
        }
        bool keyTouched = false;
        for (const auto &ix : schema_.indexes)
            if (ix.unique)
                for (int f : ix.fields) keyTouched |= modified[f];
        return InWriteTxn(keyTouched, [&]() -> int32_t {
            Params p;
            std::string sets;
            for (size_t i = 0; i < schema_.fields.size(); ++i) {
                if (!modified[i]) continue;
                const FieldDef &f = schema_.fields[i];
                sets += (sets.empty() ? "" : ",") + Column(static_cast<int>(i)) + "=" +
                        p.Field(f, row.values[i]);
                if (f.type == DBE_T_CISTRING)
                    sets += "," + UpperColumn(static_cast<int>(i)) + "=" + p.UpperText(row.values[i]);
            }
            const std::string free = UniqueFree(row, &modified, p);
            Result r;
            if (int32_t rc = session_.Run("UPDATE " + QuoteIdent(relation_) + " SET " + sets +
                                              " WHERE _recno=" + p.Int8(row.recno) +
                                              (free.empty() ? "" : " AND " + free),
                                          p, path_, r))
                return rc;
            if (std::strcmp(PQcmdTuples(r.get()), "0") == 0) {
                if (!free.empty())
                    if (int32_t rc = NameDuplicate(row, &modified); rc != DBE_E_RECORD_NOT_FOUND) return rc;
                return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(row.recno));
            }
            return DBE_SUCCESS;
        });
    }

    // The delete and the journal's new row are one statement, and so one
    // write whether or not the caller holds a transaction.
    int32_t Remove(uint32_t recno, const DeleteStamp &stamp) override {
        if (int32_t rc = MakeJournal()) return rc;
        const std::string columns = AllColumns();
        Params p;
        const std::string number = p.Int8(recno);
        std::string sql = "WITH gone AS (DELETE FROM " + QuoteIdent(relation_) +
                          " WHERE _recno=" + number + " RETURNING " + columns + ") INSERT INTO " +
                          QuoteIdent(JournalRelation()) + "(" + columns;
        for (const char *c : kJournalColumns)
            sql += ", " + QuoteIdent(c);
        sql += ") SELECT " + columns + ", " + p.Field(JournalField(0), Value(stamp.at)) + ", " +
               p.Add(stamp.user, ColType::Bytea) + ", " + p.Add(stamp.host, ColType::Bytea) +
               " FROM gone";
        Result r;
        if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
        if (std::strcmp(PQcmdTuples(r.get()), "0") == 0)
            return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
        return DBE_SUCCESS;
    }

    // Under the table's write lock, as an insert: no other session can take
    // the key between the check and the move.
    int32_t Recall(uint32_t recno) override {
        return InWriteTxn(true, [&]() -> int32_t {
            bool exists = false;
            if (int32_t rc = JournalExists(exists)) return rc;
            if (!exists) return NotInJournal(recno);
            std::vector<Row> rows;
            {
                Params p;
                if (int32_t rc = Query(
                        SelectFrom(JournalRelation()) + " WHERE _recno=" + p.Int8(recno), p, rows))
                    return rc;
            }
            if (rows.empty()) return NotInJournal(recno);
            const Row &row = rows.front();
            {
                Params p;
                const std::string free = UniqueFree(row, nullptr, p);
                Result r;
                if (!free.empty()) {
                    if (int32_t rc = session_.Run("SELECT " + free, p, path_, r)) return rc;
                    if (!ResultBool(r.get())) return KeyTaken(NameDuplicate(row, nullptr), recno);
                }
            }
            const std::string columns = AllColumns();
            Params p;
            Result r;
            if (int32_t rc =
                    session_.Run("WITH back AS (DELETE FROM " + QuoteIdent(JournalRelation()) +
                                     " WHERE _recno=" + p.Int8(recno) + " RETURNING " + columns +
                                     ") INSERT INTO " + QuoteIdent(relation_) + "(" + columns +
                                     ") SELECT " + columns + " FROM back",
                                 p, path_, r))
                return rc;
            // The sequences are past both numbers already (they never go
            // back); raising them keeps that true whatever wrote the tables.
            if (int32_t rc = RaiseSequence("#recno", int64_t(recno) + 1)) return rc;
            const int ai = schema_.AutoincField();
            if (ai >= 0 && !IsNull(row.values[ai]))
                if (int32_t rc = RaiseAutoinc(std::get<int64_t>(row.values[ai]) + 1)) return rc;
            return DBE_SUCCESS;
        });
    }

    int32_t Purge(uint32_t recno) override {
        bool exists = false;
        if (int32_t rc = JournalExists(exists)) return rc;
        if (!exists) return NotInJournal(recno);
        Params p;
        Result r;
        if (int32_t rc = session_.Run("DELETE FROM " + QuoteIdent(JournalRelation()) +
                                          " WHERE _recno=" + p.Int8(recno),
                                      p, path_, r))
            return rc;
        if (std::strcmp(PQcmdTuples(r.get()), "0") == 0) return NotInJournal(recno);
        return DBE_SUCCESS;
    }

    int32_t OpenJournal(std::unique_ptr<TableStore> &out) override {
        // Without the table lock, as on local files: reading the journal
        // stands in nobody's way.
        auto journal = std::make_unique<PgStore>();
        if (int32_t rc = journal->Connect(target_, name_)) return rc;
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
        // A store of the journal only reads, in a session of its own.
        if (inTxn_ || journalView_) return DBE_SUCCESS;
        if (int32_t rc = session_.Exec("BEGIN", path_)) return rc;
        inTxn_ = true;
        EndOfTransaction();
        return DBE_SUCCESS;
    }
    int32_t Commit() override {
        if (!inTxn_) return DBE_SUCCESS;
        inTxn_ = false;
        EndOfTransaction();
        if (int32_t rc = session_.Exec("COMMIT", path_)) {
            session_.Exec("ROLLBACK", path_);
            journalReady_ = false;
            return rc;
        }
        return DBE_SUCCESS;
    }
    int32_t Rollback() override {
        if (!inTxn_) return DBE_SUCCESS;
        inTxn_ = false;
        EndOfTransaction();
        session_.Exec("ROLLBACK", path_);
        // A journal made in the transaction went with it.
        journalReady_ = false;
        return DBE_SUCCESS;
    }
    bool InTransaction() const override { return inTxn_; }

    int32_t CreateIndex(const IndexDef &ix) override {
        std::string fields, keys;
        const char *dir = ix.descending ? " DESC NULLS LAST" : " ASC NULLS FIRST";
        for (int f : ix.fields) {
            fields += (fields.empty() ? "" : ";") + schema_.fields[f].name;
            keys += KeyColumn(f) + dir + ", ";
        }
        std::string tagRelation = relation_ + "#" + Cp1252ToUtf8(ix.name);
        if (tagRelation.size() > 63)
            return Fail(DBE_E_INVALID_ARGUMENT, ix.name + ": the tag name is too long for the server");
        std::string sql = std::string(inTxn_ ? "" : "BEGIN;") + "SELECT pg_advisory_xact_lock(" +
                          std::to_string(kCatalogueLock) + ");" +
                          "INSERT INTO dbe_indexes SELECT " + QuoteLiteral(upperName_) +
                          ", coalesce(max(num), 0) + 1, " + QuoteLiteral(Cp1252ToUtf8(ix.name)) + ", " +
                          QuoteLiteral(Cp1252ToUtf8(fields)) + ", " + (ix.unique ? "true" : "false") +
                          ", " + (ix.descending ? "true" : "false") +
                          " FROM dbe_indexes WHERE table_name=" + QuoteLiteral(upperName_) + ";" +
                          "CREATE INDEX " + QuoteIdent(tagRelation) + " ON " + QuoteIdent(relation_) +
                          "(" + keys + "_recno" + (ix.descending ? " DESC" : "") + ");" +
                          (inTxn_ ? "" : "COMMIT;");
        if (int32_t rc = session_.Exec(sql, path_)) {
            if (!inTxn_) session_.Exec("ROLLBACK", path_);
            return rc;
        }
        schema_.indexes.push_back(ix);
        hasUnique_ |= ix.unique;
        return DBE_SUCCESS;
    }

    int32_t Check() override {
        Result r;
        if (int32_t rc = session_.Exec("SELECT count(*) FROM " + QuoteIdent(relation_) +
                                           " WHERE _recno >= (SELECT last_value + 1 FROM " +
                                           QuoteIdent(relation_ + "#recno") + ")",
                                       path_, &r))
            return rc;
        if (std::strcmp(PQgetvalue(r.get(), 0, 0), "0") != 0)
            return Fail(DBE_E_NOT_A_TABLE, path_ + ": record numbers beyond the counter");
        return journalView_ ? DBE_SUCCESS : CheckJournal();
    }

    bool LockRecord(uint32_t recno) override {
        if (held_.count(recno)) return true;
        Params p;
        std::string key = p.Int4(oid_) + ", " + p.Int4(recno);
        if (!Advisory("pg_advisory_lock(" + key + ")", p)) return false;
        held_.insert(recno);
        return true;
    }
    void UnlockRecord(uint32_t recno) override {
        if (!held_.erase(recno)) return;
        Params p;
        Result r;
        session_.Run("SELECT pg_advisory_unlock(" + p.Int4(oid_) + ", " + p.Int4(recno) + ")", p,
                     path_, r);
    }
    bool HoldsRecord(uint32_t recno) const override { return held_.count(recno) != 0; }
    bool LockedByOther(uint32_t recno) override {
        if (held_.count(recno)) return false;
        // Taking the lock for a moment is the one way to ask without a
        // second round trip; it is given back in the same statement.
        Params p;
        std::string a = p.Int4(oid_), b = p.Int4(recno);
        std::string sql = "SELECT CASE WHEN pg_try_advisory_lock(" + a + ", " + b +
                          ") THEN NOT pg_advisory_unlock(" + a + ", " + b + ") ELSE true END";
        Result r;
        if (session_.Run(sql, p, path_, r)) return true;
        return ResultBool(r.get());
    }

private:
    static std::string UpperCp(std::string s) {
        for (auto &c : s) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
        return s;
    }

    int32_t Abort(int32_t rc) {
        session_.Exec("ROLLBACK", name_);
        return rc;
    }

    int32_t LoadSchema() {
        schema_ = Schema();
        Params p;
        Result r;
        std::string n = p.Text(upperName_);
        int32_t rc = session_.Run("SELECT relation, format, to_regclass(quote_ident(relation))::oid"
                                  " FROM dbe_tables WHERE name=" + n,
                                  p, name_, r, true);
        if (rc == DBE_E_TABLE_NOT_FOUND || (rc == DBE_SUCCESS && PQntuples(r.get()) == 0))
            return Fail(DBE_E_TABLE_NOT_FOUND, name_);
        if (rc) return rc;
        relation_ = PQgetvalue(r.get(), 0, 0);
        if (std::strcmp(PQgetvalue(r.get(), 0, 1), kFormat) != 0 || PQgetisnull(r.get(), 0, 2))
            return Fail(DBE_E_NOT_A_TABLE, name_);
        oid_ = static_cast<uint32_t>(std::stoul(PQgetvalue(r.get(), 0, 2)));
        if ((rc = session_.Run("SELECT name, type, length, decimals FROM dbe_fields WHERE table_name=" +
                                   n + " ORDER BY num",
                               p, name_, r, true)))
            return rc;
        // The catalogue may have been edited by hand: a value may be NULL
        // (its constraint dropped) or out of range.
        auto number = [&](int row, int column, int64_t most, int64_t &value) {
            if (PQgetisnull(r.get(), row, column)) return false;
            const char *text = PQgetvalue(r.get(), row, column);
            char *end = nullptr;
            errno = 0;
            value = std::strtoll(text, &end, 10);
            return errno == 0 && end != text && *end == '\0' && value >= 0 && value <= most;
        };
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            FieldDef f;
            if (!NameFromText(PQgetvalue(r.get(), i, 0), f.name))
                return FailCatalogueText(name_, "the name of field " + std::to_string(i + 1));
            int64_t type, length, decimals;
            if (!number(i, 1, UINT16_MAX, type) || !number(i, 2, UINT32_MAX, length) ||
                !number(i, 3, UINT16_MAX, decimals))
                return Fail(DBE_E_NOT_A_TABLE,
                            name_ + ": field " + f.name +
                                ": type, length or decimals not a number in range");
            f.type = static_cast<uint16_t>(type);
            f.length = static_cast<uint32_t>(length);
            f.decimals = static_cast<uint16_t>(decimals);
            schema_.fields.push_back(f);
        }
        std::string error;
        if (!CheckFields(schema_.fields, error))
            return Fail(DBE_E_NOT_A_TABLE, name_ + ": " + error);
        schema_.Layout();
        if ((rc = session_.Run("SELECT name, fields, is_unique, descending FROM dbe_indexes"
                               " WHERE table_name=" + n + " ORDER BY num",
                               p, name_, r, true)))
            return rc;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            IndexDef ix;
            std::string fields;
            if (!NameFromText(PQgetvalue(r.get(), i, 0), ix.name) ||
                !NameFromText(PQgetvalue(r.get(), i, 1), fields))
                return FailCatalogueText(name_, "the definition of index " + std::to_string(i + 1));
            ix.unique = PQgetvalue(r.get(), i, 2)[0] == 't';
            ix.descending = PQgetvalue(r.get(), i, 3)[0] == 't';
            size_t start = 0;
            while (start <= fields.size()) {
                size_t semi = fields.find(';', start);
                int f = schema_.FieldIndex(fields.substr(start, semi - start));
                if (f < 0) return Fail(DBE_E_NOT_A_TABLE, name_ + ": index " + ix.name);
                ix.fields.push_back(f);
                if (semi == std::string::npos) break;
                start = semi + 1;
            }
            hasUnique_ |= ix.unique;
            schema_.indexes.push_back(std::move(ix));
        }
        selectList_ = SelectFrom(relation_);
        // A relation changed by hand (a column dropped, say) fails here, at
        // the open, rather than at some later read.
        Params none;
        std::vector<Row> rows;
        return Query(selectList_ + " LIMIT 0", none, rows);
    }

    // The rows of `relation` as Query reads them: the record number, then
    // every field (a blob only as whether it has a value).
    std::string SelectFrom(const std::string &relation) const {
        std::string sql = "SELECT _recno";
        for (size_t i = 0; i < schema_.fields.size(); ++i) {
            if (IsBlobType(schema_.fields[i].type))
                sql += ", (" + Column(static_cast<int>(i)) + " IS NOT NULL)";
            else
                sql += ", " + Column(static_cast<int>(i));
        }
        return sql + " FROM " + QuoteIdent(relation);
    }

    int32_t TakeTableLock(bool exclusive) {
        Params p;
        std::string call = std::string("pg_advisory_lock") + (exclusive ? "" : "_shared") + "(" +
                           p.Int8(oid_) + ")";
        if (!Advisory(call, p)) return Fail(DBE_E_TABLE_LOCKED, name_);
        return DBE_SUCCESS;
    }

    // Takes a session advisory lock (`call` names the waiting form). A lock
    // that is held elsewhere gets a short grace: the server frees the locks
    // of a client that died or just closed only once it has noticed, and
    // that must not read as "locked by another user".
    bool Advisory(const std::string &call, const Params &p) {
        Result r;
        std::string tryCall = "pg_try_" + call.substr(3);
        if (session_.Run("SELECT " + tryCall, p, path_, r)) return false;
        if (ResultBool(r.get())) return true;
        // A failed wait would end an open transaction of the caller's.
        if (inTxn_) return false;
        if (session_.Exec(std::string("SET lock_timeout = ") + kLockGrace, path_)) return false;
        bool taken = session_.Run("SELECT " + call, p, path_, r) == DBE_SUCCESS;
        session_.Exec("SET lock_timeout = 0", path_);
        return taken;
    }

    std::string Column(int f) const { return QuoteIdent(Cp1252ToUtf8(schema_.fields[f].name)); }
    std::string UpperColumn(int f) const {
        return QuoteIdent(Cp1252ToUtf8(schema_.fields[f].name) + "#key");
    }
    // What the tags of a field order by. For a text that is its padded form,
    // spelled the same in every statement so that the planner matches it
    // with the tag's index expression.
    std::string KeyColumn(int f) const {
        const FieldDef &fd = schema_.fields[f];
        if (!IsStringType(fd.type)) return Column(f);
        const std::string c = fd.type == DBE_T_CISTRING ? UpperColumn(f) : Column(f);
        const std::string n = std::to_string(fd.length);
        return "(CASE WHEN length(" + c + ") = 0 THEN " + c + " ELSE " + c +
               " || substring(decode(repeat('20', " + n + "), 'hex') FROM 1 FOR greatest(0, " + n +
               " - length(" + c + "))) END)";
    }

    std::string OrderBy(int index, bool ascending) const {
        const char *dir = ascending ? " ASC NULLS FIRST" : " DESC NULLS LAST";
        if (index < 0) return std::string(" ORDER BY _recno") + (ascending ? " ASC" : " DESC");
        std::string o = " ORDER BY ";
        for (int f : schema_.indexes[index].fields) o += KeyColumn(f) + dir + ", ";
        return o + "_recno" + (ascending ? " ASC" : " DESC");
    }

    std::string AfterPredicate(int index, const Row &from, const char *op, Params &p) const {
        if (index < 0) return std::string("_recno ") + op + " " + p.Int8(from.recno);
        const IndexDef &ix = schema_.indexes[index];
        std::vector<Value> key;
        for (int f : ix.fields) key.push_back(from.values[f]);
        return KeyPredicate(ix, key, op, false, p, &from, false);
    }

    // Lexicographic comparison of the index's first key.size() key columns
    // (and the record number when `from` is given) with the bound values.
    // Null sorts first, as the empty value does in the engine's key order.
    std::string KeyPredicate(const IndexDef &ix, const std::vector<Value> &key, const char *op,
                             bool inclusive, Params &p, const Row *from, bool fillHigh) const {
        size_t m = key.size();
        auto isNullBound = [&](size_t i) {
            return IsNull(key[i]) && !IsStringType(schema_.fields[ix.fields[i]].type);
        };
        // A row comparison treats null as unknown, so it serves only where no
        // null takes part: no null bound, and either a '>' walk (null lies
        // before every bound) or key columns that are never null (strings).
        bool anyNull = false, allStrings = true;
        for (size_t i = 0; i < m; ++i) {
            anyNull |= isNullBound(i);
            allStrings &= IsStringType(schema_.fields[ix.fields[i]].type);
        }
        if (op[0] == '<' && !allStrings) anyNull = true;
        auto bound = [&](size_t i) {
            return p.Key(schema_.fields[ix.fields[i]], key[i], fillHigh && i + 1 == m);
        };
        std::string cmp = std::string(op) + (inclusive ? "=" : "");
        if (!anyNull) {
            std::string l = "(", r = "(";
            for (size_t i = 0; i < m; ++i) {
                l += (i ? ", " : "") + KeyColumn(ix.fields[i]);
                r += (i ? ", " : "") + bound(i);
            }
            if (from) {
                l += ", _recno";
                r += ", " + p.Int8(from->recno);
            }
            if (m == 1 && !from) return KeyColumn(ix.fields[0]) + " " + cmp + " " + r.substr(1);
            return l + ") " + cmp + " " + r + ")";
        }
        // Spelled out column by column; the parameters are numbered in text
        // order, so the terms are built from the first column on.
        bool greater = op[0] == '>';
        std::vector<std::string> heads(m);
        std::vector<std::string> eq(m);
        for (size_t k = 0; k < m; ++k) {
            const std::string col = KeyColumn(ix.fields[k]);
            if (isNullBound(k)) {
                heads[k] = greater ? col + " IS NOT NULL" : "false";
                eq[k] = col + " IS NULL";
            } else {
                std::string b = bound(k);
                heads[k] = col + " " + op + " " + b + (greater ? "" : " OR " + col + " IS NULL");
                eq[k] = col + " = " + b;
            }
        }
        std::string tail = from ? std::string("_recno ") + op + " " + p.Int8(from->recno)
                                : (inclusive ? "true" : "false");
        for (size_t k = m; k-- > 0;) tail = "(" + heads[k] + " OR (" + eq[k] + " AND " + tail + "))";
        return tail;
    }

    // Rows of a statement that selects _recno and then selectList_'s
    // columns. A row with a text that cannot be read ends them: the rows
    // before it are in `out`, and the answer is DBE_E_UNREADABLE_TEXT.
    int32_t Query(const std::string &sql, const Params &p, std::vector<Row> &out) {
        Result r;
        if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
        const size_t fields = schema_.fields.size();
        const PGresult *res = r.get();
        int n = PQntuples(res);
        out.reserve(out.size() + static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Row row;
            row.recno = static_cast<uint32_t>(GetBE(PQgetvalue(res, i, 0), 8));
            row.values.resize(fields);
            for (size_t k = 0; k < fields; ++k)
                if (int32_t fail =
                        DecodeColumn(res, i, static_cast<int>(k + 1), k, row.recno, row.values[k]))
                    return fail;
            out.push_back(std::move(row));
        }
        return DBE_SUCCESS;
    }

    // The value of field `field` from column `col` of result row `i`, of
    // record `recno`, in binary form as selectList_ selects it (a blob as
    // true or null). Every read of stored values comes through here.
    int32_t DecodeColumn(const PGresult *res, int i, int col, size_t field, uint32_t recno,
                         Value &v) const {
        const FieldDef &f = schema_.fields[field];
        const char *p = PQgetvalue(res, i, col);
        const size_t len = static_cast<size_t>(PQgetlength(res, i, col));
        v = Value();
        if (IsStringType(f.type)) {
            std::string text;
            if (TextFault fault = TextFromBytes(f, std::string_view(p, len), text);
                fault != TextFault::kNone)
                return FailStoredText(name_, recno, f, fault);
            v = std::move(text);
            return DBE_SUCCESS;
        }
        if (PQgetisnull(res, i, col)) return DBE_SUCCESS;
        if (IsBlobType(f.type)) {
            if (p[0]) v = int64_t(1);
            return DBE_SUCCESS;
        }
        switch (ColumnType(f.type)) {
        case ColType::Float8: v = std::bit_cast<double>(GetBE(p, 8)); break;
        case ColType::Date: v = int64_t(static_cast<int32_t>(GetBE(p, 4))) + kServerEpochDay; break;
        case ColType::Timestamp:
            v = static_cast<int64_t>(GetBE(p, 8)) / 1000 + kServerEpochDay * kMsPerDay;
            break;
        case ColType::Bytea: v = std::string(p, len); break;
        case ColType::Int8: v = static_cast<int64_t>(GetBE(p, 8)); break;
        }
        return DBE_SUCCESS;
    }

    // Writes that check a unique tag run in a transaction under the
    // table's write lock, so that two sessions cannot both find a key free.
    template <class F> int32_t InWriteTxn(bool serialise, F body) {
        if (!serialise) return body();
        bool own = !inTxn_;
        if (own)
            if (int32_t rc = session_.Exec("BEGIN", path_)) return rc;
        // The caller's transaction keeps the lock to its end: taken once.
        if (own || !writeLocked_) {
            Params p;
            Result r;
            if (int32_t rc = session_.Run("SELECT pg_advisory_xact_lock(" +
                                              p.Int8(kWriteLockBase + oid_) + ")",
                                          p, path_, r)) {
                if (own) session_.Exec("ROLLBACK", path_);
                return rc;
            }
            writeLocked_ = !own;
        }
        int32_t rc = body();
        if (!own) return rc;
        if (rc) {
            session_.Exec("ROLLBACK", path_);
            return rc;
        }
        if ((rc = session_.Exec("COMMIT", path_))) session_.Exec("ROLLBACK", path_);
        return rc;
    }

    // Numbers a sequence handed to this handle ahead of use.
    struct Block {
        std::vector<int64_t> values;
        size_t next = 0;
        int size = 8;
        void Clear() { *this = Block(); }
    };

    // The next value of a sequence. Record numbers, which nobody reads as
    // data, are taken in growing blocks by a transaction (a bulk load, as a
    // rule), one round trip per block; what it leaves unused at its end is
    // never handed out, like a cancelled append's. Auto-increment values are
    // the records' own numbers (article IDs) and stay without gaps.
    int32_t NextValue(const char *suffix, Block *blockOrNull, int64_t &value) {
        std::string seq = QuoteLiteral(QuoteIdent(relation_ + suffix));
        Params p;
        Result r;
        if (!inTxn_ || !blockOrNull) {
            if (blockOrNull) blockOrNull->Clear();
            if (int32_t rc = session_.Run("SELECT nextval(" + seq + "::regclass)", p, path_, r)) return rc;
            value = ResultInt8(r.get());
            return DBE_SUCCESS;
        }
        Block &block = *blockOrNull;
        if (block.next == block.values.size()) {
            std::string sql = "SELECT nextval(" + seq + "::regclass) FROM generate_series(1, " +
                              p.Int8(block.size) + ")";
            if (int32_t rc = session_.Run(sql, p, path_, r)) return rc;
            block.values.clear();
            block.next = 0;
            for (int i = 0; i < PQntuples(r.get()); ++i)
                block.values.push_back(static_cast<int64_t>(GetBE(PQgetvalue(r.get(), i, 0), 8)));
            std::sort(block.values.begin(), block.values.end());
            block.size = std::min(block.size * 2, 512);
            if (block.values.empty()) return Fail(DBE_E_IO, path_ + ": no value from " + seq);
        }
        value = block.values[block.next++];
        return DBE_SUCCESS;
    }

    void EndOfTransaction() {
        recnos_.Clear();
        writeLocked_ = false;
    }

    // The next auto-increment value handed out is at least `atLeast`.
    int32_t RaiseAutoinc(int64_t atLeast) { return RaiseSequence("#autoinc", atLeast); }
    int32_t RaiseSequence(const char *suffix, int64_t atLeast) {
        Params p;
        Result r;
        std::string seq = QuoteIdent(relation_ + suffix);
        std::string v = p.Int8(atLeast - 1);
        return session_.Run("SELECT setval(" + QuoteLiteral(seq) + "::regclass, " + v +
                                ") FROM " + seq + " WHERE " + v +
                                " > CASE WHEN is_called THEN last_value ELSE last_value - 1 END",
                            p, path_, r);
    }

    // A unique tag refuses a second record with the same full key. Empty
    // keys are exempt, as they are in the tags of the host's tables. The
    // conditions "no other record has this key" for every unique tag the
    // write touches, on `p`; empty when none applies.
    std::string UniqueFree(const Row &row, const std::vector<bool> *modified, Params &p,
                           const IndexDef *only = nullptr) const {
        std::string all;
        for (const auto &ix : schema_.indexes) {
            if (!ix.unique || (only && &ix != only)) continue;
            bool touched = modified == nullptr, allNull = true;
            for (int f : ix.fields) {
                if (modified && (*modified)[f]) touched = true;
                if (!IsNull(row.values[f])) allNull = false;
            }
            if (!touched || allNull) continue;
            std::string sql = "NOT EXISTS (SELECT 1 FROM " + QuoteIdent(relation_) +
                              " WHERE _recno <> " + p.Int8(row.recno);
            for (int f : ix.fields) {
                const FieldDef &fd = schema_.fields[f];
                if (IsNull(row.values[f]) && !IsStringType(fd.type))
                    sql += " AND " + KeyColumn(f) + " IS NULL";
                else
                    sql += " AND " + KeyColumn(f) + " = " + p.Key(fd, row.values[f]);
            }
            all += (all.empty() ? "" : " AND ") + sql + ")";
        }
        return all;
    }

    // A write its key conditions refused: 5045 naming the tag, or 5022 when
    // no tag refuses (the record itself was gone).
    int32_t NameDuplicate(const Row &row, const std::vector<bool> *modified) {
        for (const auto &ix : schema_.indexes) {
            Params p;
            const std::string free = UniqueFree(row, modified, p, &ix);
            if (free.empty()) continue;
            Result r;
            if (int32_t rc = session_.Run("SELECT " + free, p, path_, r)) return rc;
            if (!ResultBool(r.get())) return Fail(DBE_E_DUPLICATE_KEY, "index " + ix.name);
        }
        return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(row.recno));
    }

    // --- the journal of deleted records ------------------------------------
    // "<relation>#deleted" holds a deleted record under its number with the
    // columns it had in the table (key columns included), and the journal's
    // own after them: the moment of the delete in UTC, user and host (bytea,
    // Windows-1252 as every text). It is made by the first delete.

    std::string JournalRelation() const { return relation_ + "#deleted"; }

    static const FieldDef &JournalField(int i) {
        static const std::vector<FieldDef> fields = [] {
            Schema s;
            AddJournalFields(s);
            return s.fields;
        }();
        return fields[static_cast<size_t>(i)];
    }

    // Every column of the table, in its order.
    std::string AllColumns() const {
        std::string columns = "_recno";
        for (size_t i = 0; i < schema_.fields.size(); ++i) {
            columns += ", " + Column(static_cast<int>(i));
            if (schema_.fields[i].type == DBE_T_CISTRING)
                columns += ", " + UpperColumn(static_cast<int>(i));
        }
        return columns;
    }

    int32_t MakeJournal() {
        if (journalReady_) return DBE_SUCCESS;
        const bool own = !inTxn_;
        std::string sql = std::string(own ? "BEGIN;" : "") + "SELECT pg_advisory_xact_lock(" +
                          std::to_string(kCatalogueLock) + ");" + "CREATE TABLE IF NOT EXISTS " +
                          QuoteIdent(JournalRelation()) + "(LIKE " + QuoteIdent(relation_) +
                          ", PRIMARY KEY(_recno)";
        for (int i = 0; i < kJournalFieldCount; ++i)
            sql += std::string(", ") + QuoteIdent(kJournalColumns[i]) +
                   (i == 0 ? " timestamp NOT NULL" : " bytea NOT NULL");
        sql += std::string(");") + (own ? "COMMIT;" : "");
        if (int32_t rc = session_.Exec(sql, path_)) {
            if (own) session_.Exec("ROLLBACK", path_);
            return rc;
        }
        journalReady_ = true;
        return DBE_SUCCESS;
    }

    int32_t JournalExists(bool &exists) {
        if (journalReady_) {
            exists = true;
            return DBE_SUCCESS;
        }
        Params p;
        Result r;
        if (int32_t rc = session_.Run("SELECT to_regclass(" +
                                          p.Text(QuoteIdent(JournalRelation())) + ") IS NOT NULL",
                                      p, path_, r))
            return rc;
        exists = ResultBool(r.get());
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

    // In a store of the journal (OpenJournal) the journal stands in for the
    // table: a temporary view of the session shows its rows with the
    // journal's columns as fields, and every read above goes to the view.
    // Before the first delete there is no journal: the view is then the
    // table's columns without a row.
    int32_t ShowJournal() {
        bool exists = false;
        if (int32_t rc = JournalExists(exists)) return rc;
        const size_t own = schema_.fields.size();
        AddJournalFields(schema_);
        std::string sql = "CREATE TEMP VIEW dbe_journal AS SELECT *";
        for (int i = 0; i < kJournalFieldCount; ++i)
            sql += ", " +
                   (exists ? QuoteIdent(kJournalColumns[i])
                           : std::string(i == 0 ? "NULL::timestamp" : "NULL::bytea")) +
                   " AS " + Column(static_cast<int>(own) + i);
        sql += exists ? " FROM " + QuoteIdent(JournalRelation())
                      : " FROM " + QuoteIdent(relation_) + " WHERE false";
        if (int32_t rc = session_.Exec(sql, path_)) return rc;
        schema_.indexes.clear();
        hasUnique_ = false;
        journalView_ = true;
        selectList_ = SelectFrom("dbe_journal");
        relation_ = "dbe_journal";
        return DBE_SUCCESS;
    }

    // Every record number is in the table or in the journal, not in both,
    // and the journal's numbers were handed out by the sequence.
    int32_t CheckJournal() {
        bool exists = false;
        if (int32_t rc = JournalExists(exists)) return rc;
        if (!exists) return DBE_SUCCESS;
        const std::string table = QuoteIdent(relation_), journal = QuoteIdent(JournalRelation());
        const struct {
            std::string sql;
            const char *fault;
        } checks[] = {
            {"SELECT count(*) FROM " + table + " JOIN " + journal + " USING(_recno)",
             "records both in the table and in its journal of deleted records"},
            {"SELECT count(*) FROM " + journal + " WHERE _recno >= (SELECT last_value + 1 FROM " +
                 QuoteIdent(relation_ + "#recno") + ")",
             "record numbers in the journal beyond the counter"},
        };
        for (const auto &c : checks) {
            Result r;
            if (int32_t rc = session_.Exec(c.sql, path_, &r)) return rc;
            if (std::strcmp(PQgetvalue(r.get(), 0, 0), "0") != 0)
                return Fail(DBE_E_NOT_A_TABLE, path_ + ": " + c.fault);
        }
        return DBE_SUCCESS;
    }

    Session session_;
    PgTarget target_;
    std::string name_, upperName_, relation_, path_, selectList_;
    uint32_t oid_ = 0;
    Schema schema_;
    std::set<uint32_t> held_;
    bool inTxn_ = false, hasUnique_ = false, writeLocked_ = false;
    bool journalReady_ = false; // the journal relation is known to exist
    bool journalView_ = false;  // this store shows the journal (OpenJournal)
    Block recnos_;
    int64_t lastAutoinc_ = 0;
};

}  // namespace

bool LooksLikeConninfo(const std::string &path) {
    if (path.rfind("postgresql://", 0) == 0 || path.rfind("postgres://", 0) == 0) return true;
    if (path.find('=') == std::string::npos) return false;
    char *err = nullptr;
    PQconninfoOption *options = PQconninfoParse(path.c_str(), &err);
    if (err) PQfreemem(err);
    if (!options) return false;
    PQconninfoFree(options);
    return true;
}

int32_t CheckPgServer(const PgTarget &target, std::string &serverName) {
    Session s;
    if (int32_t rc = s.Open(target)) return rc;
    serverName = std::string(PQhost(s.get())) + ":" + PQport(s.get()) + "/" + PQdb(s.get());
    return DBE_SUCCESS;
}

int32_t CreatePgTable(const PgTarget &target, const std::string &name,
                      const std::vector<FieldDef> &fields, std::unique_ptr<TableStore> &out) {
    auto store = std::make_unique<PgStore>();
    if (int32_t rc = store->Connect(target, name)) return rc;
    if (int32_t rc = store->Create(fields)) return rc;
    out = std::move(store);
    return DBE_SUCCESS;
}

int32_t OpenPgTable(const PgTarget &target, const std::string &name, bool exclusive,
                    std::unique_ptr<TableStore> &out) {
    auto store = std::make_unique<PgStore>();
    if (int32_t rc = store->Connect(target, name)) return rc;
    if (int32_t rc = store->Open(exclusive)) return rc;
    out = std::move(store);
    return DBE_SUCCESS;
}

}  // namespace dbe
