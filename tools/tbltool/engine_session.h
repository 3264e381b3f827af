// Owning wrappers around the engine's connection and table handles, and the
// facts about a table that every command needs.
#pragma once

#include "dbe_dispatch.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace tbltool {

// Throws ToolError "<what>: <engine's text> (<code>)" unless `status` is 0.
void checkEngine(DBESTATUS status, const QString &what);
// The engine's text for the calling thread's last error.
QString engineLastError();

// Reads a text output through the engine's buffer/length convention.
QString readEngineText(const std::function<DBESTATUS(char *, uint16_t *)> &call,
                       const QString &what);

const char *fieldTypeName(uint16_t type);
bool isBlobType(uint16_t type);

struct FieldInfo {
    uint16_t number = 0; // 1-based
    QString name;
    uint16_t type = 0;
    uint32_t length = 0;
    uint16_t decimals = 0;
    uint32_t offset = 0;
};

class Connection {
public:
    explicit Connection(const QString &folder);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    DBEHANDLE handle() const { return handle_; }
    QString folder() const { return folder_; }

private:
    DBEHANDLE handle_ = 0;
    QString folder_;
};

class Table {
public:
    // Opens an existing table file.
    Table(Connection &connection, const QString &path, uint32_t options);
    // Creates the table file from a field list and keeps it open.
    static Table create(Connection &connection, const QString &path, const QString &fields);
    ~Table();
    Table(Table &&other) noexcept;
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;
    Table &operator=(Table &&) = delete;

    DBEHANDLE handle() const { return handle_; }
    const QString &path() const { return path_; }
    const std::vector<FieldInfo> &fields() const { return fields_; }
    uint32_t recordLength() const { return recordLength_; }

private:
    Table(DBEHANDLE handle, const QString &path);
    void readLayout();

    DBEHANDLE handle_ = 0;
    QString path_;
    std::vector<FieldInfo> fields_;
    uint32_t recordLength_ = 0;
};

// A table path given on the command line: its absolute form and its folder.
struct TablePath {
    QString file;
    QString folder;
};
TablePath resolveExistingTable(const QString &argument);

} // namespace tbltool
