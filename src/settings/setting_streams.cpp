#include "setting_streams.h"

#include "db_table.h"

#include <algorithm>
#include <cstring>

qint64 TStream::Size() {
    const qint64 here = Position();
    const qint64 end = Seek(0, TSeekOrigin::soEnd);
    SetPosition(here);
    return end;
}

QByteArray TStream::ReadRest() {
    QByteArray out;
    char chunk[65536];
    for (;;) {
        const qint64 n = Read(chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, n);
    }
    return out;
}

void TStream::CopyFrom(TStream &source, qint64 count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char chunk[65536];
    while (count > 0) {
        const qint64 n = source.Read(chunk, std::min<qint64>(count, sizeof chunk));
        if (n <= 0) break;
        Write(chunk, n);
        count -= n;
    }
}

qint64 TMemoryStream::Read(char *buffer, qint64 count) {
    const qint64 n = std::min(count, qint64(data_.size()) - position_);
    if (n <= 0) return 0;
    std::memcpy(buffer, data_.constData() + position_, size_t(n));
    position_ += n;
    return n;
}

qint64 TMemoryStream::Write(const char *buffer, qint64 count) {
    if (count <= 0) return 0;
    const qint64 end = position_ + count;
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, size_t(count));
    position_ = end;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin) {
    const qint64 base = origin == TSeekOrigin::soBeginning ? 0
                        : origin == TSeekOrigin::soCurrent ? position_
                                                           : data_.size();
    position_ = std::max<qint64>(0, base + offset);
    return position_;
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream &source) {
    source.SetPosition(0);
    data_ = source.ReadRest();
    position_ = 0;
}

std::unique_ptr<TBlobReadStream> OpenBlobForRead(TDbDataSet &cursor, const QString &fieldName) {
    return std::make_unique<TBlobReadStream>(
        cursor.CreateBlobStream(cursor.FieldByName(fieldName), TBlobStreamMode::bmRead));
}
