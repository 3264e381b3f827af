// Record images and field values handed to the engine: every field of a new
// record set from the input, in its image form (DbeSetFieldRaw) or its text
// form (DbeSetField), as the first byte says; then written, read back and
// removed again. Each field either takes its bytes or refuses them with an
// engine error; what the table holds reads as a record image of the table's
// length, and an image read back goes in again unchanged.
#include "engine_scratch.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const DBEHANDLE table = fuzz::ScratchTable();
    const uint8_t how = data[0];
    const std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);

    uint16_t fields = 0;
    fuzz::EngineOk(DbeGetNumFields(table, &fields), "DbeGetNumFields");
    uint32_t recordLength = 0;
    fuzz::EngineOk(DbeGetRecordLength(table, &recordLength), "DbeGetRecordLength");

    fuzz::EngineOk(DbeAppendRecord(table), "DbeAppendRecord");
    size_t at = 0;
    for (uint16_t field = 1; field <= fields; ++field) {
        if (at >= rest.size()) break;
        const size_t n = std::min<size_t>(uint8_t(rest[at]), rest.size() - at - 1);
        const std::string value = rest.substr(at + 1, n);
        at += 1 + n;
        const bool raw = (how >> (field % 8)) & 1;
        if (raw)
            DbeSetFieldRaw(table, DBE_FIELD(field), value.data(), uint32_t(value.size()));
        else
            DbeSetField(table, DBE_FIELD(field), value.data(), uint32_t(value.size()));
    }
    if (DbeWriteRecord(table) != DBE_SUCCESS) {
        DbeCancelUpdate(table);
        return 0;
    }

    std::string image(recordLength, '\0');
    uint32_t length = recordLength;
    fuzz::EngineOk(DbeGetRecord(table, image.data(), &length), "DbeGetRecord");
    fuzz::Require(length == recordLength, "a record image of another length");
    for (uint16_t field = 1; field <= fields; ++field) {
        char text[70000];
        uint32_t textLength = sizeof text;
        fuzz::EngineOk(DbeGetField(table, DBE_FIELD(field), text, &textLength, DBE_TRIMMED),
                       "DbeGetField");
        uint16_t empty = 2;
        fuzz::EngineOk(DbeIsEmpty(table, DBE_FIELD(field), &empty), "DbeIsEmpty");
    }

    // The image read back, handed in field by field, changes nothing.
    for (uint16_t field = 1; field <= fields; ++field) {
        uint16_t type = 0;
        uint32_t offset = 0, fieldLength = 0;
        fuzz::EngineOk(DbeGetFieldType(table, DBE_FIELD(field), &type), "DbeGetFieldType");
        if (type >= DBE_T_MEMO && type <= DBE_T_VARCHAR) continue; // blobs are not in the image
        fuzz::EngineOk(DbeGetFieldOffset(table, DBE_FIELD(field), &offset), "DbeGetFieldOffset");
        fuzz::EngineOk(DbeGetFieldLength(table, DBE_FIELD(field), &fieldLength),
                       "DbeGetFieldLength");
        fuzz::Require(offset + fieldLength <= recordLength, "a field beyond the record");
        if (type == DBE_T_AUTOINC) continue;
        if (DbeSetFieldRaw(table, DBE_FIELD(field), image.data() + offset, fieldLength) !=
            DBE_SUCCESS)
            fuzz::EngineFailed("DbeSetFieldRaw of an image the engine gave");
    }
    std::string again(recordLength, '\0');
    length = recordLength;
    fuzz::EngineOk(DbeGetRecord(table, again.data(), &length),
                   "DbeGetRecord after setting the image");
    fuzz::Require(again == image, "an image read back and set again changes");
    DbeCancelUpdate(table);
    fuzz::EngineOk(DbeDeleteRecord(table), "DbeDeleteRecord");
    return 0;
}
