// Failures, the last error, connections and dictionaries.
#include "engine_fixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>

#include "child_process.h"

namespace dbetest {
namespace {

namespace fs = std::filesystem;

class Errors : public EngineTest {};

// A failure answers its code, leaves the same code as the last error and a
// text a person can read.
void ExpectFailure(DBESTATUS rc, DBESTATUS expected) {
    EXPECT_EQ(rc, expected);
    EXPECT_EQ(LastErrorCode(), static_cast<uint32_t>(rc));
    const std::string text = LastErrorText();
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), 600u);
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Opens the file and uses every record; the first failure on the way.
DBESTATUS UseTable(DBEHANDLE connection, const std::string &name) {
    DBEHANDLE t = 0;
    DBESTATUS rc = DbeOpenTable(connection, name.c_str(), nullptr, DBE_TBL, 0, 0, 0, 0, &t);
    if (rc) return rc;
    rc = DbeCheckTable(t);
    if (!rc) rc = DbeGotoTop(t);
    uint16_t eof = 0;
    while (!rc && !(rc = DbeAtEOF(t, &eof)) && !eof) {
        char record[4096];
        uint32_t length = sizeof record;
        rc = DbeGetRecord(t, record, &length);
        if (!rc) rc = DbeSkip(t, 1);
    }
    uint32_t code = 0;
    char text[1024];
    uint16_t textLength = sizeof text;
    DbeGetLastError(&code, text, &textLength);
    DbeCloseTable(t);
    DbeSetLastError(code, text);
    return rc;
}

TEST_F(Errors, MissingAndDamagedFilesFailWithAReadableError) {
    Rows rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({"A" + std::to_string(i), std::string(200, 'm')});
    CreateTable("full.tbl", "ARTN,String,10;M,Memo", {{"ARTN", "ARTN"}}, {"ARTN", "M"}, rows);
    // On the server the damage is done by hand to the relations: one gone,
    // one without a column, and a relation of someone else's that bears a
    // table's name (and so cannot become one).
    std::vector<std::string> damaged;
    if (RemoteBackend()) {
        CreateTable("gone.tbl", "ARTN,String,10", {}, {"ARTN"}, {{"A1"}});
        CreateTable("narrow.tbl", "ARTN,String,10;M,Memo", {}, {"ARTN"}, {{"A1"}});
        for (const char *sql : {"DROP TABLE \"gone.tbl\"", "ALTER TABLE \"narrow.tbl\" DROP COLUMN \"M\"",
                                "CREATE TABLE \"foreign.tbl\"(x int)"})
            ASSERT_EQ(ExecuteOnServer(sql), "") << sql;
        damaged = {"gone.tbl", "narrow.tbl", "foreign.tbl"};
        DBEHANDLE t = 0;
        ExpectFailure(DbeCreateTable(conn_, "foreign.tbl", "ARTN,String,10", &t), DBE_E_TABLE_EXISTS);
    } else {
        const std::string full = ReadFile(dir_.File("full.tbl"));
        ASSERT_GT(full.size(), 16384u);
        ASSERT_FALSE(fs::exists(dir_.File("full.tbl-wal")) &&
                     fs::file_size(dir_.File("full.tbl-wal")) > 0)
            << "the closed table keeps rows outside its file";

        damaged = {"text.tbl", "foreign.tbl", "folder.tbl"};
        WriteFile(dir_.File("text.tbl"), "ARTNR;BEZEICHNUNG\nA1;Schraube M4\n");
        ASSERT_EQ(DbeCreateDictionary(dir_.File("foreign.tbl").c_str()), DBE_SUCCESS);
        fs::create_directory(dir_.File("folder.tbl"));
        for (size_t size : {size_t(0), size_t(10), size_t(100), size_t(4096), full.size() / 2,
                            full.size() - 4096}) {
            damaged.push_back("cut" + std::to_string(size) + ".tbl");
            WriteFile(dir_.File(damaged.back()), full.substr(0, size));
        }
        // Damage that keeps the file's size, one page at a time: a page that only
        // an index uses is found by nothing but the check of the whole file.
        for (size_t at = 4096; at + 4096 <= full.size(); at += 4096) {
            std::string bytes = full;
            bytes.replace(at, 4096, 4096, '\0');
            damaged.push_back("zero" + std::to_string(at / 4096) + ".tbl");
            WriteFile(dir_.File(damaged.back()), bytes);
        }
    }

    uint16_t openBefore = 0;
    ASSERT_EQ(DbeGetNumOpenTables(&openBefore), DBE_SUCCESS);
    ASSERT_EQ(UseTable(conn_, "full.tbl"), DBE_SUCCESS) << LastError();
    ExpectFailure(UseTable(conn_, "missing.tbl"), DBE_E_TABLE_NOT_FOUND);
    for (const std::string &name : damaged) {
        SCOPED_TRACE(name);
        const DBESTATUS rc = UseTable(conn_, name);
        EXPECT_NE(rc, DBE_SUCCESS);
        ExpectFailure(rc, rc);
    }
    uint16_t openAfter = 0;
    ASSERT_EQ(DbeGetNumOpenTables(&openAfter), DBE_SUCCESS);
    EXPECT_EQ(openAfter, openBefore);
}

// A catalogue edited by hand fails the open with an engine error naming the
// table, never a record image laid out from what it says. Each case is the
// same damage done to the local file's catalogue and to the server's.
TEST_F(Errors, HandEditedCatalogueFailsTheOpen) {
    const std::string textFields = [] {
        std::string fields;
        for (int i = 0; i < 16; ++i)
            fields += "T" + std::to_string(i) + ",String,65000;";
        return fields + "ARTN,String,10";
    }();
    const struct {
        const char *what;
        const char *fields; // as created
        const char *local;  // the damage on the file
        const char *server; // the same damage on the server; %T stands for the table's name
    } cases[] = {
        {"no format", "ARTN,String,10", "UPDATE dbe_table SET value=NULL WHERE key='format'",
         "ALTER TABLE dbe_tables ALTER COLUMN format DROP NOT NULL; UPDATE dbe_tables SET "
         "format=NULL WHERE name='%T'"},
        {"a negative length", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET length=-5 WHERE name='ARTN'",
         "UPDATE dbe_fields SET length=-5 WHERE table_name='%T' AND name='ARTN'"},
        {"a length that is no number", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET length='zehn' WHERE name='ARTN'",
         "ALTER TABLE dbe_fields ALTER COLUMN length DROP NOT NULL; UPDATE dbe_fields SET "
         "length=NULL WHERE "
         "table_name='%T' AND name='ARTN'"},
        {"a length beyond 32 bits", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET length=4294967297 WHERE name='ARTN'",
         "ALTER TABLE dbe_fields ALTER COLUMN length TYPE bigint; UPDATE dbe_fields SET "
         "length=4294967297 WHERE "
         "table_name='%T' AND name='ARTN'"},
        {"an integer of two bytes", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET length=2 WHERE name='ID'",
         "UPDATE dbe_fields SET length=2 WHERE table_name='%T' AND name='ID'"},
        {"a text of no length", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET length=0 WHERE name='ARTN'",
         "UPDATE dbe_fields SET length=0 WHERE table_name='%T' AND name='ARTN'"},
        {"a date of five bytes", "ARTN,String,10;D,Date",
         "UPDATE dbe_fields SET length=5 WHERE name='D'",
         "UPDATE dbe_fields SET length=5 WHERE table_name='%T' AND name='D'"},
        {"as many decimals as digits", "ARTN,String,10;N,Numeric,8,2",
         "UPDATE dbe_fields SET decimals=8 WHERE name='N'",
         "UPDATE dbe_fields SET decimals=8 WHERE table_name='%T' AND name='N'"},
        {"offsets beyond 4 GiB", "ARTN,String,10;B,String,10",
         "UPDATE dbe_fields SET length=2147483648 WHERE name IN ('ARTN','B')",
         "ALTER TABLE dbe_fields ALTER COLUMN length TYPE bigint; UPDATE dbe_fields SET "
         "length=2147483648 WHERE "
         "table_name='%T' AND name IN ('ARTN','B')"},
        {"a record longer than 1 MiB", textFields.c_str(),
         "UPDATE dbe_fields SET length=65000 WHERE name='ARTN'",
         "UPDATE dbe_fields SET length=65000 WHERE table_name='%T' AND name='ARTN'"},
        {"an unknown type", "ARTN,String,10;ID,Integer",
         "UPDATE dbe_fields SET type=19 WHERE name='ID'",
         "UPDATE dbe_fields SET type=19 WHERE table_name='%T' AND name='ID'"},
    };
    uint16_t openBefore = 0;
    ASSERT_EQ(DbeGetNumOpenTables(&openBefore), DBE_SUCCESS);
    int number = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "cat" + std::to_string(++number) + ".tbl";
        CreateTable(name, c.fields, {{"ARTN", "ARTN"}}, {"ARTN"}, {{"A1"}});
        std::string damage = RemoteBackend() ? c.server : c.local;
        for (size_t at; (at = damage.find("%T")) != std::string::npos;)
            damage.replace(at, 2, "CAT" + std::to_string(number) + ".TBL");
        ASSERT_EQ(ExecuteOnStorage(name, damage), "") << damage;
        DBEHANDLE t = 0;
        ExpectFailure(DbeOpenTable(conn_, name.c_str(), nullptr, DBE_TBL, 0, 0, 0, 0, &t),
                      DBE_E_NOT_A_TABLE);
        EXPECT_NE(LastErrorText().find(RemoteBackend() ? name : dir_.File(name)), std::string::npos)
            << LastErrorText();
        EXPECT_EQ(t, 0u);
    }
    uint16_t openAfter = 0;
    ASSERT_EQ(DbeGetNumOpenTables(&openAfter), DBE_SUCCESS);
    EXPECT_EQ(openAfter, openBefore);
}

