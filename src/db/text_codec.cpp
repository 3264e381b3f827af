#include "text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromAnsi(const char *bytes, qsizetype length) {
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes, length));
}

std::optional<QByteArray> ToAnsi(const QString &text) {
    QStringEncoder encoder("windows-1252");
    QByteArray out = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return out;
}

QString FirstUnencodable(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QString ch = text.mid(i, n);
        if (!ToAnsi(ch)) return ch;
        i += n - 1;
    }
    return QString();
}
