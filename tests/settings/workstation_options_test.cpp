#include "ini_file.h"
#include "workstation_options.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Points the machine's shared documents folder at a temporary folder, so the
// default PDF folder is created there and not in the user's home.
class WorkstationOptions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        hadConfig_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        QDir(dir_.path()).mkpath(QStringLiteral("config"));
        QDir(dir_.path()).mkpath(QStringLiteral("shared"));
        QDir(dir_.path()).mkpath(QStringLiteral("app"));
        QDir(dir_.path()).mkpath(QStringLiteral("pdf"));
        WriteBytes(dir_.filePath(QStringLiteral("config/user-dirs.dirs")),
                   "XDG_PUBLICSHARE_DIR=\"" + dir_.filePath(QStringLiteral("shared")).toUtf8() + "\"\n");
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
    }
    void TearDown() override {
        if (hadConfig_)
            qputenv("XDG_CONFIG_HOME", savedConfig_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString App() const { return dir_.filePath(QStringLiteral("app")); }
    QString Ini() const { return dir_.filePath(QStringLiteral("app/WELDU.INI")); }
    QString Pdf() const { return dir_.filePath(QStringLiteral("pdf")) + u'/'; }
    QString SharedPdf() const { return dir_.filePath(QStringLiteral("shared/PDF-Dateien")) + u'/'; }
    TUserPrinterDef Load(const QByteArray &ini) {
        WriteBytes(Ini(), ini);
        TUserPrinterDef def;
        LoadWorkstationOptions(def, App());
        return def;
    }

    QTemporaryDir dir_;
    QByteArray savedConfig_;
    bool hadConfig_ = false;
};

}  // namespace

TEST_F(WorkstationOptions, WithoutFileTheDefaultsHoldAndThePdfFolderIsRepaired) {
    TUserPrinterDef def;
    LoadWorkstationOptions(def, App());
    EXPECT_EQ(def.QuoteAnswercontact, QString());
    EXPECT_EQ(def.QuoteAnswercontactVS, QString());
    EXPECT_EQ(def.CashRechnungIdent, QStringLiteral("BAR"));
    EXPECT_EQ(def.CashGrayText, QStringLiteral("Rechnung wurde bezahlt."));
    EXPECT_EQ(def.DefaultArtikelFontcolor, 128u);
    EXPECT_EQ(def.DefaultArtikelLagercolor, 16775914u);
    EXPECT_EQ(def.UserFontSizeDatagrid, 1);
    EXPECT_DOUBLE_EQ(def.SchedulerDayTime, 9.0 / 24.0);
    EXPECT_EQ(def.SoftReturnChar, QChar(0x00AC));
    EXPECT_EQ(def.SoundexLevels, 7);
    EXPECT_TRUE(def.LayoutDataGridCanChange);
    EXPECT_FALSE(def.UsePrinterDialog);
    EXPECT_EQ(def.DefaultFont.Name, QStringLiteral("ARIAL"));
    EXPECT_EQ(def.DefaultFont.Color, 0u);
    EXPECT_EQ(def.PdfFolder, SharedPdf());
    EXPECT_TRUE(QDir(SharedPdf()).exists());
    EXPECT_EQ(SIHelperPrinterSetup().PdfFolder, SharedPdf());
    EXPECT_EQ(ReadBytes(Ini()), "[V41]\r\nAttachFolder=\r\n[PDF]\r\nBackupDir=" + SharedPdf().toUtf8() + "\r\n");
}

