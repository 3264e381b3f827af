#include "filter_expr.h"

#include "cp1252.h"

#include <cctype>

namespace dbe {
namespace {

class Parser {
public:
    Parser(std::string_view s) : s_(s) {}

    void Blanks() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t')) ++p_;
    }
    bool Eat(std::string_view word, bool ignoreCase = true) {
        Blanks();
        if (s_.size() - p_ < word.size()) return false;
        std::string_view here = s_.substr(p_, word.size());
        if (ignoreCase ? !EqualsNoCase(here, word) : here != word) return false;
        p_ += word.size();
        return true;
    }
    bool Name(std::string &out) {
        Blanks();
        size_t start = p_;
        while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) ||
                                  s_[p_] == '_' || static_cast<unsigned char>(s_[p_]) >= 0x80))
            ++p_;
        out = std::string(s_.substr(start, p_ - start));
        return !out.empty();
    }
    // "piece" [+ Chr(34) + "piece"]...
    bool Text(std::string &out) {
        out.clear();
        if (!QuotedPiece(out)) return false;
        while (true) {
            size_t save = p_;
            if (Eat("+") && Eat("Chr") && Eat("(") && Eat("34") && Eat(")") && Eat("+")) {
                out += '"';
                std::string more;
                if (!QuotedPiece(more)) return false;
                out += more;
            } else {
                p_ = save;
                return true;
            }
        }
    }
    bool QuotedPiece(std::string &out) {
        Blanks();
        if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return false;
        char q = s_[p_++];
        size_t end = s_.find(q, p_);
        if (end == std::string_view::npos) return false;
        out = std::string(s_.substr(p_, end - p_));
        p_ = end + 1;
        return true;
    }
    bool Literal(std::string &out) {
        Blanks();
        size_t start = p_;
        while (p_ < s_.size() && s_[p_] != ')' && s_[p_] != ' ') ++p_;
        out = std::string(s_.substr(start, p_ - start));
        return !out.empty();
    }
    bool AtEnd() {
        Blanks();
        return p_ >= s_.size();
    }

private:
    std::string_view s_;
    size_t p_ = 0;
};

// Whether a non-null value of a field of this type is of the value's kind:
// the kinds a row holds (field_codec.h), so that a term compares like with
// like. Blobs compare with nothing but empty().
bool KindFits(uint16_t type, const Value &value) {
    switch (type) {
    case 2:  // numeric
    case 10: // double
    case 17: // currency double
        return std::holds_alternative<double>(value);
    case 4:
    case 16:
    case 20:
        return std::holds_alternative<std::string>(value);
    case 5:
    case 6:
    case 7:
    case 8:
        return false;
    default: // logical, dates, times, integers
        return std::holds_alternative<int64_t>(value);
    }
}

}  // namespace

bool FilterExpr::Parse(std::string_view text, const Schema &schema, std::string_view dateFormat,
                       std::string &error) {
    terms_.clear();
    types_.clear();
    text_ = std::string(text);
    for (const auto &f : schema.fields) types_.push_back(f.type);
    Parser p(text);
    auto field = [&](const std::string &name) {
        int f = schema.FieldIndex(name);
        if (f < 0) error = "unknown field " + name;
        return f;
    };
    do {
        Term t;
        if (!p.Eat("(")) return (error = "'(' expected"), false;
        std::string name;
        if (p.Eat("empty")) {
            if (!p.Eat("(") || !p.Name(name) || !p.Eat(")")) return (error = "bad empty()"), false;
            t.kind = Kind::IsEmpty;
            if ((t.field = field(name)) < 0) return false;
        } else {
            size_t save = 0;
            (void)save;
            if (p.Eat("UPPER")) {
                t.upper = true;
                if (!p.Eat("(") || !p.Name(name) || !p.Eat(")")) return (error = "bad UPPER()"), false;
            } else if (!p.Name(name)) {
                return (error = "field name expected"), false;
            }
            if ((t.field = field(name)) < 0) return false;
            if (!p.Eat("=")) return (error = "'=' expected"), false;
            bool upperValue = t.upper && p.Eat("UPPER");
            if (upperValue && !p.Eat("(")) return (error = "bad UPPER()"), false;
            const FieldDef &fd = schema.fields[t.field];
            std::string lit;
            if (p.Eat(".TRUE.")) {
                t.value = int64_t(1);
            } else if (p.Eat(".FALSE.")) {
                t.value = int64_t(0);
            } else if (p.Eat("ctods") || p.Eat("ctots") || p.Eat("ctot") || p.Eat("ctod")) {
                std::string s;
                if (!p.Eat("(") || !p.Text(s) || !p.Eat(")")) return (error = "bad date"), false;
                int64_t v;
                if (fd.type == 14) {
                    if (!ParseTimestamp(s, v)) {
                        // "DD.MM.YYYY HH:MM:SS" in the date format
                        size_t sp = s.find(' ');
                        int64_t day, ms = 0;
                        if (!ParseDate(s.substr(0, sp), dateFormat, day) ||
                            (sp != std::string::npos && !ParseTime(s.substr(sp + 1), ms)))
                            return (error = "bad timestamp " + s), false;
                        v = day * 86400000LL + ms;
                    }
                } else if (fd.type == 13) {
                    if (!ParseTime(s, v)) return (error = "bad time " + s), false;
                } else if (!ParseDate(s, dateFormat, v)) {
                    return (error = "bad date " + s), false;
                }
                t.value = v;
            } else if (p.Text(lit)) {
                if (t.upper)
                    for (auto &c : lit) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
                t.value = lit;
            } else if (p.Literal(lit)) {
                Value v;
                FieldDef asNumber = fd;
                if (fd.type == 2) asNumber.type = 10;
                if (!ParseText(asNumber, lit, v)) return (error = "bad value " + lit), false;
                t.value = v;
            } else {
                return (error = "value expected"), false;
            }
            if (upperValue && !p.Eat(")")) return (error = "')' expected"), false;
            if (!IsNull(t.value) && !KindFits(fd.type, t.value))
                return (error = "the value does not suit the type of field " + fd.name), false;
        }
        if (!p.Eat(")")) return (error = "')' expected"), false;
        terms_.push_back(std::move(t));
    } while (p.Eat("AND") || p.Eat(".AND."));
    if (!p.AtEnd()) return (error = "unexpected text after the expression"), false;
    return true;
}

bool FilterExpr::Matches(const Row &row, bool exact) const {
    for (const auto &t : terms_) {
        const Value &v = row.values[t.field];
        uint16_t type = types_[t.field];
        if (t.kind == Kind::IsEmpty) {
            bool empty = IsNull(v) || (std::holds_alternative<std::string>(v) &&
                                       std::get<std::string>(v).empty());
            if (!empty) return false;
            continue;
        }
        if (const auto *want = std::get_if<std::string>(&t.value)) {
            // Parse lets a text meet only fields that hold texts.
            const auto *stored = std::get_if<std::string>(&v);
            if (!stored && !IsNull(v)) return false;
            std::string have = stored ? *stored : std::string();
            if (t.upper)
                for (auto &c : have) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
            std::string w = *want;
            while (!w.empty() && w.back() == ' ') w.pop_back();
            while (!have.empty() && have.back() == ' ') have.pop_back();
            if (exact ? have != w : have.compare(0, w.size(), w) != 0) return false;
            continue;
        }
        if (IsNull(v) || CompareValues(type, v, t.value) != 0) return false;
    }
    return true;
}

}  // namespace dbe
