// The animated-cursor reader: any file is refused with a reason or gives an
// animation whose every step names an existing frame and lasts at least one
// jiffy. Icon and cursor files on their own go through the same decoder.
#include "ani_cursor.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    QString error;
    if (const std::optional<TAniCursorData> ani = ParseAniCursor(bytes, &error)) {
        fuzz::Require(!ani->frames.isEmpty() && !ani->sequence.isEmpty(),
                      "an animation without frames or steps");
        fuzz::Require(ani->rates.size() == ani->sequence.size(),
                      "rates and steps differ in number");
        for (const quint32 index : ani->sequence)
            fuzz::Require(index < quint32(ani->frames.size()), "a step names a missing frame");
        for (const quint32 rate : ani->rates)
            fuzz::Require(rate > 0, "a step of no time");
        for (const TAniFrame &frame : ani->frames)
            fuzz::Require(!frame.image.isNull(), "an empty frame");
    } else {
        fuzz::Require(!error.isEmpty(), "a refusal without a reason");
    }
    error.clear();
    if (!ParseIconFile(bytes, &error))
        fuzz::Require(!error.isEmpty(), "an icon refused without a reason");
    return 0;
}
