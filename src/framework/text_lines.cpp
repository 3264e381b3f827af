#include "text_lines.h"

QStringList SplitTextLines(const QString &text) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << line;
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}
