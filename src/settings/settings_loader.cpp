#include "settings_loader.h"

#include "address_columns.h"
#include "auto_actions.h"
#include "book_accounts.h"
#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "setting_blobs.h"

#include <algorithm>

namespace {

const QString kNotChange = QStringLiteral("Nicht ändern");

// Steps whose records are allowed to be damaged: their errors must not end
// the load, the members stored before the error keep their new values.
template <typename F>
void Silently(F &&step) {
    try {
        step();
    } catch (const Exception &) {
    }
}

void PadLines(QStringList &lines, qsizetype count) {
    while (lines.size() < count) lines.append(QString());
}

QString PadRight(QString text, qsizetype count, QChar fill) {
    while (text.size() < count) text += fill;
    return text;
}

int DigitOr(QChar c, int fallback) { return c.isDigit() && c.unicode() < 128 ? c.unicode() - '0' : fallback; }

// int(d) of the loader: cut to the member's width like an assignment of a
// 32-bit integer to a byte or small.
template <typename T>
void Int(TDbDataSet &cursor, int ident, qint32 fallback, T &member) {
    qint32 value = 0;
    if (ReadIdentInt(cursor, ident, fallback, value)) member = static_cast<T>(value);
}

void Text(TDbDataSet &cursor, int ident, QString &member) {
    if (SeekIdent(cursor, ident)) member = StringItem(cursor);
}

// The value after "name=" for a name compared without regard to case.
bool NameValue(const QStringList &lines, const QString &name, QString &value) {
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        if (line.left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            value = line.mid(eq + 1);
            return true;
        }
    }
    return false;
}

void Ident15001(TSettings &s, TDbDataSet &cursor) {
    s.Ident15001Text = QStringLiteral("000001");
    Text(cursor, 15001, s.Ident15001Text);
    if (TryStrToInt(s.Ident15001Text).value_or(0) > 900000) s.Ident15001Text = QStringLiteral("900000");
    if (s.Ident15001Text.isEmpty()) s.Ident15001Text = QStringLiteral("000001");
    while (s.Ident15001Text.size() < 6) s.Ident15001Text += u'0';
    while (s.Ident15001Text.size() > 6) s.Ident15001Text.remove(0, 1);
}

void LoadUserFields(TSettings &s, TDbDataSet &cursor) {
    if (!SeekIdent(cursor, 1512)) return;
    QStringList lines = MemoItemLines(cursor);
    PadLines(lines, 23);
    for (int i = 1; i <= 3; ++i)
        if (!lines[i - 1].isEmpty()) s.ArticleFieldNames[i] = lines[i - 1];
    TUserFieldsOrder &order = UserFieldsOrder();
    for (int f = 1; f <= 10; ++f) {
        const QString &line = lines[f + 2];
        const qsizetype eq = line.indexOf(u'=');
        const QString name = eq < 0 ? line : line.left(eq);
        if (name.isEmpty()) continue;
        order.Captions[f] = name;
        order.Values[f] = eq < 0 ? QString() : line.mid(eq + 1).left(200);
    }
    QString direct;
    if (NameValue(lines, QStringLiteral("TUserCaptionOrders.Direct"), direct) && !direct.isEmpty()) {
        direct = PadRight(direct, 10, u' ');
        for (int f = 1; f <= 10; ++f) {
            const int mode = DigitOr(direct[f - 1], 1);
            if (mode <= 2) order.Modes[f] = quint8(mode);
        }
    }
    for (int i = 1; i <= 5 && 30 + i - 1 < lines.size(); ++i)
        if (!lines[30 + i - 1].isEmpty()) FreeFieldNames()[i] = lines[30 + i - 1];
    for (int r = 0; r <= 13 && 60 + r < lines.size(); ++r) {
        const QString row = PadRight(lines[60 + r], 10, u' ');
        for (int f = 1; f <= 10; ++f) order.Visible[r][f] = DigitOr(row[f - 1], 1) == 1;
    }
}

void LoadLines920(TSettings &s, TDbDataSet &cursor) {
    if (!SeekIdent(cursor, 920)) return;
    s.Lines920Keys.clear();
    s.Lines920.clear();
    s.Lines920 = MemoItemLines(cursor);
    for (QString &line : s.Lines920) {
        s.Lines920Keys.append(line.left(1));
        line = line.mid(1, 50);
    }
}

