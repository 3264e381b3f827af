// Loads rows given as CSV cells into a table: every row is checked before
// the first one is written, and the rows are written in one transaction, so
// a table gets all of them or none.
#pragma once

#include "engine_session.h"
#include "value_forms.h"

#include <QStringList>

#include <vector>

namespace tbltool {

class RowLoader {
public:
    RowLoader(Connection &connection, Table &table);

    // Column names match field names without regard to case.
    void setHeader(const QStringList &names);
    // Checks one row; a failure names the row (and `line` when not 0) and column.
    void addRow(const QStringList &cells, int row, int line = 0);
    // Writes the rows; answers the auto-increment number each row got (0 for
    // a table without one).
    std::vector<uint32_t> writeAll();

    size_t rowCount() const { return rows_.size(); }

private:
    struct PreparedRow {
        int row = 0;
        int line = 0;
        std::vector<EngineValue> values;
    };

    QString rowLabel(int row, int line) const;
    void writeRow(const PreparedRow &row);

    Connection &connection_;
    Table &table_;
    std::vector<const FieldInfo *> columns_;
    std::vector<PreparedRow> rows_;
    bool hasAutoinc_ = false;
};

} // namespace tbltool
