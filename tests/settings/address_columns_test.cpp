#include "address_columns.h"
#include "blob_test_streams.h"

namespace {

struct Col {
    QString caption;
    int width;
    bool enabled;
    QStringList values;
    int index;
    bool operator==(const Col &) const = default;
};

std::vector<Col> Columns(const TAdressExtraSetup &setup) {
    std::vector<Col> out;
    for (const auto &c : setup.Columns)
        out.push_back({c->Caption, c->Width, c->Enabled, c->Values, c->ColumnIndex});
    return out;
}

const std::vector<Col> kDefaults = {{"", 0, false, {}, 0},
                                    {"Name", 100, true, {}, 1},
                                    {"Telefon", 60, false, {}, 2},
                                    {"Fax", 60, false, {}, 3},
                                    {"Email", 60, false, {}, 4}};

void Load(TAdressExtraSetup &setup, const QByteArray &memo, const QString &header) {
    TMemoryStream stream(memo);
    LoadAddressColumns(setup, stream, header);
}

}  // namespace

TEST(AddressColumns, HeaderFields) {
    const struct {
        QString header;
        bool showExtra;
        QStringList lines;
        int mode;
    } cases[] = {
        {"1<br>Zeile A\r\nZeile B<br>2", true, {"Zeile A", "Zeile B"}, 2},
        {"1", true, {}, 0},
        {"0<br>Text<br>1", false, {"Text"}, 1},
        {"1<br><br>3", true, {}, 0},
        {"1<br><br>-1", true, {}, 0},
        {"ja<br>x<br>zwei", false, {"x"}, 0},
        {"1<BR>2", false, {}, 0},  // the separator is case-sensitive
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.header.toStdString());
        TAdressExtraSetup setup;
        Load(setup, "", c.header);
        EXPECT_EQ(setup.ShowExtra, c.showExtra);
        EXPECT_EQ(setup.HeaderText, c.lines);
        EXPECT_EQ(setup.HeaderMode, c.mode);
    }
}

TEST(AddressColumns, CsvColumns) {
    TAdressExtraSetup setup;
    Load(setup,
         "Name,120,1,\"Herr\r\nFrau\",3\r\n"
         "Kurz,10,1\r\n"
         "Mobil,999,0,\r\n"
         "\"Fax, privat\",breit,1,\"  \",x\r\n"
         "Nummer,-5,2,eins,\r\n",
         "1<br><br>1");
    EXPECT_EQ(Columns(setup), (std::vector<Col>{{"Name", 120, true, {"Herr", "Frau"}, 3},
                                                {"Mobil", 400, false, {}, 1},
                                                {"Fax, privat", 50, true, {"  "}, 2},
                                                {"Nummer", -5, false, {"eins"}, 3}}));
    EXPECT_TRUE(setup.HasValues);
    EXPECT_EQ(setup.MaxValueLines, 2);
    EXPECT_EQ(setup.HeaderMode, 1);
}

TEST(AddressColumns, BlankValuesDoNotCountAsValues) {
    TAdressExtraSetup setup;
    Load(setup, "A,10,1,\" \t \"\r\nB,10,1,\r\n", "1");
    EXPECT_FALSE(setup.HasValues);
    EXPECT_EQ(setup.MaxValueLines, 1);
}

TEST(AddressColumns, NoQualifyingRecordGivesTheDefaults) {
    for (const QByteArray &memo : {QByteArray("A,10,1\r\nB,20\r\n"), QByteArray(),
                                  QByteArray("A,10,1,x")}) {
        SCOPED_TRACE(memo.toStdString());
        TAdressExtraSetup setup;
        Load(setup, memo, "1");
        EXPECT_EQ(Columns(setup), kDefaults);
    }
}

TEST(AddressColumns, OlderFormOfPlainLines) {
    TAdressExtraSetup setup;
    Load(setup, "X\r\nTelefon\r\nFax\r\n", "");
    EXPECT_EQ(Columns(setup), (std::vector<Col>{{"", 0, false, {}, 0},
                                                {"Telefon", 100, true, {}, 1},
                                                {"Fax", 100, false, {}, 2}}));
    EXPECT_FALSE(setup.ShowExtra);
    TAdressExtraSetup empty;
    Load(empty, "", "");
    EXPECT_EQ(Columns(empty), kDefaults);
}

// A new load starts from nothing: header, flags and columns of the old one go.
TEST(AddressColumns, LoadReplacesEverything) {
    TAdressExtraSetup setup;
    Load(setup, "Name,120,1,\"a\r\nb\r\nc\",3\r\n", "1<br>Kopf<br>2");
    Load(setup, "Neu,70,0,,\r\n", "0");
    EXPECT_EQ(Columns(setup), (std::vector<Col>{{"Neu", 70, false, {}, 0}}));
    EXPECT_FALSE(setup.ShowExtra);
    EXPECT_TRUE(setup.HeaderText.isEmpty());
    EXPECT_EQ(setup.HeaderMode, 0);
    EXPECT_FALSE(setup.HasValues);
    EXPECT_EQ(setup.MaxValueLines, 0);
}

TEST(AddressColumns, SetColumnCopiesAndChecksTheIndex) {
    TAdressExtraSetup setup;
    EnsureDefaultColumns(setup);
    ASSERT_EQ(ColumnCount(setup), 5);
    TColProp col;
    col.Caption = QStringLiteral("Mobil");
    col.Width = 80;
    col.ColumnIndex = 9;
    SetColumn(setup, 2, col);
    col.Caption = QStringLiteral("geändert");
    EXPECT_EQ(setup.Columns[2]->Caption, QStringLiteral("Mobil"));
    EXPECT_EQ(setup.Columns[2]->ColumnIndex, 9);
    EXPECT_THROW(SetColumn(setup, 5, col), Exception);
    EnsureDefaultColumns(setup);  // only fills an empty list
    EXPECT_EQ(setup.Columns[2]->Caption, QStringLiteral("Mobil"));
    ClearAddressColumns(setup);
    EXPECT_EQ(ColumnCount(setup), 0);
}

TEST(AddressColumns, SplitText) {
    const struct {
        QString separator, text;
        QStringList parts;
    } cases[] = {
        {"<br>", "a<br>b", {"a", "b"}},
        {"<br>", "a<br><br>b", {"a", "", "b"}},
        {"<br>", "a<br>", {"a"}},
        {"<br>", "<br>a", {"", "a"}},
        {"<br>", "", {}},
        {"", "abc", {"abc"}},
        {"<br>", "a<BR>b", {"a<BR>b"}},
    };
    for (const auto &c : cases) EXPECT_EQ(SplitText(c.separator, c.text), c.parts) << c.text.toStdString();
}
