#include "text_codec.h"

#include "tool_error.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tbltool {

namespace {
constexpr const char *kCodec = "windows-1252";
}

std::optional<QByteArray> toWindows1252(const QString &text) {
    // Stateless: every call stands alone, so one bad cell cannot poison the next.
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) throw ToolError(QStringLiteral("this Qt has no Windows-1252 codec"));
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes;
}

QByteArray toWindows1252OrThrow(const QString &text, const QString &what) {
    auto bytes = toWindows1252(text);
    if (!bytes)
        throw ToolError(QStringLiteral("%1 holds the character %2, which Windows-1252 cannot hold")
                            .arg(what, describeFirstUnencodable(text)));
    return *bytes;
}

QString fromWindows1252(const QByteArray &bytes) {
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) throw ToolError(QStringLiteral("this Qt has no Windows-1252 codec"));
    return decoder.decode(bytes);
}

QString describeFirstUnencodable(const QString &text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, width);
        if (!toWindows1252(one)) {
            const char32_t cp = width == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                           : text.at(i).unicode();
            return QStringLiteral("'%1' (U+%2)")
                .arg(one, QString::number(static_cast<uint>(cp), 16)
                              .toUpper()
                              .rightJustified(4, QLatin1Char('0')));
        }
        i += width;
    }
    return {};
}

} // namespace tbltool
