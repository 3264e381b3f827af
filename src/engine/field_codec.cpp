#include "field_codec.h"

#include "cp1252.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace dbe {
namespace {

constexpr int64_t kMsPerDay = 86400000;

struct TypeName {
    const char *name;
    uint16_t code;
};
constexpr TypeName kTypeNames[] = {
    {"Logical", 1},    {"Numeric", 2},      {"Date", 3},      {"String", 4},     {"Char", 4},
    {"Memo", 5},       {"Binary", 6},       {"Image", 7},     {"VarChar", 8},    {"CompactDate", 9},
    {"Double", 10},    {"Integer", 11},     {"ShortInt", 12}, {"Time", 13},      {"TimeStamp", 14},
    {"AutoInc", 15},   {"Raw", 16},         {"CurDouble", 17}, {"CIString", 20}, {"CIChar", 20},
};

void Put32(unsigned char *p, uint32_t v) { std::memcpy(p, &v, 4); }
void Put16(unsigned char *p, uint16_t v) { std::memcpy(p, &v, 2); }
uint32_t Get32(const unsigned char *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
uint16_t Get16(const unsigned char *p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

bool AllBytes(const unsigned char *p, size_t n, unsigned char a, unsigned char b) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != a && p[i] != b) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0')) s.remove_suffix(1);
    return s;
}

std::string_view TrimRightBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view s, int64_t &v) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double &v) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

int Digits(std::string_view s, size_t pos, size_t n) {
    // Nine digits at most, so that the value always fits.
    if (n > 9 || pos + n > s.size()) return -1;
    int v = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

bool ValidCivil(int y, int m, int d) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::string FormatNumeric(const FieldDef &f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", f.decimals, v);
    std::string s = buf;
    if (s.size() < f.length) s.insert(0, f.length - s.size(), ' ');
    return s;
}

std::string FormatDouble(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Cp1252Upper(static_cast<unsigned char>(a[i])) !=
            Cp1252Upper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int Schema::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (EqualsNoCase(fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

int Schema::IndexNumber(std::string_view tag) const {
    for (size_t i = 0; i < indexes.size(); ++i)
        if (EqualsNoCase(indexes[i].name, tag)) return static_cast<int>(i);
    return -1;
}

int Schema::AutoincField() const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].type == 15) return static_cast<int>(i);
    return -1;
}

void Schema::Layout() {
    uint32_t offset = 1;  // status byte
    for (auto &f : fields) {
        f.offset = offset;
        offset += f.length;
    }
    recordLength = offset;
}

bool ZeroTerminatedText(std::string_view bytes, std::string_view &text) {
    const size_t zero = bytes.find('\0');
    text = bytes.substr(0, zero);
    return zero == std::string_view::npos ||
           bytes.find_first_not_of('\0', zero) == std::string_view::npos;
}

bool IsBlobType(uint16_t t) { return t >= 5 && t <= 8; }
bool IsStringType(uint16_t t) { return t == 4 || t == 20; }
bool IsKnownType(uint16_t t) { return (t >= 1 && t <= 17) || t == 20; }

namespace {

// The image size of the types whose size is fixed; 0 for the others.
uint32_t FixedLength(uint16_t type) {
    switch (type) {
    case 1:
        return 1;
    case 5:
    case 6:
    case 7:
    case 8:
    case 11:
    case 13:
    case 15:
        return 4;
    case 9:
        return 3;
    case 10:
    case 14:
    case 17:
        return 8;
    case 12:
        return 2;
    default:
        return 0;
    }
}

} // namespace

bool CheckFields(const std::vector<FieldDef> &fields, std::string &error) {
    if (fields.empty()) return (error = "no fields"), false;
    uint64_t record = 1; // status byte
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        const std::string what = "field " + std::to_string(i + 1) + " " + f.name + ": ";
        if (f.name.empty()) return (error = what + "no name"), false;
        for (size_t j = 0; j < i; ++j)
            if (EqualsNoCase(fields[j].name, f.name))
                return (error = what + "a second field of that name"), false;
        if (!IsKnownType(f.type))
            return (error = what + "unknown type " + std::to_string(f.type)), false;
        bool fits;
        switch (f.type) {
        case 2:
            fits = f.length >= 1 && f.length <= kMaxNumericLength && f.decimals < f.length;
            break;
        case 3:
            fits = f.length == 4 || f.length == 8;
            break;
        case 4:
        case 16:
        case 20:
            fits = f.length >= 1 && f.length <= kMaxTextLength;
            break;
        default:
            fits = f.length == FixedLength(f.type);
            break;
        }
        if (!fits)
            return (error = what + "length " + std::to_string(f.length) + " does not suit type " +
                            std::to_string(f.type)),
                   false;
        if (f.type != 2 && f.decimals != 0)
            return (error = what + "decimals on a type without them"), false;
        record += f.length;
    }
    if (record > kMaxRecordLength)
        return (error = "a record of " + std::to_string(record) + " bytes is longer than " +
                        std::to_string(kMaxRecordLength)),
               false;
    return true;
}

