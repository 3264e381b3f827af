// The storage behind one open table handle. The cursor logic above it knows
// nothing of how rows are kept; a backend keeps rows, index orders, record
// numbers, auto-increment values and record locks.
//
// Every call answers DBE_SUCCESS or an engine code (the thread's last error
// set by the backend).
//
// Reads deliver stored texts unchanged or not at all (stored_text.h): a row
// that holds a text the engine cannot deliver ends the answer of Scan, Seek
// and Fetch with DBE_E_UNREADABLE_TEXT naming its record and field; the
// rows before it are in `out`. FetchBlob answers the same for a memo.
#pragma once

#include "delete_journal.h"
#include "field_codec.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dbe {

class TableStore {
public:
    virtual ~TableStore() = default;

    virtual const Schema &schema() const = 0;
    virtual const std::string &path() const = 0;

    // Rows in the order of `index` (-1: record number): strictly after `from`
    // (from the start when null), forward or backward, at most `limit`.
    // Blob fields come as 1 (has a value) or null, never their contents.
    virtual int32_t Scan(int index, const Row *from, bool forward, int limit,
                         std::vector<Row> &out) = 0;
    // Rows of `index` from the first whose key is not before `key` (the
    // first key.size() segments; when `partial`, the last of them is a
    // string prefix), in index order, at most `limit`.
    virtual int32_t Seek(int index, const std::vector<Value> &key, bool partial, int limit,
                         std::vector<Row> &out) = 0;
    virtual int32_t Fetch(uint32_t recno, std::optional<Row> &out) = 0;
    virtual int32_t FetchBlob(uint32_t recno, int field, std::optional<std::string> &out) = 0;
    virtual int32_t Count(uint32_t &count) = 0;
    // Rows before `row` in the order of `index`.
    virtual int32_t CountBefore(int index, const Row &row, uint32_t &count) = 0;

    // A new record number, never handed out before.
    virtual int32_t ReserveRecno(uint32_t &recno) = 0;
    // `set[i]` tells which values to write; an unset auto-increment field is
    // assigned (`row` receives it).
    virtual int32_t Insert(Row &row, const std::vector<bool> &set) = 0;
    virtual int32_t Update(const Row &row, const std::vector<bool> &modified) = 0;
    // Moves the record into the table's journal of deleted records
    // (delete_journal.h), stamped with `stamp`, as one write: a record is in
    // the table or in the journal, never in both or neither. The journal is
    // made on the first delete, so that tables from before it open as ever.
    virtual int32_t Remove(uint32_t recno, const DeleteStamp &stamp) = 0;
    // Puts the journal's record back into the table with its record number
    // and values, and out of the journal. 5022 when the journal does not hold
    // it; 5045 naming the record and the tag when a unique tag's key is
    // taken by now.
    virtual int32_t Recall(uint32_t recno) = 0;
    // Drops the record from the journal for good; 5022 when it is not there.
    virtual int32_t Purge(uint32_t recno) = 0;
    // A store of its own (its own connection or session) that shows the
    // journal as a table: the table's fields and then the journal's
    // (AddJournalFields), the deleted records' numbers, no index tags. It is
    // opened for reading only.
    virtual int32_t OpenJournal(std::unique_ptr<TableStore> &out) = 0;
    virtual int32_t LastAutoinc(int64_t &value) = 0;

    virtual int32_t Begin() = 0;
    virtual int32_t Commit() = 0;
    virtual int32_t Rollback() = 0;
    virtual bool InTransaction() const = 0;

    virtual int32_t CreateIndex(const IndexDef &index) = 0;
    virtual int32_t Check() = 0;

    // Record locks held by this handle against every other handle.
    virtual bool LockRecord(uint32_t recno) = 0;
    virtual void UnlockRecord(uint32_t recno) = 0;
    virtual bool HoldsRecord(uint32_t recno) const = 0;
    virtual bool LockedByOther(uint32_t recno) = 0;
};

// Local files: one SQLite database per table.
int32_t CreateSqliteTable(const std::string &path, const std::vector<FieldDef> &fields,
                          std::unique_ptr<TableStore> &out);
int32_t OpenSqliteTable(const std::string &path, bool exclusive, bool readOnly,
                        std::unique_ptr<TableStore> &out);

// A PostgreSQL database: the connect path is a libpq connection string or a
// postgresql:// URI; user and password, when not empty, override its own.
struct PgTarget {
    std::string conninfo;
    std::string user;
    std::string password;
};

// True for a text libpq takes as a connection string or URI.
bool LooksLikeConninfo(const std::string &path);
// Reaches the server once; `serverName` is "host:port/database".
int32_t CheckPgServer(const PgTarget &target, std::string &serverName);
int32_t CreatePgTable(const PgTarget &target, const std::string &name,
                      const std::vector<FieldDef> &fields, std::unique_ptr<TableStore> &out);
int32_t OpenPgTable(const PgTarget &target, const std::string &name, bool exclusive,
                    std::unique_ptr<TableStore> &out);

}  // namespace dbe