TEST_F(WorkstationOptions, ValuesAreConvertedAndKeptInRange) {
    const QByteArray ini = "[PRINTERS]\r\n"
                           "Copies_Caption_op2=Kopie|Kunde\r\n"
                           "Copies_Count_op3=0\r\n"
                           "Copies_Count_op4=250\r\n"
                           "copies_count_op5=7 ; seven\r\n"
                           "[TimeColorsCount]\r\nValue=3\r\n"
                           "[InternMemoMaxCount]\r\nValue=500\r\n"
                           "[RTFX]\r\nRTFHeigth=50\r\n"
                           "[TABLESECONDLINE]\r\nDatagridSecondHeigth=10\r\n"
                           "[Default_SoftReturn_Char]\r\nValue=2\r\n"
                           "[DatagridHighWidth]\r\nValue=3\r\n"
                           "[OrderBrowser]\r\nUserFirstFocusControlOrder=6\r\nUserFirstFocusControlOrder_brief=0\r\n"
                           "[QuoteAnswercontact]\r\nValue=a$$%%$$b\r\n"
                           "[SchedulerDayTime]\r\nValue=10:30\r\n"
                           "[SOUNDEX]\r\nLEVEL2=0\r\n"
                           "[V4]\r\nDBIN=\"C:\\Programme\"\r\n"
                           "[SECOND]\r\ndefaultprinterBinName2=\"\"\r\nBinFirstPrinterPage2_Name=\"x\r\n"
                           "[EF]\r\nDefaultFontRTF_style=fsBold fsitalic\r\n"
                           "DefaultFontRTF_color=clRed\r\nDefaultArtikelLagercolor=$00C0C0C0\r\n"
                           "[PDF]\r\nBackupDir=" +
                           dir_.filePath(QStringLiteral("pdf")).toUtf8() + "\r\n";
    const TUserPrinterDef d = Load(ini);
    EXPECT_EQ(d.CopiesCaptions[2], QStringLiteral("Kopie\r\nKunde"));
    EXPECT_EQ(d.CopiesCounts[3], 1);
    EXPECT_EQ(d.CopiesCounts[4], 99);
    EXPECT_EQ(d.CopiesCounts[5], 7);
    EXPECT_EQ(d.TimeColorsCount, 5);
    EXPECT_EQ(d.InternMemoMaxCount, 100);
    EXPECT_EQ(d.RTFHeigth, 100);
    EXPECT_EQ(d.DatagridSecondHeigth, 30);
    EXPECT_EQ(d.SoftReturnChar, QChar(0x00AC));
    EXPECT_EQ(d.DatagridHighWidth, 1);
    EXPECT_EQ(d.UserFirstFocusControlOrder, 5);
    EXPECT_EQ(d.UserFirstFocusControlOrder_brief, 0);
    EXPECT_EQ(d.QuoteAnswercontact, QStringLiteral("a\r\nb"));
    EXPECT_DOUBLE_EQ(d.SchedulerDayTime, 10.5 / 24.0);
    EXPECT_EQ(d.SoundexLevels, 5);
    EXPECT_EQ(d.DBIN, QStringLiteral("C:\\Programme"));
    EXPECT_EQ(d.defaultprinterBinName2, QString());
    EXPECT_EQ(d.BinFirstPrinterPage2_Name, QStringLiteral("\"x"));
    EXPECT_EQ(d.DefaultFont.Style, 2);
    EXPECT_EQ(d.DefaultFont.Color, 0x0000FFu);
    EXPECT_EQ(d.DefaultArtikelLagercolor, 0xC0C0C0u);
    EXPECT_EQ(d.PdfFolder, Pdf());
    // An existing folder needs no repair, so nothing was written.
    EXPECT_EQ(ReadBytes(Ini()), ini);
}

TEST_F(WorkstationOptions, SmallCasesOfOneKey) {
    struct Case {
        const char *ini;
        std::function<bool(const TUserPrinterDef &)> check;
    } cases[] = {
        {"[Default_SoftReturn_Char]\r\nValue=1\r\n", [](auto &d) { return d.SoftReturnChar == QChar(0x00B6); }},
        {"[SchedulerDayTime]\r\nValue=25:00\r\n", [](auto &d) { return d.SchedulerDayTime == 9.0 / 24.0; }},
        {"[EF]\r\nDefaultFontRTF_style=fsbold fsunderline \r\n", [](auto &d) { return d.DefaultFont.Style == 5; }},
        {"[EF]\r\nDefaultArtikelFontcolor=clBlue\r\n", [](auto &d) { return d.DefaultArtikelFontcolor == 0xFF0000u; }},
        {"[Datagrid]\r\nUserFontSizeDatagrid=0\r\nDatagridHeigth=5000\r\n",
         [](auto &d) { return d.UserFontSizeDatagrid == 0 && d.DatagridHeigth == 1200; }},
        {"[ExAdressFinder]\r\nsharpness=5\r\n", [](auto &d) { return d.sharpness == 10; }},
        {"[CanChangeCloseOrder]\r\nValue=-4\r\n", [](auto &d) { return d.CanChangeCloseOrder == 0; }},
        {"[InCludePartsNoSelector]\r\nValue=x\r\n", [](auto &d) { return !d.InCludePartsNoSelector; }},
        {"[EXTRA]\r\nPayInAutoIntern=3\r\nNewArtlager=0\r\n",
         [](auto &d) { return d.PayInAutoIntern == 0 && !d.NewArtlager; }},
    };
    for (const Case &c : cases) EXPECT_TRUE(c.check(Load(c.ini))) << c.ini;
}

