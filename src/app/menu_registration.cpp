#include "menu_registration.h"

#include "exceptions.h"
#include "text_lines.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString Trim32(const QString &s) {
    int start = 0, end = static_cast<int>(s.size());
    while (start < end && s[start].unicode() <= 32) ++start;
    while (end > start && s[end - 1].unicode() <= 32) --end;
    return s.mid(start, end - start);
}

// The file is in the system's 8-bit code page.
QString Decode(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

}  // namespace

bool SplitAtFirst(const QString &text, QChar separator, QString &before, QString &after) {
    const qsizetype at = text.indexOf(separator);
    if (at < 0) return false;
    before = text.left(at);
    after = Trim32(text.mid(at + 1).left(200));
    return true;
}

QStringList ReadMenuLines(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path));
    const QString text = Decode(file.readAll());
    if (file.error() != QFileDevice::NoError)
        throw Exception(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path));
    return SplitTextLines(text);
}

QStringList WithToolEntry(const QStringList &lines, const QString &executablePath) {
    const QString entry = executablePath + u';' + kMenuEntryCaption;
    QStringList out = lines;
    for (QString &line : out) {
        QString path, caption;
        if (SplitAtFirst(line, u';', path, caption) && caption == kMenuEntryCaption) {
            line = entry;
            return out;
        }
    }
    out << entry;
    return out;
}

void WriteMenuLines(const QString &path, const QStringList &lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path));
    QByteArray bytes;
    for (const QString &line : lines) bytes += line.toLatin1() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path));
}

void RegisterInMenu(const QString &executablePath) {
    const QString path = QFileInfo(executablePath).absolutePath() + QStringLiteral("/ZS.MNU");
    QStringList lines;
    if (QFileInfo::exists(path)) lines = ReadMenuLines(path);
    WriteMenuLines(path, WithToolEntry(lines, executablePath));
}
