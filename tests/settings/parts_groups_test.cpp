// Parts groups: factor and formula rules, name prefixes and the load from
// the settings table.
#include "currency_format.h"
#include "db_fixture.h"
#include "format_settings.h"
#include "parts_groups.h"

namespace {

// The rules read the process decimal separator; every test here uses the
// comma and restores what was there.
class PartsGroups : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings().DecimalSeparator = u',';
        savedMode_ = DecimalsMode();
        DecimalsMode() = 0;
    }
    void TearDown() override { DecimalsMode() = savedMode_; }

    dbtest::ProcessSettingsGuard guard_;
    int savedMode_ = 0;
};

}  // namespace

TEST_F(PartsGroups, FactorAndFormulaRules) {
    const std::vector<std::pair<QString, QString>> factors{
        {"-5 %", "-5"}, {"3+", "+3"}, {"1,5", "*1,5"}, {"abc", ""}, {"1,2,3", "*1,23"}, {"", ""}, {"+-2", "-2"}};
    for (const auto &[in, out] : factors) EXPECT_EQ(NumberWithSign(in, true), out) << in.toStdString();
    EXPECT_EQ(NumberWithSign(QStringLiteral("-1,5x"), false), QStringLiteral("1,5"));

    const std::vector<std::pair<QString, QString>> formulas{
        {"vk*1,1", "VK*1,1"},         {"10", "VKEK10"},       {"(VKEK-5)/2", "(VKEK-5)/2"},
        {"EK*2", "VKEK*2"},           {"", "VKEK"},           {"{VK}+vkek", "VK+VKEK"},
        {"Vk / 2 % x", "VK / 2  "},
    };
    for (const auto &[in, out] : formulas) EXPECT_EQ(NormalizeFormula(in), out) << in.toStdString();

    EXPECT_EQ(FormulaWithPrices(QStringLiteral("VKEK*0,5"), 100, 60), QStringLiteral("40,00*0,5"));
    EXPECT_EQ(FormulaWithPrices(QStringLiteral("vk+vkek"), 12.5, 20), QStringLiteral("12,50+-7,50"));
    DecimalsMode() = 1;
    EXPECT_EQ(FormulaWithPrices(QStringLiteral("VK"), 2, 0), QStringLiteral("2,000"));
}

TEST_F(PartsGroups, NamePrefixesAndNotes) {
    const std::vector<std::pair<QString, QString>> names{
        {"#12Werkstatt", "Werkstatt"}, {"#Lager", "Lager"}, {"#99", "#99"}, {"#", "#"}, {"Lager#1", "Lager#1"},
        {"#1 2", " 2"}};
    for (const auto &[in, out] : names) EXPECT_EQ(StripNumberPrefix(in), out) << in.toStdString();

    TPartGroup g;
    SetNotesText(g, QStringLiteral("eins\tzwei\t\tvier"));
    EXPECT_EQ(g.Notes, (QStringList{"eins", "zwei", "", "vier"}));
}

TEST_F(PartsGroups, NoRecords) {
    dbtest::HostFolder folder;
    dbtest::HostForm form(folder.Path());
    TPartsGroup groups;
    groups.Ident964Text = QStringLiteral("alt");
    groups.Ident661Value = 7;
    AddGroup(groups).Name = QStringLiteral("vorher");
    LoadPartsGroups(groups, *form.settings);
    ASSERT_EQ(GroupCount(groups), 1);
    const TPartGroup &g = GroupAt(groups, 0);
    EXPECT_EQ(g.Name, QStringLiteral("Alle"));
    EXPECT_EQ(g.Factor, QStringLiteral("2"));
    EXPECT_TRUE(g.Formula.isEmpty());
    EXPECT_EQ(g.Index, 0);
    EXPECT_TRUE(g.Notes.isEmpty());
    EXPECT_EQ(groups.Ident661Value, 100);
    EXPECT_EQ(groups.Ident964Text, QStringLiteral("2"));
    EXPECT_EQ(groups.Ident219Value, 0);
    EXPECT_THROW(GroupAt(groups, 1), Exception);
}

TEST_F(PartsGroups, LoadFromSettingsTable) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {
                                   {{"Ident", "964"}, {"stringItem", "3"}},
                                   {{"Ident", "219"}, {"stringItem", "2"}},
                                   {{"Ident", "650"}, {"MemoItem", "#12Werkstatt\r\n#Lager\r\n#99"}},
                                   {{"Ident", "651"}, {"MemoItem", "1.5"}},
                                   {{"Ident", "660"}, {"MemoItem", "vk*1,1"}},
                                   {{"Ident", "661"}, {"stringItem", "250"}},
                                   {{"Ident", "663"}, {"MemoItem", "\r\nA\tB"}},
                               });
    dbtest::HostForm form(folder.Path());
    TPartsGroup groups;
    LoadPartsGroups(groups, *form.settings);
    EXPECT_EQ(groups.Ident964Text, QStringLiteral("3"));
    EXPECT_EQ(groups.Ident219Value, 2);
    EXPECT_EQ(groups.Ident661Value, 100);
    ASSERT_EQ(GroupCount(groups), 3);
    struct Expected {
        const char *name, *factor, *formula;
        QStringList notes;
    };
    const Expected expected[] = {{"Werkstatt", "*1,5", "VK*1,1", {}},
                                 {"Lager", "", "VKEK", {"A", "B"}},
                                 {"#99", "", "VKEK", {}}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TPartGroup &g = GroupAt(groups, i);
        EXPECT_EQ(g.Name, QString::fromLatin1(expected[i].name));
        EXPECT_EQ(g.Factor, QString::fromLatin1(expected[i].factor));
        EXPECT_EQ(g.Formula, QString::fromLatin1(expected[i].formula));
        EXPECT_EQ(g.Index, i);
        EXPECT_EQ(g.Notes, expected[i].notes);
    }
}

TEST_F(PartsGroups, SingleValueRanges) {
    struct Case {
        const char *v661, *v219;
        int expected661, expected219;
    };
    const std::vector<Case> cases{{"250", "3", 100, 0}, {"-3", "-1", 0, 0}, {"abc", "x", 100, 0},
                                  {"42", "1", 42, 1},   {"0", "0", 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.v661);
        dbtest::HostFolder folder;
        folder.Append("setup.TBL", {{{"Ident", "661"}, {"stringItem", c.v661}},
                                    {{"Ident", "219"}, {"stringItem", c.v219}}});
        dbtest::HostForm form(folder.Path());
        TPartsGroup groups;
        LoadPartsGroups(groups, *form.settings);
        EXPECT_EQ(groups.Ident661Value, c.expected661);
        EXPECT_EQ(groups.Ident219Value, c.expected219);
        EXPECT_EQ(GroupCount(groups), 1);
    }
}
