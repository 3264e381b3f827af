// Comma-separated text as RFC 4180 describes it: quoted cells may hold
// commas, doubled quotes and line breaks.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tbltool {

struct CsvRecord {
    int line = 0; // the line the record starts on, 1-based
    QStringList cells;
};

// Throws ToolError naming the line of a malformed record.
std::vector<CsvRecord> parseCsv(const QString &text);
// Reads a UTF-8 file (a leading byte order mark is dropped) and parses it.
std::vector<CsvRecord> readCsvFile(const QString &path);

QString csvCell(const QString &value);
// One record, terminated by a line feed.
QString csvLine(const QStringList &cells);

} // namespace tbltool
