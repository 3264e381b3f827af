#include "stored_text.h"

#include "cp1252.h"
#include "dbe_codes.h"
#include "engine_error.h"

namespace dbe {
namespace {

// What a string field may hold once it is Windows-1252 bytes: no NUL, and
// no more characters than the field after its trailing blanks.
TextFault CheckString(const FieldDef &field, std::string &text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.find('\0') != std::string::npos) return TextFault::kNul;
    if (text.size() > field.length) return TextFault::kTooLong;
    return TextFault::kNone;
}

} // namespace

TextFault TextFromUtf8(const FieldDef &field, std::string_view stored, std::string &out) {
    bool utf8 = true;
    if (!Utf8ToCp1252(stored, out, &utf8)) {
        out.clear();
        return utf8 ? TextFault::kNotWindows1252 : TextFault::kNotUtf8;
    }
    if (!IsStringType(field.type)) return TextFault::kNone;
    TextFault fault = CheckString(field, out);
    if (fault != TextFault::kNone) out.clear();
    return fault;
}

TextFault TextFromBytes(const FieldDef &field, std::string_view stored, std::string &out) {
    out.assign(stored.data(), stored.size());
    if (!IsStringType(field.type)) return TextFault::kNone;
    TextFault fault = CheckString(field, out);
    if (fault != TextFault::kNone) out.clear();
    return fault;
}

int32_t FailStoredText(std::string_view table, uint32_t recno, const FieldDef &field,
                       TextFault fault) {
    std::string why;
    switch (fault) {
    case TextFault::kNone:
    case TextFault::kNotUtf8:
        why = "that is not UTF-8";
        break;
    case TextFault::kNotWindows1252:
        why = "that is not Windows-1252";
        break;
    case TextFault::kNul:
        why = "with a NUL byte";
        break;
    case TextFault::kTooLong:
        why = "longer than its " + std::to_string(field.length) + " characters";
        break;
    }
    return Fail(DBE_E_UNREADABLE_TEXT, std::string(table) + " record " + std::to_string(recno) +
                                           " field " + field.name + " holds a text " + why + ".");
}

int32_t FailCatalogueText(std::string_view table, const std::string &what) {
    return Fail(DBE_E_UNREADABLE_TEXT,
                std::string(table) + ": " + what + " is not a Windows-1252 text.");
}

} // namespace dbe
