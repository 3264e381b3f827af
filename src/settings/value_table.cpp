#include "value_table.h"

#include "db_table.h"
#include "text_codec.h"

namespace {

QByteArray Bytes(const QString &text) {
    if (auto ansi = ToAnsi(text)) return *ansi;
    // A character outside the code page cannot be stored; keep the rest.
    QByteArray out;
    for (QChar c : text) {
        auto one = ToAnsi(QString(c));
        out.append(one ? *one : QByteArray("?"));
    }
    return out;
}

int HexDigit(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

}  // namespace

QString TCsvTableFormat::EscapeText(const QString &text) const {
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == Quote || c == Escape) {
            out += Escape;
            out += c;
        } else if (c.unicode() < 0x20) {
            out += Escape;
            out += QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            out += c;
        }
    }
    return out;
}

QString TCsvTableFormat::FieldText(const TField &field) const {
    switch (field.DataType()) {
    case TFieldType::ftBoolean:
        return field.AsBoolean() ? TrueText : FalseText;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: {
        QString s = FloatToStr(field.AsFloat());
        if (!LocalFormat) s.replace(FormatSettings().DecimalSeparator, u'.');
        return s;
    }
    default:
        return field.AsString();
    }
}

void TCsvTableFormat::SetFieldText(TField &field, const QString &text) const {
    switch (field.DataType()) {
    case TFieldType::ftBoolean:
        if (text.compare(TrueText, Qt::CaseInsensitive) == 0)
            field.SetAsBoolean(true);
        else if (text.compare(FalseText, Qt::CaseInsensitive) == 0)
            field.SetAsBoolean(false);
        else
            throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
        break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: {
        QString s = text;
        if (!LocalFormat) s.replace(u'.', FormatSettings().DecimalSeparator);
        field.SetAsFloat(StrToFloat(s));
        break;
    }
    default:
        field.SetAsString(text);
        break;
    }
}

void TCsvTableFormat::SaveToStream(TMemTable &table, TStream &target) const {
    table.First();
    while (!table.Eof()) {
        QString line;
        const auto &fields = table.Fields();
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0) line += Separator;
            if (!fields[i]->IsNull()) line += Quote + EscapeText(FieldText(*fields[i])) + Quote;
        }
        const QByteArray bytes = Bytes(line) + "\r\n";
        target.Write(bytes.constData(), bytes.size());
        table.Next();
    }
}

QList<std::optional<QString>> TCsvTableFormat::SplitRecord(const QString &line) const {
    QList<std::optional<QString>> values;
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        if (i < n && line[i] == Quote) {
            QString value;
            ++i;
            while (i < n && line[i] != Quote) {
                if (line[i] == Escape && i + 1 < n) {
                    const QChar next = line[i + 1];
                    if (next == Quote || next == Escape) {
                        value += next;
                        i += 2;
                        continue;
                    }
                    if (i + 2 < n && HexDigit(next) >= 0 && HexDigit(line[i + 2]) >= 0) {
                        value += QChar(HexDigit(next) * 16 + HexDigit(line[i + 2]));
                        i += 3;
                        continue;
                    }
                }
                value += line[i++];
            }
            ++i;  // the closing quote
            while (i < n && line[i] != Separator) ++i;
            values.append(value);
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != Separator) ++i;
            const QString raw = line.mid(start, i - start);
            values.append(raw.isEmpty() ? std::nullopt : std::optional<QString>(raw));
        }
        if (i >= n) break;
        ++i;  // the separator
    }
    return values;
}

void TCsvTableFormat::LoadFromStream(TMemTable &table, TStream &source) const {
    const QString text = FromAnsi(source.ReadRest());
    const auto lines = text.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty()) continue;
        const auto values = SplitRecord(line);
        table.Append();
        try {
            const auto &fields = table.Fields();
            for (qsizetype i = 0; i < fields.size() && i < values.size(); ++i)
                if (values[i]) SetFieldText(*fields[i], *values[i]);
            table.Post();
        } catch (...) {
            table.Cancel();
            throw;
        }
    }
}

TVSOBJ::TVSOBJ() {
    Table = std::make_unique<TMemTable>();
    Format = std::make_unique<TCsvTableFormat>();
    Source = std::make_unique<TDataSource>();
    Table->AddFieldDef(QStringLiteral("Text"), TFieldType::ftString, 50);
    Table->AddFieldDef(QStringLiteral("Text2"), TFieldType::ftString, 50);
    Table->AddFieldDef(QStringLiteral("Text1Netto"), TFieldType::ftString, 50);
    Table->AddFieldDef(QStringLiteral("Text2Netto"), TFieldType::ftString, 50);
    Table->AddFieldDef(QStringLiteral("Steuer"), TFieldType::ftInteger);
    Table->AddFieldDef(QStringLiteral("Value"), TFieldType::ftFloat);
    Table->Open();
    Source->SetDataSet(Table.get());
}

TVSOBJ::~TVSOBJ() {
    Table->Close();
    Table->AfterScroll = nullptr;
    Source->SetDataSet(nullptr);
    Source.reset();
    Table.reset();
    Format.reset();
}

void LoadVSTable(TVSOBJ &valueTable, TDbDataSet &cursor) {
    try {
        if (cursor.SeekKey(QStringLiteral("20"), true)) {
            if (valueTable.Table->Active()) {
                valueTable.Table->EmptyTable();
                auto stream = OpenBlobForRead(cursor, QStringLiteral("MemoItem"));
                valueTable.Format->LoadFromStream(*valueTable.Table, *stream);
            }
        } else {
            valueTable.Table->EmptyTable();
        }
    } catch (...) {
        // The value table is optional content; a damaged record must not
        // stop the rest of the settings from loading.
    }
}
