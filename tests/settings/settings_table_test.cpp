// Blobs, value table and address columns read from a real settings table.
#include "address_columns.h"
#include "blob_test_streams.h"
#include "setting_blobs.h"
#include "value_table.h"

using namespace settingstest;

namespace {

std::string Std(const QByteArray &bytes) { return std::string(bytes.constData(), size_t(bytes.size())); }

}  // namespace

TEST(SettingsTable, BlobsFromMemoItem) {
    const QByteArray payload = SamplePayload(70000);
    const QByteArray plain("Kein Deflate\r\nZeile 2");
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {
                                   {{"Ident", "8101"}, {"MemoItem", Std(Compress(payload, 31))}},
                                   {{"Ident", "8102"}, {"MemoItem", Std(plain)}},
                               });
    dbtest::HostForm form(folder.Path());
    TMemoryStream s8101, s8102, s8103(QByteArray("bleibt"));
    s8102.Write("alt", 3);
    LoadSettingBlobs(*form.settings, s8101, s8102, s8103);
    EXPECT_EQ(s8101.Bytes(), payload);
    EXPECT_EQ(s8102.Bytes(), plain);
    EXPECT_EQ(s8102.Position(), 0);
    EXPECT_EQ(s8103.Bytes(), QByteArray("bleibt"));  // no record: untouched

    // An unknown field is an error inside the read: swallowed, target empty.
    ASSERT_TRUE(form.settings->SeekKey(QStringLiteral("8101"), true));
    ReadBlobDecompressed(*form.settings, QStringLiteral("KeinFeld"), s8101);
    EXPECT_TRUE(s8101.Bytes().isEmpty());
}

TEST(SettingsTable, ValueTableRecord20) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {{{"Ident", "20"}, {"MemoItem", "\"Satz A\",,,,\"16\",\"7,5\"\r\n"}}});
    dbtest::HostForm form(folder.Path());
    TVSOBJ vs;
    vs.Table->Append();
    vs.Table->FieldByName(QStringLiteral("Text"))->SetAsString(QStringLiteral("vorher"));
    vs.Table->Post();
    LoadVSTable(vs, *form.settings);
    ASSERT_EQ(vs.Table->RecordCount(), 1);
    vs.Table->First();
    EXPECT_EQ(vs.Table->FieldByName(QStringLiteral("Text"))->AsString(), QStringLiteral("Satz A"));
    EXPECT_EQ(vs.Table->FieldByName(QStringLiteral("Steuer"))->AsInteger(), 16);
    EXPECT_DOUBLE_EQ(vs.Table->FieldByName(QStringLiteral("Value"))->AsFloat(), 7.5);

    dbtest::HostFolder emptyFolder;
    dbtest::HostForm emptyForm(emptyFolder.Path());
    LoadVSTable(vs, *emptyForm.settings);
    EXPECT_TRUE(vs.Table->Active());
    EXPECT_EQ(vs.Table->RecordCount(), 0);
}

// The process-wide setup: untouched without a record, filled from one.
TEST(SettingsTable, AddressColumnsRecord752) {
    TAdressExtraSetup &setup = GetAddressColumns();
    EXPECT_EQ(&setup, &GetAddressColumns());
    {
        dbtest::HostFolder folder;
        dbtest::HostForm form(folder.Path());
        LoadAddressColumnsFromTable(*form.settings);
        EXPECT_EQ(ColumnCount(setup), 0);
    }
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {{{"Ident", "752"},
                                 {"stringItem", "1<br>Kopf<br>2"},
                                 {"MemoItem", "Telefon,80,1,\"privat\r\nmobil\",\r\n"}}});
    dbtest::HostForm form(folder.Path());
    LoadAddressColumnsFromTable(*form.settings);
    ASSERT_EQ(ColumnCount(setup), 1);
    EXPECT_EQ(setup.Columns[0]->Caption, QStringLiteral("Telefon"));
    EXPECT_EQ(setup.Columns[0]->Values, (QStringList{"privat", "mobil"}));
    EXPECT_TRUE(setup.ShowExtra);
    EXPECT_EQ(setup.HeaderText, QStringList{"Kopf"});
    EXPECT_EQ(setup.HeaderMode, 2);

    // A record without the header reads the older plain-line form.
    dbtest::HostFolder older;
    older.Append("setup.TBL", {{{"Ident", "752"}, {"MemoItem", "x\r\nName\r\n"}}});
    dbtest::HostForm olderForm(older.Path());
    LoadAddressColumnsFromTable(*olderForm.settings);
    ASSERT_EQ(ColumnCount(setup), 2);
    EXPECT_EQ(setup.Columns[1]->Caption, QStringLiteral("Name"));
    EXPECT_TRUE(setup.Columns[1]->Enabled);
}
