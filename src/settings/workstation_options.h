// Per-installation options from WELDU.INI beside the executable, and the
// printer and folder values they publish for other programs of the suite.
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>

using TColor = uint32_t;

// Colour names such as "clBlack" or numbers ("$00FFFAEA", decimal) to
// colours and back. An unknown name raises EConvertError.
TColor StringToColor(const QString &text);
QString ColorToString(TColor color);

struct TDefaultFont {
    QString Name = QStringLiteral("ARIAL");
    int Size = 10;
    quint8 Style = 0;  // bit 0 bold, bit 1 italic, bit 2 underline
    TColor Color = 0;
};
void ResetDefaultFont(TDefaultFont &font);

inline constexpr int kCopiesCount = 14;

struct TUserPrinterDef {
    QString PdfFolder;
    bool mailMAPI = false;
    QString mailMAPI_Index;
    int mailMAPI_Kind = 0;
    QString mailMAPI_Profil;
    QString mailMAPI_ProfilePassword;
    int TimeColorsCount = 0;
    bool LayoutDataGridCanChange = false;
    quint8 DatagridHighWidth = 0;
    bool LayoutZZSKAfterSumme = false;
    bool SchedulerWakeup = false;
    double SchedulerDayTime = 0;  // fraction of a day
    bool DefaultExPage = false;
    bool NoneTaxUser = false;
    int InternMemoMaxCount = 0;
    QString CashGrayText;
    QString CashGrayTextPart;
    QString CashRechnungIdent;
    int ForceNewOrderAdressChanger = 0;
    int SoftReturn_MaxLines = 0;
    QChar SoftReturnChar;
    bool AdressSecondGray = false;
    int CanChangeCloseOrder = 0;
    bool InCludeAdressGroupSelector = false;
    bool InCludeNumbernSelector = false;
    bool InCludePartsNoSelector = false;
    quint8 SoundexLevels = 0;  // bit 0 level 1, bit 1 level 2, bit 2 level 3
    int DuplexType = 0;
    QString CopiesCaptions[kCopiesCount];
    int CopiesCounts[kCopiesCount] = {};
    QString DefaultPrinter;
    QString AttachFolder;
    QString DBIN;
    bool UsePrinterDialog = false;
    QString defaultprinterBinName2;
    QString BinFirstPrinterPage2_Name;
    QString BinSecondPrinterPage2_Name;
    QString SystemLanguageName;
    QString FaxPrinter;
    QString ScriptPrinter;
    QString QuoteAnswercontact;
    bool QuoteAutoAnswercontact = false;
    int QuoteCharCount = 0;
    QString QuoteAnswercontactVS;
    bool QuoteAutoAnswercontactVS = false;
    bool UseOnlySoundex = false;
    int sharpness = 0;
    int DoublecheckAdress_Sharpness = 0;
    int CopiesList = 0;
    bool ClickSound = false;
    quint8 PayInAutoIntern = 0;
    bool AutoHis = false;
    bool NewArtlager = false;
    quint8 UserFirstFocusControlOrder = 0;
    quint8 UserFirstFocusControlOrder_brief = 0;
    quint8 UserFontSizeDatagrid = 0;
    int DatagridSecondHeigth = 0;
    int DatagridHeigth = 0;
    int RTFHeigth = 0;
    TDefaultFont DefaultFont;
    TColor DefaultArtikelFontcolor = 0;
    TColor DefaultArtikelLagercolor = 0;
    bool UseDefaultFontByTextBlock = false;
    bool UseAutoInsertBriefanrede = false;
    bool UseAutoFormatBriefanrede = false;
    bool MessageAfterPrint = false;
    QString SUBJECT;
    QString DataGridGoNextColOrder;
    QString DataGridGoNextColPurchase;
    bool InsertDateByHTMLMail = false;
};

// What the settings object owns of the workstation options; held
// process-wide here until the settings object takes it over.
struct TWorkstationOptions {
    TUserPrinterDef PrinterDef;
};
TWorkstationOptions &WorkstationOptions();

// The printer and folder part of the helper record other programs read.
struct TSIHelperPrinterSetup {
    QString AttachFolder;
    QString PdfFolder;
    QString DefaultPrinter;
    QString DBIN;
    int DuplexType = 0;
    QString CopiesCaptions[kCopiesCount];
    int CopiesCounts[kCopiesCount] = {};
    QString FaxPrinter;
    bool UsePrinterDialog = false;
    QString defaultprinterBinName2;
    QString BinFirstPrinterPage2_Name;
    QString BinSecondPrinterPage2_Name;
    int CopiesList = 0;
};
TSIHelperPrinterSetup &SIHelperPrinterSetup();

// Write groups.
enum : quint8 {
    kOptionsScheduler = 1,
    kOptionsGeneral = 2,
    kOptionsMail = 4,
    kOptionsFolders = 8,
    kOptionsAddressFinder = 16,
};

// WELDU.INI in the given folder (default: the executable's folder).
QString WorkstationOptionsPath(const QString &folder = QString());

class TIniFile;
// The keys of the options file into `def`, in their reading order; raises at
// the first value that does not convert (a colour name that is no colour),
// which leaves that key and the ones after it as they were.
void ReadWorkstationOptions(TIniFile &ini, TUserPrinterDef &def);

void LoadWorkstationOptions(TUserPrinterDef &def, const QString &folder = QString());
inline void LoadWorkstationOptions() { LoadWorkstationOptions(WorkstationOptions().PrinterDef); }
// Raises when the file cannot be written.
void SaveWorkstationOptions(quint8 groups, TUserPrinterDef &def, const QString &folder = QString());
inline void SaveWorkstationOptions(quint8 groups) { SaveWorkstationOptions(groups, WorkstationOptions().PrinterDef); }
QString PdfFolder(TUserPrinterDef &def, const QString &folder = QString());
void PublishPrinterDef(bool reset, TUserPrinterDef &def, const QString &folder = QString());
QString DefaultPdfFolder();

// The [PDF] BackupDir rule: a trailing separator unless empty or already a
// folder end; a single drive letter gets ":\".
QString WithTrailingSeparator(const QString &path);
