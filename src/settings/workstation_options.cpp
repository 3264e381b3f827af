#include "workstation_options.h"

#include "currency_format.h"
#include "exceptions.h"
#include "format_settings.h"
#include "ini_file.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace {

struct TColorName {
    const char *name;
    TColor value;
};

// The names the forms and the skin file use, system colours included.
constexpr TColorName kColorNames[] = {
    {"clBlack", 0x000000},          {"clMaroon", 0x000080},
    {"clGreen", 0x008000},          {"clOlive", 0x008080},
    {"clNavy", 0x800000},           {"clPurple", 0x800080},
    {"clTeal", 0x808000},           {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},         {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},           {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},           {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},           {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},     {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},          {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", 0x8000000A}, {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C}, {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},      {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},  {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},     {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clHotLight", 0x8000001A},
    {"clInactiveBorder", 0x8000000B}, {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013}, {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},     {"clMenu", 0x80000004},
    {"clMenuBar", 0x8000001E},      {"clMenuHighlight", 0x8000001D},
    {"clMenuText", 0x80000007},     {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},      {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},  {"clWindowText", 0x80000008},
};

const QChar kNotSign(0x00AC);
const QChar kPilcrow(0x00B6);
const QString kCrLf = QStringLiteral("\r\n");
const QString kQuoteBreak = QStringLiteral("$$%%$$");
const QString kCaptionBreak = QStringLiteral("|");
constexpr double kNineOClock = 9.0 / 24.0;

int Clamp(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

QString Unquote(const QString &text) {
    if (text.size() > 2 && text.startsWith(u'"')) return text.mid(1, text.size() - 2);
    if (text == QStringLiteral("\"\"")) return QString();
    return text;
}

QString Quote(const QString &text) { return u'"' + text + u'"'; }

// A time of day "h:m" or "h:m:s" with the process time separator.
std::optional<double> TryStrToTime(const QString &text) {
    const QStringList parts = text.trimmed().split(FormatSettings().TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    int v[3] = {0, 0, 0};
    const int limits[3] = {23, 59, 59};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || v[i] < 0 || v[i] > limits[i]) return std::nullopt;
    }
    return (v[0] * 3600 + v[1] * 60 + v[2]) / 86400.0;
}

QString StyleText(quint8 style) {
    QString s;
    if (style & 1) s += QStringLiteral("fsbold ");
    if (style & 2) s += QStringLiteral("fsitalic ");
    if (style & 4) s += QStringLiteral("fsunderline ");
    return s;
}

QString CaptionKey(int i) { return QStringLiteral("Copies_Caption_op%1").arg(i); }
QString CountKey(int i) { return QStringLiteral("Copies_Count_op%1").arg(i); }

