// The extra columns of the suite's address lists (Ident 752): a header in
// stringItem and the column list in MemoItem, as CSV or in the older form
// of plain caption lines.
#pragma once

#include "setting_streams.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class TDbDataSet;

struct TColProp {
    QString Caption;
    bool Enabled = false;
    int Width = 0;
    QStringList Values;
    int ColumnIndex = 0;
};

class TAdressExtraSetup {
public:
    std::vector<std::unique_ptr<TColProp>> Columns;
    bool HasValues = false;
    int MaxValueLines = 0;
    bool ShowExtra = false;
    QStringList HeaderText;
    uint8_t HeaderMode = 0;
};

// The process-wide setup, created empty on first use.
TAdressExtraSetup &GetAddressColumns();

// Replaces the setup by the stream's column list and the header text. The
// defaults are added even when reading fails; the error then goes on.
void LoadAddressColumns(TAdressExtraSetup &setup, TStream &stream, const QString &headerText);
void ClearAddressColumns(TAdressExtraSetup &setup);
void EnsureDefaultColumns(TAdressExtraSetup &setup);
int ColumnCount(const TAdressExtraSetup &setup);
void SetColumn(TAdressExtraSetup &setup, int index, const TColProp &column);

// Ident 752 into the process-wide setup when the record exists; silent. The
// cursor must already be on the Ident index.
void LoadAddressColumnsFromTable(TDbDataSet &cursor);

// Splits at every occurrence of the separator: adjacent separators give an
// empty element, a separator at the very end adds none.
QStringList SplitText(const QString &separator, const QString &text);
// Lines at carriage return + line feed, a lone line feed or a lone carriage
// return; a break at the very end adds no empty line.
QStringList SplitLines(const QString &text);
