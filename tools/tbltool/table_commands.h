// The commands that work on one existing table file.
#pragma once

#include <QString>

#include <cstdio>

namespace tbltool {

// Appends the rows of a UTF-8 CSV file to the table: all of them or none.
void importCsv(const QString &tableArgument, const QString &csvPath);
// Writes the table as UTF-8 CSV, in natural order or in the order of `tag`.
void exportCsv(const QString &tableArgument, const QString &tag, FILE *out);
// Writes the table's path, record count, fields and index tags.
void printInfo(const QString &tableArgument, FILE *out);

} // namespace tbltool