void ResetPrinterDef(TUserPrinterDef &d, const QString &folder) {
    d.mailMAPI = false;
    d.mailMAPI_Index.clear();
    d.mailMAPI_Profil.clear();
    d.mailMAPI_ProfilePassword.clear();
    d.mailMAPI_Kind = 0;
    d.DuplexType = 0;
    for (int i = 0; i < kCopiesCount; ++i) {
        d.CopiesCaptions[i].clear();
        d.CopiesCounts[i] = 1;
    }
    d.DefaultPrinter.clear();
    d.FaxPrinter.clear();
    d.ScriptPrinter.clear();
    d.QuoteAnswercontact = QStringLiteral("------------- Ihre Nachricht ---------------");
    d.QuoteAutoAnswercontact = true;
    d.QuoteCharCount = 80;
    d.QuoteAnswercontactVS = QStringLiteral("---- Antwort vom  ----");
    d.QuoteAutoAnswercontactVS = true;
    d.CanChangeCloseOrder = 100;
    d.AdressSecondGray = false;
    d.InCludeAdressGroupSelector = true;
    d.InCludeNumbernSelector = true;
    d.InCludePartsNoSelector = false;
    d.LayoutDataGridCanChange = false;
    d.DatagridHighWidth = 1;
    d.DataGridGoNextColOrder = QStringLiteral("Bezeichnung1");
    d.DataGridGoNextColPurchase = QStringLiteral("Bezeichnung1");
    d.LayoutZZSKAfterSumme = true;
    d.DefaultExPage = false;
    d.NoneTaxUser = false;
    d.InternMemoMaxCount = 20;
    d.TimeColorsCount = 99;
    d.SchedulerDayTime = kNineOClock;
    d.SchedulerWakeup = true;
    d.ForceNewOrderAdressChanger = 0;
    d.SoftReturn_MaxLines = 10;
    d.SoftReturnChar = kNotSign;
    d.CopiesList = 1;
    d.CashGrayText = QStringLiteral("Rechnung wurde bezahlt.");
    d.CashGrayTextPart = QStringLiteral("Noch offener Betrag: [OPEN] , gezahlt: [IN]");
    d.CashRechnungIdent = QStringLiteral("BAR");
    d.UseOnlySoundex = true;
    d.sharpness = 70;
    d.DoublecheckAdress_Sharpness = 66;
    d.SoundexLevels = 7;
    d.DatagridSecondHeigth = 60;
    d.UserFontSizeDatagrid = 0;
    d.DatagridHeigth = 600;
    d.RTFHeigth = 100;
    d.UserFirstFocusControlOrder = 5;
    d.UserFirstFocusControlOrder_brief = 4;
    d.ClickSound = false;
    d.PayInAutoIntern = 0;
    d.AutoHis = false;
    d.NewArtlager = true;
    d.SUBJECT = QStringLiteral("INFO");
    d.InsertDateByHTMLMail = true;
    ResetDefaultFont(d.DefaultFont);
    d.DefaultArtikelFontcolor = 65480;
    d.DefaultArtikelLagercolor = 8422504;
    d.UseDefaultFontByTextBlock = false;
    d.UseAutoInsertBriefanrede = false;
    d.UseAutoFormatBriefanrede = true;
    d.MessageAfterPrint = false;
    d.AttachFolder.clear();
    d.PdfFolder.clear();
    PublishPrinterDef(true, d, folder);
    d.DBIN.clear();
    d.defaultprinterBinName2.clear();
    d.BinFirstPrinterPage2_Name.clear();
    d.BinSecondPrinterPage2_Name.clear();
    d.UsePrinterDialog = false;
}

} // namespace

