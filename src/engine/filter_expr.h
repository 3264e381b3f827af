// Filter expressions as the database layer builds them for a search without
// an index: terms "(NAME=value)", "(empty(NAME))" and
// "(UPPER(NAME)=UPPER(value))" joined by AND. Values: "text" pieces joined
// with + Chr(34) +, numbers, .TRUE./.FALSE., ctod("..."), ctot("..."),
// ctots("...").
#pragma once

#include "field_codec.h"

#include <string>
#include <string_view>
#include <vector>

namespace dbe {

class FilterExpr {
public:
    // False with a reason when the text does not parse, names an unknown
    // field, or gives a field a value of another kind than the field holds
    // (a text for a number, .TRUE. for a date, anything but empty() for a
    // blob).
    bool Parse(std::string_view text, const Schema &schema, std::string_view dateFormat,
               std::string &error);
    // With `exact` off a text term matches when the field starts with the
    // text (trailing blanks of both ignored either way).
    bool Matches(const Row &row, bool exact) const;
    bool empty() const { return terms_.empty(); }
    const std::string &text() const { return text_; }

private:
    enum class Kind { Equals, IsEmpty };
    struct Term {
        Kind kind = Kind::Equals;
        int field = -1;
        bool upper = false;
        Value value;
    };
    std::vector<Term> terms_;
    std::vector<uint16_t> types_;
    std::string text_;
};

}  // namespace dbe
