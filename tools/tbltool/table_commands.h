// The commands that work on one existing table file.
#pragma once

#include "engine_session.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace tbltool {

// The CSV cells of the first `count` fields of the table's current record,
// whose image is `record`, in export's form.
QStringList exportCells(const Table &table, size_t count, const QByteArray &record);
// Writes UTF-8 text; a failure is a ToolError.
void writeText(FILE *out, const QString &text);

// Appends the rows of a UTF-8 CSV file to the table: all of them or none.
void importCsv(const QString &tableArgument, const QString &csvPath);
// Writes the table as UTF-8 CSV, in natural order or in the order of `tag`.
void exportCsv(const QString &tableArgument, const QString &tag, FILE *out);
// Writes the table's path, record count, fields and index tags.
void printInfo(const QString &tableArgument, FILE *out);

} // namespace tbltool
