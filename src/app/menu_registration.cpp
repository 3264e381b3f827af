#include "menu_registration.h"

#include "exceptions.h"
#include "text_lines.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QString Trim32(const QString &s) {
    int start = 0, end = static_cast<int>(s.size());
    while (start < end && s[start].unicode() <= 32) ++start;
    while (end > start && s[end - 1].unicode() <= 32) --end;
    return s.mid(start, end - start);
}

// The file is in the system's 8-bit code page, Windows-1252; every byte has
// a character there (the five unassigned ones the C1 controls), so the lines
// of other tools come back byte for byte.
QString Decode(const QByteArray &bytes) {
    QStringDecoder decoder("windows-1252");
    return decoder(bytes);
}

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
    for (const QString &line : lines) {
        QStringEncoder encoder("windows-1252");
        bytes += encoder(line);
        // A character the code page cannot hold would reach the host as
        // "?", an entry that names no program.
        if (encoder.hasError())
            throw Exception(QStringLiteral("Datei %1 kann die Zeile \"%2\" nicht aufnehmen: sie enthält Zeichen "
                                           "außerhalb von Windows-1252")
                                .arg(path, line));
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path));
}

void RegisterInMenu(const QString &executablePath) {
    const QString path = QFileInfo(executablePath).absolutePath() + QStringLiteral("/ZS.MNU");
    QStringList lines;
    if (QFileInfo::exists(path)) lines = ReadMenuLines(path);
    WriteMenuLines(path, WithToolEntry(lines, executablePath));
}
