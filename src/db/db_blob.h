// Memo and binary values do not travel in the record image: each record
// buffer keeps one cache per blob field, and streams read and write it.
#pragma once

#include <QByteArray>
#include <cstdint>

class TDbDataSet;
class TField;

class TDbBlobCache {
public:
    void Clear() {
        data.clear();
        position = 0;
        table = UINT32_MAX;
        recordNumber = 0;
        fieldNumber = 0;
        modified = false;
    }

    QByteArray data;
    qint64 position = 0;
    uint32_t table = UINT32_MAX;  // none
    uint32_t recordNumber = 0;    // 0: none (or a new record)
    int fieldNumber = 0;          // engine field number, 0: none
    bool modified = false;
};

enum class TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Owned and freed by the caller of CreateBlobStream. A stream that wrote
// marks its field modified when it is destroyed.
class TDbBlobStream {
public:
    TDbBlobStream(TDbDataSet *cursor, TField *field, TBlobStreamMode mode, TDbBlobCache *cache);
    ~TDbBlobStream();
    TDbBlobStream(const TDbBlobStream &) = delete;
    TDbBlobStream &operator=(const TDbBlobStream &) = delete;

    qint64 Read(char *buffer, qint64 count);
    qint64 Write(const char *buffer, qint64 count);
    qint64 Seek(qint64 offset, TSeekOrigin origin);
    qint64 Size() const { return cache_ ? cache_->data.size() : 0; }
    QByteArray ReadAll();
    TBlobStreamMode Mode() const { return mode_; }

private:
    TDbDataSet *cursor_;
    TField *field_;
    TBlobStreamMode mode_;
    TDbBlobCache *cache_;
    bool wrote_ = false;
};