bool ParseFieldList(std::string_view text, std::vector<FieldDef> &fields, std::string &error) {
    fields.clear();
    while (!text.empty()) {
        size_t semi = text.find(';');
        std::string_view item = Trim(text.substr(0, semi));
        text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
        if (item.empty()) continue;
        std::vector<std::string_view> parts;
        while (true) {
            size_t comma = item.find(',');
            parts.push_back(Trim(item.substr(0, comma)));
            if (comma == std::string_view::npos) break;
            item = item.substr(comma + 1);
        }
        FieldDef f;
        f.name = std::string(parts[0]);
        if (f.name.empty() || parts.size() < 2 || parts.size() > 4) {
            error = "bad field definition: " + std::string(item);
            return false;
        }
        int64_t code = 0;
        if (!ParseInt(parts[1], code)) {
            code = 0;
            for (const auto &tn : kTypeNames)
                if (EqualsNoCase(tn.name, parts[1])) code = tn.code;
        }
        if (!IsKnownType(static_cast<uint16_t>(code)) || code <= 0) {
            error = "unknown field type " + std::string(parts[1]) + " of field " + f.name;
            return false;
        }
        f.type = static_cast<uint16_t>(code);
        int64_t len = 0, dec = 0;
        if (parts.size() >= 3 && !ParseInt(parts[2], len)) {
            error = "bad length of field " + f.name;
            return false;
        }
        if (parts.size() == 4 && !ParseInt(parts[3], dec)) {
            error = "bad decimals of field " + f.name;
            return false;
        }
        switch (f.type) {
        case 2:
            if (len <= 0 || len > kMaxNumericLength || dec < 0 || dec >= len) {
                error = "numeric field " + f.name + " needs a length of 1-32 and fewer decimals";
                return false;
            }
            f.length = static_cast<uint32_t>(len);
            f.decimals = static_cast<uint16_t>(dec);
            break;
        case 3: f.length = (len == 8) ? 8 : 4; break;
        case 4:
        case 20:
        case 16:
            if (len <= 0 || len > kMaxTextLength) {
                error = "field " + f.name + " needs a length of 1-65000";
                return false;
            }
            f.length = static_cast<uint32_t>(len);
            break;
        default:
            f.length = FixedLength(f.type);
            break;
        }
        for (const auto &other : fields)
            if (EqualsNoCase(other.name, f.name)) {
                error = "duplicate field name " + f.name;
                return false;
            }
        fields.push_back(std::move(f));
    }
    return CheckFields(fields, error);
}

