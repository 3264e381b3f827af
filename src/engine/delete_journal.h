// The journal of deleted records. A record the engine deletes is not gone:
// in the transaction of the delete it moves into a journal in its table's own
// storage (the same table file; a side relation on the server), with every
// value, its record number, the time of the delete and the deleting process's
// user and host. There it stays, outside every order, count and seek of the
// table, until it is recalled (back into the table with its number and
// values) or purged.
#pragma once

#include "field_codec.h"

#include <cstdint>
#include <string>

namespace dbe {

struct DeleteStamp {
    int64_t at = 0;   // the moment of the delete in UTC, as a timestamp value
    std::string user; // Windows-1252, at most kJournalTextLength bytes
    std::string host;
};

// The deleting process and the moment: its user and host, and now.
DeleteStamp StampNow();

// A journal handle's fields are the table's own, followed by these three:
// DELETED_AT (TimeStamp, UTC), DELETED_BY and DELETED_HOST (String). A name
// the table uses for a field of its own gets a leading '_' until it is free.
constexpr int kJournalFieldCount = 3;
constexpr uint32_t kJournalTextLength = 64;
void AddJournalFields(Schema &schema);

// The storage columns of the three, in the same order. Columns whose names
// hold '#' are the engine's own, beside the fields' columns, as the key
// columns of the server's tables are.
extern const char *const kJournalColumns[kJournalFieldCount];

} // namespace dbe
