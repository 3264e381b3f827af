// The built-in account list and the user's lines applied over it.
#include "book_accounts.h"
#include "db_fixture.h"
#include "settings.h"

namespace {

const TKontoStack &Account(const TDIKontoStack &stack, int number) {
    const auto index = FindAccount(stack, number, 0, false);
    if (!index) throw std::runtime_error("no account " + std::to_string(number));
    return AccountAt(stack, *index);
}

}  // namespace

TEST(BookAccounts, BuiltInList) {
    TDIKontoStack stack;
    ResetBookAccounts(stack);
    ASSERT_EQ(stack.Accounts.size(), 175u);
    std::vector<int> numbers;
    for (const auto &a : stack.Accounts) numbers.push_back(a->Number);
    std::vector<int> expected{0, 1, 2, 3, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};
    for (int n = 100; n <= 149; ++n) expected.push_back(n);
    for (int n = 200; n <= 299; ++n) expected.push_back(n);
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(stack.FirstMoneyNumber, 0);
    EXPECT_EQ(stack.FirstRevenueNumber, 100);
    EXPECT_EQ(stack.FirstExpenseNumber, 200);

    struct Case {
        int number;
        const char16_t *name, *defaultName;
        TStrSKR numbers;
        bool active;
        int kind, mode;
    };
    const std::vector<Case> cases{
        {0, u"Geld-Konto 1", u"Geld-Konto 1", {"1200", "", ""}, true, 0, 0},
        {3, u"Vordef. Bar 4", u"Geld-Konto 4", {"1000", "", ""}, true, 0, 0},
        {6, u"Vordef. Gutschrift 5", u"Geld-Konto 5", {"1200", "", ""}, true, 0, 0},
        {10, u"Geld-Konto 9", u"Geld-Konto 9", {"1200", "", ""}, true, 0, 0},
        {11, u"Geld-Konto 10", u"Geld-Konto 10", {"", "", ""}, false, 0, 0},
        {23, u"Geld-Konto 14", u"Geld-Konto 14", {"", "", ""}, false, 0, 0},
        {40, u"Geld-Konto 25", u"Geld-Konto 25", {"", "", ""}, false, 0, 0},
        {100, u"Erlöse steuerpflichtig", u"Erlöse 1", {"8400", "8300", "8100"}, true, 1, 0},
        {101, u"Erlöse 13b-EU", u"Erlöse 2", {"8337", "8337", "8337"}, true, 1, 2},
        {103, u"Zinserträge", u"Erlöse 4", {"", "", "2650"}, true, 1, 2},
        {104, u"Erlöse 5", u"Erlöse 5", {"", "", ""}, false, 1, 0},
        {149, u"Erlöse 50", u"Erlöse 50", {"", "", ""}, false, 1, 0},
        {200, u"Wareneinkauf", u"Ausgabe-Konto 1", {"3400", "3300", "3582"}, true, 2, 0},
        {209, u"Versicherungbeiträge", u"Ausgabe-Konto 10", {"4360", "4360", "4360"}, true, 2, 0},
        {216, u"zinsähnl. Aufwendungen", u"Ausgabe-Konto 17", {"", "", "2140"}, true, 2, 2},
        {217, u"Ausgabe 18", u"Ausgabe-Konto 18", {"", "", ""}, false, 2, 0},
        {299, u"Ausgabe 100", u"Ausgabe-Konto 100", {"", "", ""}, false, 2, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        const TKontoStack &a = Account(stack, c.number);
        EXPECT_EQ(a.Name, QString::fromUtf16(c.name));
        EXPECT_EQ(a.DefaultName, QString::fromUtf16(c.defaultName));
        EXPECT_EQ(a.AccountNumbers, c.numbers);
        EXPECT_EQ(a.Active, c.active);
        EXPECT_EQ(a.Kind, c.kind);
        EXPECT_EQ(a.Mode, c.mode);
        EXPECT_EQ(a.Option, 0);
        EXPECT_EQ(a.Switches, TKontoSwitches{});
    }
    EXPECT_EQ(&GetBookAccounts(), &GetBookAccounts());
    EXPECT_EQ(GetBookAccounts().Accounts.size(), 175u);
}

TEST(BookAccounts, AddAndFind) {
    TDIKontoStack stack;
    ResetBookAccounts(stack);
    TKontoStack extra;
    extra.Number = 3;
    EXPECT_FALSE(AddAccount(stack, extra, 0));
    extra.Number = 50;
    extra.Name = QStringLiteral("A;B;");
    EXPECT_TRUE(AddAccount(stack, extra, 2));
    EXPECT_EQ(stack.Accounts.back()->Name, QStringLiteral("AB"));
    EXPECT_EQ(stack.Accounts.back()->Kind, 2);
    SortAccounts(stack);

    struct Case {
        int number, kind;
        bool fallBack;
        std::optional<int> foundNumber;
    };
    const std::vector<Case> cases{
        {150, 1, false, std::nullopt}, {150, 1, true, 100}, {105, 1, true, 105},
        {105, 2, true, 200},           {105, 0, true, 0},   {4, 0, false, std::nullopt},
        {50, 2, false, 50},            {-1, 2, true, 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        const auto index = FindAccount(stack, c.number, quint8(c.kind), c.fallBack);
        ASSERT_EQ(index.has_value(), c.foundNumber.has_value());
        if (index) {
            EXPECT_EQ(AccountAt(stack, *index).Number, *c.foundNumber);
        }
    }
    EXPECT_THROW(AccountAt(stack, 176), Exception);
}

TEST(BookAccounts, AccountNumberText) {
    const std::vector<std::pair<QString, QString>> cases{
        {"1000", "1000"}, {"084000", "8400"}, {"0", ""}, {"", ""}, {"abc", ""}, {"-12345", "-123"}, {"7", "7"}};
    for (const auto &[in, out] : cases) EXPECT_EQ(AccountNumberText(in), out) << in.toStdString();
}

TEST(BookAccounts, LinesFromSettingsTable) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL",
                  {{{"Ident", "16012"},
                    {"MemoItem", dbtest::Ansi(QStringLiteral(
                                     "3;Kasse;1;1000\r\n150;Neu;1\r\n100;Erlöse;1;084000;;;7;2;6\r\n"
                                     "201;;0\r\n202;Steuerfrei;1;;x;3600;3;1;2;extra\r\n"
                                     "203;Vier;;;;;;;4;\r\n"))}}});
    dbtest::HostForm form(folder.Path());
    TDIKontoStack stack;
    LoadBookAccounts(stack, form.settings);
    ASSERT_EQ(stack.Accounts.size(), 175u);

    const TKontoStack &kasse = Account(stack, 3);
    EXPECT_EQ(kasse.Name, QStringLiteral("Kasse"));
    EXPECT_TRUE(kasse.Active);
    EXPECT_EQ(kasse.AccountNumbers, (TStrSKR{"1000", "", ""}));
    EXPECT_EQ(kasse.Mode, 0);
    EXPECT_EQ(kasse.Option, 0);
    EXPECT_EQ(kasse.Switches, TKontoSwitches{});
    EXPECT_EQ(kasse.DefaultName, QStringLiteral("Geld-Konto 4"));

    EXPECT_FALSE(FindAccount(stack, 150, 1, false).has_value());

    const TKontoStack &revenue = Account(stack, 100);
    EXPECT_EQ(revenue.Name, QStringLiteral("Erlöse"));
    EXPECT_EQ(revenue.AccountNumbers, (TStrSKR{"8400", "", ""}));
    EXPECT_EQ(revenue.Mode, 0);
    EXPECT_EQ(revenue.Option, 0);
    EXPECT_EQ(revenue.Switches, (TKontoSwitches{true, true}));

    const TKontoStack &cleared = Account(stack, 201);
    EXPECT_TRUE(cleared.Name.isEmpty());
    EXPECT_FALSE(cleared.Active);
    EXPECT_EQ(cleared.AccountNumbers, (TStrSKR{"", "", ""}));  // missing fields are empty
    EXPECT_EQ(cleared.Mode, 0);

    const TKontoStack &full = Account(stack, 202);
    EXPECT_EQ(full.AccountNumbers, (TStrSKR{"", "", "3600"}));
    EXPECT_EQ(full.Mode, 3);
    EXPECT_EQ(full.Option, 1);
    EXPECT_EQ(full.Switches, (TKontoSwitches{true, false}));

    const TKontoStack &four = Account(stack, 203);
    EXPECT_FALSE(four.Active);
    EXPECT_EQ(four.Switches, (TKontoSwitches{false, true}));

    // Untouched accounts keep their defaults.
    EXPECT_EQ(Account(stack, 200).Name, QStringLiteral("Wareneinkauf"));

    // A second load starts from the built-in list again; no table, no lines.
    LoadBookAccounts(stack, nullptr);
    EXPECT_EQ(Account(stack, 3).Name, QStringLiteral("Vordef. Bar 4"));
    EXPECT_EQ(Account(stack, 100).Name, QStringLiteral("Erlöse steuerpflichtig"));
}

