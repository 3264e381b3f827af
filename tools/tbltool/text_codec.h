// The engine speaks Windows-1252; the tool's files and terminal speak UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tbltool {

// Empty when the text holds a character that Windows-1252 has no byte for.
std::optional<QByteArray> toWindows1252(const QString &text);
// Like toWindows1252, but a failure is a ToolError naming `what`.
QByteArray toWindows1252OrThrow(const QString &text, const QString &what);
QString fromWindows1252(const QByteArray &bytes);
// The first character of `text` that Windows-1252 cannot hold, described for
// a message ("'Ω' (U+03A9)"); empty when there is none.
QString describeFirstUnencodable(const QString &text);

} // namespace tbltool