void SortedLines(TDbDataSet &cursor, int ident, QStringList &lines) {
    Silently([&] {
        if (ReadIdentLines(cursor, ident, lines, false) && lines.size() > 1) SortSettingLines(lines);
    });
}

// Steps 5 to 54; an error outside the silent steps ends them here.
void LoadGuarded(TSettings &s, TDbDataSet &cursor) {
    // 5
    ResetBookAccounts(GetBookAccounts());
    ClearPartsGroups(*s.PartsGroups);
    s.Lines1500.clear();
    s.Lines384.clear();
    s.Lines1510.clear();
    s.Lines1502.clear();
    s.SalutationLines.clear();
    s.Lines1505.clear();
    s.AddressGroupNames.clear();
    for (int i = 1; i <= 5; ++i) s.FreeTypeNames[i] = QStringLiteral("FREIER TYP %1").arg(i);
    ResetDocumentKindChoices(s, false);
    s.Ident23001Value = s.Ident23002Value = s.Ident23003Value = 1;
    s.Ident250Value = 0;
    s.Ident12000Value = 2;
    s.Ident12010Value = 0;
    s.Ident12011Flags = kSwitch12011First | kSwitch12011Second;
    s.Ident12013Value = 2;
    s.Ident12014Value = 2;
    s.Ident212Text.clear();
    s.Ident213Value = 0;
    s.Ident51004Value = -1;
    s.Default_ZZDays = 14;
    s.Default_SkontoDay = 5;
    s.Default_SkontoProz = 2.0;
    s.Ident51008Value = 0;
    s.Ident51009Value = 0;
    s.Ident51003Text.clear();
    s.Ident51000Text.clear();
    s.Ident51001Text.clear();
    s.Ident51002Text.clear();
    s.Ident214Value = s.Ident9214Value = 1;
    SetDisplayDecimals(s, 2);
    s.Ident215Value = s.Ident218Value = 0;
    SetIdent216Value(s, 0);
    s.Ident13031Value = 3;
    s.Ident301Flag = s.Ident302Flag = true;
    s.UpperLowerPart->Part1 = s.UpperLowerPart->Part2 = s.UpperLowerPart->Part3 = 0;
    s.Ident13030First = 0;
    s.Ident13030Second = 0;
    s.Ident16003Value = 0;
    s.Ident951Flag = true;
    s.Ident4000Flag = false;
    s.Ident1400Value = s.Ident1401Value = s.Ident1402Value = 0;
    s.Ident15004Text.clear();
    SetIdent949Value(s, 0);
    SetIdent950Value(s, 0);
    s.Loaded949Value = s.Loaded950Value = 0;
    for (int i = 1; i <= 3; ++i) SIClipBrdSetup().ArticleFieldNames[i].clear();
    ResetLabelBounds(SIHelperSetup().LabelBounds);

    // 6
    static const char *const kSums[9] = {"",
                                         "Warenwert:",
                                         "Zwischensumme:",
                                         "+Steuer [ST1]%:",
                                         "Rechnungsbetrag:",
                                         "Warenwert:",
                                         "Zwischensumme:",
                                         "enthaltene Steuer [ST1]%:",
                                         "Rechnungsbetrag:"};
    for (int kind = 1; kind <= 13; ++kind)
        for (int p = 1; p <= 8; ++p) {
            s.SumLabels[kind][p] = QString::fromUtf8(kSums[p]);
            s.SecondCurrency->Labels[kind][p] = s.SumLabels[kind][p];
        }
    s.HeaderTexts[1] = QStringLiteral("Nr:");
    s.HeaderTexts[2] = QStringLiteral("Datum ");
    s.HeaderTexts[3] = QStringLiteral("Kundennummer ");
    s.HeaderTexts[4] = QStringLiteral("Auftrag ");
    s.HeaderTexts[5] = QStringLiteral("vom ");

    LoadSwitchLines(s, cursor, false);                                       // 7
    LoadDocumentLabels(s, cursor);                                           // 8
    LoadSecondCurrency(*s.SecondCurrency, s.SumLabels, s.HeaderTexts, cursor);  // 9
    Silently([&] { LoadSettingBlobs(cursor, *s.Stream8101, *s.Stream8102, *s.Stream8103); });  // 10
    Silently([&] { LoadVSTable(*s.VSTable, cursor); });                       // 11

    // 12
    s.PriorityNames = {QStringLiteral("Normal"), QStringLiteral("Wichtig"), QStringLiteral("Sehr Wichtig")};
    s.Lines16046.clear();
    LoadHtmlSetup(*s.HtmlSetup, cursor, 14500, 14501);  // 13
    // 14
    Text(cursor, 8201, s.Ident8201Text);
    Text(cursor, 8202, s.Ident8202Text);
    Text(cursor, 8203, s.Ident8203Text);
    Text(cursor, 16000, s.Ident16000Text);
    // 15
    Int(cursor, 903, 0, s.Ident903Value);
    Int(cursor, 10000, 0, s.Ident10000Value);
    Int(cursor, 12000, 2, s.Ident12000Value);
    Int(cursor, 12010, 0, s.Ident12010Value);
    // 16
    s.Ident12011Flags = kSwitch12011First | kSwitch12011Second;
    Silently([&] {
        if (!SeekIdent(cursor, 12011)) return;
        const QString text = PadRight(StringItem(cursor), 2, u'1');
        s.Ident12011Flags = (text[0] == u'1' ? kSwitch12011First : 0) | (text[1] == u'1' ? kSwitch12011Second : 0);
    });
    // 17
    s.Ident12013Value = 2;
    Int(cursor, 12013, 2, s.Ident12013Value);
    if (SeekIdent(cursor, 212)) s.Ident212Text = StringItem(cursor).trimmed();
    Int(cursor, 12014, 2, s.Ident12014Value);
    Int(cursor, 213, 0, s.Ident213Value);
    Text(cursor, 51003, s.Ident51003Text);
    // 18
    if (SeekIdent(cursor, 51004)) {
        Int(cursor, 51004, -1, s.Ident51004Value);
        const QStringList lines = MemoItemLines(cursor);
        QString value;
        s.Default_ZZDays =
            NameValue(lines, QStringLiteral("Default_ZZDays"), value) ? TryStrToInt(value).value_or(14) : 14;
        s.Default_SkontoDay =
            NameValue(lines, QStringLiteral("Default_SkontoDay"), value) ? TryStrToInt(value).value_or(5) : 5;
        if (NameValue(lines, QStringLiteral("Default_SkontoProz"), value)) s.Default_SkontoProz = TextToFloatOrZero(value);
    }
    // 19
    Int(cursor, 51008, 0, s.Ident51008Value);
    Int(cursor, 51009, 0, s.Ident51009Value);
    Text(cursor, 51000, s.Ident51000Text);
    Text(cursor, 51002, s.Ident51002Text);
    Text(cursor, 51001, s.Ident51001Text);
    // 20
    Int(cursor, 214, 1, s.Ident214Value);
    Int(cursor, 9214, 1, s.Ident9214Value);
    SetDisplayDecimals(s, 0);
    {
        qint32 decimals = 0;
        if (ReadIdentInt(cursor, 9215, 0, decimals)) SetDisplayDecimals(s, decimals);
    }
    // 21
    Int(cursor, 218, 0, s.Ident218Value);
    Int(cursor, 215, 0, s.Ident215Value);
    {
        qint32 value = 0;
        if (ReadIdentInt(cursor, 216, 0, value)) SetIdent216Value(s, quint8(value));
    }
    if (SeekIdent(cursor, 301)) s.Ident301Flag = IdentIsOne(cursor);
    if (SeekIdent(cursor, 302)) s.Ident302Flag = IdentIsOne(cursor);
    if (SeekIdent(cursor, 666)) LoadUpperLowerPart(*s.UpperLowerPart, StringItem(cursor));
    // 22
    s.Ident13031Value = 3;
    {
        qint32 value = 3;
        if (ReadIdentInt(cursor, 13031, 3, value) && value >= 0 && value <= 3) s.Ident13031Value = quint8(value);
    }
    // 23
    s.Ident13030First = 0;
    s.Ident13030Second = 0;
    Silently([&] {
        if (!SeekIdent(cursor, 13030)) return;
        const QString text = PadRight(StringItem(cursor), 10, u' ');
        s.Ident13030First = qint16(DigitOr(text[0], 0));
        s.Ident13030Second = quint8(DigitOr(text[1], 0));
    });
    // 24
    s.Ident15004Text.clear();
    Text(cursor, 15004, s.Ident15004Text);
    s.Ident15000Value = 0;
    Int(cursor, 15000, 0, s.Ident15000Value);
    Ident15001(s, cursor);
    // 25
    s.NumberPrefix.clear();
    s.NumberMask = QStringLiteral("0");
    s.NumberSuffix.clear();
    s.NumberCounter.clear();
    Silently([&] {
        if (!SeekIdent(cursor, 16009)) return;
        s.NumberPrefix = StringItem(cursor);
        QStringList lines = MemoItemLines(cursor);
        PadLines(lines, 3);
        s.NumberMask = lines[0];
        s.NumberSuffix = lines[1];
        s.NumberCounter = lines[2];
    });
    NormalizeNumberingPattern(s);
    LoadBookAccounts(s);  // 26
    // 27
    s.Ident23001Value = 1;
    Int(cursor, 23001, 0, s.Ident23001Value);
    s.Ident23002Value = 0;
    Int(cursor, 23002, 0, s.Ident23002Value);
    s.Ident23003Value = 0;
    Int(cursor, 23003, 0, s.Ident23003Value);
    s.Ident250Value = 0;
    Int(cursor, 250, 0, s.Ident250Value);
    s.Ident76Value = 1;
    Int(cursor, 76, 1, s.Ident76Value);
    // 28
    Silently([&] {
        if (ReadIdentLines(cursor, 202, s.DocumentKindChoices, false)) ResetDocumentKindChoices(s, true);
    });
    // 29
    for (int i = 1; i <= 5; ++i) s.FreeTypeNames[i] = QStringLiteral("FREIER TYP %1").arg(i);
    Silently([&] {
        if (!SeekIdent(cursor, 201)) return;
        s.FreeTypeNames[1] = StringItem(cursor);
        QStringList lines = MemoItemLines(cursor);
        PadLines(lines, 4);
        for (int i = 2; i <= 5; ++i) s.FreeTypeNames[i] = lines[i - 2];
    });
    for (int i = 1; i <= 5; ++i)
        if (s.FreeTypeNames[i].isEmpty()) s.FreeTypeNames[i] = QStringLiteral("FREIER TYP %1").arg(i);
    // 30
    {
        qint32 value = 0;
        if (ReadIdentInt(cursor, 951, 1, value)) s.Ident951Flag = value == 1;
        if (ReadIdentInt(cursor, 4000, 0, value)) s.Ident4000Flag = value == 1;
    }
    Int(cursor, 1400, 0, s.Ident1400Value);
    Int(cursor, 1401, 1, s.Ident1401Value);
    Int(cursor, 1402, 1, s.Ident1402Value);
    {
        qint32 value = 0;
        if (ReadIdentInt(cursor, 16003, 0, value) && value >= 0 && value <= 2) s.Ident16003Value = quint8(value);
    }
    // 31
    Silently([&] {
        if (SeekIdent(cursor, 5024)) s.Ident5024Date = TryStrToDate(StringItem(cursor)).value_or(0);
    });
    // 32
    Int(cursor, 4999, 0, s.Ident4999Value);
    Int(cursor, 5000, 0, s.Ident5000Value);
    Int(cursor, 4998, 30, s.Ident4998Value);
    Text(cursor, 4997, s.ReminderText);
    if (s.ReminderText.isEmpty()) s.ReminderText = QStringLiteral("Erinnerung an den Zahlungsstatus");
    Int(cursor, 4996, 0, s.Ident4996Value);
    Int(cursor, 5001, 0, s.Ident5001Value);
    Int(cursor, 5002, 0, s.Ident5002Value);
    Int(cursor, 5023, 0, s.Ident5023Value);
    if (SeekIdent(cursor, 5021)) s.Ident5021Value = ReadIdentFloat(cursor);
    Int(cursor, 5022, 0, s.Ident5022Value);
    Int(cursor, 5025, 0, s.Ident5025Value);
    Int(cursor, 5026, 0, s.Ident5026Value);
    Int(cursor, 5022, 0, s.Ident5022Value);
    // 33
    try {
        LoadWorkstationOptions(*s.PrinterDef, WorkstationOptionsFolder());
    } catch (...) {
    }
    // 34, 35, 36
    for (int k = 0; k < 10; ++k)
        Silently([&] { Text(cursor, 2001 + k, s.ExtraTextSlots[k].Text); });
    for (int k = 0; k < 10; ++k)
        Silently([&] {
            if (!SeekIdent(cursor, 3001 + k)) return;
            const QString text = StringItem(cursor);
            s.ExtraTextSlots[k].Mode = text == QStringLiteral("1") ? 1 : text == QStringLiteral("2") ? 2 : 0;
        });
    SelectSlot(s);
    Silently([&] { LoadLines920(s, cursor); });  // 37
    LoadCurrencyValues(s, cursor);                // 38
    Silently([&] { ReadIdentLines(cursor, 1500, s.Lines1500, false); });  // 39
    Silently([&] { ReadIdentLines(cursor, 1510, s.Lines1510, false); });  // 40
    PadLines(s.Lines1510, 81);
    SortedLines(cursor, 1502, s.Lines1502);  // 41
    // 42
    bool salutationsFound = true;
    Silently([&] {
        salutationsFound = SeekIdent(cursor, 1501);
        if (!salutationsFound) return;
        s.SalutationLines = MemoItemLines(cursor);
        if (s.SalutationLines.size() > 1) SortSettingLines(s.SalutationLines);
    });
    if (!salutationsFound)
        s.SalutationLines = {QStringLiteral("Sehr geehrte Frau,"), QStringLiteral("Sehr geehrter Herr,")};
    SortedLines(cursor, 1506, s.AddressGroupNames);  // 43
    SortedLines(cursor, 1505, s.Lines1505);
    s.Lines1509.clear();  // 44
    Silently([&] { ReadIdentLines(cursor, 1509, s.Lines1509, false); });
    LoadAutoActions(*s.AutoActions, cursor);  // 45
    // 46
    s.DiscountTexts.clear();
    bool found = true;
    Silently([&] { found = ReadIdentLines(cursor, 1507, s.DiscountTexts, false); });
    if (!found && s.DiscountTexts.isEmpty())
        s.DiscountTexts = {QStringLiteral("bei Zahlung bis zum "), QStringLiteral(" erhalten Sie 3% Skonto, das entspricht: "),
                           QStringLiteral("bei Zahlung bis zum "), QStringLiteral(" erhalten Sie 3% Skonto, das entspricht: "),
                           QStringLiteral("5")};
    // 47
    s.ArticleFieldNames[1] = QStringLiteral("Bezeichnung1");
    s.ArticleFieldNames[2] = QStringLiteral("Bezeichnung2");
    s.ArticleFieldNames[3] = QStringLiteral("Bestellnummer");
    for (int i = 1; i <= 5; ++i) FreeFieldNames()[i] = QStringLiteral("Freifeld%1").arg(i);
    ResetUserFieldsOrder();
    Silently([&] { LoadUserFields(s, cursor); });
    // 48
    s.Lines12019.clear();
    Silently([&] { ReadIdentLines(cursor, 12019, s.Lines12019, false); });
    if (s.Lines12019.isEmpty())
        s.Lines12019 = {QStringLiteral("5"),  QStringLiteral("10"), QStringLiteral("15"),
                        QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30")};
    // 49
    s.AvailabilityTexts = {QStringLiteral("lieferbar"), QStringLiteral("nicht lieferbar")};
    Silently([&] { ReadIdentLines(cursor, 12018, s.AvailabilityTexts, false); });
    // 50
    s.PaymentTexts.clear();
    found = true;
    Silently([&] { found = ReadIdentLines(cursor, 1508, s.PaymentTexts, false); });
    if (!found && s.PaymentTexts.isEmpty())
        s.PaymentTexts = {QStringLiteral("Der Betrag ist bis zum "), QStringLiteral(" zu bezahlen."),
                          QStringLiteral("Der Betrag ist bis zum "), QStringLiteral(" zu bezahlen."), QStringLiteral("14")};
    // 51
    s.Lines16002.clear();
    ReadIdentLines(cursor, 16002, s.Lines16002, false);
    s.Lines16001.clear();
    ReadIdentLines(cursor, 16001, s.Lines16001, false);
    s.Lines16010.clear();
    ReadIdentLines(cursor, 16010, s.Lines16010, false);
    ReadIdentLines(cursor, 16045, s.PriorityNames, false);
    ReadIdentLines(cursor, 16046, s.Lines16046, false);
    LoadPartsGroups(*s.PartsGroups, cursor);  // 52
    // 53
    ResetLabelBounds(s.LabelBounds);
    if (SeekIdent(cursor, 652)) LoadLabelBounds(s.LabelBounds, MemoItemLines(cursor));
    Silently([&] { LoadAddressColumnsFromTable(cursor); });  // 54
}

}  // namespace

