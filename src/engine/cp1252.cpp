#include "cp1252.h"

namespace dbe {
namespace {

// Code points of the bytes 0x80..0x9F; the rest map to themselves.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

int CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char c : bytes) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c < 0xA0)
            AppendUtf8(out, kHigh[c - 0x80]);
        else
            AppendUtf8(out, c);
    }
    return out;
}

bool Utf8ToCp1252(std::string_view s, std::string &out, bool *validUtf8) {
    if (validUtf8) *validUtf8 = true;
    auto notUtf8 = [validUtf8] {
        if (validUtf8) *validUtf8 = false;
        return false;
    };
    // Most texts are plain ASCII: copy the ASCII prefix in one go.
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    out.assign(s.data(), i);
    if (i == s.size()) return true;
    out.reserve(s.size());
    // The least code point of each sequence length: a longer form of a
    // smaller one would give two spellings of one text.
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int extra;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return notUtf8();
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) return notUtf8();
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return notUtf8();
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return notUtf8();
        i += extra + 1;
        int b = CodePointToCp1252(cp);
        if (b < 0) return false;
        out += static_cast<char>(b);
    }
    return true;
}

unsigned char Cp1252Upper(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    // Latin-1 lower-case letters, except the sharp s and the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;  // š œ ž
    if (c == 0xFF) return 0x9F;                               // ÿ
    return c;
}

}  // namespace dbe
