// The journal of deleted records (delete_journal.h): reading it through a
// table handle of its own, recalling records from it and purging it.
#include "dbe.h"

#include "engine_state.h"

using namespace dbe;

extern "C" {

DBESTATUS DbeOpenDeleted(DBEHANDLE table, DBEHANDLE *journal) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!journal) return Fail(DBE_E_INVALID_ARGUMENT, "output pointer is null");
    *journal = 0;
    std::unique_ptr<TableStore> store;
    if (int32_t rc = t->cursor->store().OpenJournal(store)) return rc;
    auto j = std::make_unique<Table>();
    j->connection = t->connection;
    j->cursor = std::make_unique<TableCursor>(std::move(store), DBE_READONLY);
    const DBEHANDLE h = E().NewHandle();
    if (Connection *c = FindConnection(t->connection)) c->tables.insert(h);
    E().tables.emplace(h, std::move(j));
    *journal = h;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeRecallRecord(DBEHANDLE table, uint32_t record) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Recall(record);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbePurgeRecord(DBEHANDLE table, uint32_t record) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Purge(record);
} catch (...) {
    return CaughtException();
}

} // extern "C"