void EncodeImage(const FieldDef &f, const Value &v, unsigned char *out) {
    const bool null = IsNull(v);
    switch (f.type) {
    case 1:
        out[0] = null ? ' ' : (std::get<int64_t>(v) ? 'T' : 'F');
        break;
    case 2:
        if (null) {
            std::memset(out, 0, f.length);
        } else {
            std::string s = FormatNumeric(f, std::get<double>(v));
            if (s.size() > f.length) s.assign(f.length, '*');
            std::memcpy(out, s.data(), f.length);
        }
        break;
    case 3:
        if (f.length == 4) {
            Put32(out, null ? 0u : static_cast<uint32_t>(std::get<int64_t>(v)));
        } else if (null) {
            std::memset(out, 0, f.length);
        } else {
            std::string s = FormatDateCompact(std::get<int64_t>(v));
            std::memset(out, ' ', f.length);
            std::memcpy(out, s.data(), std::min<size_t>(s.size(), f.length));
        }
        break;
    case 4:
    case 20: {
        const std::string *s = null ? nullptr : &std::get<std::string>(v);
        if (!s || s->empty()) {
            std::memset(out, 0, f.length);
        } else {
            std::memset(out, ' ', f.length);
            std::memcpy(out, s->data(), std::min<size_t>(s->size(), f.length));
        }
        break;
    }
    case 5: case 6: case 7: case 8:
        Put32(out, null ? 0u : 1u);
        break;
    case 9:
        if (null) {
            std::memset(out, 0, 3);
        } else {
            int y, m, d;
            CivilFromJulian(std::get<int64_t>(v), y, m, d);
            uint16_t hi = static_cast<uint16_t>(y * 2 + m / 8);
            out[0] = static_cast<unsigned char>(hi >> 8);
            out[1] = static_cast<unsigned char>(hi & 0xFF);
            out[2] = static_cast<unsigned char>((m % 8) * 32 + d);
        }
        break;
    case 10:
    case 17:
        if (null) {
            Put32(out, 0x20);
            Put32(out + 4, 0x80000000u);
        } else {
            double d = std::get<double>(v);
            std::memcpy(out, &d, 8);
        }
        break;
    case 11:
        Put32(out, null ? 0x80000000u : static_cast<uint32_t>(std::get<int64_t>(v)));
        break;
    case 12:
        Put16(out, null ? 0x8000 : static_cast<uint16_t>(std::get<int64_t>(v)));
        break;
    case 13:
    case 15:
        Put32(out, null ? 0xFFFFFFFFu : static_cast<uint32_t>(std::get<int64_t>(v)));
        break;
    case 14:
        if (null) {
            Put32(out, 0);
            Put32(out + 4, 0xFFFFFFFFu);
        } else {
            int64_t t = std::get<int64_t>(v);
            Put32(out, static_cast<uint32_t>(t / kMsPerDay));
            Put32(out + 4, static_cast<uint32_t>(t % kMsPerDay));
        }
        break;
    case 16: {
        std::memset(out, 0, f.length);
        if (!null) {
            const auto &s = std::get<std::string>(v);
            std::memcpy(out, s.data(), std::min<size_t>(s.size(), f.length));
        }
        break;
    }
    default:
        std::memset(out, 0, f.length);
    }
}

bool DecodeImage(const FieldDef &f, const unsigned char *in, Value &v) {
    v = std::monostate{};
    switch (f.type) {
    case 1:
        if (in[0] == ' ' || in[0] == 0) return true;
        v = int64_t(in[0] == 'T' || in[0] == 't' || in[0] == 'Y' || in[0] == 'y' || in[0] == '1');
        return true;
    case 2: {
        if (AllBytes(in, f.length, 0, ' ')) return true;
        double d;
        if (!ParseDouble(std::string_view(reinterpret_cast<const char *>(in), f.length), d))
            return false;
        // "1e300" fits the image's bytes, but not as the image writes it.
        if (FormatNumeric(f, d).size() > f.length) return false;
        v = d;
        return true;
    }
    case 3:
        if (f.length == 4) {
            uint32_t j = Get32(in);
            if (j != 0) v = int64_t(j);
            return true;
        } else {
            if (AllBytes(in, f.length, 0, ' ')) return true;
            int64_t j;
            if (!ParseDate(std::string_view(reinterpret_cast<const char *>(in), f.length), "", j))
                return false;
            v = j;
            return true;
        }
    case 4:
    case 20: {
        std::string_view s;
        if (!ZeroTerminatedText(std::string_view(reinterpret_cast<const char *>(in), f.length), s))
            return false;
        s = TrimRightBlanks(s);
        v = std::string(s);
        return true;
    }
    case 5: case 6: case 7: case 8:
        return false;  // blobs travel through DbeSetField, never in an image
    case 9: {
        if (AllBytes(in, 3, 0, 0)) return true;
        int hi = (in[0] << 8) | in[1];
        int y = hi / 2, m = (hi % 2) * 8 + in[2] / 32, d = in[2] % 32;
        if (!ValidCivil(y, m, d)) return false;
        v = JulianFromCivil(y, m, d);
        return true;
    }
    case 10:
    case 17: {
        if (Get32(in) == 0x20 && Get32(in + 4) == 0x80000000u) return true;
        double d;
        std::memcpy(&d, in, 8);
        if (!std::isfinite(d)) return false;
        v = d;
        return true;
    }
    case 11: {
        uint32_t u = Get32(in);
        if (u != 0x80000000u) v = int64_t(static_cast<int32_t>(u));
        return true;
    }
    case 12: {
        uint16_t u = Get16(in);
        if (u != 0x8000) v = int64_t(static_cast<int16_t>(u));
        return true;
    }
    case 13: {
        uint32_t u = Get32(in);
        if (u == 0xFFFFFFFFu) return true;
        if (u >= kMsPerDay) return false;
        v = int64_t(u);
        return true;
    }
    case 15: {
        uint32_t u = Get32(in);
        if (u != 0xFFFFFFFFu) v = int64_t(u);
        return true;
    }
    case 14: {
        uint32_t day = Get32(in), ms = Get32(in + 4);
        if (day == 0) return true;
        if (ms >= kMsPerDay) ms = 0;
        v = int64_t(day) * kMsPerDay + ms;
        return true;
    }
    case 16:
        if (AllBytes(in, f.length, 0, 0)) return true;
        v = std::string(reinterpret_cast<const char *>(in), f.length);
        return true;
    }
    return false;
}