// A null value pointer is refused with an engine error on a table handle
// and on a tag handle, whatever the length says, and changes nothing.
TEST_F(Errors, NullValuePointersAreRefused) {
    const DBEHANDLE t = MakeTable("nul.tbl", "ARTN,String,10;ID,Integer;M,Memo;D,Date",
                                  {{"ARTN", "ARTN"}, {"ID", "ID"}}, {"ARTN", "ID"}, {{"A1", "1"}});
    const DBEHANDLE byArtn = IndexOf(t, "ARTN"), byId = IndexOf(t, "ID");
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    const struct {
        const char *what;
        DBEHANDLE handle;
        const char *field;
        uint32_t length;
        bool raw;
    } cases[] = {
        {"text of no length", t, "ARTN", 0, false},
        {"text", t, "ARTN", 10, false},
        {"integer image", t, "ID", 4, true},
        {"memo of no length", t, "M", 0, false},
        {"memo", t, "M", 100, false},
        {"date image", t, "D", 4, true},
        {"text key", byArtn, "ARTN", 10, false},
        {"text key image", byArtn, "ARTN", 10, true},
        {"integer key image", byId, "ID", 4, true},
        {"integer key", byId, "ID", 4, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(DbeInitRawKey(byArtn), DBE_SUCCESS);
        ASSERT_EQ(DbeInitRawKey(byId), DBE_SUCCESS);
        ExpectFailure(c.raw ? DbeSetFieldRaw(c.handle, c.field, nullptr, c.length)
                            : DbeSetField(c.handle, c.field, nullptr, c.length),
                      DBE_E_INVALID_ARGUMENT);
        char key[64];
        uint16_t keyLength = sizeof key;
        ASSERT_EQ(DbeBuildRawKey(c.handle == byId ? byId : byArtn, key, &keyLength), DBE_SUCCESS);
        EXPECT_EQ(keyLength, 0) << "a key segment was set";
    }
    EXPECT_EQ(Text(t, "ARTN"), "A1");
    EXPECT_EQ(Text(t, "ID"), "1");
    EXPECT_EQ(Text(t, "M"), "");
}

// A fault inside the engine, here memory running out while a value is
// copied, answers an engine error with its text: no C++ exception leaves
// the C interface. In a child process, whose memory is limited.
TEST_F(Errors, AFaultInsideTheEngineIsAnEngineError) {
    if (RemoteBackend()) GTEST_SKIP() << "the child would share the parent's server session";
    const DBEHANDLE t = MakeTable("big.tbl", "ARTN,String,10;M,Memo", {}, {"ARTN"}, {{"A1"}});
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    testsupport::Child child([t](int, int) {
        const size_t size = size_t(256) << 20;
        std::string value(size, 'x');
        // Room for a quarter of the value beyond what the process uses now,
        // so that the engine's copy of it cannot be made.
        std::ifstream statm("/proc/self/statm");
        size_t pages = 0;
        statm >> pages;
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = pages * size_t(::sysconf(_SC_PAGESIZE)) + size / 4;
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return 4;
        DBESTATUS rc = DBE_SUCCESS;
        try {
            rc = DbeSetField(t, "M", value.data(), static_cast<uint32_t>(value.size()));
        } catch (...) {
            return 5; // an exception came through
        }
        if (rc != DBE_E_OUT_OF_MEMORY || LastErrorCode() != uint32_t(rc) || LastErrorText().empty())
            return 6;
        return 0;
    });
    EXPECT_EQ(child.Finish(), 0)
        << "4: no limit, 5: an exception left the engine, 6: another answer";
}

TEST_F(Errors, UnknownFieldsTagsAndHandles) {
    DBEHANDLE t = MakeTable("e.tbl", "ARTN,String,10;ID,Integer", {{"ArtNr", "ARTN"}},
                            {"ARTN", "ID"}, {{"A1", "5"}});
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    // Names ignore case; numbers count from 1.
    EXPECT_EQ(Text(t, "artn"), "A1");
    EXPECT_EQ(Text(t, DBE_FIELD(2)), "5");
    const DBEHANDLE tag = IndexOf(t, "ArtNr");
    EXPECT_EQ(IndexOf(t, "ARTNR"), tag);
    EXPECT_EQ(IndexOf(t, "artnr"), tag);

    DBEHANDLE closed = Open("e.tbl");
    DBEHANDLE closedTag = IndexOf(closed, "ARTNR");
    ASSERT_EQ(DbeCloseTable(closed), DBE_SUCCESS);

    char buffer[64];
    uint32_t length = sizeof buffer;
    uint32_t offset = 0;
    DBEHANDLE index = 0;
    uint16_t flag = 0;
    struct Case {
        const char *name;
        std::function<DBESTATUS()> call;
        DBESTATUS expected;
    };
    const Case cases[] = {
        {"field by name", [&] { return DbeGetField(t, "NOPE", buffer, &length, DBE_TRIMMED); },
         DBE_E_FIELD_NOT_FOUND},
        {"field by number",
         [&] { return DbeGetField(t, DBE_FIELD(3), buffer, &length, DBE_TRIMMED); },
         DBE_E_FIELD_NOT_FOUND},
        {"set unknown field", [&] { return DbeSetField(t, "NOPE", "x", 1); },
         DBE_E_FIELD_NOT_FOUND},
        {"offset of unknown field", [&] { return DbeGetFieldOffset(t, "NOPE", &offset); },
         DBE_E_FIELD_NOT_FOUND},
        {"unknown tag", [&] { return DbeGetIndexHandle(t, "NOPE", &index); },
         DBE_E_INDEX_NOT_FOUND},
        {"closed table", [&] { return DbeGotoTop(closed); }, DBE_E_INVALID_HANDLE},
        {"closed table read",
         [&] { return DbeGetField(closed, "ARTN", buffer, &length, DBE_TRIMMED); },
         DBE_E_INVALID_HANDLE},
        {"closed table closed again", [&] { return DbeCloseTable(closed); }, DBE_E_INVALID_HANDLE},
        {"tag of a closed table", [&] { return DbeGotoTop(closedTag); }, DBE_E_INVALID_HANDLE},
        {"tag of a closed table skip", [&] { return DbeSkip(closedTag, 1); }, DBE_E_INVALID_HANDLE},
        {"tag of a closed table seek",
         [&] { return DbeSeek(closedTag, "A1", 2, DBE_STRINGKEY, DBE_SOFTSEEK, &flag); },
         DBE_E_INVALID_HANDLE},
        {"handle 0", [&] { return DbeGotoTop(0); }, DBE_E_INVALID_HANDLE},
        {"made-up handle", [&] { return DbeAtEOF(0xDEADBEEF, &flag); }, DBE_E_INVALID_HANDLE},
        {"connection as table", [&] { return DbeGotoTop(conn_); }, DBE_E_INVALID_HANDLE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DbeSetLastError(0, "");
        ExpectFailure(c.call(), c.expected);
    }
    // The open table is unharmed by all of it.
    EXPECT_EQ(Text(t, "ARTN"), "A1");
}

TEST_F(Errors, LastErrorIsStoredAndBounded) {
    EXPECT_EQ(DbeSetLastError(5121, "Artikel 4711 ist gesperrt."), 5121);
    EXPECT_EQ(LastErrorCode(), 5121u);
    EXPECT_EQ(LastErrorText(), "Artikel 4711 ist gesperrt.");

    const std::string longText(1000, 'x');
    EXPECT_EQ(DbeSetLastError(5121, longText.c_str()), 5121);
    char text[2048];
    uint16_t length = sizeof text;
    uint32_t code = 0;
    ASSERT_EQ(DbeGetLastError(&code, text, &length), DBE_SUCCESS);
    EXPECT_LE(length, 600u);
    EXPECT_EQ(std::strlen(text), length);

    // An engine failure whose detail (a long path) would overflow the text.
    const std::string longName(3000, 'n');
    DBEHANDLE t = 0;
    EXPECT_NE(DbeOpenTable(conn_, longName.c_str(), nullptr, DBE_TBL, 0, 0, 0, 0, &t), DBE_SUCCESS);
    length = sizeof text;
    ASSERT_EQ(DbeGetLastError(&code, text, &length), DBE_SUCCESS);
    EXPECT_NE(code, 0u);
    EXPECT_GT(length, 0u);
    EXPECT_LE(length, 600u);
    EXPECT_EQ(std::strlen(text), length);
}

// The mask says which servers may serve a connect path: a folder only the
// local one, a connection string only the remote one; a server that does not
// answer is no server.
TEST_F(Errors, ServerTypeMaskDecidesWhereAConnectPathLeads) {
    struct Case {
        std::string path;
        uint16_t mask;
        DBESTATUS expected;
        uint16_t type;  // DbeGetConnectionType when connected
    };
    const std::string folder = dir_.path();
    std::vector<Case> cases = {
        {folder, 1, DBE_SUCCESS, 1}, {folder, 3, DBE_SUCCESS, 1},
        {folder, 7, DBE_SUCCESS, 1}, {folder, 2, DBE_E_SERVER_UNAVAILABLE, 0},
        {folder, 4, DBE_E_SERVER_UNAVAILABLE, 0}, {folder, 6, DBE_E_SERVER_UNAVAILABLE, 0},
        {"host=127.0.0.1 port=1 dbname=none connect_timeout=5", 2, DBE_E_SERVER_UNAVAILABLE, 0},
    };
    if (RemoteBackend()) {
        const std::string server = ConnectPath();
        cases.push_back({server, 2, DBE_SUCCESS, 2});
        cases.push_back({server, 3, DBE_SUCCESS, 2});
        cases.push_back({server, 6, DBE_SUCCESS, 2});
        cases.push_back({server, 1, DBE_E_PATH_NOT_FOUND, 0});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path + " mask " + std::to_string(c.mask));
        DBEHANDLE connection = 0;
        const DBESTATUS rc = DbeConnectEx(c.path.c_str(), c.mask, "", "", 0, &connection);
        if (c.expected) {
            ExpectFailure(rc, c.expected);
            continue;
        }
        ASSERT_EQ(rc, DBE_SUCCESS) << LastError();
        uint16_t type = 0;
        EXPECT_EQ(DbeGetConnectionType(connection, &type), DBE_SUCCESS);
        EXPECT_EQ(type, c.type);
        DbeDisconnect(connection);
    }
}

TEST_F(Errors, TableNamesIgnoreLetterCaseAndPathsTakeBackslashes) {
    CreateTable("ArtikelMain.TBL", "ARTN,String,10", {}, {"ARTN"}, {{"A1"}});
    std::string backslashed = dir_.path();
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    struct Case {
        const char *name;
        std::string folder, table;
    };
    const Case cases[] = {
        {"as created", dir_.path(), "ArtikelMain.TBL"},
        {"upper case", dir_.path(), "ARTIKELMAIN.TBL"},
        {"lower case", dir_.path(), "artikelmain.tbl"},
        {"full path, other case", dir_.path(), dir_.File("artikelMAIN.tbl")},
        {"backslashes", backslashed, "ArtikelMain.TBL"},
        {"backslashes and trailing one", backslashed + "\\", "artikelmain.TBL"},
        {"backslashed full path", dir_.path(), backslashed + "\\ARTIKELmain.tbl"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DBEHANDLE connection = 0;
        // The remote backend has no folders; the table name is all it uses.
        ASSERT_EQ(Connect(RemoteBackend() ? ConnectPath() : c.folder, &connection), DBE_SUCCESS)
            << LastError();
        DBEHANDLE t = OpenTable(connection, c.table);
        ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "ARTN"), "A1");
        DbeDisconnect(connection);
    }
    if (RemoteBackend()) return;
    // A table created through a backslashed folder lands in that folder.
    DBEHANDLE connection = 0;
    ASSERT_EQ(DbeConnect(backslashed.c_str(), &connection), DBE_SUCCESS);
    DBEHANDLE created = 0;
    ASSERT_EQ(DbeCreateTable(connection, "neu.tbl", "X,Integer", &created), DBE_SUCCESS)
        << LastError();
    DbeDisconnect(connection);
    EXPECT_TRUE(fs::exists(dir_.File("neu.tbl")));

    // A relative connect path and a relative table path are taken from the
    // working directory, as the layer names tables by the connect path and
    // the table name; a bare name stays in the connection's folder when the
    // working directory changes later.
    const fs::path before = fs::current_path();
    const fs::path folder(dir_.path());
    fs::current_path(folder.parent_path());
    const std::string relative = folder.filename().string();
    ASSERT_EQ(DbeConnect(relative.c_str(), &connection), DBE_SUCCESS) << LastError();
    for (const std::string &name : {relative + "/ArtikelMain.TBL", "./" + relative + "\\artikelmain.tbl"}) {
        SCOPED_TRACE(name);
        DBEHANDLE t = OpenTable(connection, name);
        ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "ARTN"), "A1");
        DbeCloseTable(t);
    }
    fs::current_path("/");
    DBEHANDLE bare = OpenTable(connection, "ArtikelMain.TBL");
    ASSERT_EQ(DbeGotoTop(bare), DBE_SUCCESS);
    EXPECT_EQ(Text(bare, "ARTN"), "A1");
    DbeDisconnect(connection);
    fs::current_path(before);
}

