// Keys handed to the engine: raw keys and string keys of any length for
// DbeSeek on tags over every kind of segment, and keys built segment by
// segment with DbeSetField / DbeSetFieldRaw on the tag handle. The first
// byte picks the tag, the second how the key is given; the rest is the key.
// A seek stands where its answer says: a hard seek that found nothing is at
// EOF, one that found something is on a record.
#include "engine_scratch.h"

#include <string>

namespace {

void Seek(DBEHANDLE tag, DBEHANDLE table, const std::string &key, uint16_t dataType,
          uint16_t seekType) {
    uint16_t found = 2;
    if (DbeSeek(tag, key.data(), uint16_t(key.size()), dataType, seekType, &found) != DBE_SUCCESS)
        return;
    fuzz::Require(found == 0 || found == 1, "a seek's answer is neither found nor not found");
    uint16_t eof = 2;
    fuzz::EngineOk(DbeAtEOF(tag, &eof), "DbeAtEOF");
    if (seekType == DBE_HARDSEEK)
        fuzz::Require(bool(eof) == !found, "a hard seek stands elsewhere than it says");
    if (found) {
        uint32_t recno = 0;
        fuzz::EngineOk(DbeGetRecordNum(table, 0, &recno), "DbeGetRecordNum");
        fuzz::Require(recno > 0, "a found key without a record");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    std::vector<DBEHANDLE> tags;
    const DBEHANDLE table = fuzz::ScratchTable(&tags);
    const DBEHANDLE tag = tags[data[0] % tags.size()];
    const uint8_t how = data[1];
    const uint16_t dataType = (how & 1) ? DBE_STRINGKEY : DBE_RAWKEY;
    const uint16_t seekType = (how & 2) ? DBE_HARDSEEK : DBE_SOFTSEEK;
    const std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);

    if (!(how & 4)) {
        Seek(tag, table, rest, dataType, seekType);
        return 0;
    }
    // Segment by segment: a length byte, then that many bytes, per segment.
    fuzz::EngineOk(DbeInitRawKey(tag), "DbeInitRawKey");
    uint16_t segments = 0;
    fuzz::EngineOk(DbeGetNumSegments(tag, &segments), "DbeGetNumSegments");
    size_t at = 0;
    for (uint16_t segment = 1; segment <= segments && at < rest.size(); ++segment) {
        char name[64];
        uint16_t length = sizeof name;
        fuzz::EngineOk(DbeGetSegmentFieldname(tag, segment, name, &length),
                       "DbeGetSegmentFieldname");
        const size_t n = std::min<size_t>(uint8_t(rest[at]), rest.size() - at - 1);
        const std::string value = rest.substr(at + 1, n);
        at += 1 + n;
        if (how & 8)
            DbeSetFieldRaw(tag, name, value.data(), uint32_t(value.size()));
        else
            DbeSetField(tag, name, value.data(), uint32_t(value.size()));
    }
    char key[4096];
    uint16_t length = sizeof key;
    if (DbeBuildRawKey(tag, key, &length) != DBE_SUCCESS) return 0;
    fuzz::Require(length <= sizeof key, "a key longer than its buffer");
    Seek(tag, table, std::string(key, length), DBE_RAWKEY, seekType);
    return 0;
}