bool ParseText(const FieldDef &f, std::string_view text, Value &v) {
    v = std::monostate{};
    if (IsBlobType(f.type) || f.type == 16) {
        if (text.size() > (f.type == 16 ? f.length : text.size())) return false;
        if (!text.empty()) v = std::string(text);
        return true;
    }
    if (IsStringType(f.type)) {
        std::string_view s = TrimRightBlanks(text);
        if (s.size() > f.length) return false;
        v = std::string(s);
        return true;
    }
    std::string_view s = Trim(text);
    if (s.empty()) return true;
    switch (f.type) {
    case 1:
        if (s == "T" || s == "t" || s == "Y" || s == "y" || s == "1" || s == ".T." || s == ".t.")
            v = int64_t(1);
        else if (s == "F" || s == "f" || s == "N" || s == "n" || s == "0" || s == ".F." || s == ".f.")
            v = int64_t(0);
        else
            return false;
        return true;
    case 2: case 10: case 17: {
        double d;
        if (!ParseDouble(s, d)) return false;
        if (f.type == 2 && FormatNumeric(f, d).size() > f.length) return false;
        v = d;
        return true;
    }
    case 3: case 9: {
        int64_t j;
        if (!ParseDate(s, "", j)) return false;
        v = j;
        return true;
    }
    case 11: case 12: case 15: {
        int64_t i;
        if (!ParseInt(s, i)) return false;
        if (f.type == 12 && (i < -32767 || i > 32767)) return false;
        if (f.type == 11 && (i <= INT32_MIN || i > INT32_MAX)) return false;
        if (f.type == 15 && (i < 0 || i >= 0xFFFFFFFFll)) return false;
        v = i;
        return true;
    }
    case 13: {
        int64_t ms;
        if (!ParseTime(s, ms)) return false;
        v = ms;
        return true;
    }
    case 14: {
        int64_t t;
        if (!ParseTimestamp(s, t)) return false;
        v = t;
        return true;
    }
    }
    return false;
}

std::string FormatText(const FieldDef &f, const Value &v, bool trimmed) {
    if (IsStringType(f.type)) {
        std::string s = IsNull(v) ? std::string() : std::get<std::string>(v);
        if (!trimmed && !s.empty() && s.size() < f.length) s.append(f.length - s.size(), ' ');
        return s;
    }
    if (IsNull(v)) return std::string();
    switch (f.type) {
    case 1: return std::get<int64_t>(v) ? "T" : "F";
    case 2: {
        std::string s = FormatNumeric(f, std::get<double>(v));
        return trimmed ? std::string(Trim(s)) : s;
    }
    case 3: case 9: return FormatDateCompact(std::get<int64_t>(v));
    case 10: case 17: return FormatDouble(std::get<double>(v));
    case 11: case 12: case 15: case 13: return std::to_string(std::get<int64_t>(v));
    case 14: return FormatTimestampIso(std::get<int64_t>(v));
    case 16: return std::get<std::string>(v);
    }
    return std::string();
}

