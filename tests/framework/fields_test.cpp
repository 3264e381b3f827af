// Field conversions and the width cut. The check compares article numbers as
// text and reads quantities and IDs through whatever field type the table
// has, so a wrong conversion or a stored overlong text changes its result.
#include "exceptions.h"
#include "km_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// One column of every type the conversions distinguish, with a record open
// for insert so the fields can be written.
std::unique_ptr<TMemTable> MakeTyped() {
    auto t = std::make_unique<TMemTable>();
    t->AddFieldDef(QStringLiteral("I"), TFieldType::ftInteger);
    t->AddFieldDef(QStringLiteral("F"), TFieldType::ftFloat);
    t->AddFieldDef(QStringLiteral("S"), TFieldType::ftString, 30);
    t->AddFieldDef(QStringLiteral("D"), TFieldType::ftDate);
    t->Open();
    t->Append();
    return t;
}

TEST(FieldConversion, ReadsBackAsStringIntegerAndFloatUnderTheCommaFormat) {
    FormatGuard guard;
    FormatSettings().DecimalSeparator = u',';
    struct Case {
        const char *name;
        const char *field;
        std::function<void(TField *)> set;
        const char *asString;
        std::optional<qint32> asInteger; // nullopt: raises EConvertError
        std::optional<double> asFloat;   // nullopt: raises EConvertError
    };
    const Case cases[] = {
        {"int from int", "I", [](TField *f) { f->SetAsInteger(12272); }, "12272", 12272, 12272.0},
        {"int from hex text", "I", [](TField *f) { f->SetAsString("$2FF0"); }, "12272", 12272,
         12272.0},
        {"int from signed text", "I", [](TField *f) { f->SetAsString(" -5"); }, "-5", -5, -5.0},
        {"int from float", "I", [](TField *f) { f->SetAsFloat(2.4); }, "2", 2, 2.0},
        {"int never set", "I", [](TField *) {}, "", 0, 0.0},
        {"float from float", "F", [](TField *f) { f->SetAsFloat(1.5); }, "1,5", 2, 1.5},
        {"float from comma text", "F", [](TField *f) { f->SetAsString("1,25"); }, "1,25", 1, 1.25},
        {"float from int", "F", [](TField *f) { f->SetAsInteger(7); }, "7", 7, 7.0},
        {"float never set", "F", [](TField *) {}, "", 0, 0.0},
        {"string decimal", "S", [](TField *f) { f->SetAsString("12272"); }, "12272", 12272,
         12272.0},
        {"string hex", "S", [](TField *f) { f->SetAsString("$2FF0"); }, "$2FF0", 12272,
         std::nullopt},
        {"string comma number", "S", [](TField *f) { f->SetAsString("1,5"); }, "1,5", std::nullopt,
         1.5},
        {"string dot number", "S", [](TField *f) { f->SetAsString("1.5"); }, "1.5", std::nullopt,
         std::nullopt},
        {"string text", "S", [](TField *f) { f->SetAsString("abc"); }, "abc", std::nullopt,
         std::nullopt},
        {"string from int", "S", [](TField *f) { f->SetAsInteger(-5); }, "-5", -5, -5.0},
        {"string from float", "S", [](TField *f) { f->SetAsFloat(1.5); }, "1,5", std::nullopt, 1.5},
        {"string never set", "S", [](TField *) {}, "", std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto t = MakeTyped();
        TField *f = t->FieldByName(QString::fromUtf8(c.field));
        c.set(f);
        EXPECT_EQ(f->AsString(), QString::fromUtf8(c.asString));
        if (c.asInteger)
            EXPECT_EQ(f->AsInteger(), *c.asInteger);
        else
            EXPECT_THROW(f->AsInteger(), EConvertError);
        if (c.asFloat)
            EXPECT_DOUBLE_EQ(f->AsFloat(), *c.asFloat);
        else
            EXPECT_THROW(f->AsFloat(), EConvertError);
        // Posting must keep the value exactly as it was read in the buffer.
        t->Post();
        EXPECT_EQ(f->AsString(), QString::fromUtf8(c.asString));
    }
}

TEST(FieldConversion, RejectedTextLeavesTheFieldUnchanged) {
    FormatGuard guard;
    FormatSettings().DecimalSeparator = u',';
    struct Case {
        const char *field;
        const char *text;
    };
    const Case cases[] = {
        {"I", "abc"}, {"I", "1,5"}, {"I", "12272x"},     {"I", "2147483648"},
        {"F", "1.5"}, {"F", "abc"}, {"D", "31.02.2025"}, {"D", "heute"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.text);
        auto t = MakeTyped();
        TField *f = t->FieldByName(QString::fromUtf8(c.field));
        EXPECT_THROW(f->SetAsString(QString::fromUtf8(c.text)), EConvertError);
        EXPECT_TRUE(f->IsNull());
    }
}

TEST(FieldConversion, DateFieldWritesAndReadsTheShortDateFormat) {
    FormatGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = u'.';
    auto t = MakeTyped();
    TField *d = t->FieldByName(QStringLiteral("D"));

    d->SetAsDateTime(EncodeDate(2025, 12, 24));
    EXPECT_EQ(d->AsString(), QStringLiteral("24.12.2025"));

    d->SetAsString(QStringLiteral("01.02.2025"));
    EXPECT_EQ(d->AsDateTime(), EncodeDate(2025, 2, 1));
    EXPECT_EQ(d->AsString(), QStringLiteral("01.02.2025"));
}

TEST(FieldWidth, StringsAreCutSilentlyToTheirWidth) {
    struct Case {
        const char *field;
        int width;
        QString text;
    };
    const QString umlauts = QStringLiteral("Schraubenmutter ÄÖÜß ");
    const Case cases[] = {
        {"ARTN", 30, QString(35, u'7')},
        {"ARTN", 30, QString(30, u'7')},
        {"ARTN", 30, QStringLiteral("12272")},
        {"ARTN", 30, umlauts.repeated(2)},
        {"BZ", 100, umlauts.repeated(6)},
        {"BZ", 100, QString(100, u'x')},
        {"STK", 20, QStringLiteral("123456789012345678901234")},
        {"STK", 20, QStringLiteral("Stück")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1 <- %2").arg(QString::fromUtf8(c.field), c.text).toStdString());
        auto km = MakeKm();
        km->Append();
        TField *f = km->FieldByName(QString::fromUtf8(c.field));
        f->SetAsString(c.text);
        const QString want = c.text.left(c.width);
        EXPECT_EQ(f->AsString(), want);
        km->Post();
        km->First();
        EXPECT_EQ(f->AsString(), want);
    }
}

TEST(FieldWidth, NeverAssignedFieldsReadEmpty) {
    auto km = MakeKm();
    km->Append();
    km->Post();
    km->First();
    for (const char *name : {"ID", "BZ", "ARTN", "STK", "DEL"}) {
        SCOPED_TRACE(name);
        TField *f = km->FieldByName(QString::fromUtf8(name));
        EXPECT_TRUE(f->IsNull());
        EXPECT_EQ(f->AsString(), QString());
    }
    EXPECT_EQ(km->FieldByName(QStringLiteral("ID"))->AsInteger(), 0);
    EXPECT_FALSE(km->FieldByName(QStringLiteral("DEL"))->AsBoolean());
}

} // namespace