QString &WorkstationOptionsFolder() {
    static QString folder;
    return folder;
}

void LoadSwitchLines(TSettings &s, TDbDataSet &cursor, bool prepareFirst) {
    if (prepareFirst && !PrepareSettingsTable(s, cursor)) return;
    for (bool &flag : s.Ident1530Flags) flag = false;
    Silently([&] {
        if (!SeekIdent(cursor, 1530)) return;
        const QStringList lines = MemoItemLines(cursor);
        for (int i = 1; i <= 6; ++i) s.Ident1530Flags[i] = i <= lines.size() && lines[i - 1] == QStringLiteral("1");
    });
}

void LoadDocumentLabels(TSettings &s, TDbDataSet &cursor) {
    static const int kIdents[9] = {0, 21002, 29002, 21003, 21004, 21005, 29005, 21006, 21007};
    for (int p = 1; p <= 8; ++p)
        Silently([&] {
            if (!SeekIdent(cursor, kIdents[p])) return;
            const QString first = StringItem(cursor);
            if (!first.isEmpty()) s.SumLabels[1][p] = first;
            const QStringList lines = MemoItemLines(cursor);
            for (qsizetype k = 0; k < lines.size() && k < 12; ++k) s.SumLabels[2 + k][p] = lines[k];
        });
    for (int t = 1; t <= 5; ++t)
        Silently([&] {
            if (!SeekIdent(cursor, 21008 + t)) return;
            const QString text = StringItem(cursor);
            if (!text.isEmpty()) s.HeaderTexts[t] = text;
        });
}

