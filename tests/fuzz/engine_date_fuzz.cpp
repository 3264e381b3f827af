// Date texts of the engine: the first input byte picks a date format (or,
// with its top bit, takes the next eleven bytes as one); the rest is a text
// for DbeConvertStringToJulian. A converted day turns back into a YYYYMMDD
// text that converts to the same day.
#include "engine_scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    static const char *const kFormats[] = {"MM/dd/ccyy", "DD.MM.yyyy", "dd.mm.yy", "yyyy-MM-DD",
                                           "ccyyMMDD",   "dd/MM/yyyy", "MM-DD-YY", "DDMMYYYY"};
    size_t at = 1;
    if (data[0] & 0x80) {
        const size_t n = std::min<size_t>(size - 1, 11);
        const std::string format(reinterpret_cast<const char *>(data + 1), n);
        DbeSetDateFormat(format.c_str()); // refused or taken, either way a status
        at += n;
    } else {
        fuzz::EngineOk(DbeSetDateFormat(kFormats[data[0] % std::size(kFormats)]),
                       "DbeSetDateFormat");
    }
    const std::string text(reinterpret_cast<const char *>(data + at), size - at);

    double julian = -1;
    if (DbeConvertStringToJulian(text.c_str(), uint16_t(std::min<size_t>(text.size(), 65535)),
                                 &julian) != DBE_SUCCESS)
        return 0;
    fuzz::Require(julian >= 0 && std::floor(julian) == julian, "a day that is no whole number");
    char back[64] = {};
    uint16_t length = sizeof back;
    fuzz::EngineOk(DbeConvertJulianToString(julian, back, &length), "DbeConvertJulianToString");
    if (length == 0) return 0; // outside the years the engine writes
    fuzz::Require(length == 8 && std::strlen(back) == 8, "a day text that is not YYYYMMDD");
    double again = -1;
    fuzz::EngineOk(DbeConvertStringToJulian(back, length, &again),
                   "DbeConvertStringToJulian of YYYYMMDD");
    fuzz::Require(again == julian, "a day converts back to another day");
    return 0;
}
