// The setting-blob decompressor (Ident 8101-8103): any stored bytes either
// inflate, within the size cap, or come back exactly as stored. The first
// input byte picks the source kind: read in place from memory, or chunk by
// chunk like a table's blob stream.
#include "fuzz_support.h"
#include "setting_blobs.h"

#include <algorithm>
#include <cstring>

namespace {

// Hands out at most `chunk` bytes per read, as a blob stream may.
class TChunkedSource : public TStream {
public:
    TChunkedSource(QByteArray bytes, qint64 chunk) : data_(std::move(bytes)), chunk_(chunk) {}
    qint64 Read(char *buffer, qint64 count) override {
        const qint64 n = std::min({count, chunk_, qint64(data_.size()) - position_});
        if (n <= 0) return 0;
        std::memcpy(buffer, data_.constData() + position_, size_t(n));
        position_ += n;
        return n;
    }
    qint64 Write(const char *, qint64) override { return 0; }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override {
        const qint64 base = origin == TSeekOrigin::soBeginning ? 0
                            : origin == TSeekOrigin::soCurrent ? position_
                                                               : data_.size();
        position_ = std::clamp<qint64>(base + offset, 0, data_.size());
        return position_;
    }

private:
    QByteArray data_;
    qint64 position_ = 0;
    qint64 chunk_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const QByteArray stored = fuzz::Bytes(data + 1, size - 1);
    const uint8_t kind = data[0];

    TMemoryStream target;
    if (kind & 1) {
        TChunkedSource source(stored, 1 + (kind >> 1) * 97);
        DecompressOrCopy(source, target);
    } else {
        TMemoryStream source(stored);
        DecompressOrCopy(source, target);
    }
    fuzz::Require(target.Position() == 0, "the target is not at its start");
    fuzz::Require(target.Size() <= std::max<qint64>(kMaxInflatedSize, stored.size()),
                  "the target exceeds the cap");

    // Whatever Inflate refuses, DecompressOrCopy keeps as stored.
    TMemoryStream source(stored), probe;
    try {
        Inflate(source, probe);
        fuzz::Require(probe.Bytes() == target.Bytes(), "inflate and decompress-or-copy differ");
    } catch (const EDecompressionError &) {
        fuzz::Require(target.Bytes() == stored, "a refused blob is not kept as stored");
    }
    return 0;
}
