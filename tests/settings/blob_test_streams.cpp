#include "blob_test_streams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace settingstest {

qint64 TChunkStream::Read(char *buffer, qint64 count) {
    const qint64 n = std::min({count, chunk_, qint64(data_.size()) - position_});
    if (n <= 0) return 0;
    std::memcpy(buffer, data_.constData() + position_, size_t(n));
    position_ += n;
    return n;
}

qint64 TChunkStream::Write(const char *buffer, qint64 count) {
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, size_t(count));
    position_ += count;
    return count;
}

qint64 TChunkStream::Seek(qint64 offset, TSeekOrigin origin) {
    const qint64 base = origin == TSeekOrigin::soBeginning ? 0
                        : origin == TSeekOrigin::soCurrent ? position_
                                                           : data_.size();
    position_ = std::max<qint64>(0, base + offset);
    return position_;
}

QByteArray Compress(const QByteArray &bytes, int windowBits) {
    z_stream strm{};
    if (deflateInit2(&strm, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    QByteArray out(int(deflateBound(&strm, uLong(bytes.size()))) + 64, '\0');
    strm.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    strm.avail_in = uInt(bytes.size());
    strm.next_out = reinterpret_cast<Bytef *>(out.data());
    strm.avail_out = uInt(out.size());
    const int rc = deflate(&strm, Z_FINISH);
    deflateEnd(&strm);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(qsizetype(strm.total_out));
    return out;
}

QByteArray SamplePayload(int size) {
    QByteArray out;
    out.reserve(size);
    unsigned x = 12345;
    for (int i = 0; i < size; ++i) {
        // Runs of text with random bytes between, so the data compresses
        // over several blocks and holds every byte value.
        x = x * 1103515245u + 12345u;
        out.append(i % 7 < 4 ? char("Artikelnummer "[i % 14]) : char(x >> 16));
    }
    return out;
}

}  // namespace settingstest
