// The process-wide settings object: creation values, the load from
// setup.TBL with its conversions and failure rules, and the connect path.
#include "settings_loader.h"

#include "db_fixture.h"
#include "dbe_recorder.h"
#include "format_settings.h"

#include <cmath>

using dbtest::Ansi;

namespace {

std::string Std(const QString &text) { return Ansi(text); }

// Keeps the options file of the load out of the build tree.
class OptionsFolder : public ::testing::Environment {
public:
    void SetUp() override { WorkstationOptionsFolder() = dir_.path(); }
    void TearDown() override { WorkstationOptionsFolder().clear(); }

private:
    QTemporaryDir dir_;
};
[[maybe_unused]] const auto *const kOptionsFolder = ::testing::AddGlobalTestEnvironment(new OptionsFolder);

// Records the messages the settings code would show.
struct MessageCatcher {
    MessageCatcher() {
        SettingsMessageHook() = [this](const QString &text) { messages.append(text); };
    }
    ~MessageCatcher() { SettingsMessageHook() = nullptr; }
    QStringList messages;
};

}  // namespace

TEST(Settings, CreationValues) {
    TSettings s;
    EXPECT_EQ(s.DocumentKindChoices,
              QStringList({QStringLiteral("Nicht ändern"), QStringLiteral("LIEFERSCHEIN"),
                           QStringLiteral("AUFTRAGSBESTÄTIGUNG")}));
    for (int kind : {1, 13}) {
        EXPECT_EQ(s.SumLabels[kind][3], QStringLiteral("+Steuer: [ST1]%"));
        EXPECT_EQ(s.SumLabels[kind][7], QStringLiteral("enthaltene Steuer [ST1]%:"));
    }
    EXPECT_EQ(s.HeaderTexts[3], QStringLiteral("Kundennummer "));
    EXPECT_EQ(s.Ident51004Value, -1);
    EXPECT_EQ(s.Default_ZZDays, 14);
    EXPECT_EQ(s.Default_SkontoDay, 5);
    EXPECT_EQ(s.Default_SkontoProz, 2.0);
    EXPECT_EQ(s.Ident214Value, 1);
    EXPECT_EQ(s.Ident9214Value, 1);
    EXPECT_EQ(s.Ident13031Value, 1);
    EXPECT_TRUE(s.Ident301Flag);
    EXPECT_TRUE(s.Ident302Flag);
    EXPECT_EQ(s.Ident15001Text, QStringLiteral("000001"));
    EXPECT_EQ(s.NumberMask, QStringLiteral("0"));
    EXPECT_TRUE(s.NumberPrefix.isEmpty() && s.NumberSuffix.isEmpty() && s.NumberCounter.isEmpty());
    EXPECT_EQ(s.Ident4998Value, 30);
    EXPECT_EQ(s.Ident5000Value, 10);
    EXPECT_EQ(s.Ident5002Value, 50);
    EXPECT_EQ(s.Ident5021Value, 20.0);
    EXPECT_EQ(s.Ident5023Value, 1);
    EXPECT_EQ(s.ArticleFieldNames[3], QStringLiteral("Bestellnummer"));
    EXPECT_EQ(s.HtmlSetup->Mode, 2);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(s.ExtraTextSlots[k].SlotNumberHigh, k + 10);
        EXPECT_EQ(s.ExtraTextSlots[k].SlotNumber, k);
        EXPECT_EQ(s.ExtraTextSlots[k].Mode, 0);
    }
    EXPECT_EQ(UserFieldsOrder().Modes[1], 0);  // creation sets every mode 0
    EXPECT_EQ(UserFieldsOrder().Captions[10], QStringLiteral("INFO10"));
    EXPECT_TRUE(s.ConnectPath.isEmpty() && s.DatabaseName.isEmpty());
    EXPECT_EQ(DisplayDecimalsFormat(s), QStringLiteral("0.###"));
    EXPECT_EQ(SIClipBrdSetup().DisplayPattern, QStringLiteral("0.###"));

    TSettings &first = GetSettings();
    EXPECT_EQ(&first, &GetSettings());
}

