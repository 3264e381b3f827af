#include "row_loader.h"

#include "tool_error.h"

namespace tbltool {

RowLoader::RowLoader(Connection &connection, Table &table)
    : connection_(connection), table_(table) {
    for (const auto &field : table_.fields())
        if (field.type == DBE_T_AUTOINC) hasAutoinc_ = true;
}

void RowLoader::setHeader(const QStringList &names) {
    columns_.clear();
    for (const QString &raw : names) {
        const QString name = raw.trimmed();
        const FieldInfo *match = nullptr;
        for (const auto &field : table_.fields())
            if (field.name.compare(name, Qt::CaseInsensitive) == 0) match = &field;
        if (!match)
            throw ToolError(
                QStringLiteral("column '%1' is not a field of %2").arg(name, table_.path()));
        for (const FieldInfo *taken : columns_)
            if (taken == match)
                throw ToolError(QStringLiteral("column '%1' appears twice").arg(name));
        columns_.push_back(match);
    }
}

QString RowLoader::rowLabel(int row, int line) const {
    return line > 0 ? QStringLiteral("row %1 (line %2)").arg(row).arg(line)
                    : QStringLiteral("row %1").arg(row);
}

void RowLoader::addRow(const QStringList &cells, int row, int line) {
    if (size_t(cells.size()) != columns_.size())
        throw ToolError(QStringLiteral("%1: %2 cells, but the header names %3 columns")
                            .arg(rowLabel(row, line))
                            .arg(cells.size())
                            .arg(columns_.size()));
    PreparedRow prepared{row, line, {}};
    prepared.values.reserve(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
        try {
            prepared.values.push_back(engineValueFromCell(*columns_[i], cells.at(qsizetype(i))));
        } catch (const ToolError &error) {
            throw ToolError(QStringLiteral("%1, column %2: %3")
                                .arg(rowLabel(row, line), columns_[i]->name, error.message()));
        }
    }
    rows_.push_back(std::move(prepared));
}

void RowLoader::writeRow(const PreparedRow &row) {
    const DBEHANDLE table = table_.handle();
    checkEngine(Dbe().DbeAppendRecord(table),
                QStringLiteral("%1: cannot append a record").arg(rowLabel(row.row, row.line)));
    for (size_t i = 0; i < columns_.size(); ++i) {
        const FieldInfo &field = *columns_[i];
        const EngineValue &value = row.values[i];
        const QString what =
            QStringLiteral("%1, column %2").arg(rowLabel(row.row, row.line), field.name);
        switch (value.kind) {
        case EngineValue::Kind::Skip:
            break;
        case EngineValue::Kind::Empty:
            checkEngine(Dbe().DbeSetEmpty(table, DBE_FIELD(field.number)), what);
            break;
        case EngineValue::Kind::Text:
            checkEngine(Dbe().DbeSetField(table, DBE_FIELD(field.number), value.bytes.constData(),
                                          uint32_t(value.bytes.size())),
                        what);
            break;
        }
    }
    checkEngine(Dbe().DbeWriteRecord(table),
                QStringLiteral("%1: the record was not written").arg(rowLabel(row.row, row.line)));
}

std::vector<uint32_t> RowLoader::writeAll() {
    std::vector<uint32_t> numbers;
    numbers.reserve(rows_.size());
    checkEngine(Dbe().DbeBeginTransaction(connection_.handle()),
                QStringLiteral("cannot begin a transaction"));
    try {
        for (const PreparedRow &row : rows_) {
            writeRow(row);
            uint32_t number = 0;
            if (hasAutoinc_)
                checkEngine(
                    Dbe().DbeGetLastAutoinc(table_.handle(), &number),
                    QStringLiteral("%1: reading its number").arg(rowLabel(row.row, row.line)));
            numbers.push_back(number);
        }
        checkEngine(Dbe().DbeCommitTransaction(connection_.handle()),
                    QStringLiteral("cannot commit the transaction"));
    } catch (const ToolError &error) {
        // A half-built record would otherwise ride along into the rollback.
        Dbe().DbeCancelUpdate(table_.handle());
        if (Dbe().DbeRollbackTransaction(connection_.handle()) != DBE_SUCCESS)
            throw ToolError(QStringLiteral("%1; rolling back failed too: %2")
                                .arg(error.message(), engineLastError()));
        throw ToolError(error.message() + QStringLiteral("; nothing was written"));
    }
    return numbers;
}

} // namespace tbltool
