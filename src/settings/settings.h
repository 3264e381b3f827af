// The suite's settings as one process-wide object, filled from setup.TBL.
// Every program of the suite reads its settings from this object rather
// than from the table, so the members and their creation values are part of
// the suite's contract even where this tool reads none of them.
#pragma once

#include "auto_actions.h"
#include "currency_format.h"
#include "parts_groups.h"
#include "setting_streams.h"
#include "value_table.h"
#include "workstation_options.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TDbDataSet;

// The settings code must not depend on widgets; the application routes its
// messages to the message box.
using TSettingsMessageHook = std::function<void(const QString &text)>;
TSettingsMessageHook &SettingsMessageHook();
void ShowSettingsMessage(const QString &text);

class THTML {
public:
    double Factor1 = 0;
    double Factor2 = 0;
    bool Switch1 = false;
    bool Switch2 = false;
    bool Switch3 = false;
    int Mode = 2;
    QStringList TextPart;
};

struct TlbBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    QString FontName;
    int FontSize = 0;
    int FontColor = 0;
};

struct TlbBoundsA {
    QString Caption1;
    QString Caption2;
    TlbBounds Bounds1;
    TlbBounds Bounds2;
};

class TUpperLowerPartField {
public:
    bool Enabled = false;
    quint8 Part1 = 0;
    quint8 Part2 = 0;
    quint8 Part3 = 0;
};

struct TExtraTextSlot {
    quint8 SlotNumberHigh = 0;
    quint8 SlotNumber = 0;
    QString Text;
    quint8 Mode = 0;
};

struct TPoint {
    int X = 0;
    int Y = 0;
};

// Arrays are indexed from 1 as the suite counts fields and rows; index 0 is
// unused (rows of Visible count from 0).
struct TUserFieldsOrder {
    QString Captions[11];
    QString Values[11];
    quint8 Modes[11] = {};
    quint8 Extra[11] = {};
    TPoint Positions[11];
    bool Visible[14][11] = {};
    int Widths[11] = {};
};

enum : quint8 { kSwitch12011First = 1, kSwitch12011Second = 2 };

class TSettings {
public:
    TSettings();
    ~TSettings();
    TSettings(const TSettings &) = delete;
    TSettings &operator=(const TSettings &) = delete;

    double Ident949Value = 0;
    double Ident950Value = 0;
    quint8 Ident216Value = 0;
    int DisplayDecimals = 0;
    TDbDataSet *SettingsTable = nullptr;
    bool Ident1530Flags[7] = {};  // 1-6
    bool SpareSwitch1 = false;
    std::unique_ptr<THTML> HtmlSetup;
    quint8 Ident23001Value = 0;
    quint8 Ident23002Value = 0;
    quint8 Ident23003Value = 0;
    QString ConnectPath;
    QString DatabaseName;
    std::unique_ptr<TVSOBJ> VSTable;
    quint8 Ident903Value = 0;
    QString FreeTypeNames[6];  // 1-5
    QStringList DocumentKindChoices;
    quint8 Ident250Value = 0;
    int Ident76Value = 0;
    quint8 Ident10000Value = 0;
    qint16 Ident4999Value = 0;
    QString ReminderText;
    quint8 Ident4996Value = 0;
    qint16 Ident4998Value = 30;
    qint16 Ident5000Value = 10;
    qint16 Ident5001Value = 30;
    qint16 Ident5002Value = 50;
    double Ident5021Value = 20.0;
    quint8 Ident5022Value = 0;
    quint8 Ident5025Value = 0;
    quint8 Ident5026Value = 0;
    quint8 Ident5023Value = 1;
    double Ident5024Date = 0;
    std::unique_ptr<TMemoryStream> Stream8101;
    std::unique_ptr<TMemoryStream> Stream8102;
    std::unique_ptr<TMemoryStream> Stream8103;
    QString Ident8201Text;
    QString Ident8202Text;
    QString Ident8203Text;
    QString Ident16000Text;
    QStringList Lines16001;
    QStringList Lines16002;
    QStringList Lines16010;
    QStringList PriorityNames;
    QStringList Lines16046;
    bool Ident4000Flag = false;
    quint8 Ident1400Value = 0;
    quint8 Ident1401Value = 0;
    quint8 Ident1402Value = 0;
    quint8 Ident16003Value = 0;
    std::unique_ptr<TPartsGroup> PartsGroups;
    TlbBoundsA LabelBounds;
    bool Ident951Flag = false;
    quint8 Ident12000Value = 0;
    quint8 Ident12010Value = 0;
    quint8 Ident12011Flags = 0;  // kSwitch12011First | kSwitch12011Second
    quint8 Ident12013Value = 0;
    quint8 Ident12014Value = 0;
    QString Ident212Text;
    int Ident51004Value = -1;
    int Default_ZZDays = 14;
    int Default_SkontoDay = 5;
    double Default_SkontoProz = 2.0;
    int Ident51008Value = 0;
    quint8 Ident51009Value = 0;
    QString Ident51003Text;
    QString Ident51002Text;
    QString Ident51000Text;
    QString Ident51001Text;
    quint8 Ident213Value = 0;
    quint8 Ident214Value = 1;
    quint8 Ident9214Value = 1;
    quint8 Ident215Value = 0;
    quint8 Ident218Value = 0;
    qint16 Ident13030First = 0;
    quint8 Ident13030Second = 0;
    QString Ident15004Text;
    int Ident15000Value = 0;
    QString Ident15001Text;
    QString NumberPrefix;
    QString NumberMask;
    QString NumberSuffix;
    QString NumberCounter;
    std::unique_ptr<TUserPrinterDef> PrinterDef;
    double Loaded949Value = 0;
    double Loaded950Value = 0;
    QStringList Lines920;
    QStringList Lines920Keys;
    QStringList Lines1500;
    QStringList Lines384;
    QStringList Lines1510;
    QStringList Lines1502;
    QStringList SalutationLines;
    QStringList Lines1505;
    QStringList AddressGroupNames;
    std::unique_ptr<TAlterCurrencyInfo> SecondCurrency;
    QString SumLabels[14][9];  // [document kind 1-13][position 1-8]
    QString HeaderTexts[6];    // 1-5
    QStringList DiscountTexts;
    QStringList PaymentTexts;
    QStringList AvailabilityTexts;
    QStringList Lines12019;
    QString ArticleFieldNames[4];  // 1-3
    QStringList Lines1509;
    std::unique_ptr<TAutoActionItems> AutoActions;
    quint8 Ident13031Value = 1;
    TExtraTextSlot ExtraTextSlots[10];
    bool SpareSwitch2 = false;
    bool Ident301Flag = true;
    bool Ident302Flag = true;
    std::unique_ptr<TUpperLowerPartField> UpperLowerPart;
};

