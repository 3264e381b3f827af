#include "csv.h"

#include "tool_error.h"

#include <QFile>
#include <QStringDecoder>

namespace tbltool {

std::vector<CsvRecord> parseCsv(const QString &text) {
    std::vector<CsvRecord> records;
    CsvRecord current;
    QString cell;
    int line = 1;
    bool recordOpen = false; // something of the current record has been read
    bool quoted = false;     // inside a quoted cell
    bool afterQuote = false; // a quoted cell just closed; only "," or a line end may follow
    const qsizetype n = text.size();

    auto endCell = [&] {
        current.cells.append(cell);
        cell.clear();
        afterQuote = false;
    };
    auto endRecord = [&] {
        endCell();
        records.push_back(std::move(current));
        current = CsvRecord();
        recordOpen = false;
    };

    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (!recordOpen) {
            current.line = line;
            recordOpen = true;
        }
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    cell.append(u'"');
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
            } else {
                if (c == u'\n') ++line;
                cell.append(c);
            }
            continue;
        }
        if (c == u',') {
            endCell();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
            endRecord();
            ++line;
        } else if (afterQuote) {
            throw ToolError(
                QStringLiteral("line %1: unexpected text after a closing quote").arg(line));
        } else if (c == u'"') {
            if (!cell.isEmpty())
                throw ToolError(
                    QStringLiteral("line %1: a quote inside an unquoted cell (quote the whole cell "
                                   "and double the quote)")
                        .arg(line));
            quoted = true;
        } else {
            cell.append(c);
        }
    }
    if (quoted)
        throw ToolError(
            QStringLiteral("line %1: a quoted cell is not closed before the end of the file")
                .arg(current.line));
    if (recordOpen) endRecord();
    return records;
}

std::vector<CsvRecord> readCsvFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ToolError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) throw ToolError(QStringLiteral("%1 is not valid UTF-8").arg(path));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return parseCsv(text);
}

QString csvCell(const QString &value) {
    const bool needsQuotes = value.contains(u',') || value.contains(u'"') ||
                             value.contains(u'\n') || value.contains(u'\r');
    if (!needsQuotes) return value;
    QString quoted = value;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvLine(const QStringList &cells) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i) line.append(u',');
        line.append(csvCell(cells.at(i)));
    }
    line.append(u'\n');
    return line;
}

} // namespace tbltool