void ReadWorkstationOptions(TIniFile &ini, TUserPrinterDef &d) {
    const QString V = QStringLiteral("Value");
    auto S = [&](const char *sec, const char *key, const QString &def) {
        return ini.ReadString(QString::fromLatin1(sec), QString::fromLatin1(key), def);
    };
    auto I = [&](const char *sec, const char *key, int def) {
        return ini.ReadInteger(QString::fromLatin1(sec), QString::fromLatin1(key), def);
    };
    auto B = [&](const char *sec, const char *key, bool def) {
        return ini.ReadBool(QString::fromLatin1(sec), QString::fromLatin1(key), def);
    };
    auto IV = [&](const char *sec, int def) { return ini.ReadInteger(QString::fromLatin1(sec), V, def); };
    auto BV = [&](const char *sec, bool def) { return ini.ReadBool(QString::fromLatin1(sec), V, def); };
    auto SV = [&](const char *sec, const QString &def) { return ini.ReadString(QString::fromLatin1(sec), V, def); };
    const QString printers = QStringLiteral("PRINTERS");

    d.mailMAPI = B("MAIL", "mailMAPI", false);
    d.mailMAPI_Index = S("MAIL", "mailMAPI_Index", {});
    d.mailMAPI_Kind = I("MAIL", "mailMAPI_Kind", 0);
    d.mailMAPI_Profil = S("MAIL", "mailMAPI_Profil", {});
    d.mailMAPI_ProfilePassword = S("MAIL", "mailMAPI_ProfilePassword", {});
    d.DuplexType = I("PRINTERS", "DuplexType", 0);
    for (int i = 0; i < kCopiesCount; ++i) {
        d.CopiesCaptions[i] = ini.ReadString(printers, CaptionKey(i), {}).replace(kCaptionBreak, kCrLf);
        d.CopiesCounts[i] = Clamp(ini.ReadInteger(printers, CountKey(i), 1), 1, 99);
    }
    d.DefaultPrinter = S("PRINTERS", "DEFAULT", {});
    d.FaxPrinter = S("PRINTERS", "FAX", {});
    d.ScriptPrinter = S("PRINTERS", "SCRIPT", {});
    d.QuoteAnswercontact = SV("QuoteAnswercontact", {}).replace(kQuoteBreak, kCrLf);
    d.QuoteAutoAnswercontact = BV("QuoteAutoAnswercontact", false);
    d.QuoteAnswercontactVS = SV("QuoteAnswercontactVS", {}).replace(kQuoteBreak, kCrLf);
    d.QuoteAutoAnswercontactVS = BV("QuoteAutoAnswercontactVS", false);
    d.CanChangeCloseOrder = Clamp(IV("CanChangeCloseOrder", 100), 0, 5000);
    d.InCludeNumbernSelector = BV("InCludeNumbernSelector", d.InCludeNumbernSelector);
    d.InCludePartsNoSelector = BV("InCludePartsNoSelector", d.InCludePartsNoSelector);
    d.InCludeAdressGroupSelector = BV("InCludeAdressGroupSelector", d.InCludeAdressGroupSelector);
    d.AdressSecondGray = BV("AdressSecondGray", d.AdressSecondGray);
    d.LayoutDataGridCanChange = BV("LayoutDataGridCanChange", true);
    d.DataGridGoNextColOrder = SV("DataGridGoNextColOrder", d.DataGridGoNextColOrder);
    d.DataGridGoNextColPurchase = SV("DataGridGoNextColPurchase", d.DataGridGoNextColPurchase);
    if (const int v = IV("DatagridHighWidth", 1); v >= 0 && v <= 2) d.DatagridHighWidth = static_cast<quint8>(v);
    d.LayoutZZSKAfterSumme = BV("LayoutZZSKAfterSumme", d.LayoutZZSKAfterSumme);
    d.DefaultExPage = BV("DefaultExPage", false);
    d.NoneTaxUser = BV("NoneTaxUser", false);
    d.QuoteCharCount = IV("QuoteCharCount", 80);
    d.ForceNewOrderAdressChanger = IV("ForceNewOrderAdressChanger", 0);
    d.SoftReturn_MaxLines = IV("SoftReturn_MaxLines", 10);
    if (const int v = IV("Default_SoftReturn_Char", 0); v == 0)
        d.SoftReturnChar = kNotSign;
    else if (v == 1)
        d.SoftReturnChar = kPilcrow;
    d.CashGrayText = SV("CashGrayText", d.CashGrayText);
    d.CashGrayTextPart = SV("CashGrayTextPart", d.CashGrayTextPart);
    d.CashRechnungIdent = SV("CashRechnungIdent", QStringLiteral("BAR"));
    d.SchedulerDayTime = TryStrToTime(SV("SchedulerDayTime", TimeToStr(kNineOClock))).value_or(kNineOClock);
    d.SchedulerWakeup = BV("SchedulerWakeup", true);
    d.TimeColorsCount = Clamp(IV("TimeColorsCount", 99), 5, 99);
    d.InternMemoMaxCount = Clamp(IV("InternMemoMaxCount", 20), 20, 100);
    d.CopiesList = I("COPIES", "List", 1);
    d.UseOnlySoundex = B("ExAdressFinder", "UseOnlySoundex", true);
    d.sharpness = Clamp(I("ExAdressFinder", "sharpness", 70), 10, 100);
    d.DoublecheckAdress_Sharpness = I("DoublettenCheck", "DoublecheckAdress_Sharpness", 66);
    d.SoundexLevels = 0;
    if (B("SOUNDEX", "LEVEL1", true)) d.SoundexLevels |= 1;
    if (B("SOUNDEX", "LEVEL2", true)) d.SoundexLevels |= 2;
    if (B("SOUNDEX", "LEVEL3", true)) d.SoundexLevels |= 4;
    if (const int v = I("Datagrid", "UserFontSizeDatagrid", 1); v >= 0 && v <= 2)
        d.UserFontSizeDatagrid = static_cast<quint8>(v);
    if (const int v = I("OrderBrowser", "UserFirstFocusControlOrder", d.UserFirstFocusControlOrder); v >= 0 && v <= 5)
        d.UserFirstFocusControlOrder = static_cast<quint8>(v);
    if (const int v = I("OrderBrowser", "UserFirstFocusControlOrder_brief", d.UserFirstFocusControlOrder_brief);
        v >= 0 && v <= 5)
        d.UserFirstFocusControlOrder_brief = static_cast<quint8>(v);
    d.DatagridSecondHeigth = I("TABLESECONDLINE", "DatagridSecondHeigth", 60);
    d.DatagridHeigth = Clamp(I("Datagrid", "DatagridHeigth", 600), 300, 1200);
    d.RTFHeigth = Clamp(I("RTFX", "RTFHeigth", 100), 100, 600);
    d.DatagridSecondHeigth = Clamp(d.DatagridSecondHeigth, 30, 100);
    if (const int v = I("EXTRA", "PayInAutoIntern", 0); v >= 0 && v <= 2) d.PayInAutoIntern = static_cast<quint8>(v);
    d.ClickSound = B("EXTRA", "ClickSound", false);
    d.AutoHis = B("EXTRA", "AutoHis", false);
    d.NewArtlager = B("EXTRA", "NewArtlager", true);
    d.SUBJECT = S("CONTACTMAILSUBJECT", "SUBJECT", QStringLiteral("INFO"));
    d.InsertDateByHTMLMail = B("InsertDateByHTMLMail", "USE", true);
    d.AttachFolder = S("V41", "AttachFolder", {});
    d.PdfFolder = WithTrailingSeparator(S("PDF", "BackupDir", {}));
    d.DBIN = Unquote(S("V4", "DBIN", {}));
    d.UsePrinterDialog = B("V4", "UsePrinterDialog", false);
    d.defaultprinterBinName2 = Unquote(S("SECOND", "defaultprinterBinName2", {}));
    d.BinFirstPrinterPage2_Name = Unquote(S("SECOND", "BinFirstPrinterPage2_Name", {}));
    d.BinSecondPrinterPage2_Name = Unquote(S("SECOND", "BinSecondPrinterPage2_Name", {}));
    d.DefaultFont.Name = S("EF", "DefaultFontRTF_Name", QStringLiteral("ARIAL"));
    d.DefaultFont.Size = I("EF", "DefaultFontRTF_Size", 10);
    const QString style = S("EF", "DefaultFontRTF_style", {});
    d.DefaultFont.Style = (style.contains(QStringLiteral("fsbold")) ? 1 : 0) |
                          (style.contains(QStringLiteral("fsitalic")) ? 2 : 0) |
                          (style.contains(QStringLiteral("fsunderline")) ? 4 : 0);
    d.DefaultFont.Color = StringToColor(S("EF", "DefaultFontRTF_color", QStringLiteral("clBlack")));
    const TColor font = StringToColor(S("EF", "DefaultArtikelFontcolor", QStringLiteral("clBlack")));
    d.DefaultArtikelFontcolor = font == 0 ? 128 : font;
    const TColor stock = StringToColor(S("EF", "DefaultArtikelLagercolor", QStringLiteral("clBlack")));
    d.DefaultArtikelLagercolor = stock == 0 ? 16775914 : stock;
    d.UseDefaultFontByTextBlock = B("EF", "UseDefaultFontByTextBlock", false);
    d.UseAutoInsertBriefanrede = B("EF", "UseAutoInsertBriefanrede", false);
    d.UseAutoFormatBriefanrede = B("EF", "UseAutoFormatBriefanrede", true);
    d.MessageAfterPrint = B("EF", "MessageAfterPrint", false);
}

