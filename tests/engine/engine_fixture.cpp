#include "engine_fixture.h"
#include "test_server.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace dbetest {

namespace {
// A walk that never reaches its end is a fault of its own; this bounds it.
constexpr size_t kMaxWalk = 100000;

using testsupport::ExecuteSql;
using testsupport::WithSearchPath;

const char *Server() { return testsupport::TestServer(); }
} // namespace

bool RemoteBackend() {
    const char *backend = std::getenv("DBE_TEST_BACKEND");
    return backend && std::string_view(backend) == "pg";
}

DBESTATUS Connect(const std::string &path, DBEHANDLE *connection) {
    if (RemoteBackend())
        return DbeConnectEx(path.c_str(), DBE_REMOTE_SERVER, "", "", 0, connection);
    return DbeConnect(path.c_str(), connection);
}

uint32_t LastErrorCode() {
    uint32_t code = 0;
    DbeGetLastError(&code, nullptr, nullptr);
    return code;
}

std::string LastErrorText() {
    char text[1024] = {};
    uint16_t length = sizeof text;
    uint32_t code = 0;
    DbeGetLastError(&code, text, &length);
    return text;
}

std::string LastError() {
    return std::to_string(LastErrorCode()) + ": " + LastErrorText();
}

void Ok(DBESTATUS rc, const std::string &what) {
    if (rc != DBE_SUCCESS)
        throw EngineFailure(what + " answered " + std::to_string(rc) + " (" + LastError() + ")");
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dbe-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

DBEHANDLE OpenTable(DBEHANDLE connection, const std::string &name, uint32_t options) {
    DBEHANDLE table = 0;
    Ok(DbeOpenTable(connection, name.c_str(), name.c_str(), DBE_TBL, 0, 0, 0, options, &table),
       "DbeOpenTable " + name);
    return table;
}

DBEHANDLE IndexOf(DBEHANDLE table, const std::string &tag) {
    DBEHANDLE index = 0;
    Ok(DbeGetIndexHandle(table, tag.c_str(), &index), "DbeGetIndexHandle " + tag);
    return index;
}

uint32_t AppendRow(DBEHANDLE table, const std::vector<std::string> &columns,
                   const std::vector<std::string> &values) {
    Ok(DbeAppendRecord(table), "DbeAppendRecord");
    for (size_t i = 0; i < columns.size() && i < values.size(); ++i)
        Ok(DbeSetField(table, columns[i].c_str(), values[i].data(),
                       static_cast<uint32_t>(values[i].size())),
           "DbeSetField " + columns[i] + "=" + values[i]);
    Ok(DbeWriteRecord(table), "DbeWriteRecord");
    return RecNo(table);
}

uint32_t RecNo(DBEHANDLE table) {
    uint32_t recno = 0;
    Ok(DbeGetRecordNum(table, 0, &recno), "DbeGetRecordNum");
    return recno;
}

bool AtEOF(DBEHANDLE order) {
    uint16_t at = 0;
    Ok(DbeAtEOF(order, &at), "DbeAtEOF");
    return at != 0;
}

bool AtBOF(DBEHANDLE order) {
    uint16_t at = 0;
    Ok(DbeAtBOF(order, &at), "DbeAtBOF");
    return at != 0;
}

std::string Text(DBEHANDLE table, const char *field, uint16_t option) {
    std::string buffer(70000, '\0');
    uint32_t length = static_cast<uint32_t>(buffer.size());
    Ok(DbeGetField(table, field, buffer.data(), &length, option), "DbeGetField");
    buffer.resize(length);
    return buffer;
}

std::string Image(DBEHANDLE table, const char *field) {
    uint32_t recordLength = 0, offset = 0, fieldLength = 0;
    Ok(DbeGetRecordLength(table, &recordLength), "DbeGetRecordLength");
    Ok(DbeGetFieldOffset(table, field, &offset), "DbeGetFieldOffset");
    Ok(DbeGetFieldLength(table, field, &fieldLength), "DbeGetFieldLength");
    std::string record(recordLength, '\0');
    uint32_t length = recordLength;
    Ok(DbeGetRecord(table, record.data(), &length), "DbeGetRecord");
    if (offset + fieldLength > length) throw EngineFailure("field lies outside the record image");
    return record.substr(offset, fieldLength);
}

Recnos Walk(DBEHANDLE order, DBEHANDLE table, bool forward) {
    Recnos out;
    Ok(forward ? DbeGotoTop(order) : DbeGotoBottom(order), "DbeGotoTop/Bottom");
    while (!(forward ? AtEOF(order) : AtBOF(order))) {
        out.push_back(RecNo(table));
        if (out.size() > kMaxWalk) throw EngineFailure("walk does not end");
        Ok(DbeSkip(order, forward ? 1 : -1), "DbeSkip");
    }
    return out;
}

std::vector<std::string> WalkField(DBEHANDLE order, DBEHANDLE table, const char *field,
                                   bool forward) {
    std::vector<std::string> out;
    Ok(forward ? DbeGotoTop(order) : DbeGotoBottom(order), "DbeGotoTop/Bottom");
    while (!(forward ? AtEOF(order) : AtBOF(order))) {
        out.push_back(Text(table, field));
        if (out.size() > kMaxWalk) throw EngineFailure("walk does not end");
        Ok(DbeSkip(order, forward ? 1 : -1), "DbeSkip");
    }
    return out;
}

std::string Hex(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void EngineTest::SetUp() {
    const char *backend = std::getenv("DBE_TEST_BACKEND");
    if (backend && *backend && !RemoteBackend() && std::string_view(backend) != "local")
        FAIL() << "DBE_TEST_BACKEND=" << backend << " is neither local nor pg";
    if (!RemoteBackend()) {
        connectPath_ = dir_.path();
    } else {
        if (!Server())
            GTEST_SKIP() << "DBE_TEST_PG names no PostgreSQL server (scripts/test.sh starts one)";
        // Unique among the processes running at once; one left behind by a
        // crashed run whose number this process has now is dropped here.
        static int tests = 0;
        schema_ = "dbe_t_" + std::to_string(::getpid()) + "_" + std::to_string(++tests);
        ASSERT_EQ(ExecuteSql(Server(), "DROP SCHEMA IF EXISTS " + schema_ +
                                        " CASCADE; CREATE SCHEMA " + schema_),
                  "")
            << "no schema for the test on " << Server();
        connectPath_ = WithSearchPath(Server(), schema_);
    }
    ASSERT_EQ(Connect(connectPath_, &conn_), DBE_SUCCESS) << LastError();
}

void EngineTest::TearDown() {
    if (conn_) DbeDisconnect(conn_);
    if (!schema_.empty()) {
        // A server session the engine left holding one of the tables would
        // otherwise stall the whole run here.
        EXPECT_EQ(ExecuteSql(Server(), "SET lock_timeout = '30s'; DROP SCHEMA IF EXISTS " + schema_ +
                                        " CASCADE"),
                  "")
            << "the schema " << schema_ << " stays behind";
    }
}

std::string EngineTest::ExecuteOnServer(const std::string &sql) const {
    return ExecuteSql(connectPath_, sql);
}

std::string EngineTest::ExecuteOnStorage(const std::string &name, const std::string &sql) const {
    if (RemoteBackend()) return ExecuteOnServer(sql);
    sqlite3 *db = nullptr;
    std::string error;
    if (sqlite3_open_v2(dir_.File(name).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
    } else {
        sqlite3_busy_timeout(db, 10000);
        char *message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            error = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
    }
    sqlite3_close_v2(db);
    return error;
}

void EngineTest::CreateTable(const std::string &name, const std::string &fields,
                             const std::vector<TagDef> &tags,
                             const std::vector<std::string> &columns, const Rows &rows,
                             Recnos *recnos) {
    DBEHANDLE table = 0;
    Ok(DbeCreateTable(conn_, name.c_str(), fields.c_str(), &table), "DbeCreateTable " + name);
    for (const auto &tag : tags) {
        DBEHANDLE index = 0;
        Ok(DbeCreateIndex(table, tag.tag.c_str(), tag.expression.c_str(), tag.options, &index),
           "DbeCreateIndex " + tag.tag);
    }
    for (const auto &row : rows) {
        uint32_t recno = AppendRow(table, columns, row);
        if (recnos) recnos->push_back(recno);
    }
    Ok(DbeCloseTable(table), "DbeCloseTable");
}

DBEHANDLE EngineTest::MakeTable(const std::string &name, const std::string &fields,
                                const std::vector<TagDef> &tags,
                                const std::vector<std::string> &columns, const Rows &rows,
                                Recnos *recnos) {
    CreateTable(name, fields, tags, columns, rows, recnos);
    return Open(name);
}

} // namespace dbetest
