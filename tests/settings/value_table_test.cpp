#include "blob_test_streams.h"
#include "value_table.h"

namespace {

struct Row {
    QVariant text, text2, text1Netto, text2Netto, steuer, value;
    bool operator==(const Row &) const = default;
};

void Append(TMemTable &table, const Row &row) {
    table.Append();
    const QVariant values[] = {row.text, row.text2, row.text1Netto, row.text2Netto, row.steuer, row.value};
    for (int i = 0; i < 6; ++i)
        if (values[i].isValid()) table.Fields()[i]->SetValue(values[i]);
    table.Post();
}

std::vector<Row> Rows(TMemTable &table) {
    std::vector<Row> out;
    table.First();
    while (!table.Eof()) {
        const auto &f = table.Fields();
        out.push_back({f[0]->Value(), f[1]->Value(), f[2]->Value(), f[3]->Value(), f[4]->Value(),
                       f[5]->Value()});
        table.Next();
    }
    return out;
}

}  // namespace

TEST(ValueTable, CreatedOpenWithItsSixFields) {
    TVSOBJ vs;
    ASSERT_TRUE(vs.Table->Active());
    EXPECT_EQ(vs.Source->DataSet(), vs.Table.get());
    const struct {
        const char *name;
        TFieldType type;
        int size;
    } expected[] = {{"Text", TFieldType::ftString, 50},       {"Text2", TFieldType::ftString, 50},
                    {"Text1Netto", TFieldType::ftString, 50}, {"Text2Netto", TFieldType::ftString, 50},
                    {"Steuer", TFieldType::ftInteger, 0},     {"Value", TFieldType::ftFloat, 0}};
    const auto &fields = vs.Table->Fields();
    ASSERT_EQ(fields.size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(fields[i]->FieldName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(fields[i]->DataType(), expected[i].type);
        if (expected[i].size) {
            EXPECT_EQ(fields[i]->Size(), expected[i].size);
        }
    }
    EXPECT_EQ(vs.Format->Separator, u',');
    EXPECT_EQ(vs.Format->Quote, u'"');
    EXPECT_EQ(vs.Format->Escape, u'%');
    EXPECT_EQ(vs.Format->TrueText, QStringLiteral("True"));
    EXPECT_EQ(vs.Format->FalseText, QStringLiteral("False"));
    EXPECT_FALSE(vs.Format->StoreFieldDefs);
    EXPECT_TRUE(vs.Format->LocalFormat);
}

// The written lines, and that they read back to the same rows, also with
// separators, quotes, the escape character, line breaks and local decimal
// commas inside values, and with null fields.
TEST(ValueTable, CsvFormWritesAndReadsBack) {
    TVSOBJ source;
    const std::vector<Row> rows = {
        {QStringLiteral("Brutto"), QStringLiteral("a,b"), QStringLiteral("50%"),
         QStringLiteral("Zeile1\r\nZeile2"), 19, 12.5},
        {QStringLiteral("sagt \"hi\""), {}, QStringLiteral("Grüße €"), {}, -7, -0.25},
        {{}, {}, {}, {}, {}, {}},
    };
    for (const Row &row : rows) Append(*source.Table, row);
    TMemoryStream stream;
    source.Format->SaveToStream(*source.Table, stream);
    EXPECT_EQ(stream.Bytes(),
              QByteArray("\"Brutto\",\"a,b\",\"50%%\",\"Zeile1%0D%0AZeile2\",\"19\",\"12,5\"\r\n"
                         "\"sagt %\"hi%\"\",,\"Gr\xFC\xDF" "e \x80\",,\"-7\",\"-0,25\"\r\n"
                         ",,,,,\r\n"));
    TVSOBJ target;
    stream.SetPosition(0);
    target.Format->LoadFromStream(*target.Table, stream);
    EXPECT_EQ(Rows(*target.Table), rows);
}

TEST(ValueTable, ReadsUnquotedNumbersAndShortLines) {
    TVSOBJ vs;
    TMemoryStream stream(QByteArray("A,B,,,7,\"1,5\"\r\n\r\nnur Text\r\n"));
    vs.Format->LoadFromStream(*vs.Table, stream);
    EXPECT_EQ(Rows(*vs.Table),
              (std::vector<Row>{{QStringLiteral("A"), QStringLiteral("B"), {}, {}, 7, 1.5},
                                {QStringLiteral("nur Text"), {}, {}, {}, {}, {}}}));
}
