#include "address_columns.h"

#include "csv_reader.h"
#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "text_codec.h"

namespace {

std::unique_ptr<TAdressExtraSetup> &Instance() {
    static std::unique_ptr<TAdressExtraSetup> instance;
    return instance;
}

// Blanks and control characters at both ends.
QString TrimControl(const QString &text) {
    qsizetype start = 0, end = text.size();
    while (start < end && text[start].unicode() <= u' ') ++start;
    while (end > start && text[end - 1].unicode() <= u' ') --end;
    return text.mid(start, end - start);
}

void AddColumn(TAdressExtraSetup &setup, const QString &caption, int width, bool enabled,
               const QStringList &values, int columnIndex) {
    auto column = std::make_unique<TColProp>();
    column->Caption = caption;
    column->Width = width;
    column->Enabled = enabled;
    column->Values = values;
    column->ColumnIndex = columnIndex;
    setup.Columns.push_back(std::move(column));
}

void ReadHeader(TAdressExtraSetup &setup, const QString &headerText) {
    QStringList parts = SplitText(QStringLiteral("<br>"), headerText);
    while (parts.size() < 3) parts.append(QString());
    setup.ShowExtra = parts[0] == QStringLiteral("1");
    setup.HeaderText = SplitLines(parts[1]);
    const int mode = TryStrToInt(parts[2]).value_or(0);
    setup.HeaderMode = uint8_t(mode >= 0 && mode <= 2 ? mode : 0);
}

void ReadCsvColumns(TAdressExtraSetup &setup, TStream &stream) {
    TCSVReader reader(stream, ',');
    int n = 0;
    while (!reader.Eof()) {
        if (reader.FieldCount() > 3) {
            const QStringList values = SplitLines(reader.Field(3));
            const int width = std::min(TryStrToInt(reader.Field(1)).value_or(50), 400);
            const int index = TryStrToInt(reader.Field(4)).value_or(n);
            AddColumn(setup, reader.Field(0), width, reader.Field(2) == QStringLiteral("1"), values,
                      index);
            setup.HasValues = setup.HasValues || !TrimControl(reader.Field(3)).isEmpty();
            setup.MaxValueLines = std::max(setup.MaxValueLines, int(values.size()));
            ++n;
        }
        reader.Next();
    }
}

}  // namespace

TAdressExtraSetup &GetAddressColumns() {
    auto &instance = Instance();
    if (!instance) instance = std::make_unique<TAdressExtraSetup>();
    return *instance;
}

QStringList SplitText(const QString &separator, const QString &text) {
    if (text.isEmpty()) return {};
    if (separator.isEmpty()) return {text};
    QStringList parts;
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = text.indexOf(separator, start, Qt::CaseSensitive);
        if (at < 0) break;
        parts.append(text.mid(start, at - start));
        start = at + separator.size();
    }
    if (start < text.size()) parts.append(text.mid(start));
    return parts;
}

QStringList SplitLines(const QString &text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n') ++end;
        lines.append(text.mid(start, end - start));
        if (end < n && text[end] == u'\r') ++end;
        if (end < n && text[end] == u'\n') ++end;
        start = end;
    }
    return lines;
}

void ClearAddressColumns(TAdressExtraSetup &setup) {
    setup.ShowExtra = false;
    setup.HeaderMode = 0;
    setup.HeaderText.clear();
    setup.HasValues = false;
    setup.MaxValueLines = 0;
    setup.Columns.clear();
}

void EnsureDefaultColumns(TAdressExtraSetup &setup) {
    if (!setup.Columns.empty()) return;
    AddColumn(setup, QString(), 0, false, {}, 0);
    AddColumn(setup, QStringLiteral("Name"), 100, true, {}, 1);
    AddColumn(setup, QStringLiteral("Telefon"), 60, false, {}, 2);
    AddColumn(setup, QStringLiteral("Fax"), 60, false, {}, 3);
    AddColumn(setup, QStringLiteral("Email"), 60, false, {}, 4);
}

int ColumnCount(const TAdressExtraSetup &setup) { return int(setup.Columns.size()); }

void SetColumn(TAdressExtraSetup &setup, int index, const TColProp &column) {
    if (index < 0 || index >= ColumnCount(setup))
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    *setup.Columns[size_t(index)] = column;
}

void LoadAddressColumns(TAdressExtraSetup &setup, TStream &stream, const QString &headerText) {
    ClearAddressColumns(setup);
    try {
        ReadHeader(setup, headerText);
        bool done = false;
        if (headerText.isEmpty()) {
            const QStringList lines = SplitLines(FromAnsi(stream.ReadRest()));
            for (qsizetype i = 0; i < lines.size(); ++i)
                AddColumn(setup, i == 0 ? QString() : lines[i], i == 0 ? 0 : 100, i == 1, {},
                          int(i));
            done = !lines.isEmpty();
        }
        if (!done) ReadCsvColumns(setup, stream);
    } catch (...) {
        EnsureDefaultColumns(setup);
        throw;
    }
    EnsureDefaultColumns(setup);
}

void LoadAddressColumnsFromTable(TDbDataSet &cursor) {
    try {
        if (!cursor.SeekKey(QStringLiteral("752"), true)) return;
        auto stream = OpenBlobForRead(cursor, QStringLiteral("MemoItem"));
        const QString header = cursor.FieldByName(QStringLiteral("stringItem"))->AsString();
        LoadAddressColumns(GetAddressColumns(), *stream, header);
    } catch (...) {
        // The address columns are for other programs of the suite; a damaged
        // record leaves what was read and must not stop the settings load.
    }
}
