// Text <-> number and date conversions under the process format. The tool
// reads article numbers and quantities typed by German users, so the comma
// format and the integer rules decide what counts as a number.
#include "exceptions.h"
#include "format_settings.h"
#include "km_table.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(TryStrToInt, AcceptsOnlyWholeSigned32BitDecimalOrHexText) {
    struct Case {
        const char *text;
        std::optional<qint32> want;
    };
    const Case cases[] = {
        {"12272", 12272},
        {" 12272", 12272},
        {"   7", 7},
        {"+5", 5},
        {"-5", -5},
        {"$2FF0", 12272},
        {"$2ff0", 12272},
        {"0x10", 16},
        {"0X10", 16},
        {"x10", 16},
        {"-$10", -16},
        {"$7FFFFFFF", 2147483647},
        {"-$80000000", INT32_MIN},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"007", 7},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$100000000", std::nullopt},
        {"12272x", std::nullopt},
        {"12272 ", std::nullopt},
        {"12 272", std::nullopt},
        {"1,5", std::nullopt},
        {"1.000", std::nullopt},
        {"abc", std::nullopt},
        {"2FF0", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"+", std::nullopt},
        {"- 5", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TryStrToInt(QString::fromUtf8(c.text)), c.want);
        if (c.want)
            EXPECT_EQ(StrToInt(QString::fromUtf8(c.text)), *c.want);
        else
            EXPECT_THROW(StrToInt(QString::fromUtf8(c.text)), EConvertError);
    }
}

TEST(TryStrToFloat, HonoursOnlyTheProcessDecimalSeparator) {
    FormatGuard guard;
    struct Case {
        char16_t sep;
        const char *text;
        std::optional<double> want;
    };
    const Case cases[] = {
        {u',', "1,5", 1.5},
        {u',', "-0,25", -0.25},
        {u',', " 2 ", 2.0},
        {u',', "12272", 12272.0},
        {u',', "1.5", std::nullopt},
        {u',', "1.000,5", std::nullopt},
        {u',', "1,5,5", std::nullopt},
        {u',', "abc", std::nullopt},
        {u',', "", std::nullopt},
        {u'.', "1.5", 1.5},
        {u'.', "-0.25", -0.25},
        {u'.', "1,5", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " with separator " + char(c.sep));
        FormatSettings().DecimalSeparator = QChar(c.sep);
        EXPECT_EQ(TryStrToFloat(QString::fromUtf8(c.text)), c.want);
        if (!c.want) {
            EXPECT_THROW(StrToFloat(QString::fromUtf8(c.text)), EConvertError);
        }
    }
}

TEST(FloatToStr, WritesTheShortestFormWithTheProcessSeparator) {
    FormatGuard guard;
    struct Case {
        char16_t sep;
        double value;
        const char *want;
    };
    const Case cases[] = {
        {u',', 1.5, "1,5"},           {u',', 2.0, "2"},
        {u',', -0.25, "-0,25"},       {u',', 0.1, "0,1"},
        {u',', 1234567.0, "1234567"}, {u',', 0.1 + 0.2, "0,3"},
        {u'.', 1.5, "1.5"},           {u',', 0.0001, "0,0001"},
        {u',', 0.00001, "1E-5"},      {u',', 1.5e20, "1,5E20"},
        {u',', 1e15, "1E15"},         {u',', 999999999999999.0, "999999999999999"},
        {u',', 0.0, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.want);
        FormatSettings().DecimalSeparator = QChar(c.sep);
        EXPECT_EQ(FloatToStr(c.value), QString::fromUtf8(c.want));
    }
}

TEST(DateToStr, FollowsTheShortDateFormatAndSeparator) {
    FormatGuard guard;
    struct Case {
        const char *format;
        char16_t sep;
        int y, m, d;
        const char *want;
    };
    const Case cases[] = {
        {"dd/mm/yyyy", u'.', 2025, 12, 24, "24.12.2025"},
        {"dd/mm/yyyy", u'.', 2025, 2, 1, "01.02.2025"},
        {"d/m/yyyy", u'.', 2025, 2, 1, "1.2.2025"},
        {"yyyy/mm/dd", u'-', 1999, 7, 9, "1999-07-09"},
        {"dd/mm/yy", u'.', 2005, 3, 4, "04.03.05"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.want);
        FormatSettings().ShortDateFormat = QString::fromUtf8(c.format);
        FormatSettings().DateSeparator = QChar(c.sep);
        const TDateTime date = EncodeDate(c.y, c.m, c.d);
        EXPECT_EQ(DateToStr(date), QString::fromUtf8(c.want));
        EXPECT_EQ(TryStrToDate(QString::fromUtf8(c.want)), std::optional<TDateTime>(date));
    }
    // Dates travel as day counts from 1899-12-30; the engine counts days
    // from 0001-01-01 as day 1. Both anchors must hold or every stored
    // date shifts.
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(DateTimeToDayNumber(EncodeDate(1, 1, 1)), 1);
    EXPECT_EQ(DayNumberToDateTime(DateTimeToDayNumber(EncodeDate(2025, 12, 24))),
              EncodeDate(2025, 12, 24));
}

} // namespace
