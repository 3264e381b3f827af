#include "blob_test_streams.h"
#include "setting_blobs.h"

#include <functional>
#include <memory>

using namespace settingstest;

namespace {

enum class Source { Memory, Chunked };

std::unique_ptr<TStream> MakeSource(const QByteArray &bytes, Source kind) {
    if (kind == Source::Memory) return std::make_unique<TMemoryStream>(bytes);
    return std::make_unique<TChunkStream>(bytes, 777);
}

struct Form {
    const char *name;
    int windowBits;
    int trailer;  // bytes after the deflate data
};
const Form kForms[] = {{"zlib", 15, 4}, {"gzip", 31, 8}, {"raw", -15, 0}};

}  // namespace

// Every stored form gives exactly the original bytes, read in place from
// memory or chunk by chunk from other streams; the payload is larger than
// the input buffer so the chunked path refills it.
TEST(SettingBlobs, EachFormInflatesFromEitherKindOfSource) {
    const QByteArray payload = SamplePayload(200000);
    for (const Form &form : kForms) {
        const QByteArray stored = Compress(payload, form.windowBits);
        ASSERT_GT(stored.size(), 65536) << form.name;
        for (Source kind : {Source::Memory, Source::Chunked}) {
            SCOPED_TRACE(std::string(form.name) + (kind == Source::Memory ? " memory" : " chunked"));
            auto source = MakeSource(stored, kind);
            TMemoryStream target;
            target.Write("old", 3);
            target.Clear();
            DecompressOrCopy(*source, target);
            EXPECT_EQ(target.Bytes(), payload);
            EXPECT_EQ(target.Position(), 0);
        }
    }
}

// The header is recognised however little a source hands out per read.
TEST(SettingBlobs, HeaderIsFoundFromSourcesWithShortReads) {
    const QByteArray payload = SamplePayload(3000);
    for (const Form &form : kForms) {
        for (const qint64 chunk : {1, 2, 9}) {
            SCOPED_TRACE(std::string(form.name) + " " + std::to_string(chunk));
            TChunkStream source(Compress(payload, form.windowBits), chunk);
            TMemoryStream target;
            DecompressOrCopy(source, target);
            EXPECT_TRUE(target.Bytes() == payload);
        }
    }
}

// The trailer is neither read nor checked: the source stops right behind
// the deflate data, and a wrong checksum or extra bytes change nothing.
TEST(SettingBlobs, InflateLeavesTrailerAndExtraBytesUnread) {
    const QByteArray payload("Kundennummer 4711, Kundennummer 4712, Kundennummer 4713");
    const QByteArray extra("NACHSPANN");
    for (const Form &form : kForms) {
        QByteArray stored = Compress(payload, form.windowBits);
        if (form.trailer > 0) stored[stored.size() - 1] = char(stored[stored.size() - 1] ^ 0x5A);
        stored += extra;
        for (Source kind : {Source::Memory, Source::Chunked}) {
            SCOPED_TRACE(std::string(form.name) + (kind == Source::Memory ? " memory" : " chunked"));
            auto source = MakeSource(stored, kind);
            TMemoryStream target;
            Inflate(*source, target);
            EXPECT_EQ(target.Bytes(), payload);
            EXPECT_EQ(source->Position(), stored.size() - extra.size() - form.trailer);
        }
    }
}

// Whatever does not inflate under any form is kept exactly as stored.
TEST(SettingBlobs, DataThatDoesNotInflateIsKeptAsStored) {
    const QByteArray good = Compress(QByteArray(5000, 'x') + SamplePayload(3000), 15);
    QByteArray badBlockType = good.left(2);
    badBlockType += char(0xFF);  // final block of the reserved type 3
    badBlockType += good.mid(3);
    const struct {
        const char *name;
        QByteArray stored;
    } cases[] = {
        {"plain text", QByteArray("Hallo Welt\r\nZweite Zeile mit Umlauten: \xE4\xF6\xFC")},
        {"empty", QByteArray()},
        {"truncated zlib", good.left(good.size() / 2)},
        {"zlib with invalid block", badBlockType},
        {"gzip header only", Compress("abc", 31).left(10)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        {
            TMemoryStream source(c.stored), probe;
            EXPECT_THROW(
                {
                    try {
                        Inflate(source, probe);
                    } catch (const EDecompressionError &e) {
                        EXPECT_EQ(e.message(), QStringLiteral("error"));
                        throw;
                    }
                },
                EDecompressionError);
        }
        for (Source kind : {Source::Memory, Source::Chunked}) {
            auto source = MakeSource(c.stored, kind);
            source->SetPosition(c.stored.size() / 3);  // the whole source counts
            TMemoryStream target;
            target.Write("vorher", 6);  // replaced, not appended to
            DecompressOrCopy(*source, target);
            EXPECT_EQ(target.Bytes(), c.stored);
            EXPECT_EQ(target.Position(), 0);
        }
    }
}

// A blob that inflates beyond the cap is a damaged one and is kept as
// stored; exactly the cap still inflates.
TEST(SettingBlobs, InflatedSizeIsCapped) {
    for (const Form &form : kForms) {
        for (const qint64 size : {kMaxInflatedSize, kMaxInflatedSize + 1}) {
            SCOPED_TRACE(std::string(form.name) + " " + std::to_string(size));
            const QByteArray payload(size, 'A');
            const QByteArray stored = Compress(payload, form.windowBits);
            TMemoryStream source(stored), target;
            DecompressOrCopy(source, target);
            if (size <= kMaxInflatedSize)
                EXPECT_TRUE(target.Bytes() == payload);
            else
                EXPECT_TRUE(target.Bytes() == stored);
        }
    }
}

// A target that is not a memory stream keeps its content and gets the
// stored bytes added at its end.
TEST(SettingBlobs, FallbackAppendsToOtherTargets) {
    TMemoryStream source(QByteArray("nicht komprimiert"));
    TChunkStream target(QByteArray("AB"));
    DecompressOrCopy(source, target);
    EXPECT_EQ(target.Bytes(), QByteArray("ABnicht komprimiert"));
    EXPECT_EQ(target.Position(), 0);
}
