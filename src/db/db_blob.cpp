#include "db_blob.h"

#include "db_errors.h"
#include "db_table.h"

#include <cstring>

TDbBlobStream::TDbBlobStream(TDbDataSet *cursor, TField *field, TBlobStreamMode mode,
                             TDbBlobCache *cache)
    : cursor_(cursor), field_(field), mode_(mode), cache_(cache) {
    if (cache_ && mode_ == TBlobStreamMode::bmWrite) {
        cache_->data.clear();
        cache_->position = 0;
        cache_->modified = true;
        wrote_ = true;
    }
}

TDbBlobStream::~TDbBlobStream() {
    if (wrote_ && cursor_) cursor_->BlobWritten(field_);
}

qint64 TDbBlobStream::Read(char *buffer, qint64 count) {
    if (!cache_ || count <= 0) return 0;
    qint64 n = std::min(count, qint64(cache_->data.size()) - cache_->position);
    if (n <= 0) return 0;
    std::memcpy(buffer, cache_->data.constData() + cache_->position, size_t(n));
    cache_->position += n;
    return n;
}

QByteArray TDbBlobStream::ReadAll() {
    if (!cache_) return QByteArray();
    QByteArray out = cache_->data.mid(cache_->position);
    cache_->position = cache_->data.size();
    return out;
}

qint64 TDbBlobStream::Write(const char *buffer, qint64 count) {
    if (mode_ == TBlobStreamMode::bmRead)
        RaiseLayerError(nullptr, QStringLiteral("Error modifying read only blob."));
    if (!cache_) RaiseLayerError(nullptr, QStringLiteral("Cannot write to blob in current state."));
    if (count <= 0) return 0;
    qint64 end = cache_->position + count;
    if (end > cache_->data.size()) cache_->data.resize(end);
    std::memcpy(cache_->data.data() + cache_->position, buffer, size_t(count));
    cache_->position = end;
    cache_->modified = true;
    wrote_ = true;
    return count;
}

qint64 TDbBlobStream::Seek(qint64 offset, TSeekOrigin origin) {
    if (!cache_) return 0;
    qint64 base = origin == TSeekOrigin::soBeginning ? 0
                  : origin == TSeekOrigin::soCurrent ? cache_->position
                                                     : cache_->data.size();
    cache_->position = std::max<qint64>(0, base + offset);
    return cache_->position;
}
