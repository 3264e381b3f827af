// Test helpers: a stream that is not held in memory (it hands out small
// chunks, like a table's blob stream), and compression through zlib.
#pragma once

#include "db_fixture.h"  // also prints QString in assertion messages
#include "setting_streams.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

namespace settingstest {

class TChunkStream : public TStream {
public:
    explicit TChunkStream(QByteArray bytes = {}, qint64 chunk = 1000)
        : data_(std::move(bytes)), chunk_(chunk) {}
    qint64 Read(char *buffer, qint64 count) override;
    qint64 Write(const char *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    const QByteArray &Bytes() const { return data_; }

private:
    QByteArray data_;
    qint64 position_ = 0;
    qint64 chunk_;
};

// Deflate with the given zlib window bits: 15 zlib, 31 gzip, -15 raw.
QByteArray Compress(const QByteArray &bytes, int windowBits);
// Bytes that no compressor would produce: every value, in a mixed order.
QByteArray SamplePayload(int size);

}  // namespace settingstest
