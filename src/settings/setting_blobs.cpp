#include "setting_blobs.h"

#include "db_table.h"

// Constant input pointers let memory sources be read in place.
#define ZLIB_CONST
#include <zlib.h>

#include <cstring>
#include <memory>

namespace {

constexpr int kInputSize = 65536;
constexpr int kWindowSize = 32768;

// One allocation for everything the inflater needs, so a failure anywhere
// has exactly one thing to free.
struct TInflateBlock {
    z_stream strm;
    TStream *source;
    TStream *target;
    qint64 written;
    unsigned char input[kInputSize];
    unsigned char window[kWindowSize];
};

[[noreturn]] void Fail() { throw EDecompressionError(QStringLiteral("error")); }

unsigned ReadInput(void *desc, z_const unsigned char **buf) {
    auto *block = static_cast<TInflateBlock *>(desc);
    const qint64 n = block->source->Read(reinterpret_cast<char *>(block->input), kInputSize);
    *buf = block->input;
    return n > 0 ? unsigned(n) : 0;
}

int WriteOutput(void *desc, unsigned char *buf, unsigned len) {
    auto *block = static_cast<TInflateBlock *>(desc);
    // A non-zero answer stops the inflater with an error.
    if (block->written + len > kMaxInflatedSize) return 1;
    block->written += len;
    return block->target->Write(reinterpret_cast<const char *>(buf), len) == qint64(len) ? 0 : 1;
}

// Runs a wrapped inflate only up to the first block boundary, which is
// right behind the header. On success the header is consumed; otherwise the
// input is left untouched.
bool ConsumeHeader(TInflateBlock &block, int windowBits) {
    z_stream probe{};
    probe.next_in = block.strm.next_in;
    probe.avail_in = block.strm.avail_in;
    if (inflateInit2(&probe, windowBits) != Z_OK) return false;
    unsigned char sink[1];
    probe.next_out = sink;
    probe.avail_out = 0;
    const int rc = inflate(&probe, Z_BLOCK);
    const bool atBlock = (rc == Z_OK || rc == Z_STREAM_END) && (probe.data_type & 128) != 0;
    if (atBlock) {
        block.strm.next_in = probe.next_in;
        block.strm.avail_in = probe.avail_in;
    }
    inflateEnd(&probe);
    return atBlock;
}

}  // namespace

void Inflate(TStream &source, TStream &target) {
    auto block = std::make_unique<TInflateBlock>();
    std::memset(&block->strm, 0, sizeof block->strm);
    block->source = &source;
    block->target = &target;
    block->written = 0;
    z_stream &strm = block->strm;

    // Memory sources are read in place; the position goes to the end now
    // and is corrected by what the inflater did not use.
    if (auto *memory = dynamic_cast<TMemoryStream *>(&source)) {
        const qint64 position = memory->Position();
        const qint64 size = memory->Size();
        const qint64 rest = size > position ? size - position : 0;
        strm.next_in = reinterpret_cast<const unsigned char *>(memory->Memory() + position);
        strm.avail_in = uInt(rest);
        memory->Seek(0, TSeekOrigin::soEnd);
    } else {
        // The header is recognised in the first buffer only, so it is filled
        // whole even from a source that hands out short reads.
        qint64 filled = 0;
        while (filled < kInputSize) {
            const qint64 n =
                source.Read(reinterpret_cast<char *>(block->input) + filled, kInputSize - filled);
            if (n <= 0) break;
            filled += n;
        }
        strm.next_in = block->input;
        strm.avail_in = uInt(filled);
    }

    if (!ConsumeHeader(*block, 15)) ConsumeHeader(*block, 31);

    if (inflateBackInit(&strm, 15, block->window) != Z_OK) Fail();
    const int rc = inflateBack(&strm, ReadInput, block.get(), WriteOutput, block.get());
    const uInt unused = strm.next_in ? strm.avail_in : 0;
    inflateBackEnd(&strm);
    if (rc < 0) Fail();
    source.Seek(-qint64(unused), TSeekOrigin::soCurrent);
}

void DecompressOrCopy(TStream &source, TStream &target) {
    source.SetPosition(0);
    try {
        Inflate(source, target);
    } catch (const EDecompressionError &) {
        source.SetPosition(0);
        if (auto *memory = dynamic_cast<TMemoryStream *>(&target)) {
            memory->LoadFromStream(source);
        } else {
            target.Seek(0, TSeekOrigin::soEnd);
            target.CopyFrom(source, 0);
        }
    }
    target.SetPosition(0);
}

void ReadBlobDecompressed(TDbDataSet &cursor, const QString &fieldName, TMemoryStream &target) {
    try {
        target.Clear();
        auto stream = OpenBlobForRead(cursor, fieldName);
        DecompressOrCopy(*stream, target);
    } catch (...) {
        // Whatever arrived before the failure stays; a damaged blob must not
        // stop the rest of the settings from loading.
    }
}

void LoadSettingBlobs(TDbDataSet &cursor, TMemoryStream &stream8101, TMemoryStream &stream8102,
                      TMemoryStream &stream8103) {
    const struct {
        int ident;
        TMemoryStream *stream;
    } blobs[] = {{8101, &stream8101}, {8102, &stream8102}, {8103, &stream8103}};
    for (const auto &blob : blobs)
        if (cursor.SeekKey(QString::number(blob.ident), true))
            ReadBlobDecompressed(cursor, QStringLiteral("MemoItem"), *blob.stream);
}