TEST_F(WorkstationOptions, AnUnreadableColourEndsTheReadingAtItsKey) {
    const TUserPrinterDef d = Load("[EF]\r\nDefaultFontRTF_Size=12\r\nDefaultFontRTF_color=clNoSuch\r\n"
                                   "DefaultArtikelFontcolor=clRed\r\nUseAutoFormatBriefanrede=0\r\n"
                                   "[PDF]\r\nBackupDir=" +
                                   dir_.filePath(QStringLiteral("pdf")).toUtf8() + "\r\n");
    EXPECT_EQ(d.DefaultFont.Size, 12);
    EXPECT_EQ(d.PdfFolder, Pdf());
    EXPECT_EQ(d.DefaultFont.Color, 0u);
    EXPECT_EQ(d.DefaultArtikelFontcolor, 65480u);
    EXPECT_TRUE(d.UseAutoFormatBriefanrede);
}

TEST_F(WorkstationOptions, GroupsWriteTheirKeysWithMarkersAndQuotes) {
    TUserPrinterDef d = Load("[PDF]\r\nBackupDir=" + dir_.filePath(QStringLiteral("pdf")).toUtf8() + "\r\n");
    d.mailMAPI = true;
    d.mailMAPI_Kind = 3;
    SaveWorkstationOptions(kOptionsMail, d, App());
    const QByteArray afterMail = ReadBytes(Ini());
    EXPECT_TRUE(afterMail.contains("[MAIL]\r\nmailMAPI=1\r\nmailMAPI_Index=\r\nmailMAPI_Profil=\r\n"
                                   "mailMAPI_ProfilePassword=\r\nmailMAPI_Kind=3\r\n"));
    EXPECT_FALSE(afterMail.contains("PRINTERS"));

    d.CopiesCaptions[0] = QStringLiteral("Kopie\r\nKunde");
    d.QuoteAnswercontact = QStringLiteral("x\r\ny");
    d.DBIN = QStringLiteral("C:\\Programme");
    d.SoftReturnChar = QChar(0x00B6);
    d.CanChangeCloseOrder = 9000;
    d.DefaultFont.Style = 3;
    d.DefaultArtikelLagercolor = 16775914;
    d.SchedulerDayTime = 10.5 / 24.0;
    SaveWorkstationOptions(kOptionsGeneral | kOptionsScheduler, d, App());
    EXPECT_EQ(d.CanChangeCloseOrder, 5000);
    const QByteArray all = ReadBytes(Ini());
    for (const char *part : {"Copies_Caption_op0=Kopie|Kunde\r\n", "[QuoteAnswercontact]\r\nValue=x$$%%$$y\r\n",
                             "DBIN=\"C:\\Programme\"\r\n", "[Default_SoftReturn_Char]\r\nValue=1\r\n",
                             "[CanChangeCloseOrder]\r\nValue=5000\r\n", "DefaultFontRTF_style=fsbold fsitalic \r\n",
                             "DefaultFontRTF_color=clBlack\r\n", "DefaultArtikelLagercolor=$00FFFAEA\r\n",
                             "[SchedulerDayTime]\r\nValue=10:30:00\r\n", "mailMAPI_Kind=3\r\n"})
        EXPECT_TRUE(all.contains(part)) << part;

    TUserPrinterDef back;
    LoadWorkstationOptions(back, App());
    EXPECT_EQ(back.CopiesCaptions[0], d.CopiesCaptions[0]);
    EXPECT_EQ(back.QuoteAnswercontact, d.QuoteAnswercontact);
    EXPECT_EQ(back.DBIN, d.DBIN);
    EXPECT_EQ(back.SoftReturnChar, d.SoftReturnChar);
    EXPECT_EQ(back.DefaultFont.Style, 3);
    EXPECT_EQ(back.DefaultArtikelLagercolor, 16775914u);
    EXPECT_DOUBLE_EQ(back.SchedulerDayTime, 10.5 / 24.0);
}

