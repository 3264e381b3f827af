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

// Parses "NAME,TYPE[,LENGTH[,DECIMALS]];..." into fields; false with a reason.
bool ParseFieldList(std::string_view text, std::vector<FieldDef> &fields, std::string &error);

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
