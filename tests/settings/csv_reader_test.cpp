#include "blob_test_streams.h"
#include "csv_reader.h"

#include <vector>

namespace {

using Records = std::vector<QStringList>;

Records ReadAll(TCSVReader &reader) {
    Records out;
    while (!reader.Eof()) {
        QStringList fields;
        for (int i = 0; i < reader.FieldCount(); ++i) fields.append(reader.Field(i));
        out.push_back(fields);
        reader.Next();
    }
    return out;
}

}  // namespace

TEST(CsvReader, RecordsAndFields) {
    const struct {
        const char *name;
        QByteArray text;
        Records records;
    } cases[] = {
        {"plain", "a,b,c\r\nd\r\n", {{"a", "b", "c"}, {"d"}}},
        {"quoted separator and doubled quote", "\"x,y\",\"sagt \"\"hi\"\"\"\r\n",
         {{"x,y", "sagt \"hi\""}}},
        {"line break inside quotes", "\"Herr\r\nFrau\",3\r\nz\r\n", {{"Herr\r\nFrau", "3"}, {"z"}}},
        {"empty line has no fields", "a\r\n\r\nb\r\n", {{"a"}, {}, {"b"}}},
        {"trailing separator gives an empty field", "Mobil,999,0,\r\n", {{"Mobil", "999", "0", ""}}},
        {"empty quoted field", "\"\",x\r\n", {{"", "x"}}},
        {"unquoted quote inside field stays", "ab\"c,d\r\n", {{"ab\"c", "d"}}},
        {"last line without break is not handed out", "a\r\nb", {{"a"}}},
        {"single line without break", "a,b", {}},
        {"empty stream", "", {}},
        {"code page 1252", "Gr\xFC\xDF" "e,\x80\r\n", {{QStringLiteral("Grüße"), QStringLiteral("€")}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream(c.text);
        TCSVReader reader(stream, ',');
        EXPECT_EQ(ReadAll(reader), c.records);
    }
}

TEST(CsvReader, SeparatorIsTheGivenCharacter) {
    TMemoryStream stream(QByteArray("a;b,c;\"d;e\"\r\n"));
    TCSVReader reader(stream, ';');
    EXPECT_EQ(ReadAll(reader), (Records{{"a", "b,c", "d;e"}}));
}

TEST(CsvReader, FieldBeyondCountIsEmptyAndNextPastEofRaises) {
    TMemoryStream stream(QByteArray("eins,zwei\r\n"));
    TCSVReader reader(stream, ',');
    ASSERT_FALSE(reader.Eof());
    EXPECT_EQ(reader.FieldCount(), 2);
    EXPECT_EQ(reader.Field(2), QString());
    EXPECT_EQ(reader.Field(-1), QString());
    reader.Next();
    ASSERT_TRUE(reader.Eof());
    try {
        reader.Next();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Try to read past eof"));
    }
    reader.First();
    EXPECT_FALSE(reader.Eof());
    EXPECT_EQ(reader.Field(1), QStringLiteral("zwei"));
}

// Only the rest of the stream is read, and more fields than the first
// table size hold are kept.
TEST(CsvReader, ReadsFromTheCurrentPositionAndGrowsItsFieldTable) {
    QByteArray line;
    for (int i = 0; i < 250; ++i) line += (i ? "," : "") + QByteArray::number(i);
    TMemoryStream stream("skip\r\n" + line + "\r\n");
    stream.SetPosition(6);
    TCSVReader reader(stream, ',');
    ASSERT_FALSE(reader.Eof());
    ASSERT_EQ(reader.FieldCount(), 250);
    EXPECT_EQ(reader.Field(0), QStringLiteral("0"));
    EXPECT_EQ(reader.Field(249), QStringLiteral("249"));
}
