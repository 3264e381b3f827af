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

// Inflates the source from its current position into the target. The
// trailer after the deflate data is left unread: the source ends up just
// behind the last deflate byte. Raises EDecompressionError "error".
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