int ComparePadded(std::string_view a, std::string_view b, bool ignoreCase) {
    size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
        unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
        if (ignoreCase) {
            x = Cp1252Upper(x);
            y = Cp1252Upper(y);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

int CompareValues(uint16_t type, const Value &a, const Value &b) {
    bool an = IsNull(a), bn = IsNull(b);
    if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
    if (std::holds_alternative<std::string>(a) && std::holds_alternative<std::string>(b)) {
        const auto &x = std::get<std::string>(a);
        const auto &y = std::get<std::string>(b);
        if (IsStringType(type)) {
            // The empty text is the all-zero value and sorts before every other.
            if (x.empty() || y.empty()) return x.empty() == y.empty() ? 0 : (x.empty() ? -1 : 1);
            return ComparePadded(x, y, type == 20);
        }
        int c = x.compare(y);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    auto num = [](const Value &v) -> double {
        if (auto i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
        if (auto d = std::get_if<double>(&v)) return *d;
        return 0;
    };
    if (std::holds_alternative<int64_t>(a) && std::holds_alternative<int64_t>(b)) {
        int64_t x = std::get<int64_t>(a), y = std::get<int64_t>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    double x = num(a), y = num(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

int64_t JulianFromCivil(int y, int m, int d) {
    int a = (14 - m) / 12;
    int64_t yy = y + 4800 - a;
    int mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void CivilFromJulian(int64_t j, int &y, int &m, int &d) {
    int64_t a = j + 32044;
    int64_t b = (4 * a + 3) / 146097;
    int64_t c = a - 146097 * b / 4;
    int64_t dd = (4 * c + 3) / 1461;
    int64_t e = c - 1461 * dd / 4;
    int64_t mm = (5 * e + 2) / 153;
    d = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
    m = static_cast<int>(mm + 3 - 12 * (mm / 10));
    y = static_cast<int>(100 * b + dd - 4800 + mm / 10);
}

bool ParseDate(std::string_view text, std::string_view format, int64_t &julian) {
    std::string_view s = Trim(text);
    int y = -1, m = -1, d = -1;
    if (s.size() == 8 && Digits(s, 0, 8) >= 0) {
        y = Digits(s, 0, 4), m = Digits(s, 4, 2), d = Digits(s, 6, 2);
    } else if (s.size() == 10 && s[4] == '-' && s[7] == '-') {
        y = Digits(s, 0, 4), m = Digits(s, 5, 2), d = Digits(s, 8, 2);
    } else if (!format.empty() && s.size() == format.size()) {
        // Walk the format: runs of D, M, Y/C pick digits, anything else must match.
        int yv = 0, mv = 0, dv = 0, ydigits = 0;
        for (size_t i = 0; i < format.size(); ++i) {
            char fc = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(format[i])));
            char c = s[i];
            if (fc == 'D' || fc == 'M' || fc == 'Y' || fc == 'C') {
                if (c < '0' || c > '9') return false;
                int digit = c - '0';
                if (fc == 'D') dv = dv * 10 + digit;
                else if (fc == 'M') mv = mv * 10 + digit;
                else yv = yv * 10 + digit, ++ydigits;
            } else if (fc != c) {
                return false;
            }
        }
        if (ydigits == 2) yv += yv < 50 ? 2000 : 1900;
        y = yv, m = mv, d = dv;
    } else {
        return false;
    }
    if (!ValidCivil(y, m, d)) return false;
    julian = JulianFromCivil(y, m, d);
    return true;
}

std::string FormatDateCompact(int64_t j) {
    int y, m, d;
    CivilFromJulian(j, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string FormatDateIso(int64_t j) {
    int y, m, d;
    CivilFromJulian(j, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string FormatTimestampIso(int64_t t) {
    int64_t day = t / kMsPerDay, ms = t % kMsPerDay;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s %02d:%02d:%02d.%03d", FormatDateIso(day).c_str(),
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return buf;
}

bool ParseTime(std::string_view s, int64_t &ms) {
    s = Trim(s);
    int h = Digits(s, 0, 2), mi = Digits(s, 3, 2), sec = 0, milli = 0;
    if (h < 0 || mi < 0 || s.size() < 5 || s[2] != ':') {
        return ParseInt(s, ms) && ms >= 0 && ms < kMsPerDay;
    }
    size_t pos = 5;
    if (s.size() > pos) {
        if (s[pos] != ':' || (sec = Digits(s, pos + 1, 2)) < 0) return false;
        pos += 3;
        if (s.size() > pos) {
            if (s[pos] != '.' || s.size() - pos - 1 > 3 ||
                (milli = Digits(s, pos + 1, s.size() - pos - 1)) < 0)
                return false;
            for (size_t k = s.size() - pos - 1; k < 3; ++k) milli *= 10;
        }
    }
    if (h > 23 || mi > 59 || sec > 59) return false;
    ms = ((h * 60 + mi) * 60 + sec) * 1000LL + milli;
    return true;
}

bool ParseTimestamp(std::string_view s, int64_t &t) {
    s = Trim(s);
    size_t sep = s.find_first_of(" T");
    int64_t day, ms = 0;
    if (!ParseDate(s.substr(0, sep), "", day)) return false;
    if (sep != std::string_view::npos && !ParseTime(s.substr(sep + 1), ms)) return false;
    t = day * kMsPerDay + ms;
    return true;
}

}  // namespace dbe
