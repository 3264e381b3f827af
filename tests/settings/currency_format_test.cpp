#include "currency_format.h"
#include "format_settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every test here changes the process format; the fixture puts it back.
class CurrencyFormat : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = FormatSettings();
        savedMode_ = DecimalsMode();
        ASSERT_TRUE(dir_.isValid());
    }
    void TearDown() override {
        QFile::remove(dir_.filePath(QStringLiteral("ALTEURO.INI")));
        InitFormatSettings(dir_.path());
        FormatSettings() = saved_;
        DecimalsMode() = savedMode_;
    }
    void Init(const QByteArray &ini) {
        if (!ini.isNull()) {
            QFile f(dir_.filePath(QStringLiteral("ALTEURO.INI")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        InitFormatSettings(dir_.path());
    }
    QTemporaryDir dir_;
    TFormatSettings saved_;
    int savedMode_ = 0;
};

const QString kSwiss = QStringLiteral(" SFr\".\"");
const QString kEuro = QStringLiteral(" \u20AC");

}  // namespace

TEST_F(CurrencyFormat, FileCasesGiveSeparatorsTextsAndPattern) {
    struct Case {
        const char *name;
        QByteArray ini;  // null: no file
        QChar decimal, thousand;
        QString currency, display;
        bool swiss;
        int mode;
        QString pattern;
    } cases[] = {
        {"no file", QByteArray(), u',', u'.', kEuro, kEuro, false, 0, QStringLiteral("#############0.00")},
        {"swiss built-in text", "[COUNTRY]\r\nEURO=0\r\n", u'.', u'\'', kEuro, kSwiss, true, 0,
         QStringLiteral("#############0.00")},
        {"swiss own text", "[CH-CHAR]\r\nVALUE=CHF\r\n[country]\r\neuro=0\r\n", u'.', u'\'', kEuro,
         QStringLiteral(" CHF"), true, 0, QStringLiteral("#############0.00")},
        {"own euro text", "[EUCHAR]\r\nVALUE=EUR\r\n", u',', u'.', QStringLiteral("EUR"), QStringLiteral(" EUR"),
         false, 0, QStringLiteral("#############0.00")},
        {"no euro text", "[EUCHAR]\r\nVALUE=EUR\r\nNULL=1\r\n", u',', u'.', QString(), QStringLiteral(" "), false,
         0, QStringLiteral("#############0.00")},
        {"three decimals", "[COUNTRY]\r\nNACHKOMMA3=1\r\n", u',', u'.', kEuro, kEuro, false, 1,
         QStringLiteral("#############0.000")},
        {"invalid decimals", "[COUNTRY]\r\nNACHKOMMA3=3\r\n", u',', u'.', kEuro, kEuro, false, 0,
         QStringLiteral("#############0.00")},
        {"four decimals", "[COUNTRY]\r\nNACHKOMMA3=4 ; vier\r\nEURO=1\r\n", u',', u'.', kEuro, kEuro, false, 4,
         QStringLiteral("#############0.0000")},
    };
    for (const Case &c : cases) {
        // Each case starts from a different process format than it expects.
        FormatSettings().DecimalSeparator = u'x';
        FormatSettings().ThousandSeparator = u'y';
        FormatSettings().DateSeparator = u'z';
        FormatSettings().CurrencyDecimals = 7;
        DecimalsMode() = 9;
        QFile::remove(dir_.filePath(QStringLiteral("ALTEURO.INI")));
        Init(c.ini);
        const TFormatSettings &fs = FormatSettings();
        EXPECT_EQ(fs.DecimalSeparator, c.decimal) << c.name;
        EXPECT_EQ(fs.ThousandSeparator, c.thousand) << c.name;
        EXPECT_EQ(fs.DateSeparator, u'.') << c.name;
        EXPECT_EQ(fs.CurrencyFormat, 1) << c.name;
        EXPECT_EQ(fs.NegCurrFormat, 5) << c.name;
        EXPECT_EQ(fs.CurrencyDecimals, 2) << c.name;
        EXPECT_EQ(fs.CurrencyString, c.currency) << c.name;
        EXPECT_EQ(EuroTextValue(), c.currency) << c.name;
        EXPECT_EQ(CurrencyDisplayText(), c.display) << c.name;
        EXPECT_EQ(SwissFormat(), c.swiss) << c.name;
        EXPECT_EQ(DecimalsMode(), c.mode) << c.name;
        EXPECT_EQ(AmountPattern(), c.pattern) << c.name;
    }
}

TEST_F(CurrencyFormat, FiveRappenRoundingFollowsTheFileAndTheSeparatorDrivesConversions) {
    Init("[COUNTRY]\r\nEURO=0\r\nEINZELNOT5RAPPEN=1\r\n");
    EXPECT_TRUE(SICurrencySetup().FiveRappenRounding);
    EXPECT_DOUBLE_EQ(TextToFloatOrZero(QStringLiteral("12.5")), 12.5);
    QFile::remove(dir_.filePath(QStringLiteral("ALTEURO.INI")));
    Init(QByteArray());
    EXPECT_FALSE(SICurrencySetup().FiveRappenRounding);
    EXPECT_DOUBLE_EQ(TextToFloatOrZero(QStringLiteral("12,5")), 12.5);
    EXPECT_DOUBLE_EQ(TextToFloatOrZero(QStringLiteral("12.5")), 0.0);
}

TEST(SecondCurrency, DisabledInfoPublishesTheBuiltInRateAndName) {
    TAlterCurrencyInfo info;
    info.Option1 = 3;
    info.Option2 = 4;
    info.Rate = 2.0;
    info.Name = QStringLiteral("CHF");
    for (bool enabled : {false, true}) {
        info.Enabled = enabled;
        PublishSecondCurrency(info);
        const auto &r = SICurrencySetup().AlterCurrency;
        EXPECT_EQ(r.Option1, 3);
        EXPECT_EQ(r.Option2, 4);
        EXPECT_DOUBLE_EQ(r.Rate, enabled ? 2.0 : 1.5);
        EXPECT_EQ(r.Name, enabled ? QStringLiteral("CHF") : QStringLiteral(" 2.W."));
    }
    SICurrencySetup() = TSICurrencySetup();
}