namespace {

void WriteGeneral(TIniFile &ini, TUserPrinterDef &d) {
    const QString V = QStringLiteral("Value");
    auto S = [&](const char *sec, const char *key, const QString &v) {
        ini.WriteString(QString::fromLatin1(sec), QString::fromLatin1(key), v);
    };
    auto I = [&](const char *sec, const char *key, int v) {
        ini.WriteInteger(QString::fromLatin1(sec), QString::fromLatin1(key), v);
    };
    auto B = [&](const char *sec, const char *key, bool v) {
        ini.WriteBool(QString::fromLatin1(sec), QString::fromLatin1(key), v);
    };
    auto SV = [&](const char *sec, const QString &v) { ini.WriteString(QString::fromLatin1(sec), V, v); };
    auto IV = [&](const char *sec, int v) { ini.WriteInteger(QString::fromLatin1(sec), V, v); };
    auto BV = [&](const char *sec, bool v) { ini.WriteBool(QString::fromLatin1(sec), V, v); };
    const QString printers = QStringLiteral("PRINTERS");

    I("DoublettenCheck", "DoublecheckAdress_Sharpness", d.DoublecheckAdress_Sharpness);
    for (int i = 0; i < kCopiesCount; ++i) {
        ini.WriteString(printers, CaptionKey(i), QString(d.CopiesCaptions[i]).replace(kCrLf, kCaptionBreak));
        ini.WriteInteger(printers, CountKey(i), d.CopiesCounts[i]);
    }
    I("PRINTERS", "DuplexType", d.DuplexType);
    S("PRINTERS", "DEFAULT", d.DefaultPrinter);
    S("PRINTERS", "FAX", d.FaxPrinter);
    S("PRINTERS", "SCRIPT", d.ScriptPrinter);
    SV("QuoteAnswercontact", QString(d.QuoteAnswercontact).replace(kCrLf, kQuoteBreak));
    BV("QuoteAutoAnswercontact", d.QuoteAutoAnswercontact);
    SV("QuoteAnswercontactVS", QString(d.QuoteAnswercontactVS).replace(kCrLf, kQuoteBreak));
    BV("QuoteAutoAnswercontactVS", d.QuoteAutoAnswercontactVS);
    BV("LayoutDataGridCanChange", d.LayoutDataGridCanChange);
    SV("DataGridGoNextColOrder", d.DataGridGoNextColOrder);
    SV("DataGridGoNextColPurchase", d.DataGridGoNextColPurchase);
    IV("DatagridHighWidth", d.DatagridHighWidth);
    BV("InCludeAdressGroupSelector", d.InCludeAdressGroupSelector);
    BV("InCludeNumbernSelector", d.InCludeNumbernSelector);
    BV("InCludePartsNoSelector", d.InCludePartsNoSelector);
    BV("LayoutZZSKAfterSumme", d.LayoutZZSKAfterSumme);
    BV("AdressSecondGray", d.AdressSecondGray);
    d.CanChangeCloseOrder = Clamp(d.CanChangeCloseOrder, 0, 5000);
    IV("CanChangeCloseOrder", d.CanChangeCloseOrder);
    BV("DefaultExPage", d.DefaultExPage);
    BV("NoneTaxUser", d.NoneTaxUser);
    IV("QuoteCharCount", d.QuoteCharCount);
    IV("TimeColorsCount", d.TimeColorsCount);
    IV("InternMemoMaxCount", d.InternMemoMaxCount);
    IV("ForceNewOrderAdressChanger", d.ForceNewOrderAdressChanger);
    IV("SoftReturn_MaxLines", d.SoftReturn_MaxLines);
    IV("Default_SoftReturn_Char", d.SoftReturnChar == kNotSign ? 0 : 1);
    SV("CashGrayText", d.CashGrayText);
    SV("CashGrayTextPart", d.CashGrayTextPart);
    SV("CashRechnungIdent", d.CashRechnungIdent);
    I("COPIES", "List", d.CopiesList);
    B("SOUNDEX", "LEVEL1", d.SoundexLevels & 1);
    B("SOUNDEX", "LEVEL2", d.SoundexLevels & 2);
    B("SOUNDEX", "LEVEL3", d.SoundexLevels & 4);
    I("Datagrid", "UserFontSizeDatagrid", d.UserFontSizeDatagrid);
    I("OrderBrowser", "UserFirstFocusControlOrder", d.UserFirstFocusControlOrder);
    I("OrderBrowser", "UserFirstFocusControlOrder_brief", d.UserFirstFocusControlOrder_brief);
    I("TABLESECONDLINE", "DatagridSecondHeigth", d.DatagridSecondHeigth);
    I("Datagrid", "DatagridHeigth", d.DatagridHeigth);
    I("RTFX", "RTFHeigth", d.RTFHeigth);
    B("EXTRA", "ClickSound", d.ClickSound);
    I("EXTRA", "PayInAutoIntern", d.PayInAutoIntern);
    B("EXTRA", "AutoHis", d.AutoHis);
    B("EXTRA", "NewArtlager", d.NewArtlager);
    S("CONTACTMAILSUBJECT", "SUBJECT", d.SUBJECT);
    B("InsertDateByHTMLMail", "USE", d.InsertDateByHTMLMail);
    S("V4", "DBIN", Quote(d.DBIN));
    B("V4", "UsePrinterDialog", d.UsePrinterDialog);
    S("SECOND", "defaultprinterBinName2", Quote(d.defaultprinterBinName2));
    S("SECOND", "BinFirstPrinterPage2_Name", Quote(d.BinFirstPrinterPage2_Name));
    S("SECOND", "BinSecondPrinterPage2_Name", Quote(d.BinSecondPrinterPage2_Name));
    S("EF", "DefaultFontRTF_Name", d.DefaultFont.Name);
    I("EF", "DefaultFontRTF_Size", d.DefaultFont.Size);
    S("EF", "DefaultFontRTF_style", StyleText(d.DefaultFont.Style));
    S("EF", "DefaultFontRTF_color", ColorToString(d.DefaultFont.Color));
    S("EF", "DefaultArtikelFontcolor", ColorToString(d.DefaultArtikelFontcolor));
    S("EF", "DefaultArtikelLagercolor", ColorToString(d.DefaultArtikelLagercolor));
    B("EF", "UseDefaultFontByTextBlock", d.UseDefaultFontByTextBlock);
    B("EF", "UseAutoInsertBriefanrede", d.UseAutoInsertBriefanrede);
    B("EF", "UseAutoFormatBriefanrede", d.UseAutoFormatBriefanrede);
    B("EF", "MessageAfterPrint", d.MessageAfterPrint);
}

// Set while PdfFolder writes its repair, so the publication that follows
// that write takes the folder text as it stands instead of checking again.
bool gRepairingPdfFolder = false;

} // namespace