TEST(Settings, EmptyTableKeepsDefaults) {
    dbtest::ProcessSettingsGuard guard;
    dbtest::HostFolder folder;
    dbtest::HostForm form(folder.Path());
    MessageCatcher catcher;
    TSettings s;
    DecimalsMode() = 3;
    LoadSettings(s, *form.settings);
    EXPECT_TRUE(catcher.messages.isEmpty());
    EXPECT_EQ(DecimalsMode(), 3);
    EXPECT_EQ(s.SettingsTable, form.settings);
    EXPECT_EQ(form.settings->IndexName(), QStringLiteral("Ident"));
    EXPECT_EQ(s.SalutationLines, QStringList({QStringLiteral("Sehr geehrte Frau,"), QStringLiteral("Sehr geehrter Herr,")}));
    EXPECT_EQ(s.AddressGroupNames, QStringList({QStringLiteral("Interessenten"), QStringLiteral("Kunden")}));
    EXPECT_EQ(s.Lines12019, QStringList({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"),
                                         QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30")}));
    ASSERT_EQ(s.DiscountTexts.size(), 5);
    EXPECT_EQ(s.DiscountTexts[4], QStringLiteral("5"));
    ASSERT_EQ(s.PaymentTexts.size(), 69);
    EXPECT_EQ(s.PaymentTexts[4], QStringLiteral("14"));
    EXPECT_TRUE(s.PaymentTexts[5].isEmpty());
    EXPECT_EQ(s.Lines1510, QStringList(81, QString()));
    EXPECT_EQ(s.DisplayDecimals, 0);
    EXPECT_EQ(SelectedSlotIndex(), 21);
    EXPECT_EQ(s.Ident23001Value, 1);
    EXPECT_EQ(s.Ident76Value, 1);
    EXPECT_EQ(s.Ident12000Value, 2);
    EXPECT_EQ(s.Ident12013Value, 2);
    EXPECT_EQ(s.Ident13031Value, 3);
    EXPECT_TRUE(s.Ident951Flag);
    EXPECT_EQ(s.Ident12011Flags, kSwitch12011First | kSwitch12011Second);
    EXPECT_EQ(s.ReminderText, QStringLiteral("Erinnerung an den Zahlungsstatus"));
    EXPECT_EQ(s.SumLabels[5][3], QStringLiteral("+Steuer [ST1]%:"));
    EXPECT_EQ(s.PriorityNames, QStringList({QStringLiteral("Normal"), QStringLiteral("Wichtig"), QStringLiteral("Sehr Wichtig")}));
    EXPECT_EQ(s.AvailabilityTexts, QStringList({QStringLiteral("lieferbar"), QStringLiteral("nicht lieferbar")}));
    EXPECT_EQ(s.FreeTypeNames[5], QStringLiteral("FREIER TYP 5"));
    EXPECT_EQ(s.HtmlSetup->Mode, 0);  // 14501 missing: the load clears the parameters
    EXPECT_EQ(s.LabelBounds.Bounds2.FontSize, 8);
    EXPECT_EQ(SIHelperSetup().LabelBounds.Bounds1.FontSize, 24);
    EXPECT_EQ(UserFieldsOrder().Modes[1], 1);  // the load's reset
    EXPECT_EQ(s.AutoActions->Count(), 14);
}

TEST(Settings, ConversionsPerIdent) {
    dbtest::ProcessSettingsGuard guard;
    FormatSettings().DecimalSeparator = u',';
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {
        {{"Ident", "23001"}, {"stringItem", "abc"}},      // int: fallback 0, not the 1 of a missing record
        {{"Ident", "903"}, {"stringItem", "259"}},        // int cut to a byte
        {{"Ident", "13031"}, {"stringItem", "7"}},        // out of range: 3 stays
        {{"Ident", "16003"}, {"stringItem", "3"}},        // out of range: 0 stays
        {{"Ident", "13030"}, {"stringItem", "2"}},
        {{"Ident", "12011"}, {"stringItem", "0"}},
        {{"Ident", "9215"}, {"stringItem", "7"}},
        {{"Ident", "301"}, {"stringItem", "0"}},          // flag
        {{"Ident", "302"}, {"stringItem", "1"}},
        {{"Ident", "949"}, {"stringItem", "12,5"}},       // float with comma
        {{"Ident", "950"}, {"stringItem", " 12.5 "}},     // float with point
        {{"Ident", "5021"}, {"stringItem", "1.234,56"}},  // does not convert: 0
        {{"Ident", "8201"}, {"stringItem", Std(QStringLiteral("Grüße"))}},
        {{"Ident", "212"}, {"stringItem", "  mitte"}},
        {{"Ident", "15001"}, {"stringItem", "0001234"}},
        {{"Ident", "16009"}, {"stringItem", "ABCDEFGHIJKL"}, {"MemoItem", "00000\r\n-X-\r\n1234567"}},
        {{"Ident", "1530"}, {"MemoItem", "1\r\n0\r\n1"}},
        {{"Ident", "1501"}, {"MemoItem", "b\r\nA\r\nC"}},  // lines, sorted without regard to case
        {{"Ident", "1507"}, {"MemoItem", "eins\r\n"}},
        {{"Ident", "202"}, {"MemoItem", "LIEFERSCHEIN"}},
        {{"Ident", "51004"}, {"stringItem", "x"}, {"MemoItem", "default_zzdays=30\r\nDefault_SkontoProz=3,5"}},
        {{"Ident", "3004"}, {"stringItem", "2"}},
        {{"Ident", "3008"}, {"stringItem", "2"}},
        {{"Ident", "2003"}, {"stringItem", "Slot"}},
        {{"Ident", "666"}, {"stringItem", "132"}},
        {{"Ident", "201"}, {"stringItem", "Eigen"}, {"MemoItem", "\r\nZwei"}},
    });
    dbtest::HostForm form(folder.Path());
    MessageCatcher catcher;
    TSettings s;
    LoadSettings(s, *form.settings);
    EXPECT_TRUE(catcher.messages.isEmpty()) << catcher.messages.join(u'|').toStdString();
    EXPECT_EQ(s.Ident23001Value, 0);
    EXPECT_EQ(s.Ident903Value, 3);
    EXPECT_EQ(s.Ident13031Value, 3);
    EXPECT_EQ(s.Ident16003Value, 0);
    EXPECT_EQ(s.Ident13030First, 2);
    EXPECT_EQ(s.Ident13030Second, 0);
    EXPECT_EQ(s.Ident12011Flags, kSwitch12011Second);
    EXPECT_EQ(DisplayDecimalsFormat(s), QStringLiteral("######.###"));
    EXPECT_FALSE(s.Ident301Flag);
    EXPECT_TRUE(s.Ident302Flag);
    EXPECT_EQ(s.Ident949Value, 12.5);
    EXPECT_EQ(s.Loaded949Value, 12.5);
    EXPECT_EQ(SICurrencySetup().Ident949Value, 12.5);
    EXPECT_EQ(s.Ident950Value, 12.5);
    EXPECT_EQ(SIClipBrdSetup().Ident950Value, 12.5);
    EXPECT_EQ(s.Ident5021Value, 0.0);
    EXPECT_EQ(s.Ident8201Text, QStringLiteral("Grüße"));
    EXPECT_EQ(s.Ident212Text, QStringLiteral("mitte"));
    EXPECT_EQ(s.Ident15001Text, QStringLiteral("001234"));
    EXPECT_EQ(s.NumberPrefix, QStringLiteral("ABCDEFGHIJ"));
    EXPECT_EQ(s.NumberMask, QStringLiteral("00000"));
    EXPECT_EQ(s.NumberSuffix, QStringLiteral("-X-"));
    EXPECT_EQ(s.NumberCounter, QStringLiteral("12345"));
    const bool switches[7] = {false, true, false, true, false, false, false};
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(s.Ident1530Flags[i], switches[i]) << i;
    EXPECT_EQ(s.SalutationLines, QStringList({QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("C")}));
    EXPECT_EQ(s.DiscountTexts, QStringList({QStringLiteral("eins"), {}, {}, {}, {}}));
    EXPECT_EQ(s.DocumentKindChoices, QStringList({QStringLiteral("Nicht ändern"), QStringLiteral("LIEFERSCHEIN")}));
    EXPECT_EQ(s.Ident51004Value, -1);
    EXPECT_EQ(s.Default_ZZDays, 30);
    EXPECT_EQ(s.Default_SkontoDay, 5);
    EXPECT_EQ(s.Default_SkontoProz, 3.5);
    EXPECT_EQ(SelectedSlotIndex(), 3);
    EXPECT_EQ(s.ExtraTextSlots[2].Text, QStringLiteral("Slot"));
    EXPECT_EQ(s.UpperLowerPart->Part1, 1);
    EXPECT_EQ(s.UpperLowerPart->Part2, 0);  // 3 is above 2
    EXPECT_EQ(s.UpperLowerPart->Part3, 2);
    EXPECT_FALSE(s.UpperLowerPart->Enabled);
    EXPECT_EQ(s.FreeTypeNames[1], QStringLiteral("Eigen"));
    EXPECT_EQ(s.FreeTypeNames[2], QStringLiteral("FREIER TYP 2"));
    EXPECT_EQ(s.FreeTypeNames[3], QStringLiteral("Zwei"));
}

TEST(Settings, Ident15001Text) {
    const std::pair<const char *, const char *> cases[] = {
        {"12", "120000"}, {"0001234", "001234"}, {"1234567", "900000"}, {"950000", "900000"}, {"000042", "000042"}, {"", "000001"}};
    for (const auto &[stored, expected] : cases) {
        dbtest::HostFolder folder;
        folder.Append("setup.TBL", {{{"Ident", "15001"}, {"stringItem", stored}}});
        dbtest::HostForm form(folder.Path());
        TSettings s;
        LoadSettings(s, *form.settings);
        EXPECT_EQ(s.Ident15001Text, QString::fromUtf8(expected)) << stored;
    }
}

TEST(Settings, DatabaseNameFromPath) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("C:\\Daten\\Firma 1\\"), QStringLiteral("Firma_1")},
        {QStringLiteral("C:\\Daten\\Firma.1"), QStringLiteral("Firma_1")},
        {QStringLiteral("\\\\server\\share\\db"), QStringLiteral("db")},
        {QStringLiteral("X"), QStringLiteral("X_")},
        {QStringLiteral("C:"), QStringLiteral("C")},
        {QString(), QString()},
        {QStringLiteral("D:\\") + QString(40, u'a'), QString(30, u'a')},
        {QStringLiteral("D:\\") + QString(29, u'a') + QStringLiteral("bcd"), QString(29, u'a') + u'b'},
    };
    for (const auto &[path, name] : cases) {
        EXPECT_EQ(DatabaseNameFromPath(path), name) << path.toStdString();
        EXPECT_EQ(CurrentDatabaseName(), name);
    }
    const QString unsafe = QStringLiteral("?ä#+*~!\"§$&()[]{}:;,=<>| \\./ü ö");
    EXPECT_EQ(SanitizeName(u'a' + unsafe), u'a' + QString(unsafe.size(), u'_'));
    EXPECT_EQ(SanitizeName(QStringLiteral("ÄÖÜß-_%'")), QStringLiteral("ÄÖÜß-_%'"));
}

