// The CSV form of a field value and its two engine forms: the text (or, for
// blobs, the bytes) that DbeSetField takes, and the record image read back.
//
// CSV forms: texts as they are; binary and image values as "base64:...";
// logicals T/F (1/0 accepted); numbers with '.'; dates YYYY-MM-DD; times
// HH:MM:SS[.mmm]; timestamps YYYY-MM-DD HH:MM:SS[.mmm]; an empty cell is an
// empty value.
#pragma once

#include "engine_session.h"

#include <QByteArray>
#include <QString>

namespace tbltool {

struct EngineValue {
    enum class Kind {
        Empty, // DbeSetEmpty
        Text,  // DbeSetField with `bytes`
        Skip,  // leave the field alone (an auto-increment number the engine assigns)
    };
    Kind kind = Kind::Empty;
    QByteArray bytes;
};

// Throws ToolError with the reason when the cell does not fit the field.
EngineValue engineValueFromCell(const FieldInfo &field, const QString &cell);

// The CSV form of a non-blob field, decoded from the record image.
QString cellFromImage(const FieldInfo &field, const QByteArray &record);
// The CSV form of a blob field's bytes.
QString cellFromBlob(const FieldInfo &field, const QByteArray &bytes);

// Shortest text that reads back as the same double.
QString shortestDouble(double value);

} // namespace tbltool
