// Byte streams for setting contents: an abstract stream, memory and string
// streams that own their bytes, and a read stream over a table cursor's blob
// field. The decompressor recognises the memory kinds so it can read their
// bytes in place.
#pragma once

#include "db_blob.h"

#include <QByteArray>
#include <memory>

class TStream {
public:
    virtual ~TStream() = default;
    virtual qint64 Read(char *buffer, qint64 count) = 0;
    virtual qint64 Write(const char *buffer, qint64 count) = 0;
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;
    virtual qint64 Size();

    qint64 Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(qint64 position) { Seek(position, TSeekOrigin::soBeginning); }
    // The bytes from the current position to the end.
    QByteArray ReadRest();
    // Copies `count` bytes of the source from its current position; a count
    // of 0 copies the whole source from its start.
    void CopyFrom(TStream &source, qint64 count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(QByteArray bytes) : data_(std::move(bytes)) {}

    qint64 Read(char *buffer, qint64 count) override;
    qint64 Write(const char *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return data_.size(); }

    const char *Memory() const { return data_.constData(); }
    const QByteArray &Bytes() const { return data_; }
    void Clear();
    // Replaces the content by the whole source, read from its start.
    void LoadFromStream(TStream &source);

private:
    QByteArray data_;
    qint64 position_ = 0;
};

// A memory stream built from a text's bytes.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(QByteArray bytes = {}) : TMemoryStream(std::move(bytes)) {}
    const QByteArray &DataString() const { return Bytes(); }
};

// Reads one blob field of the cursor's current record.
class TBlobReadStream : public TStream {
public:
    explicit TBlobReadStream(std::unique_ptr<TDbBlobStream> blob) : blob_(std::move(blob)) {}

    qint64 Read(char *buffer, qint64 count) override { return blob_->Read(buffer, count); }
    qint64 Write(const char *buffer, qint64 count) override { return blob_->Write(buffer, count); }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override { return blob_->Seek(offset, origin); }
    qint64 Size() override { return blob_->Size(); }

private:
    std::unique_ptr<TDbBlobStream> blob_;
};

class TDbDataSet;
// The named field of the cursor's current record opened for reading.
std::unique_ptr<TBlobReadStream> OpenBlobForRead(TDbDataSet &cursor, const QString &fieldName);
