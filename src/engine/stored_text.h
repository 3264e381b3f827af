// The texts a table holds, as the engine hands them out. Another program
// (the sqlite3 shell, psql, a tool of its own) can leave a text in a table
// that the engine's Windows-1252 bytes cannot carry unchanged; what is left
// of it after a cut or a replacement would make two different texts read
// alike, so that two article numbers become duplicates. Such a text is an
// error of its own, never a shorter or an altered value.
//
// Both stores decode the stored form of every string field and memo here,
// whichever way a read reaches the column (whole rows, a key column alone).
//
// The five bytes Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) are texts like every other byte on both kinds of table: a local
// table stores them as the C1 code points of the same value (cp1252.h), a
// server table as the bytes themselves, and both read them back unchanged.
// Refusing them would make texts that the engine itself wrote unreadable.
#pragma once

#include "field_codec.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dbe {

enum class TextFault {
    kNone,
    kNotUtf8,        // a local table's text that is not UTF-8
    kNotWindows1252, // a character that Windows-1252 cannot hold
    kNul,            // a NUL byte in a string field: the record image would end there
    kTooLong,        // more characters than the string field holds
};

// A local table keeps texts as UTF-8: the Windows-1252 bytes of a string
// field's or memo's stored text, a string field's trailing blanks removed.
TextFault TextFromUtf8(const FieldDef &field, std::string_view stored, std::string &out);
// A server table keeps the Windows-1252 bytes themselves: the bytes of a
// string field's or memo's stored value, a string field's trailing blanks
// removed. Only a string field can fail, on a NUL or on its length.
TextFault TextFromBytes(const FieldDef &field, std::string_view stored, std::string &out);

// DBE_E_UNREADABLE_TEXT for a stored value: "<table> record <n> field
// <name> holds a text that is not Windows-1252." and the like.
int32_t FailStoredText(std::string_view table, uint32_t recno, const FieldDef &field,
                       TextFault fault);
// DBE_E_UNREADABLE_TEXT for a name in the table's catalogue: "<table>:
// <what> is not a Windows-1252 text.".
int32_t FailCatalogueText(std::string_view table, const std::string &what);

} // namespace dbe