TEST(BookAccounts, NoRecord) {
    dbtest::HostFolder folder;
    dbtest::HostForm form(folder.Path());
    TDIKontoStack stack;
    TKontoStack stray;
    stray.Number = 500;
    AddAccount(stack, stray, 0);
    LoadBookAccounts(stack, form.settings);
    ASSERT_EQ(stack.Accounts.size(), 175u);
    EXPECT_EQ(Account(stack, 100).AccountNumbers, (TStrSKR{"8400", "8300", "8100"}));
}

// The settings object's table feeds the process-wide list.
TEST(BookAccounts, ThroughSettingsObject) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {{{"Ident", "16012"}, {"MemoItem", "0;Bank;1;1800"}}});
    dbtest::HostForm form(folder.Path());
    TSettings &settings = GetSettings();
    TDbDataSet *saved = settings.SettingsTable;
    settings.SettingsTable = form.settings;
    LoadBookAccounts(settings);
    EXPECT_EQ(Account(GetBookAccounts(), 0).Name, QStringLiteral("Bank"));
    EXPECT_EQ(Account(GetBookAccounts(), 0).AccountNumbers[0], QStringLiteral("1800"));
    settings.SettingsTable = nullptr;
    LoadBookAccounts(settings);
    EXPECT_EQ(Account(GetBookAccounts(), 0).Name, QStringLiteral("Geld-Konto 1"));
    settings.SettingsTable = saved;
}
