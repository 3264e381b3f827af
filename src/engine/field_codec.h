// Field definitions, the engine's in-memory values and their three forms:
// the record image (the engine's wire format), the text form of DbeSetField
// and DbeGetField, and key comparison.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dbe {

// null; int64 (logical 0/1, integers, Julian day for dates, milliseconds for
// time, Julian day * 86400000 + ms for timestamps, 1 for a blob that has a
// value not yet loaded); double (numeric, double, currency); bytes (strings
// in Windows-1252 without trailing blanks, raw bytes, loaded blob contents).
using Value = std::variant<std::monostate, int64_t, double, std::string>;

inline bool IsNull(const Value &v) { return std::holds_alternative<std::monostate>(v); }

struct FieldDef {
    std::string name;
    uint16_t type = 0;
    uint32_t length = 0;  // bytes in the record image (characters for texts)
    uint16_t decimals = 0;
    uint32_t offset = 0;
};

struct IndexDef {
    std::string name;
    std::vector<int> fields;  // 0-based field numbers
    bool unique = false;
    bool descending = false;
};

struct Schema {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    uint32_t recordLength = 0;

    int FieldIndex(std::string_view name) const;  // -1 when unknown
    int IndexNumber(std::string_view tag) const;  // -1 when unknown
    int AutoincField() const;                     // -1 when none
    void Layout();                                // offsets and record length
};

struct Row {
    uint32_t recno = 0;
    std::vector<Value> values;
};

bool IsBlobType(uint16_t type);
bool IsStringType(uint16_t type);
bool IsKnownType(uint16_t type);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The longest text or raw field, the longest numeric field.
inline constexpr uint32_t kMaxTextLength = 65000;
inline constexpr uint32_t kMaxNumericLength = 32;
// The longest record image, status byte included. The host's records take a
// few hundred bytes; 1 MiB holds sixteen texts of the longest kind and keeps
// what a damaged catalogue can make an open allocate per record small.
inline constexpr uint32_t kMaxRecordLength = 1u << 20;

// Parses "NAME,TYPE[,LENGTH[,DECIMALS]];..." into fields with their
// lengths; false with a reason, also when the fields together exceed
// kMaxRecordLength.
bool ParseFieldList(std::string_view text, std::vector<FieldDef> &fields, std::string &error);
// Whether the fields are what a field list gives: known types, each with a
// length its type takes (numeric 1-32 with fewer decimals, date 4 or 8, text
// and raw 1-65000, every other type its fixed size), decimals only for
// numeric fields, names neither empty nor repeated, and a record of at most
// kMaxRecordLength. A catalogue read from storage passes this before its
// record image is laid out; false with a reason naming the field.
bool CheckFields(const std::vector<FieldDef> &fields, std::string &error);

// The text of a zero-terminated value given with its length: the bytes up
// to the first NUL, which only NULs may follow (a padded buffer). False for
// a NUL inside the text, which would cut it short.
bool ZeroTerminatedText(std::string_view bytes, std::string_view &text);

// Record image of one field at `out` (field.length bytes).
void EncodeImage(const FieldDef &field, const Value &value, unsigned char *out);
// The value of one field's image bytes; false when they do not decode (a
// string with a NUL inside it, among others).
bool DecodeImage(const FieldDef &field, const unsigned char *in, Value &value);
// The value of DbeSetField's text form; false when it does not convert.
bool ParseText(const FieldDef &field, std::string_view text, Value &value);
// DbeGetField's text form of a non-blob value.
std::string FormatText(const FieldDef &field, const Value &value, bool trimmed);

// Key order: null first; strings blank-padded byte order (type 20 ignoring
// case); everything else by value.
int CompareValues(uint16_t type, const Value &a, const Value &b);
// Blank-padded comparison of Windows-1252 texts.
int ComparePadded(std::string_view a, std::string_view b, bool ignoreCase);

// Julian day numbers of the proleptic Gregorian calendar.
int64_t JulianFromCivil(int year, int month, int day);
void CivilFromJulian(int64_t julian, int &year, int &month, int &day);
// YYYYMMDD, YYYY-MM-DD or a text in the date format ("DD.MM.yyyy", ...).
bool ParseDate(std::string_view text, std::string_view dateFormat, int64_t &julian);
std::string FormatDateCompact(int64_t julian);  // YYYYMMDD
std::string FormatDateIso(int64_t julian);      // YYYY-MM-DD
std::string FormatTimestampIso(int64_t value);  // YYYY-MM-DD HH:MM:SS.mmm
bool ParseTimestamp(std::string_view text, int64_t &value);
bool ParseTime(std::string_view text, int64_t &ms);

}  // namespace dbe
