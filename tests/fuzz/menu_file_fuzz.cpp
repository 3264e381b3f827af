// The add-on menu file ZS.MNU and SplitAtFirst: any file is read into
// lines, an install run over it puts in exactly one line of this tool's
// and keeps the others, and a second run changes nothing.
#include "fuzz_support.h"
#include "menu_registration.h"

#include <QCoreApplication>
#include <QFile>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

namespace {

QByteArray FileBytes(const QString &path) {
    QFile file(path);
    fuzz::Require(file.open(QIODevice::ReadOnly), "the menu file cannot be read back");
    return file.readAll();
}

void CheckSplit(const QString &text, QChar separator) {
    QString before = QStringLiteral("-"), after = QStringLiteral("-");
    const bool found = SplitAtFirst(text, separator, before, after);
    fuzz::Require(found == text.contains(separator), "a separator found or missed wrongly");
    if (!found) {
        fuzz::Require(before == u"-" && after == u"-", "outputs changed without a separator");
        return;
    }
    fuzz::Require(text.startsWith(before + separator), "the text before the separator changed");
    fuzz::Require(after.size() <= 200, "a caption part longer than 200 characters");
    fuzz::Require(after.isEmpty() || (after.front().unicode() > 32 && after.back().unicode() > 32),
                  "a caption part with blanks at its ends");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString path = fuzz::WriteScratchFile(QStringLiteral("ZS.MNU"), bytes);
    const QStringList lines = ReadMenuLines(path);
    for (const QString &line : lines) {
        fuzz::Require(!line.contains(u'\r') && !line.contains(u'\n'), "a line holds a line break");
        CheckSplit(line, u';');
    }
    if (size > 0) CheckSplit(QString::fromLatin1(bytes.mid(1)), QChar(uchar(data[0])));

    const QString executable = fuzz::ScratchFolder() + QStringLiteral("/artnrcheck");
    const QString entry = executable + u';' + kMenuEntryCaption;
    const QStringList entered = WithToolEntry(lines, executable);
    fuzz::Require(entered.size() == lines.size() || entered.size() == lines.size() + 1,
                  "lines lost or added");
    fuzz::Require(entered.contains(entry), "the tool's entry is missing");
    int changed = 0;
    for (qsizetype i = 0; i < lines.size(); ++i)
        changed += entered[i] != lines[i];
    fuzz::Require(changed <= 1 && (changed == 0 || entered.size() == lines.size()),
                  "other lines changed");

    RegisterInMenu(executable);
    const QByteArray once = FileBytes(path);
    fuzz::Require(ReadMenuLines(path) == entered, "the written file reads back differently");
    RegisterInMenu(executable);
    fuzz::Require(FileBytes(path) == once, "a second install run changed the file");
    return 0;
}
