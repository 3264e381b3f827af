// The commands on a table's journal of deleted records: listing it, putting
// records back and emptying it. Every record the engine deletes is kept
// there with the moment of its delete, which these commands show and take as
// local time.
#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace tbltool {

// TIME of the command line: ISO 8601 local time, "2026-12-11T14:00:00" (a
// blank may stand for the T; the seconds and a fraction of them are
// optional), or a date alone, which is its midnight. Answers the moment in
// milliseconds since 1970-01-01 UTC; a UsageError naming `option` when the
// text is none.
qint64 parseLocalTime(const QString &text, const QString &option);
// The moment as DELETED_AT shows it: local time, "2026-12-11T14:00:05.123".
QString localTimeText(qint64 msSinceEpoch);

// Which entries of the journal a command takes: all, those deleted at or
// after `since`, those deleted before `before`, or the records numbered.
struct JournalSelection {
    std::optional<qint64> since;
    std::optional<qint64> before;
    std::vector<uint32_t> recnos;
};

// Writes the journal as UTF-8 CSV in record number order: DELETED_AT,
// DELETED_BY (the user), DELETED_HOST, RECNO (the number the record had and
// gets back), then the table's fields as export writes them. `since` only.
void listDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out);
// Puts the selected records back into the table with their numbers and
// values, all of them or none; reports how many on `out`.
void recallDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out);
// Drops the selected entries from the journal for good (all, or `before`
// only); reports how many on `out`.
void purgeDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out);

} // namespace tbltool
