// The options file WELDU.INI: any file reads, key by key, into the
// workstation options or stops at a value that does not convert, and every
// value that is read lies within its documented range. A value written
// through the file object reads back the same from the written file.
#include "exceptions.h"
#include "fuzz_support.h"
#include "ini_file.h"
#include "workstation_options.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString path = fuzz::WriteScratchFile(QStringLiteral("WELDU.INI"), bytes);

    TUserPrinterDef def;
    for (int &count : def.CopiesCounts)
        count = 1;
    def.TimeColorsCount = 99;
    def.InternMemoMaxCount = 20;
    {
        TIniFile ini(path);
        try {
            ReadWorkstationOptions(ini, def);
        } catch (const Exception &) {
        }
    }
    for (const int count : def.CopiesCounts)
        fuzz::Require(count >= 1 && count <= 99, "a copy count outside 1-99");
    fuzz::Require(def.TimeColorsCount >= 5 && def.TimeColorsCount <= 99,
                  "TimeColorsCount outside 5-99");
    fuzz::Require(def.InternMemoMaxCount >= 20 && def.InternMemoMaxCount <= 100,
                  "InternMemoMaxCount outside 20-100");
    fuzz::Require(def.CanChangeCloseOrder >= 0 && def.CanChangeCloseOrder <= 5000,
                  "CanChangeCloseOrder outside");
    fuzz::Require(def.DatagridHighWidth <= 2 && def.UserFontSizeDatagrid <= 2 &&
                      def.PayInAutoIntern <= 2,
                  "a byte option outside 0-2");
    fuzz::Require(def.SchedulerDayTime >= 0 && def.SchedulerDayTime < 1,
                  "SchedulerDayTime is not a time of day");

    // The first line of the input, written as a value, reads back as the
    // file object itself reports it.
    const qsizetype end = bytes.indexOf('\n');
    QString value = QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
    value.remove(u'\r');
    QString expected;
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("FUZZ"), QStringLiteral("Value"), value);
        expected = ini.ReadString(QStringLiteral("FUZZ"), QStringLiteral("Value"), QString());
        ini.UpdateFile();
    }
    TIniFile reread(path);
    fuzz::Require(reread.ReadString(QStringLiteral("FUZZ"), QStringLiteral("Value"),
                                    QStringLiteral("-")) == expected,
                  "a written value reads back differently from the file");
    return 0;
}