void LoadHtmlSetup(THTML &html, TDbDataSet &cursor, int textIdent, int parameterIdent) {
    const QString kTextField = QStringLiteral("HTML_TextPart");
    const QString kOtherField = QStringLiteral("HTML_OtherPart");
    Silently([&] {
        if (textIdent > 0) {
            if (SeekIdent(cursor, textIdent)) html.TextPart = MemoItemLines(cursor);
        } else if (cursor.FindField(kTextField)) {
            html.TextPart = cursor.FieldByName(kTextField)->AsString().split(QStringLiteral("\r\n"));
        }
    });
    html.Factor1 = html.Factor2 = 0;
    html.Switch1 = html.Switch2 = html.Switch3 = false;
    html.Mode = 0;
    Silently([&] {
        QStringList lines;
        if (parameterIdent > 0) {
            if (!SeekIdent(cursor, parameterIdent)) return;
            lines = MemoItemLines(cursor);
        } else if (cursor.FindField(kOtherField)) {
            lines = cursor.FieldByName(kOtherField)->AsString().split(QStringLiteral("\r\n"));
        }
        PadLines(lines, 6);
        html.Factor1 = TextToFloatOrZero(lines[0]);
        if (html.Factor1 == 0) html.Factor1 = 1.0;
        html.Factor2 = TextToFloatOrZero(lines[1]);
        if (html.Factor2 == 0) html.Factor2 = 1.0;
        html.Switch1 = lines[2] == QStringLiteral("1");
        html.Switch2 = lines[3] == QStringLiteral("1");
        html.Switch3 = lines[4] == QStringLiteral("1");
        html.Mode = TryStrToInt(lines[5]).value_or(2);
    });
}

