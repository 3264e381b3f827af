#include "currency_format.h"
#include "db_fixture.h"

#include <gtest/gtest.h>

namespace {

// The settings object's creation values of the main labels and header texts.
struct MainTexts {
    QString labels[14][9];
    QString headers[6];
    MainTexts() {
        for (int k = 1; k <= 13; ++k)
            for (int p = 1; p <= 8; ++p) labels[k][p] = QStringLiteral("L%1.%2").arg(k).arg(p);
        for (int t = 1; t <= 5; ++t) headers[t] = QStringLiteral("H%1").arg(t);
    }
};

struct Loaded {
    TAlterCurrencyInfo info;
    TSICurrencySetup::TAlterCurrencyInfo published;
};

Loaded LoadFrom(const std::vector<dbtest::Row> &rows, TAlterCurrencyInfo start = {}) {
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", rows);
    dbtest::HostForm form(folder.Path());
    MainTexts main;
    Loaded out{std::move(start), {}};
    LoadSecondCurrency(out.info, main.labels, main.headers, *form.settings);
    out.published = SICurrencySetup().AlterCurrency;
    SICurrencySetup() = TSICurrencySetup();
    return out;
}

}  // namespace

TEST(SecondCurrencyTable, RateIsKeptWithinItsBounds) {
    dbtest::ProcessSettingsGuard guard;
    FormatSettings().DecimalSeparator = u',';
    struct Case {
        const char *stored;
        double rate;
    } cases[] = {{"0,005", 1.5}, {"250", 1.5}, {"0,01", 0.01}, {"1.25", 1.25}, {"abc", 1.5}, {"100", 100}};
    for (const Case &c : cases) {
        const Loaded l = LoadFrom({{{"Ident", "20012"}, {"stringItem", "1"}}, {{"Ident", "20010"}, {"stringItem", c.stored}}});
        EXPECT_DOUBLE_EQ(l.info.Rate, c.rate) << c.stored;
        EXPECT_DOUBLE_EQ(SecondCurrencyRate(l.info), c.rate) << c.stored;
        EXPECT_DOUBLE_EQ(l.published.Rate, c.rate) << c.stored;
    }
}

TEST(SecondCurrencyTable, WithoutTheSwitchTheBuiltInValuesAndMainTextsHold) {
    dbtest::ProcessSettingsGuard guard;
    const Loaded l = LoadFrom({{{"Ident", "20010"}, {"stringItem", "2"}},
                               {{"Ident", "200011"}, {"stringItem", "CHF"}},
                               {{"Ident", "20004"}, {"stringItem", "Eigen"}, {"MemoItem", "a\r\nb"}},
                               {{"Ident", "31009"}, {"stringItem", "Kopf"}},
                               {{"Ident", "200030"}, {"stringItem", "7"}}});
    MainTexts main;
    EXPECT_EQ(SecondCurrencyName(l.info), QStringLiteral(" 2.W."));
    EXPECT_DOUBLE_EQ(SecondCurrencyRate(l.info), 1.5);
    EXPECT_EQ(l.info.Name, QStringLiteral(" 2.W."));
    EXPECT_EQ(l.info.Option1, 0);
    for (int k = 1; k <= 13; ++k)
        for (int p = 1; p <= 8; ++p) EXPECT_EQ(l.info.Labels[k][p], main.labels[k][p]);
    EXPECT_EQ(l.info.HeaderTexts[1], QStringLiteral("H1"));
    EXPECT_EQ(l.published.Name, QStringLiteral(" 2.W."));
    EXPECT_DOUBLE_EQ(l.published.Rate, 1.5);
}

TEST(SecondCurrencyTable, EnabledReadsLabelsHeadersNameAndOptions) {
    dbtest::ProcessSettingsGuard guard;
    const Loaded l = LoadFrom({{{"Ident", "20012"}, {"stringItem", "1"}},
                               {{"Ident", "200011"}, {"stringItem", "CHF"}},
                               {{"Ident", "20004"}, {"stringItem", "Eigen"}, {"MemoItem", "a\r\n\r\nc\r\n"}},
                               {{"Ident", "29007"}, {"MemoItem", "x"}},
                               {{"Ident", "31010"}, {"stringItem", "Kopf"}},
                               {{"Ident", "31011"}, {"stringItem", ""}},
                               {{"Ident", "200030"}, {"stringItem", "7"}},
                               {{"Ident", "200031"}, {"stringItem", "nein"}}});
    EXPECT_EQ(l.info.Labels[1][1], QStringLiteral("Eigen"));
    EXPECT_EQ(l.info.Labels[2][1], QStringLiteral("a"));
    EXPECT_EQ(l.info.Labels[3][1], QString());
    EXPECT_EQ(l.info.Labels[4][1], QStringLiteral("c"));
    EXPECT_EQ(l.info.Labels[5][1], QStringLiteral("L5.1"));
    EXPECT_EQ(l.info.Labels[1][6], QStringLiteral("L1.6"));  // 29007 is position 6
    EXPECT_EQ(l.info.Labels[2][6], QStringLiteral("x"));
    EXPECT_EQ(l.info.HeaderTexts[2], QStringLiteral("Kopf"));
    EXPECT_EQ(l.info.HeaderTexts[3], QStringLiteral("H3"));
    EXPECT_EQ(l.info.HeaderTexts[5], QStringLiteral("H5"));
    EXPECT_EQ(l.info.Option1, 7);
    EXPECT_EQ(l.info.Option2, 0);
    EXPECT_DOUBLE_EQ(l.info.Rate, 1.5);
    EXPECT_EQ(l.published.Name, QStringLiteral("CHF"));
    EXPECT_EQ(l.published.Option1, 7);
}

TEST(SecondCurrencyTable, MissingRecordsKeepThePreviousLoad) {
    dbtest::ProcessSettingsGuard guard;
    TAlterCurrencyInfo previous;
    previous.Rate = 2.5;
    previous.Name = QStringLiteral("USD");
    previous.Enabled = true;
    const Loaded l = LoadFrom({}, previous);
    EXPECT_DOUBLE_EQ(SecondCurrencyRate(l.info), 2.5);
    EXPECT_EQ(SecondCurrencyName(l.info), QStringLiteral("USD"));
}
