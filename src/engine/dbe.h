// dbe: the table engine. A C-style interface: every call answers a 32-bit
// status (0 success, else a code of dbe_codes.h whose text DbeGetLastError
// gives), handles are 32-bit, texts are zero-terminated Windows-1252 bytes.
//
// Conventions that hold for every call:
// - A text output takes a buffer and a 16-bit length: capacity in (including
//   the terminator), length out (excluding it). Too small a buffer answers
//   DBE_E_BUFFER_TOO_SMALL with the needed length out and as much text as fits.
//   A null buffer with a null or zero capacity asks only for the length and
//   answers DBE_E_BUFFER_TOO_SMALL when there is a value at all.
// - A field is named by its name (case-insensitive) or by its 1-based number
//   passed in the same pointer argument: DBE_FIELD(3).
// - An order handle is an index handle (index order) or a table handle
//   (natural order, by record number). Moving through an order handle moves
//   its table's current record; there is one current record per table handle.
// - Record numbers are never reused; a bookmark's first four bytes are the
//   record number.
// - Every failure sets the calling thread's last error (code and text).
// - No C++ exception leaves a call: a fault inside the engine answers
//   DBE_E_INTERNAL (DBE_E_OUT_OF_MEMORY when memory ran out) with its text.
//
// Layout of the record image (DbeGetRecord): one status byte (' ', or '*'
// for a record that is no longer in the table), then the fields in field
// order at DbeGetFieldOffset, each in its type's encoding:
//   1 logical 'T'/'F', blank when empty          2 numeric text, right-aligned
//   3 date: length 4 Julian day (0 empty), else YYYYMMDD text (zeros empty)
//   4, 20 string, blank-padded (all zero bytes when empty)
//   5 memo, 6 binary, 7 image, 8 variable text: a 32-bit slot, 0 when empty
//   9 compact date: 16-bit big-endian year*2 + month/8, then (month%8)*32+day
//   10 double, 17 currency double: IEEE (words 0x20, 0x80000000 when empty)
//   11 integer (0x80000000 empty), 12 short (0x8000 empty)
//   13 time: milliseconds (0xFFFFFFFF empty), 15 auto-increment (same)
//   14 timestamp: Julian day then milliseconds (day 0 empty)
//   16 raw bytes (all zero bytes when empty)
#pragma once

#include "dbe_codes.h"

#include <cstdint>

typedef uint32_t DBEHANDLE;
typedef int32_t DBESTATUS;

#define DBE_FIELD(n) (reinterpret_cast<const char *>(static_cast<uintptr_t>(n)))

// Server-type mask of DbeConnectEx / DbeSetServerType.
enum : uint16_t { DBE_LOCAL_SERVER = 1, DBE_REMOTE_SERVER = 2, DBE_INTERNET_SERVER = 4 };

// Table types: all our tables are of type DBE_TBL; the others are accepted
// at open and answer as DBE_TBL.
enum : uint16_t { DBE_NTX = 1, DBE_CDX = 2, DBE_TBL = 3 };

// DbeOpenTable options and DbeGetTableOpenOptions bits.
enum : uint32_t {
    DBE_EXCLUSIVE = 1,
    DBE_READONLY = 2,
    DBE_UPDATE_ALLOWED = 0x20,
    DBE_INSERT_ALLOWED = 0x40,
};

// DbeGetColumnPermissions bits.
enum : uint8_t { DBE_PERM_READ = 1, DBE_PERM_UPDATE = 2, DBE_PERM_INSERT = 4 };

// DbeCreateIndex options.
enum : uint32_t { DBE_INDEX_UNIQUE = 1, DBE_INDEX_DESCENDING = 2 };

// DbeSeek: key data types and seek types.
enum : uint16_t { DBE_RAWKEY = 1, DBE_STRINGKEY = 2 };
enum : uint16_t { DBE_SOFTSEEK = 1, DBE_HARDSEEK = 2 };