TEST_F(WorkstationOptions, PdfFolderCreatesOneMissingFolderOrFallsBackToTheDefault) {
    TUserPrinterDef d;
    d.PdfFolder = dir_.filePath(QStringLiteral("new")) + u'/';
    EXPECT_EQ(PdfFolder(d, App()), dir_.filePath(QStringLiteral("new")) + u'/');
    EXPECT_TRUE(QDir(d.PdfFolder).exists());
    EXPECT_TRUE(ReadBytes(Ini()).contains("BackupDir=" + d.PdfFolder.toUtf8() + "\r\n"));

    d.PdfFolder = dir_.filePath(QStringLiteral("a/b")) + u'/';
    EXPECT_EQ(PdfFolder(d, App()), SharedPdf());
    EXPECT_FALSE(QDir(dir_.filePath(QStringLiteral("a"))).exists());
    EXPECT_TRUE(ReadBytes(Ini()).contains("BackupDir=" + SharedPdf().toUtf8() + "\r\n"));
}

TEST(ColorNames, ConvertBothWays) {
    struct Case {
        const char *text;
        TColor color;
        const char *written;
    } cases[] = {
        {"clBlack", 0, "clBlack"},          {"CLRED", 0x0000FF, "clRed"},
        {"clWindow", 0x80000005, "clWindow"}, {"$00FFFAEA", 16775914, "$00FFFAEA"},
        {"128", 128, "clMaroon"},           {"65480", 65480, "$0000FFC8"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(StringToColor(QString::fromLatin1(c.text)), c.color) << c.text;
        EXPECT_EQ(ColorToString(c.color), QString::fromLatin1(c.written)) << c.text;
    }
    EXPECT_ANY_THROW(StringToColor(QStringLiteral("clNoSuch")));
}

// The shared documents folder is asked for with the create flag: when it is
// missing it is made, and the default is still that folder + "PDF-Dateien".
TEST_F(WorkstationOptions, TheDefaultPdfFolderCreatesAMissingSharedFolder) {
    ASSERT_TRUE(QDir(dir_.filePath(QStringLiteral("shared"))).removeRecursively());
    EXPECT_EQ(DefaultPdfFolder(), SharedPdf());
    EXPECT_TRUE(QDir(SharedPdf()).exists());
}

TEST(PdfFolderText, GetsATrailingSeparator) {
    struct Case {
        const char *in, *out;
    } cases[] = {{"", ""}, {"X", "X:\\"}, {"C:", "C:"}, {"C:\\PDF\\", "C:\\PDF\\"}, {"/a/b", "/a/b/"}, {"/a/", "/a/"}};
    for (const Case &c : cases)
        EXPECT_EQ(WithTrailingSeparator(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST_F(WorkstationOptions, ADefaultFolderThatCannotBeCreatedIsWrittenOnceAndReturned) {
    // A file in the way makes the folder impossible to create.
    WriteBytes(dir_.filePath(QStringLiteral("shared/PDF-Dateien")), "x");
    TUserPrinterDef d;
    LoadWorkstationOptions(d, App());
    EXPECT_EQ(d.PdfFolder, SharedPdf());
    EXPECT_FALSE(QDir(SharedPdf()).exists());
    EXPECT_EQ(SIHelperPrinterSetup().PdfFolder, SharedPdf());
    EXPECT_TRUE(ReadBytes(Ini()).contains("BackupDir=" + SharedPdf().toUtf8() + "\r\n"));
}
