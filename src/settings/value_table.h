// The value table of the settings (Ident 20): lines of texts, a tax key and
// a value, kept in an in-memory table and stored as CSV text.
#pragma once

#include "dataset.h"
#include "memtable.h"
#include "setting_streams.h"

#include <QChar>
#include <QString>
#include <memory>
#include <optional>

class TDbDataSet;

// The CSV form of an in-memory table. One line per record, ending with
// carriage return + line feed, fields in the table's order, no line of field
// definitions. Every non-null value is enclosed in quote characters, so a
// local decimal comma never collides with the separator; an empty unquoted
// field is null. Inside quotes the escape character precedes a quote or
// itself, and stands before two hex digits for a control character, which
// keeps every record on one line.
class TCsvTableFormat {
public:
    QChar Separator = u',';
    QChar Quote = u'"';
    QChar Escape = u'%';
    QString TrueText = QStringLiteral("True");
    QString FalseText = QStringLiteral("False");
    bool StoreFieldDefs = false;
    // Numbers and dates in the process format in both directions.
    bool LocalFormat = true;

    void SaveToStream(TMemTable &table, TStream &target) const;
    // Appends the records read from the source's current position.
    void LoadFromStream(TMemTable &table, TStream &source) const;

private:
    QString FieldText(const TField &field) const;
    void SetFieldText(TField &field, const QString &text) const;
    QString EscapeText(const QString &text) const;
    QList<std::optional<QString>> SplitRecord(const QString &line) const;
};

class TVSOBJ {
public:
    TVSOBJ();
    ~TVSOBJ();
    TVSOBJ(const TVSOBJ &) = delete;
    TVSOBJ &operator=(const TVSOBJ &) = delete;

    // The table's own format: every load and save of Table goes through it.
    std::unique_ptr<TCsvTableFormat> Format;
    std::unique_ptr<TMemTable> Table;
    std::unique_ptr<TDataSource> Source;
};

// Ident 20 of the settings table into the value table; silent. A missing
// record empties the table. The cursor must already be on the Ident index.
void LoadVSTable(TVSOBJ &valueTable, TDbDataSet &cursor);
