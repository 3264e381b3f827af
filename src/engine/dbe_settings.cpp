// Process-wide settings of the engine: server types, caches, the date
// format and its conversions, decimals, showing deleted records, the
// version.
#include "dbe.h"

#include "cp1252.h"
#include "engine_state.h"

#include <cstring>
#include <string>

using namespace dbe;

extern "C" {

DBESTATUS DbeSetServerType(uint16_t mask) try {
    LOCK;
    if ((mask & 7) == 0) return Fail(DBE_E_INVALID_ARGUMENT, "server type mask 0");
    E().serverTypes = mask;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCacheOpenCursors(int16_t count) try {
    LOCK;
    if (count < 0) return Fail(DBE_E_INVALID_ARGUMENT);
    E().cachedCursors = count;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCacheOpenTables(int16_t count) try {
    LOCK;
    if (count < 0) return Fail(DBE_E_INVALID_ARGUMENT);
    E().cachedTables = count;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetDateFormat(const char *format) try {
    LOCK;
    if (!format || !*format || std::strlen(format) > 11)
        return Fail(DBE_E_INVALID_ARGUMENT, "date format");
    std::string f = format;
    int d = 0, m = 0, y = 0;
    for (char c : f) {
        char u = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
        d += u == 'D';
        m += u == 'M';
        y += u == 'Y' || u == 'C';
    }
    if (d != 2 || m != 2 || (y != 2 && y != 4))
        return Fail(DBE_E_INVALID_ARGUMENT, "date format " + f);
    E().dateFormat = f;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetDateFormat(char *format, uint16_t *length) try {
    LOCK;
    return PutText(E().dateFormat, format, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetDecimals(uint16_t decimals) try {
    LOCK;
    if (decimals > 15) return Fail(DBE_E_INVALID_ARGUMENT, "decimals");
    E().decimals = decimals;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetDecimals(uint16_t *decimals) try {
    LOCK;
    return Put(decimals, E().decimals);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeShowDeleted(uint16_t show) try {
    LOCK;
    E().showDeleted = show ? 1 : 0;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetDeleted(uint16_t *show) try {
    LOCK;
    return Put(show, E().showDeleted);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetNumOpenTables(uint16_t *count) try {
    LOCK;
    return Put(count, static_cast<uint16_t>(E().tables.size()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetVersion(uint32_t *major, uint32_t *minor, char *letter, char *description,
                        uint16_t *length) try {
    LOCK;
    if (major) *major = 1;
    if (minor) *minor = 0;
    if (letter) *letter = ' ';
    if (length) return PutText("dbe table engine", description, length);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeConvertStringToJulian(const char *text, uint16_t length, double *julian) try {
    LOCK;
    if (!text || !julian) return Fail(DBE_E_INVALID_ARGUMENT);
    std::string s(text, strnlen(text, length));
    if (s.find_first_not_of(' ') == std::string::npos) {
        *julian = 0;
        return Ok();
    }
    int64_t j;
    if (!ParseDate(s, E().dateFormat, j)) return Fail(DBE_E_VALUE_CONVERSION, "date " + s);
    *julian = static_cast<double>(j);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeConvertJulianToString(double julian, char *text, uint16_t *length) try {
    LOCK;
    if (julian < 1721426 || julian > 5373484) return PutText("", text, length);
    return PutText(FormatDateCompact(static_cast<int64_t>(julian)), text, length);
} catch (...) {
    return CaughtException();
}

} // extern "C"
