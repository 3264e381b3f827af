// Helpers the table cursor's source files share: the cursor's record buffer
// type, reading and writing 32-bit values and runs of bytes in a record
// image, the engine's field type codes, and texts at the engine boundary.
#pragma once

#include "db_record_buffer.h"
#include "text_codec.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>

namespace dbtable {

using DbBuffer = DbRecordBuffer;

inline DbBuffer &Buf(TRecordBuffer &b) {
    return static_cast<DbBuffer &>(b);
}

inline uint32_t Get32(const char *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Put32(char *p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

inline bool AllBytes(const char *p, int n, char a, char b) {
    for (int i = 0; i < n; ++i)
        if (p[i] != a && p[i] != b) return false;
    return true;
}

inline bool IsBlobCode(int t) {
    return t >= 5 && t <= 8;
}
inline bool IsStringCode(int t) {
    return t == 4 || t == 20;
}

inline QByteArray Ansi(const QString &s) {
    return ToAnsi(s).value_or(QByteArray());
}

// Engine texts answered into fixed buffers.
inline QString TextOut(const char *buf, size_t capacity) {
    return FromAnsi(buf, qstrnlen(buf, capacity));
}

} // namespace dbtable
