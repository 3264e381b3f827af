// The one crossing between the engine's Windows-1252 bytes and QString.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

QString FromAnsi(const char *bytes, qsizetype length);
inline QString FromAnsi(const QByteArray &bytes) { return FromAnsi(bytes.constData(), bytes.size()); }
// Empty when the text holds a character Windows-1252 cannot hold.
std::optional<QByteArray> ToAnsi(const QString &text);
// The first character of the text that Windows-1252 cannot hold.
QString FirstUnencodable(const QString &text);
