#include "table_commands.h"

#include "csv.h"
#include "engine_session.h"
#include "row_loader.h"
#include "text_codec.h"
#include "tool_error.h"
#include "value_forms.h"

namespace tbltool {

namespace {

QString blobCell(const Table &table, const FieldInfo &field) {
    const DBEHANDLE handle = table.handle();
    const QString what = QStringLiteral("reading field %1").arg(field.name);
    uint32_t length = 0;
    if (field.type == DBE_T_BINARY || field.type == DBE_T_IMAGE)
        checkEngine(Dbe().DbeGetBinaryLength(handle, DBE_FIELD(field.number), &length), what);
    else
        checkEngine(Dbe().DbeGetMemoLength(handle, DBE_FIELD(field.number), &length), what);
    if (length == 0) return {};
    QByteArray bytes(qsizetype(length) + 1, '\0');
    uint32_t got = length + 1;
    checkEngine(Dbe().DbeGetField(handle, DBE_FIELD(field.number), bytes.data(), &got, DBE_PADDED),
                what);
    bytes.truncate(qsizetype(std::min(got, length)));
    return cellFromBlob(field, bytes);
}

QString yesNo(uint16_t flag) {
    return flag ? QStringLiteral("yes") : QStringLiteral("no");
}

void write(FILE *out, const QString &text) {
    writeText(out, text);
}

} // namespace

void writeText(FILE *out, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) != size_t(bytes.size()))
        throw ToolError(QStringLiteral("cannot write the output"));
}

QStringList exportCells(const Table &table, size_t count, const QByteArray &record) {
    QStringList cells;
    for (size_t i = 0; i < count && i < table.fields().size(); ++i) {
        const FieldInfo &field = table.fields()[i];
        uint16_t empty = 0;
        checkEngine(Dbe().DbeIsEmpty(table.handle(), DBE_FIELD(field.number), &empty),
                    QStringLiteral("reading field %1").arg(field.name));
        if (empty)
            cells << QString();
        else if (isBlobType(field.type))
            cells << blobCell(table, field);
        else
            cells << cellFromImage(field, record);
    }
    return cells;
}

void importCsv(const QString &tableArgument, const QString &csvPath) {
    const TablePath path = resolveExistingTable(tableArgument);
    std::vector<CsvRecord> records = readCsvFile(csvPath);
    if (records.empty()) throw ToolError(QStringLiteral("%1 has no header line").arg(csvPath));
    // Blank lines at the end are an editor's doing, not empty records, once
    // the header shows that a record has more than one cell.
    while (records.size() > 1 && records.front().cells.size() > 1 &&
           records.back().cells == QStringList{QString()})
        records.pop_back();

    Connection connection(path.place);
    Table table(connection, path.file, DBE_EXCLUSIVE);
    RowLoader loader(connection, table);
    loader.setHeader(records.front().cells);
    for (size_t i = 1; i < records.size(); ++i)
        loader.addRow(records[i].cells, int(i), records[i].line);
    loader.writeAll();
}

void exportCsv(const QString &tableArgument, const QString &tag, FILE *out) {
    const TablePath path = resolveExistingTable(tableArgument);
    Connection connection(path.place);
    Table table(connection, path.file, DBE_READONLY);
    const DBEHANDLE handle = table.handle();

    DBEHANDLE order = handle;
    if (!tag.isEmpty()) {
        const QByteArray name = toWindows1252OrThrow(tag, QStringLiteral("the tag name"));
        checkEngine(Dbe().DbeGetIndexHandle(handle, name.constData(), &order),
                    QStringLiteral("no index tag %1 in %2").arg(tag, path.file));
    }

    QStringList header;
    for (const auto &field : table.fields())
        header << field.name;
    write(out, csvLine(header));

    QByteArray record(qsizetype(table.recordLength()), '\0');
    checkEngine(Dbe().DbeGotoTop(order), QStringLiteral("cannot go to the first record"));
    for (;;) {
        uint16_t atEnd = 0;
        checkEngine(Dbe().DbeAtEOF(order, &atEnd), QStringLiteral("cannot read the position"));
        if (atEnd) break;
        uint32_t length = uint32_t(record.size());
        checkEngine(Dbe().DbeGetRecord(handle, record.data(), &length),
                    QStringLiteral("cannot read a record"));
        if (record.at(0) != '*')
            write(out, csvLine(exportCells(table, table.fields().size(), record)));
        checkEngine(Dbe().DbeSkip(order, 1), QStringLiteral("cannot move to the next record"));
    }
}

