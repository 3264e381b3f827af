// The host's add-on menu file ZS.MNU beside the executable: lines of an
// executable path, ";" and a menu caption. Install mode enters this tool.
#pragma once

#include <QString>
#include <QStringList>

inline const QString kMenuEntryCaption = QStringLiteral("Check auf doppelte Artikelnummern.");

// Finds the first ';'. Without one: false, outputs untouched. Otherwise the
// text before it unchanged, and the text after it cut to 200 characters with
// characters of code 32 or less removed at both ends.
bool SplitAtFirst(const QString &text, QChar separator, QString &before, QString &after);

// Reads the menu file's lines (CR LF, lone CR or lone LF end a line).
QStringList ReadMenuLines(const QString &path);
// The lines with this tool's entry put in: the first line whose caption part
// is exactly the tool's caption is replaced, otherwise the entry is appended.
QStringList WithToolEntry(const QStringList &lines, const QString &executablePath);
// Writes the menu file whole, every line followed by CR LF. The file is
// written beside the old one and then renamed over it, so a failed write
// never leaves it half written. Raises Exception with the file layer's text.
void WriteMenuLines(const QString &path, const QStringList &lines);

// The whole install run on the file beside `executablePath`.
void RegisterInMenu(const QString &executablePath);