// DbeGetField options.
enum : uint16_t { DBE_PADDED = 0, DBE_TRIMMED = 1 };

// Field type codes.
enum : uint16_t {
    DBE_T_LOGICAL = 1,
    DBE_T_NUMERIC = 2,
    DBE_T_DATE = 3,
    DBE_T_STRING = 4,
    DBE_T_MEMO = 5,
    DBE_T_BINARY = 6,
    DBE_T_IMAGE = 7,
    DBE_T_VARCHAR = 8,
    DBE_T_COMPACTDATE = 9,
    DBE_T_DOUBLE = 10,
    DBE_T_INTEGER = 11,
    DBE_T_SHORTINT = 12,
    DBE_T_TIME = 13,
    DBE_T_TIMESTAMP = 14,
    DBE_T_AUTOINC = 15,
    DBE_T_RAW = 16,
    DBE_T_CURDOUBLE = 17,
    DBE_T_CISTRING = 20,
};

// Dictionary table property: the table's default index.
enum : uint16_t { DBE_DD_TABLE_DEFAULT_INDEX = 213 };

extern "C" {

// --- process-wide settings -------------------------------------------------
DBESTATUS DbeSetServerType(uint16_t mask);
DBESTATUS DbeCacheOpenCursors(int16_t count);
DBESTATUS DbeCacheOpenTables(int16_t count);
// The date format of DbeConvert* texts, e.g. "DD.MM.yyyy"; 'c'/'C' stand for
// century digits. At most 11 characters.
DBESTATUS DbeSetDateFormat(const char *format);
DBESTATUS DbeGetDateFormat(char *format, uint16_t *length);
DBESTATUS DbeSetDecimals(uint16_t decimals);
DBESTATUS DbeGetDecimals(uint16_t *decimals);
DBESTATUS DbeShowDeleted(uint16_t show);
DBESTATUS DbeGetDeleted(uint16_t *show);
DBESTATUS DbeGetNumOpenTables(uint16_t *count);
DBESTATUS DbeGetVersion(uint32_t *major, uint32_t *minor, char *letter, char *description,
                        uint16_t *length);
// Julian day from YYYYMMDD or from a text in the date format; the Julian day
// as YYYYMMDD text. An empty or all-blank text is day 0.
DBESTATUS DbeConvertStringToJulian(const char *text, uint16_t length, double *julian);
DBESTATUS DbeConvertJulianToString(double julian, char *text, uint16_t *length);

// --- errors ----------------------------------------------------------------
// The calling thread's last error: code and up to 600 characters of text.
DBESTATUS DbeGetLastError(uint32_t *code, char *text, uint16_t *length);
DBESTATUS DbeGetErrorString(uint32_t code, char *text, uint16_t *length);
// Stores code and text as the thread's last error and answers the code.
DBESTATUS DbeSetLastError(uint32_t code, const char *text);
// The engine's own display of the last error: written to standard error.
DBESTATUS DbeShowError(const char *title);

// --- connections -----------------------------------------------------------
// path: a folder of table files, or a dictionary file (".DIC", needs user and
// password), for the local server (mask bit DBE_LOCAL_SERVER); for the remote
// server (the other bits) a PostgreSQL connection string ("host=... dbname=...")
// or postgresql:// URI, whose tables live in its current schema. A path the
// allowed servers cannot take answers DBE_E_PATH_NOT_FOUND (local) or
// DBE_E_SERVER_UNAVAILABLE (remote only).
DBESTATUS DbeConnectEx(const char *path, uint16_t serverTypes, const char *user,
                       const char *password, uint32_t options, DBEHANDLE *connection);
DBESTATUS DbeConnect(const char *path, DBEHANDLE *connection);
// Closes the connection and every table still open on it.
DBESTATUS DbeDisconnect(DBEHANDLE connection);
DBESTATUS DbeGetConnectionType(DBEHANDLE connection, uint16_t *type);
DBESTATUS DbeGetServerName(DBEHANDLE connection, char *name, uint16_t *length);
DBESTATUS DbeDictGetTableProperty(DBEHANDLE connection, const char *table, uint16_t property,
                                  void *value, uint16_t *length);
// Writes on a connection's tables between Begin and Commit become durable
// together per table file; Rollback discards them.
DBESTATUS DbeBeginTransaction(DBEHANDLE connection);
DBESTATUS DbeCommitTransaction(DBEHANDLE connection);
DBESTATUS DbeRollbackTransaction(DBEHANDLE connection);

// Dictionary files: a dictionary names tables (path relative to its folder),
// each with a default index, and users with passwords.
DBESTATUS DbeCreateDictionary(const char *path);
DBESTATUS DbeDictAddTable(const char *dictionary, const char *table, const char *path,
                          const char *defaultIndex);
DBESTATUS DbeDictAddUser(const char *dictionary, const char *user, const char *password);

// --- tables ----------------------------------------------------------------
// Creates the table file (it must not exist) and opens it exclusively.
// fields: "NAME,TYPE[,LENGTH[,DECIMALS]];..." where TYPE is a type code or one
// of Logical Numeric Date String Memo Binary Image VarChar CompactDate Double
// Integer ShortInt Time TimeStamp AutoInc Raw CurDouble CIString.
DBESTATUS DbeCreateTable(DBEHANDLE connection, const char *name, const char *fields,
                         DBEHANDLE *table);
// name: a path of the file system (a relative one taken from the working
// directory, as the connect path is), or a bare name resolved in the
// connection's folder (or, on a dictionary connection, through the
// dictionary). options: DBE_EXCLUSIVE,
// DBE_READONLY. REQUIRES: the file is a table made by DbeCreateTable.
DBESTATUS DbeOpenTable(DBEHANDLE connection, const char *name, const char *alias,
                       uint16_t tableType, uint16_t charType, uint16_t lockType, uint16_t rights,
                       uint32_t options, DBEHANDLE *table);
// Releases the handle's record locks, pending changes and index handles.
DBESTATUS DbeCloseTable(DBEHANDLE table);
DBESTATUS DbeGetTableType(DBEHANDLE table, uint16_t *type);
DBESTATUS DbeGetTableCharType(DBEHANDLE table, uint16_t *charType);
DBESTATUS DbeGetTableOpenOptions(DBEHANDLE table, uint32_t *options);
DBESTATUS DbeGetRecordLength(DBEHANDLE table, uint32_t *length);
DBESTATUS DbeCacheRecords(DBEHANDLE table, uint16_t records);
DBESTATUS DbeIsTableEncrypted(DBEHANDLE table, uint16_t *encrypted);
DBESTATUS DbeIsEncryptionEnabled(DBEHANDLE table, uint16_t *enabled);
DBESTATUS DbeEnableEncryption(DBEHANDLE table, const char *password);
// Checks the table file's structure and every index; 0 when sound.
DBESTATUS DbeCheckTable(DBEHANDLE table);

// --- fields ----------------------------------------------------------------
DBESTATUS DbeGetNumFields(DBEHANDLE table, uint16_t *count);
DBESTATUS DbeGetFieldName(DBEHANDLE table, uint16_t number, char *name, uint16_t *length);
DBESTATUS DbeGetFieldType(DBEHANDLE table, const char *field, uint16_t *type);
DBESTATUS DbeGetFieldLength(DBEHANDLE table, const char *field, uint32_t *length);
DBESTATUS DbeGetFieldDecimals(DBEHANDLE table, const char *field, uint16_t *decimals);
DBESTATUS DbeGetFieldOffset(DBEHANDLE table, const char *field, uint32_t *offset);
DBESTATUS DbeGetColumnPermissions(DBEHANDLE table, const char *field, uint8_t *permissions);
// The image of a record whose every field is empty.
DBESTATUS DbeGetNullRecord(DBEHANDLE table, void *record, uint32_t *length);
DBESTATUS DbeClearRecordBuffer(DBEHANDLE table, void *record, uint32_t length);

// --- indexes ---------------------------------------------------------------
// expression: field names separated by ';'. The tag name must be new.
DBESTATUS DbeCreateIndex(DBEHANDLE table, const char *tag, const char *expression,
                         uint32_t options, DBEHANDLE *index);
DBESTATUS DbeOpenIndex(DBEHANDLE table, const char *file, DBEHANDLE *indexes, uint16_t *count);
DBESTATUS DbeGetNumIndexes(DBEHANDLE table, uint16_t *count);
// count: room in, number delivered out; more indexes than room answers
// DBE_E_BUFFER_TOO_SMALL after filling the room.
DBESTATUS DbeGetAllIndexes(DBEHANDLE table, DBEHANDLE *indexes, uint16_t *count);
// Finds a tag by name without regard to case.
DBESTATUS DbeGetIndexHandle(DBEHANDLE table, const char *tag, DBEHANDLE *index);
DBESTATUS DbeGetIndexName(DBEHANDLE index, char *name, uint16_t *length);
DBESTATUS DbeGetNumSegments(DBEHANDLE index, uint16_t *count);
DBESTATUS DbeGetSegmentFieldname(DBEHANDLE index, uint16_t segment, char *name,
                                 uint16_t *length);
DBESTATUS DbeIsIndexUnique(DBEHANDLE index, uint16_t *unique);
DBESTATUS DbeIsIndexDescending(DBEHANDLE index, uint16_t *descending);
DBESTATUS DbeIsIndexPrimaryKey(DBEHANDLE index, uint16_t *primary);
DBESTATUS DbeIsIndexCustom(DBEHANDLE index, uint16_t *custom);
DBESTATUS DbeGetIndexCondition(DBEHANDLE index, char *condition, uint16_t *length);
DBESTATUS DbeGetIndexFlags(DBEHANDLE index, uint32_t *flags);
DBESTATUS DbeGetIndexPageSize(DBEHANDLE index, uint16_t *size);
// Scopes are not kept: DbeGetScope answers DBE_E_NO_SCOPE.
DBESTATUS DbeGetScope(DBEHANDLE index, uint16_t which, void *key, uint16_t *length);
DBESTATUS DbeClearAllScopes(DBEHANDLE table);

// --- moving ----------------------------------------------------------------
// Index order: key, then record number ascending (both reversed on a
// descending tag). Top/Bottom stand on the first/last visible record (BOF and
// EOF on an empty order). After GotoBOF one Skip(+1) reaches the first record;
// after GotoBottom one Skip(+1) reaches EOF. Skipping past an end stops there.
DBESTATUS DbeGotoTop(DBEHANDLE order);
DBESTATUS DbeGotoBottom(DBEHANDLE order);
DBESTATUS DbeGotoBOF(DBEHANDLE order);
DBESTATUS DbeSkip(DBEHANDLE order, int32_t count);
DBESTATUS DbeAtEOF(DBEHANDLE order, uint16_t *atEnd);
DBESTATUS DbeAtBOF(DBEHANDLE order, uint16_t *atBeginning);
// DBE_E_RECORD_NOT_FOUND when the record does not exist; the position stays.
DBESTATUS DbeGotoRecord(DBEHANDLE table, uint32_t record);
DBESTATUS DbeGotoBookmark(DBEHANDLE table, uint32_t bookmark);
DBESTATUS DbeGetRecordNum(DBEHANDLE table, uint16_t filterOption, uint32_t *record);
DBESTATUS DbeGetBookmarkLength(DBEHANDLE order, uint32_t *length);
DBESTATUS DbeGetBookmark(DBEHANDLE table, uint32_t *bookmark);
DBESTATUS DbeGetBookmarkEx(DBEHANDLE order, void *bookmark, uint32_t *length);
// 1 when the current record exists and passes the table's filter.
// DBE_E_NO_CURRENT_RECORD at BOF/EOF.
DBESTATUS DbeIsRecordVisible(DBEHANDLE order, uint16_t *visible);
DBESTATUS DbeGetRecordCount(DBEHANDLE order, uint16_t filterOption, uint32_t *count);
DBESTATUS DbeGetKeyNum(DBEHANDLE order, uint16_t filterOption, uint32_t *number);
DBESTATUS DbeGetRelKeyPos(DBEHANDLE order, double *position);

// --- reading ---------------------------------------------------------------
// A stored text is delivered unchanged or not at all: one that Windows-1252
// cannot hold, that is not UTF-8 in a local table, that holds a NUL or is
// longer than its string field (left by another program) answers
// DBE_E_UNREADABLE_TEXT naming the table, the record and the field, from the
// read of it and from every move or seek that would land on its record (the
// position stays). Such a name in a table's catalogue fails DbeOpenTable.
// Copies the current record's image (pending changes included).
// DBE_E_NO_CURRENT_RECORD at BOF/EOF, DBE_E_RECORD_NOT_FOUND when the record
// was deleted.
DBESTATUS DbeGetRecord(DBEHANDLE table, void *record, uint32_t *length);
// Non-blob fields: the field's bytes as text (DBE_PADDED) or without trailing
// blanks (DBE_TRIMMED), zero-terminated when there is room. Blob fields: the
// value's bytes; length out is the value's length.
DBESTATUS DbeGetField(DBEHANDLE table, const char *field, void *value, uint32_t *length,
                      uint16_t option);
DBESTATUS DbeIsEmpty(DBEHANDLE table, const char *field, uint16_t *empty);
DBESTATUS DbeGetMemoLength(DBEHANDLE table, const char *field, uint32_t *length);
DBESTATUS DbeGetBinaryLength(DBEHANDLE table, const char *field, uint32_t *length);
DBESTATUS DbeGetMemoDataType(DBEHANDLE table, const char *field, uint16_t *type);
DBESTATUS DbeGetRecordCRC(DBEHANDLE table, uint32_t *crc, uint32_t option);
DBESTATUS DbeGetLastAutoinc(DBEHANDLE table, uint32_t *value);

// --- keys and seeking ------------------------------------------------------
// DbeSetField/DbeSetFieldRaw on an index handle set key segments between
// DbeInitRawKey and DbeBuildRawKey. A string segment set shorter than its
// field makes a partial key that ends there.
DBESTATUS DbeInitRawKey(DBEHANDLE index);
DBESTATUS DbeBuildRawKey(DBEHANDLE index, void *key, uint16_t *length);
// Soft seek stands on the first record whose key is not before the given key
// (EOF when none), hard seek on the first record with exactly that key (EOF
// when none). found: a record with exactly that key (or key prefix) exists.
// A string key is converted to the first segment's type.
DBESTATUS DbeSeek(DBEHANDLE index, const void *key, uint16_t length, uint16_t dataType,
                  uint16_t seekType, uint16_t *found);

// --- writing ---------------------------------------------------------------
// On a table handle: sets a field of the current record (starting a pending
// change) or of the appended record. DbeSetField takes the value in text
// form for non-blob fields (converted to the field's type) and the bytes for
// blob fields; DbeSetFieldRaw takes the field's image encoding (at least
// the field's length). A text ends at its first NUL, which only NULs may
// follow: a NUL inside a text (on a table or an index handle) answers
// DBE_E_VALUE_CONVERSION and sets nothing. REQUIRES: value points to length
// bytes; a null value is refused with DBE_E_INVALID_ARGUMENT, also with
// length 0.
DBESTATUS DbeSetField(DBEHANDLE handle, const char *field, const void *value, uint32_t length);
DBESTATUS DbeSetFieldRaw(DBEHANDLE handle, const char *field, const void *value,
                         uint32_t length);
DBESTATUS DbeSetEmpty(DBEHANDLE table, const char *field);
// Starts a new record (its number is reserved at once and never reused); it
// reaches the table on DbeWriteRecord.
DBESTATUS DbeAppendRecord(DBEHANDLE table);
// Writes the pending change or new record. A record locked by another handle
// or process answers DBE_E_RECORD_LOCKED and nothing is written.
DBESTATUS DbeWriteRecord(DBEHANDLE table);
DBESTATUS DbeCancelUpdate(DBEHANDLE table);
// Removes the current record at once (the same lock rule as writing) into
// the table's journal of deleted records (below). The handle stays on the
// removed record until it moves.
DBESTATUS DbeDeleteRecord(DBEHANDLE table);
// record 0 is the current record. A lock held by another handle or process
// answers DBE_E_RECORD_LOCKED. Locks go with DbeUnlockRecord, DbeCloseTable
// or the end of the process.
DBESTATUS DbeLockRecord(DBEHANDLE table, uint32_t record);
DBESTATUS DbeUnlockRecord(DBEHANDLE table, uint32_t record);
DBESTATUS DbeIsRecordLocked(DBEHANDLE table, uint32_t record, uint16_t *locked);

// --- filters ---------------------------------------------------------------
// Expressions: terms "(NAME=value)" joined by AND; values are "text" (joined
// with + Chr(34) +), numbers, .TRUE./.FALSE., ctod("..."), ctot("..."),
// ctots("..."); terms "(empty(NAME))" and "(UPPER(NAME)=UPPER(value))".
// With exact off, a text matches when the field starts with it.
DBESTATUS DbeSetFilter(DBEHANDLE table, const char *expression);
DBESTATUS DbeGetFilter(DBEHANDLE table, char *expression, uint16_t *length);
DBESTATUS DbeClearFilter(DBEHANDLE table);
DBESTATUS DbeSetOptFilter(DBEHANDLE table, const char *expression, uint16_t options);
DBESTATUS DbeGetOptFilter(DBEHANDLE table, char *expression, uint16_t *length);
DBESTATUS DbeClearOptFilter(DBEHANDLE table);
DBESTATUS DbeSetExact(DBEHANDLE table, uint16_t exact);
DBESTATUS DbeGetExact(DBEHANDLE table, uint16_t *exact);
DBESTATUS DbeEvalLogicalExpr(DBEHANDLE order, const char *expression, uint16_t *result);

// --- the journal of deleted records ---------------------------------------
// A deleted record is kept, in the same write as its delete, in a journal in
// the table's own storage: every value, memos and binaries included, its
// record number, the moment and the deleting process's user and host. It is
// in no order, count or seek of the table. A table without any delete yet has
// an empty journal (the storage for it is made by the first delete).
//
// DbeOpenDeleted opens the journal as a table handle for reading: the
// table's fields, then DELETED_AT (TimeStamp, the moment in UTC), DELETED_BY
// (the user) and DELETED_HOST (the host), both String 64; a name the table
// uses itself gets a leading '_'. Its natural order is the record number,
// which is the number the record had; it has no index tags. The handle has
// a storage connection of its own and sees what is committed; it takes no
// part in the connection's transactions and no table lock (it can be read
// while a handle holds the table exclusively).
DBESTATUS DbeOpenDeleted(DBEHANDLE table, DBEHANDLE *journal);
// Puts the journal's record back into the table with its record number and
// values, and takes it out of the journal; auto-increment values stay as
// they were and are never handed out again. DBE_E_RECORD_NOT_FOUND when the
// journal does not hold it; DBE_E_DUPLICATE_KEY, naming the record and the
// tag, when a unique tag's key is taken by now.
DBESTATUS DbeRecallRecord(DBEHANDLE table, uint32_t record);
// Drops the record from the journal for good. DBE_E_RECORD_NOT_FOUND when
// the journal does not hold it.
DBESTATUS DbePurgeRecord(DBEHANDLE table, uint32_t record);

}  // extern "C"