void printInfo(const QString &tableArgument, FILE *out) {
    const TablePath path = resolveExistingTable(tableArgument);
    Connection connection(path.place);
    Table table(connection, path.file, DBE_READONLY);
    const DBEHANDLE handle = table.handle();

    uint32_t records = 0;
    checkEngine(Dbe().DbeGetRecordCount(handle, 0, &records),
                QStringLiteral("cannot count the records"));
    uint32_t deleted = 0;
    {
        const Table journal = Table::deletedOf(table);
        checkEngine(Dbe().DbeGetRecordCount(journal.handle(), 0, &deleted),
                    QStringLiteral("cannot count the deleted records"));
    }

    QString text;
    if (path.place.server) {
        // Not the connection string: that may hold a password.
        const QString server = readEngineText(
            [&](char *buffer, uint16_t *length) {
                return Dbe().DbeGetServerName(connection.handle(), buffer, length);
            },
            QStringLiteral("cannot read the server name"));
        text +=
            QStringLiteral("Table:   %1\n").arg(path.file.mid(path.place.connectPath.size() + 1));
        text += QStringLiteral("Server:  %1\n").arg(server);
    } else {
        text += QStringLiteral("Table:   %1\n").arg(path.file);
    }
    text += QStringLiteral("Records: %1\n").arg(records);
    text += QStringLiteral("Deleted: %1 (in the journal of deleted records)\n").arg(deleted);
    text += QStringLiteral("Fields:  %1 (record length %2)\n")
                .arg(table.fields().size())
                .arg(table.recordLength());
    text += QStringLiteral("  %1  %2  %3  %4  %5  %6\n")
                .arg(QStringLiteral("No"), 3)
                .arg(QStringLiteral("Name"), -12)
                .arg(QStringLiteral("Type"), -14)
                .arg(QStringLiteral("Length"), 6)
                .arg(QStringLiteral("Dec"), 3)
                .arg(QStringLiteral("Offset"), 6);
    for (const auto &field : table.fields()) {
        const QString type = QStringLiteral("%1 %2")
                                 .arg(field.type)
                                 .arg(QString::fromLatin1(fieldTypeName(field.type)));
        text += QStringLiteral("  %1  %2  %3  %4  %5  %6\n")
                    .arg(field.number, 3)
                    .arg(field.name, -12)
                    .arg(type, -14)
                    .arg(field.length, 6)
                    .arg(field.decimals, 3)
                    .arg(field.offset, 6);
    }

    uint16_t count = 0;
    checkEngine(Dbe().DbeGetNumIndexes(handle, &count), QStringLiteral("cannot count the indexes"));
    std::vector<DBEHANDLE> indexes(count);
    if (count)
        checkEngine(Dbe().DbeGetAllIndexes(handle, indexes.data(), &count),
                    QStringLiteral("cannot list the indexes"));
    indexes.resize(count);
    text += QStringLiteral("Index tags: %1\n").arg(count);
    text += QStringLiteral("  %1  %2  %3  %4\n")
                .arg(QStringLiteral("Tag"), -12)
                .arg(QStringLiteral("Key"), -40)
                .arg(QStringLiteral("Unique"), -6)
                .arg(QStringLiteral("Descending"));
    for (DBEHANDLE index : indexes) {
        const QString what = QStringLiteral("reading an index tag");
        const QString name = readEngineText(
            [&](char *buffer, uint16_t *length) {
                return Dbe().DbeGetIndexName(index, buffer, length);
            },
            what);
        uint16_t segments = 0, unique = 0, descending = 0;
        checkEngine(Dbe().DbeGetNumSegments(index, &segments), what);
        checkEngine(Dbe().DbeIsIndexUnique(index, &unique), what);
        checkEngine(Dbe().DbeIsIndexDescending(index, &descending), what);
        QStringList key;
        for (uint16_t segment = 1; segment <= segments; ++segment)
            key << readEngineText(
                [&](char *buffer, uint16_t *length) {
                    return Dbe().DbeGetSegmentFieldname(index, segment, buffer, length);
                },
                what);
        text += QStringLiteral("  %1  %2  %3  %4\n")
                    .arg(name, -12)
                    .arg(key.join(u';'), -40)
                    .arg(yesNo(unique), -6)
                    .arg(yesNo(descending));
    }
    write(out, text);
}

} // namespace tbltool
