// tbltool's value forms. The input describes a field as a catalogue gives
// it (type, length, decimals, offset; any values, also ones no table of
// ours has), then a cell and a record image. A cell converts to the
// engine's form or is refused with a ToolError; an image gives a cell or is
// refused the same way, never a read outside the image.
#include "fuzz_support.h"
#include "tool_error.h"
#include "value_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 6) return 0;
    tbltool::FieldInfo field;
    field.number = 1;
    field.name = QStringLiteral("F");
    field.type = data[0] % 24;
    field.length = uint32_t(data[1]) | uint32_t(data[2]) << 8;
    if (data[3] & 0x80) field.length |= 0xFFFF0000u; // lengths a damaged catalogue may give
    field.decimals = data[3] & 0x7F;
    field.offset = data[4];
    if (data[5] & 0x80) field.offset |= 0xFFFFFF00u;
    const QByteArray rest = fuzz::Bytes(data + 6, size - 6);
    const qsizetype cut = rest.indexOf('\n');
    const QString cell = QString::fromUtf8(cut < 0 ? rest : rest.left(cut));
    const QByteArray record = cut < 0 ? QByteArray() : rest.mid(cut + 1);

    try {
        const tbltool::EngineValue value = tbltool::engineValueFromCell(field, cell);
        if (value.kind != tbltool::EngineValue::Kind::Text)
            fuzz::Require(value.bytes.isEmpty(), "bytes for an empty or skipped value");
    } catch (const tbltool::ToolError &) {
    }
    try {
        tbltool::cellFromImage(field, record);
    } catch (const tbltool::ToolError &) {
    }
    try {
        tbltool::cellFromBlob(field, record);
    } catch (const tbltool::ToolError &) {
    }
    return 0;
}
