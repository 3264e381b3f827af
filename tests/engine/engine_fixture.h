// Shared fixture of the engine conformance tests. Everything goes through the
// engine's C interface, so the same tests can run against another backend.
//
// Helpers throw EngineFailure on an unexpected status: a setup step that
// fails then stops the test with the engine's own explanation instead of
// cascading into unrelated assertion failures.
#pragma once

#include "dbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbetest {

struct EngineFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The calling thread's last error as "code: text".
std::string LastError();
uint32_t LastErrorCode();
std::string LastErrorText();
void Ok(DBESTATUS rc, const std::string &what);

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string File(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct TagDef {
    std::string tag;
    std::string expression;
    uint32_t options = 0;
};

using Rows = std::vector<std::vector<std::string>>;
using Recnos = std::vector<uint32_t>;

DBEHANDLE OpenTable(DBEHANDLE connection, const std::string &name, uint32_t options = 0);
DBEHANDLE IndexOf(DBEHANDLE table, const std::string &tag);
// Appends one record with `values` (text form) for `columns`; its number.
uint32_t AppendRow(DBEHANDLE table, const std::vector<std::string> &columns,
                   const std::vector<std::string> &values);
uint32_t RecNo(DBEHANDLE table);
bool AtEOF(DBEHANDLE order);
bool AtBOF(DBEHANDLE order);
// The field through DbeGetField, trimmed or padded.
std::string Text(DBEHANDLE table, const char *field, uint16_t option = DBE_TRIMMED);
// The field's bytes in the record image of DbeGetRecord.
std::string Image(DBEHANDLE table, const char *field);
// Record numbers met from the top down to EOF (forward) or from the bottom
// up to BOF (backward), each step a Skip of one.
Recnos Walk(DBEHANDLE order, DBEHANDLE table, bool forward = true);
std::vector<std::string> WalkField(DBEHANDLE order, DBEHANDLE table, const char *field,
                                   bool forward = true);
std::string Hex(const std::string &bytes);

// The suite runs against the local files, or with DBE_TEST_BACKEND=pg
// against a PostgreSQL server whose conninfo DBE_TEST_PG names.
bool RemoteBackend();
// Connects to `path` with the backend of the run: a folder, or a conninfo.
DBESTATUS Connect(const std::string &path, DBEHANDLE *connection);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the table with its tags and rows and closes it again, so that
    // no handle of this process holds it.
    void CreateTable(const std::string &name, const std::string &fields,
                     const std::vector<TagDef> &tags = {},
                     const std::vector<std::string> &columns = {}, const Rows &rows = {},
                     Recnos *recnos = nullptr);
    // CreateTable, then opened shared.
    DBEHANDLE MakeTable(const std::string &name, const std::string &fields,
                        const std::vector<TagDef> &tags = {},
                        const std::vector<std::string> &columns = {}, const Rows &rows = {},
                        Recnos *recnos = nullptr);
    DBEHANDLE Open(const std::string &name, uint32_t options = 0) {
        return OpenTable(conn_, name, options);
    }
    // What another connection (a second one, a child process's) passes to
    // Connect to reach this test's tables.
    const std::string &ConnectPath() const { return connectPath_; }
    // Runs SQL in the test's schema past the engine (remote backend only);
    // the server's error message, empty when it went through.
    std::string ExecuteOnServer(const std::string &sql) const;
    // Runs SQL past the engine where the table `name` is stored: in its
    // table file on local files, in the test's schema on the server; the
    // storage's error message, empty when it went through.
    std::string ExecuteOnStorage(const std::string &name, const std::string &sql) const;

    TempDir dir_;
    DBEHANDLE conn_ = 0;

private:
    std::string connectPath_;
    // With the remote backend, each test's tables live in a schema of its own.
    std::string schema_;
};

} // namespace dbetest
