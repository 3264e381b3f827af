#include "ini_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
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

}  // namespace

TEST(IniFile, ValuesLoseCommentsOutsideQuotesAndAreTrimmed) {
    struct Case {
        const char *raw;
        const char *value;
    } cases[] = {
        {"  abc  ", "abc"},
        {"abc ; comment", "abc"},
        {";only comment", ""},
        {"\"a;b\" ; c", "\"a;b\""},
        {"\"a;b\"x;y", "\"a;b\"x"},
        {"a\"b;c", "a\"b;c"},
        {"x=y;z", "x=y"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TIniFile::ValueOfRawText(QString::fromUtf8(c.raw)), QString::fromUtf8(c.value)) << c.raw;
}

TEST(IniFile, NamesIgnoreCaseAndValuesFollowTheKinds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T.INI"));
    WriteBytes(path,
               "; head comment\r\n"
               "[Mail]\r\n"
               "MailMapi=7 ; on\r\n"
               "Name = \"C:\\Pro;gramme\" ; folder\r\n"
               "Count=12x\r\n"
               "Neg=-5\r\n"
               "Zero=0\r\n"
               "Euro=\x80\r\n"
               "[other] ; second section\r\n"
               "Name=second\r\n");
    TIniFile ini(path);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("MAIL"), QStringLiteral("mailmapi"), false));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("mail"), QStringLiteral("MAILMAPI"), 0), 7);
    EXPECT_EQ(ini.ReadString(QStringLiteral("mail"), QStringLiteral("name"), {}), QStringLiteral("\"C:\\Pro;gramme\""));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("mail"), QStringLiteral("Count"), 42), 42);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("mail"), QStringLiteral("Neg"), 0), -5);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("mail"), QStringLiteral("Zero"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("mail"), QStringLiteral("Count"), true));
    EXPECT_EQ(ini.ReadString(QStringLiteral("mail"), QStringLiteral("Euro"), {}), QStringLiteral("\u20AC"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("OTHER"), QStringLiteral("name"), {}), QStringLiteral("second"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("none"), QStringLiteral("name"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("mail"), QStringLiteral("none"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST(IniFile, IsReadOnceAndWrittenBackWholeOnRelease) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T.INI"));
    WriteBytes(path,
               "; keep me\r\n"
               "[PDF]\r\n"
               "backupdir=old ; note\r\n"
               "\r\n"
               "[V41]\r\n"
               "Other=\xE4\r\n");
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadString(QStringLiteral("PDF"), QStringLiteral("BackupDir"), {}), QStringLiteral("old"));
        // The file is held in memory: a change on disk is not seen.
        WriteBytes(path, "[PDF]\r\nBackupDir=changed\r\n");
        EXPECT_EQ(ini.ReadString(QStringLiteral("pdf"), QStringLiteral("BACKUPDIR"), {}), QStringLiteral("old"));
        ini.WriteString(QStringLiteral("pdf"), QStringLiteral("BackupDir"), QStringLiteral("/new/"));
        ini.WriteString(QStringLiteral("V41"), QStringLiteral("AttachFolder"), QString());
        ini.WriteBool(QStringLiteral("New"), QStringLiteral("Flag"), true);
        ini.WriteInteger(QStringLiteral("New"), QStringLiteral("Count"), -3);
        EXPECT_EQ(ini.ReadString(QStringLiteral("PDF"), QStringLiteral("backupdir"), {}), QStringLiteral("/new/"));
        EXPECT_EQ(ReadBytes(path), QByteArray("[PDF]\r\nBackupDir=changed\r\n"));
    }
    EXPECT_EQ(ReadBytes(path), QByteArray("; keep me\r\n"
                                          "[PDF]\r\n"
                                          "backupdir=/new/\r\n"
                                          "\r\n"
                                          "[V41]\r\n"
                                          "Other=\xE4\r\n"
                                          "AttachFolder=\r\n"
                                          "[New]\r\n"
                                          "Flag=1\r\n"
                                          "Count=-3\r\n"));
}

TEST(IniFile, MissingFileReadsEmptyAndIsOnlyCreatedByAWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("NONE.INI"));
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("b"), 9), 9);
    }
    EXPECT_FALSE(QFile::exists(path));
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("\u20AC"));
        ini.UpdateFile();
        EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nK=\x80\r\n"));
    }
}

// The file holds Windows-1252: a character outside it reads back from the
// object as it does from the written file.
TEST(IniFile, AWrittenValueReadsBackAsTheFileHoldsIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T.INI"));
    for (const QString &value :
         {QStringLiteral("\u03A9mega"), QStringLiteral("C:\\\u65E5\u672C\\"),
          QString(QChar(0x8A)) + u'x', QStringLiteral("M\u00FCller \u20AC")}) {
        SCOPED_TRACE(value.toStdString());
        QString fromObject;
        {
            TIniFile ini(path);
            ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), value);
            fromObject = ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), {});
        }
        TIniFile fresh(path);
        EXPECT_EQ(fromObject,
                  fresh.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("-")));
    }
}

TEST(IniFile, AWriteToAnUnwritablePlaceFailsOnUpdate) {
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("no/such/folder/X.INI")));
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("K"), false);
    EXPECT_ANY_THROW(ini.UpdateFile());
}