// Every call above, listed once; the dispatch table and its users are built
// from this list.
#define DBE_API_FUNCTIONS(X)                                                                     \
    X(DbeSetServerType) X(DbeCacheOpenCursors) X(DbeCacheOpenTables) X(DbeSetDateFormat)        \
    X(DbeGetDateFormat) X(DbeSetDecimals) X(DbeGetDecimals) X(DbeShowDeleted) X(DbeGetDeleted)   \
    X(DbeGetNumOpenTables) X(DbeGetVersion) X(DbeConvertStringToJulian)                         \
    X(DbeConvertJulianToString) X(DbeGetLastError) X(DbeGetErrorString) X(DbeSetLastError)      \
    X(DbeShowError) X(DbeConnectEx) X(DbeConnect) X(DbeDisconnect) X(DbeGetConnectionType)      \
    X(DbeGetServerName) X(DbeDictGetTableProperty) X(DbeBeginTransaction)                       \
    X(DbeCommitTransaction) X(DbeRollbackTransaction) X(DbeCreateDictionary) X(DbeDictAddTable) \
    X(DbeDictAddUser) X(DbeCreateTable) X(DbeOpenTable) X(DbeCloseTable) X(DbeGetTableType)     \
    X(DbeGetTableCharType) X(DbeGetTableOpenOptions) X(DbeGetRecordLength) X(DbeCacheRecords)   \
    X(DbeIsTableEncrypted) X(DbeIsEncryptionEnabled) X(DbeEnableEncryption) X(DbeCheckTable)    \
    X(DbeGetNumFields) X(DbeGetFieldName) X(DbeGetFieldType) X(DbeGetFieldLength)               \
    X(DbeGetFieldDecimals) X(DbeGetFieldOffset) X(DbeGetColumnPermissions) X(DbeGetNullRecord)  \
    X(DbeClearRecordBuffer) X(DbeCreateIndex) X(DbeOpenIndex) X(DbeGetNumIndexes)               \
    X(DbeGetAllIndexes) X(DbeGetIndexHandle) X(DbeGetIndexName) X(DbeGetNumSegments)            \
    X(DbeGetSegmentFieldname) X(DbeIsIndexUnique) X(DbeIsIndexDescending)                      \
    X(DbeIsIndexPrimaryKey) X(DbeIsIndexCustom) X(DbeGetIndexCondition) X(DbeGetIndexFlags)     \
    X(DbeGetIndexPageSize) X(DbeGetScope) X(DbeClearAllScopes) X(DbeGotoTop) X(DbeGotoBottom)   \
    X(DbeGotoBOF) X(DbeSkip) X(DbeAtEOF) X(DbeAtBOF) X(DbeGotoRecord) X(DbeGotoBookmark)        \
    X(DbeGetRecordNum) X(DbeGetBookmarkLength) X(DbeGetBookmark) X(DbeGetBookmarkEx)            \
    X(DbeIsRecordVisible) X(DbeGetRecordCount) X(DbeGetKeyNum) X(DbeGetRelKeyPos)               \
    X(DbeGetRecord) X(DbeGetField) X(DbeIsEmpty) X(DbeGetMemoLength) X(DbeGetBinaryLength)      \
    X(DbeGetMemoDataType) X(DbeGetRecordCRC) X(DbeGetLastAutoinc) X(DbeInitRawKey)              \
    X(DbeBuildRawKey) X(DbeSeek) X(DbeSetField) X(DbeSetFieldRaw) X(DbeSetEmpty)                \
    X(DbeAppendRecord) X(DbeWriteRecord) X(DbeCancelUpdate) X(DbeDeleteRecord)                  \
    X(DbeLockRecord) X(DbeUnlockRecord) X(DbeIsRecordLocked) X(DbeSetFilter) X(DbeGetFilter)    \
    X(DbeClearFilter) X(DbeSetOptFilter) X(DbeGetOptFilter) X(DbeClearOptFilter)                \
    X(DbeSetExact) X(DbeGetExact) X(DbeEvalLogicalExpr) X(DbeOpenDeleted) X(DbeRecallRecord)   \
    X(DbePurgeRecord)
