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

// True for a libpq connection string or postgresql:// URI.
bool looksLikeConninfo(const QString &text);

// Where tables live: a folder of table files, or the current schema of a
// database on a server.
struct Place {
    QString connectPath; // the absolute folder, or the connection string as given
    bool server = false;

    // The name the engine takes for the table `name` of this place.
    QString tablePath(const QString &name) const;
};
// The DIR argument of create-host and demo. An existing folder stays a
// folder even when its name could be read as a connection string.
Place resolvePlace(const QString &argument);

class Connection {
public:
    explicit Connection(const Place &place);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    DBEHANDLE handle() const { return handle_; }

private:
    DBEHANDLE handle_ = 0;
};

class Table {
public:
    // Opens an existing table file.
    Table(Connection &connection, const QString &path, uint32_t options);
    // Creates the table file from a field list and keeps it open.
    static Table create(Connection &connection, const QString &path, const QString &fields);
    // The table's journal of deleted records, read-only: the table's fields,
    // then DELETED_AT (UTC), DELETED_BY and DELETED_HOST.
    static Table deletedOf(const Table &table);
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

// A table given on the command line: a table file, or a connection string
// followed by "/" and the table name. `file` is what the engine opens: the
// absolute file path, or the argument itself, whose last segment the engine
// takes as the name.
struct TablePath {
    QString file;
    Place place;
};
TablePath resolveExistingTable(const QString &argument);

} // namespace tbltool
