// tbltool's CSV reader: any UTF-8 text either parses or is refused with a
// ToolError, and what parses writes out and parses back to the same cells.
#include "csv.h"
#include "fuzz_support.h"
#include "tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    std::vector<tbltool::CsvRecord> records;
    try {
        records = tbltool::readCsvFile(fuzz::WriteScratchFile(QStringLiteral("rows.csv"), bytes));
    } catch (const tbltool::ToolError &) {
        return 0;
    }
    QString written;
    int line = 0;
    for (const tbltool::CsvRecord &record : records) {
        fuzz::Require(record.line > line, "records out of line order");
        line = record.line;
        fuzz::Require(!record.cells.isEmpty(), "a record without cells");
        written += tbltool::csvLine(record.cells);
    }
    const std::vector<tbltool::CsvRecord> again = tbltool::parseCsv(written);
    fuzz::Require(again.size() == records.size(), "written records parse into another number");
    for (size_t i = 0; i < again.size(); ++i)
        fuzz::Require(again[i].cells == records[i].cells, "written cells parse back differently");
    return 0;
}