// A memo that cannot be read: inside a silent step the record is skipped;
// in a guarded step the load ends with one message, and the steps after it
// keep their reset values while the closing steps still run.
TEST(Settings, DamagedRecords) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {
        {{"Ident", "903"}, {"stringItem", "7"}},
        {{"Ident", "1501"}, {"MemoItem", "Frau\r\nHerr"}},
        {{"Ident", "16002"}, {"MemoItem", "zwei"}},
        {{"Ident", "16045"}, {"MemoItem", "eins"}},
    });
    dbtest::HostForm form(folder.Path());
    CurrentDatabaseName().clear();
    TSettings &s = GetSettings();
    QStringList seen;
    SettingsMessageHook() = [&](const QString &text) {
        seen.append(text);
        seen.append(s.ConnectPath + u'|' + s.DatabaseName + u'|' + CurrentDatabaseName());
    };
    {
        dbtest::DbeRecorder recorder;
        recorder.Fail("DbeGetMemoLength", 5000, "Memo kaputt");
        LoadSettings(s, *form.settings);
    }
    SettingsMessageHook() = nullptr;
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].startsWith(QStringLiteral("<B>Möglicher Fehler in der Datenbank:<BR></B>"))) << seen[0].toStdString();
    EXPECT_TRUE(seen[0].endsWith(QStringLiteral("<BR>Führen Sie das Datenbankdienstprogramm aus.")));
    EXPECT_TRUE(seen[0].contains(QStringLiteral("Memo kaputt")));
    EXPECT_EQ(seen[1], QStringLiteral("||"));  // nothing of the path during the load
    EXPECT_EQ(s.Ident903Value, 7);
    EXPECT_TRUE(s.SalutationLines.isEmpty());  // record there but unreadable: no defaults
    ASSERT_EQ(s.DiscountTexts.size(), 5);      // the steps after the skipped record ran
    EXPECT_EQ(s.DiscountTexts[4], QStringLiteral("5"));
    EXPECT_EQ(s.Lines12019.size(), 6);
    EXPECT_EQ(s.PriorityNames.size(), 3);        // 16045 lies after the failing step
    EXPECT_EQ(s.AddressGroupNames, QStringList({QStringLiteral("Interessenten"), QStringLiteral("Kunden")}));
    EXPECT_EQ(s.PaymentTexts.size(), 69);

    SetConnectPath(s, QStringLiteral("C:\\Daten\\Firma 1\\"));
    EXPECT_EQ(s.ConnectPath, QStringLiteral("C:\\Daten\\Firma 1\\"));
    EXPECT_EQ(s.DatabaseName, QStringLiteral("Firma_1"));
    EXPECT_EQ(CurrentDatabaseName(), QStringLiteral("Firma_1"));
    EXPECT_EQ(SIHelperSetup().ConnectPath, s.ConnectPath);
    EXPECT_EQ(SIHelperSetup().DatabaseName, QStringLiteral("Firma_1"));
}