TEST_F(Errors, DictionaryConnection) {
    if (RemoteBackend()) GTEST_SKIP() << "dictionaries are files of the local backend";
    CreateTable("ArtikelMain.TBL", "ARTNR,String,10", {{"ARTNR", "ARTNR"}}, {"ARTNR"}, {{"A1"}});
    fs::create_directory(dir_.File("sub"));
    CreateTable(dir_.File("sub/setup.TBL"), "KEY,String,10", {}, {"KEY"}, {{"mandant"}});
    const std::string dic = dir_.File("shop.DIC");
    ASSERT_EQ(DbeCreateDictionary(dic.c_str()), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeDictAddTable(dic.c_str(), "Artikel", "ArtikelMain.TBL", "ARTNR"), DBE_SUCCESS);
    // Paths as the host writes them, with backslashes.
    ASSERT_EQ(DbeDictAddTable(dic.c_str(), "Setup", "sub\\setup.TBL", nullptr), DBE_SUCCESS);
    ASSERT_EQ(DbeDictAddUser(dic.c_str(), "kasse", "geheim"), DBE_SUCCESS);

    for (const auto &[user, password] :
         {std::pair{"kasse", "falsch"}, std::pair{"kasse", ""}, std::pair{"gast", "geheim"}}) {
        SCOPED_TRACE(std::string(user) + "/" + password);
        DBEHANDLE refused = 0;
        ExpectFailure(DbeConnectEx(dic.c_str(), DBE_LOCAL_SERVER, user, password, 0, &refused),
                      DBE_E_LOGIN_FAILED);
    }

    std::string backslashed = dic;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    DBEHANDLE dc = 0;
    ASSERT_EQ(DbeConnectEx(backslashed.c_str(), DBE_LOCAL_SERVER, "kasse", "geheim", 0, &dc),
              DBE_SUCCESS)
        << LastError();
    struct Case {
        const char *name;
        const char *field;
        const char *value;
    };
    for (const Case &c : {Case{"Artikel", "ARTNR", "A1"}, Case{"SETUP", "KEY", "mandant"}}) {
        SCOPED_TRACE(c.name);
        DBEHANDLE t = OpenTable(dc, c.name);
        ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
        EXPECT_EQ(Text(t, c.field), c.value);
    }

    char value[64] = {};
    uint16_t length = sizeof value;
    ASSERT_EQ(DbeDictGetTableProperty(dc, "Artikel", DBE_DD_TABLE_DEFAULT_INDEX, value, &length),
              DBE_SUCCESS)
        << LastError();
    EXPECT_STREQ(value, "ARTNR");
    EXPECT_EQ(length, 5u);
    DBEHANDLE t = OpenTable(dc, "Artikel");
    EXPECT_NE(IndexOf(t, value), 0u);

    length = sizeof value;
    ExpectFailure(DbeDictGetTableProperty(dc, "Setup", DBE_DD_TABLE_DEFAULT_INDEX, value, &length),
                  DBE_E_PROPERTY_NOT_SET);
    length = sizeof value;
    ExpectFailure(DbeDictGetTableProperty(dc, "Lager", DBE_DD_TABLE_DEFAULT_INDEX, value, &length),
                  DBE_E_TABLE_NOT_IN_DICTIONARY);
    DBEHANDLE unknown = 0;
    ExpectFailure(DbeOpenTable(dc, "Lager", nullptr, DBE_TBL, 0, 0, 0, 0, &unknown),
                  DBE_E_TABLE_NOT_IN_DICTIONARY);
    DbeDisconnect(dc);
}

} // namespace
} // namespace dbetest
