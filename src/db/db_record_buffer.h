// A table cursor's record buffer: the record image as the engine delivers
// it, calculated values, one blob cache per blob field, the record's
// position number and its bookmark.
#pragma once

#include "dataset.h"
#include "db_blob.h"

#include <QByteArray>
#include <QVariant>
#include <cstring>
#include <vector>

struct DbRecordBuffer : TRecordBuffer {
    QByteArray image;
    std::vector<QVariant> calc;
    std::vector<TDbBlobCache> blobs;
    int32_t position = 0;
    uint8_t bookmarkFlag = 0;
    QByteArray bookmark;
    bool inserted = false;

    uint32_t RecordNumber() const {
        uint32_t v = 0;
        std::memcpy(&v, bookmark.constData(), 4);
        return v;
    }
};