void ResetLabelBounds(TlbBoundsA &bounds) {
    bounds.Bounds1 = {20, 20, 150, QStringLiteral("ARIAL"), 24, 8421504};
    bounds.Bounds2 = {20, 20, 150, QStringLiteral("ARIAL"), 8, 8421504};
}

void LoadLabelBounds(TlbBoundsA &bounds, const QStringList &source) {
    ResetLabelBounds(bounds);
    Silently([&] {
        QStringList lines = source;
        PadLines(lines, 12);
        auto fill = [&](TlbBounds &b, int first, int fontSize) {
            b.Left = TryStrToInt(lines[first]).value_or(20);
            b.Top = TryStrToInt(lines[first + 1]).value_or(20);
            b.Width = TryStrToInt(lines[first + 2]).value_or(150);
            b.FontName = lines[first + 3].isEmpty() ? QStringLiteral("ARIAL") : lines[first + 3];
            b.FontSize = TryStrToInt(lines[first + 4]).value_or(fontSize);
            b.FontColor = TryStrToInt(lines[first + 5]).value_or(8421504);
        };
        fill(bounds.Bounds1, 0, 24);
        fill(bounds.Bounds2, 6, 8);
    });
}

void LoadUpperLowerPart(TUpperLowerPartField &field, const QString &source) {
    const QString text = PadRight(source, 4, u' ');
    auto part = [&](int i) {
        const int v = DigitOr(text[i], 0);
        return quint8(v > 2 ? 0 : v);
    };
    field.Part1 = part(0);
    field.Part2 = part(1);
    field.Part3 = part(2);
    field.Enabled = text[3] == u'1';
}