TColor StringToColor(const QString &text) {
    for (const TColorName &c : kColorNames)
        if (text.compare(QLatin1StringView(c.name), Qt::CaseInsensitive) == 0) return c.value;
    if (const auto v = TryStrToInt(text)) return static_cast<TColor>(*v);
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

QString ColorToString(TColor color) {
    for (const TColorName &c : kColorNames)
        if (c.value == color) return QString::fromLatin1(c.name);
    return QStringLiteral("$%1").arg(color, 8, 16, QChar(u'0')).toUpper();
}

void ResetDefaultFont(TDefaultFont &font) { font = TDefaultFont(); }

TWorkstationOptions &WorkstationOptions() {
    static TWorkstationOptions options;
    return options;
}

TSIHelperPrinterSetup &SIHelperPrinterSetup() {
    static TSIHelperPrinterSetup setup;
    return setup;
}

QString WorkstationOptionsPath(const QString &folder) {
    return QDir(folder.isEmpty() ? ExecutableFolder() : folder).filePath(QStringLiteral("WELDU.INI"));
}

QString WithTrailingSeparator(const QString &path) {
    if (path.isEmpty() || path.endsWith(u':') || path.endsWith(u'\\') || path.endsWith(u'/')) return path;
    if (path.size() == 1 && path[0].toUpper() >= u'A' && path[0].toUpper() <= u'Z') return path + QStringLiteral(":\\");
    return path + u'/';
}

void LoadWorkstationOptions(TUserPrinterDef &def, const QString &folder) {
    ResetPrinterDef(def, folder);
    try {
        TIniFile ini(WorkstationOptionsPath(folder));
        def.SystemLanguageName = QLocale::system().nativeLanguageName().left(128);
        ReadWorkstationOptions(ini, def);
    } catch (...) {
        // What was read so far stays; no message.
    }
    PublishPrinterDef(false, def, folder);
}

void SaveWorkstationOptions(quint8 groups, TUserPrinterDef &d, const QString &folder) {
    {
        TIniFile ini(WorkstationOptionsPath(folder));
        if (groups & kOptionsMail) {
            const QString mail = QStringLiteral("MAIL");
            ini.WriteBool(mail, QStringLiteral("mailMAPI"), d.mailMAPI);
            ini.WriteString(mail, QStringLiteral("mailMAPI_Index"), d.mailMAPI_Index);
            ini.WriteString(mail, QStringLiteral("mailMAPI_Profil"), d.mailMAPI_Profil);
            ini.WriteString(mail, QStringLiteral("mailMAPI_ProfilePassword"), d.mailMAPI_ProfilePassword);
            ini.WriteInteger(mail, QStringLiteral("mailMAPI_Kind"), d.mailMAPI_Kind);
        }
        if (groups & kOptionsAddressFinder) {
            ini.WriteBool(QStringLiteral("ExAdressFinder"), QStringLiteral("UseOnlySoundex"), d.UseOnlySoundex);
            ini.WriteInteger(QStringLiteral("ExAdressFinder"), QStringLiteral("sharpness"), d.sharpness);
        }
        if (groups & kOptionsFolders) {
            ini.WriteString(QStringLiteral("V41"), QStringLiteral("AttachFolder"), d.AttachFolder);
            ini.WriteString(QStringLiteral("PDF"), QStringLiteral("BackupDir"), d.PdfFolder);
        }
        if (groups & kOptionsScheduler) {
            ini.WriteString(QStringLiteral("SchedulerDayTime"), QStringLiteral("Value"), TimeToStr(d.SchedulerDayTime));
            ini.WriteBool(QStringLiteral("SchedulerWakeup"), QStringLiteral("Value"), d.SchedulerWakeup);
        }
        if (groups & kOptionsGeneral) WriteGeneral(ini, d);
        ini.UpdateFile();
    }
    PublishPrinterDef(false, d, folder);
}

QString DefaultPdfFolder() {
    QString result = ExecutableFolder();
    // The folder of documents shared by all users is asked for with the
    // create flag: missing, it is created, and only a folder that cannot be
    // had leaves the executable's folder.
    const QString shared = QStandardPaths::writableLocation(QStandardPaths::PublicShareLocation);
    if (!shared.isEmpty() && QDir().mkpath(shared)) result = QDir(shared).filePath(QStringLiteral("PDF-Dateien")) + u'/';
    QDir().mkpath(result);
    return result;
}

QString PdfFolder(TUserPrinterDef &def, const QString &folder) {
    if (!def.PdfFolder.isEmpty() && QDir(def.PdfFolder).exists()) return def.PdfFolder;
    if (!def.PdfFolder.isEmpty()) QDir().mkdir(def.PdfFolder);
    if (def.PdfFolder.isEmpty() || !QDir(def.PdfFolder).exists()) def.PdfFolder = DefaultPdfFolder();
    if (!QDir(def.PdfFolder).exists()) QDir().mkdir(def.PdfFolder);
    gRepairingPdfFolder = true;
    try {
        SaveWorkstationOptions(kOptionsFolders, def, folder);
    } catch (...) {
        gRepairingPdfFolder = false;
        throw;
    }
    gRepairingPdfFolder = false;
    return def.PdfFolder;
}

void PublishPrinterDef(bool reset, TUserPrinterDef &def, const QString &folder) {
    TSIHelperPrinterSetup &h = SIHelperPrinterSetup();
    if (reset) {
        h = TSIHelperPrinterSetup();
        std::fill(std::begin(h.CopiesCounts), std::end(h.CopiesCounts), 1);
        h.UsePrinterDialog = true;
        h.CopiesList = 1;
        return;
    }
    h.AttachFolder = def.AttachFolder;
    h.PdfFolder = gRepairingPdfFolder ? def.PdfFolder : PdfFolder(def, folder);
    h.DefaultPrinter = def.DefaultPrinter;
    h.DBIN = def.DBIN;
    h.DuplexType = def.DuplexType;
    std::copy(std::begin(def.CopiesCaptions), std::end(def.CopiesCaptions), std::begin(h.CopiesCaptions));
    std::copy(std::begin(def.CopiesCounts), std::end(def.CopiesCounts), std::begin(h.CopiesCounts));
    h.FaxPrinter = def.FaxPrinter;
    h.UsePrinterDialog = def.UsePrinterDialog;
    h.defaultprinterBinName2 = def.defaultprinterBinName2;
    h.BinFirstPrinterPage2_Name = def.BinFirstPrinterPage2_Name;
    h.BinSecondPrinterPage2_Name = def.BinSecondPrinterPage2_Name;
    h.CopiesList = def.CopiesList;
}
