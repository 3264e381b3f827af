// tbltool's value forms on record images as a damaged catalogue describes
// them: a field that cannot hold its type, or that lies outside the image,
// is refused instead of read past.
#include "tool_error.h"
#include "value_forms.h"

#include <gtest/gtest.h>

namespace {

tbltool::FieldInfo Field(uint16_t type, uint32_t length, uint32_t offset) {
    tbltool::FieldInfo field;
    field.number = 1;
    field.name = QStringLiteral("F");
    field.type = type;
    field.length = length;
    field.offset = offset;
    return field;
}

} // namespace

TEST(ValueForms, ImageOfAFieldThatDoesNotFitIsRefused) {
    const struct {
        const char *what;
        uint16_t type;
        uint32_t length, offset;
    } cases[] = {
        {"logical of no bytes", DBE_T_LOGICAL, 0, 1},
        {"compact date of one byte", DBE_T_COMPACTDATE, 1, 1},
        {"short integer of one byte", DBE_T_SHORTINT, 1, 1},
        {"integer of two bytes", DBE_T_INTEGER, 2, 1},
        {"double of four bytes", DBE_T_DOUBLE, 4, 1},
        {"timestamp of four bytes", DBE_T_TIMESTAMP, 4, 1},
        {"text beyond the image", DBE_T_STRING, 10, 20},
        {"text whose offset wraps around", DBE_T_STRING, 0x100, 0xFFFFFF00u},
        {"integer whose offset wraps around", DBE_T_INTEGER, 4, 0xFFFFFFFEu},
    };
    const QByteArray record(24, 'T');
    for (const auto &c : cases)
        EXPECT_THROW(tbltool::cellFromImage(Field(c.type, c.length, c.offset), record),
                     tbltool::ToolError)
            << c.what;
    EXPECT_EQ(tbltool::cellFromImage(Field(DBE_T_LOGICAL, 1, 1), record), QStringLiteral("T"));
    EXPECT_EQ(tbltool::cellFromImage(Field(DBE_T_STRING, 23, 1), record), QString(23, u'T'));
}