void ResetUserFieldsOrder() {
    TUserFieldsOrder &order = UserFieldsOrder();
    order = TUserFieldsOrder();
    for (int f = 1; f <= 10; ++f) {
        order.Captions[f] = QStringLiteral("INFO%1").arg(f);
        order.Modes[f] = f <= 5 ? 1 : 0;
        order.Widths[f] = -1;
        for (int r = 0; r < 14; ++r) order.Visible[r][f] = true;
    }
}

void SelectSlot(const TSettings &s) {
    SelectedSlotIndex() = 21;
    for (int k = 0; k < 10; ++k)
        if (s.ExtraTextSlots[k].Mode == 2) {
            SelectedSlotIndex() = quint8(k);
            return;
        }
}

void LoadCurrencyValues(TSettings &s, TDbDataSet &cursor) {
    SetIdent949Value(s, 0);
    SetIdent950Value(s, 0);
    s.Loaded949Value = s.Loaded950Value = 0;
    if (!PrepareSettingsTable(s, cursor)) return;
    Silently([&] {
        if (!SeekIdent(cursor, 949)) return;
        SetIdent949Value(s, ReadIdentFloat(cursor));
        s.Loaded949Value = s.Ident949Value;
    });
    Silently([&] {
        if (!SeekIdent(cursor, 950)) return;
        SetIdent950Value(s, ReadIdentFloat(cursor));
        s.Loaded950Value = s.Ident950Value;
    });
}

