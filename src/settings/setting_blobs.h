// Setting blobs (Ident 8101-8103): stored as zlib, gzip or raw deflate data,
// or as the plain bytes. Reading never fails; what does not inflate is kept
// as stored.
#pragma once

#include "exceptions.h"
#include "setting_streams.h"

class TDbDataSet;

class EDecompressionError : public Exception {
public:
    using Exception::Exception;
};

// The most an inflate writes. The blobs hold settings the suite keeps in
// memory for a whole session (layout and report data), the largest a few
// hundred kilobytes; 16 MiB is far above any of them, and deflate lets a few
// kilobytes of a damaged or crafted memo claim gigabytes.
inline constexpr qint64 kMaxInflatedSize = 16 * 1024 * 1024;

// Inflates the source from its current position into the target. The
// trailer after the deflate data is left unread: the source ends up just
// behind the last deflate byte. Raises EDecompressionError "error", also
// when the output would exceed kMaxInflatedSize (the target then holds what
// was written up to the cap).
void Inflate(TStream &source, TStream &target);

// The whole source inflated, or else copied as it is; the target is left at
// its start.
void DecompressOrCopy(TStream &source, TStream &target);

// The named blob field of the cursor's current record into the target
// (emptied first). Never raises.
void ReadBlobDecompressed(TDbDataSet &cursor, const QString &fieldName, TMemoryStream &target);

// The blobs of Ident 8101, 8102 and 8103 into the three streams; a missing
// record leaves its stream as it is. The cursor must already be on the
// settings table's Ident index (the settings object prepares it first).
void LoadSettingBlobs(TDbDataSet &cursor, TMemoryStream &stream8101, TMemoryStream &stream8102,
                      TMemoryStream &stream8103);