// The process-wide instance, created on first use and freed at process end.
TSettings &GetSettings();
void SetConnectPath(TSettings &settings, const QString &path);

void SetIdent949Value(TSettings &settings, double value);
void SetIdent950Value(TSettings &settings, double value);
void SetIdent216Value(TSettings &settings, quint8 value);
void SetDisplayDecimals(TSettings &settings, int value);
QString DisplayDecimalsFormat(const TSettings &settings);
void ResetDocumentKindChoices(TSettings &settings, bool keepExisting);
void ResetReminderDefaults(TSettings &settings);
void NormalizeNumberingPattern(TSettings &settings);

// Reading one setting. These leave the cursor's errors to the caller, which
// decides per Ident whether a damaged record is skipped or ends the load.
bool SeekIdent(TDbDataSet &cursor, int ident);
QString StringItem(TDbDataSet &cursor);
bool ReadIdentText(TDbDataSet &cursor, int ident, const QString &defaultText, QString &text);
bool ReadIdentLines(TDbDataSet &cursor, int ident, QStringList &lines, bool clearIfMissing);
// The current record's memo as lines; a final line break adds no line.
QStringList MemoItemLines(TDbDataSet &cursor);
// Found: the record's integer, or the fallback when its text is no integer.
// Missing: the value stays.
bool ReadIdentInt(TDbDataSet &cursor, int ident, qint32 fallback, qint32 &value);
double ReadIdentFloat(TDbDataSet &cursor);
bool IdentIsOne(TDbDataSet &cursor);
bool PrepareSettingsTable(TSettings &settings, TDbDataSet &cursor);

QString NormalizeDecimalText(const QString &text);
QString DatabaseNameFromPath(const QString &path);
QString SanitizeName(const QString &text);

// Publication points for the suite's other programs; nothing in this tool
// reads them back.
struct TSIHelperSetup {
    QString ConnectPath;
    QString DatabaseName;
    TlbBoundsA LabelBounds;
};
TSIHelperSetup &SIHelperSetup();

struct TSIClipBrdSetup {
    double Ident950Value = 0;
    double Ident949Value = 0;
    QString Unused;
    QString DisplayPattern;
    QString ArticleFieldNames[4];  // 1-3
};
TSIClipBrdSetup &SIClipBrdSetup();

QString &CurrentDatabaseName();
TUserFieldsOrder &UserFieldsOrder();
QString (&FreeFieldNames())[6];  // 1-5
quint8 &SelectedSlotIndex();

struct TPublishedSwitches {
    quint8 Ident218Value = 0;
    quint8 Ident12013Value = 2;
    quint8 Ident12011Flags = kSwitch12011First | kSwitch12011Second;
};
TPublishedSwitches &PublishedSwitches();