void SortSettingLines(QStringList &lines) {
    auto upper = [](QChar c) { return c >= u'a' && c <= u'z' ? QChar(c.unicode() - 32) : c; };
    std::sort(lines.begin(), lines.end(), [&](const QString &a, const QString &b) {
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            const QChar x = upper(a[i]), y = upper(b[i]);
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    });
}

namespace {

void ReportLoadFailure(const QString &message) {
    ShowSettingsMessage(QStringLiteral("<B>Möglicher Fehler in der Datenbank:<BR></B>") + message +
                        QStringLiteral("<BR>Führen Sie das Datenbankdienstprogramm aus."));
}

}  // namespace

void LoadSettings(TSettings &s, TDbDataSet &cursor) {
    s.SettingsTable = &cursor;                         // 1
    if (!PrepareSettingsTable(s, cursor)) return;      // 2
    ResetReminderDefaults(s);                          // 3
    const int decimalsMode = DecimalsMode();           // 4
    DecimalsMode() = 0;
    try {
        LoadGuarded(s, cursor);
    } catch (const Exception &e) {  // 55
        ReportLoadFailure(e.message());
    } catch (const std::exception &e) {
        ReportLoadFailure(QString::fromUtf8(e.what()));
    }
    DecimalsMode() = decimalsMode;  // 56
    // 57
    PadLines(s.PaymentTexts, 69);
    if (s.AddressGroupNames.isEmpty()) s.AddressGroupNames = {QStringLiteral("Interessenten"), QStringLiteral("Kunden")};
    PadLines(s.DiscountTexts, 5);
    // 58
    for (int i = 1; i <= 3; ++i) SIClipBrdSetup().ArticleFieldNames[i] = s.ArticleFieldNames[i];
    SIHelperSetup().LabelBounds = s.LabelBounds;
    PublishedSwitches().Ident218Value = s.Ident218Value;
    PublishedSwitches().Ident12013Value = s.Ident12013Value;
    PublishedSwitches().Ident12011Flags = s.Ident12011Flags;
}
