// ALTEURO.INI at process start: any file gives one of the two number
// formats, a decimals mode of 0, 1 or 4, and currency texts as documented.
#include "currency_format.h"
#include "format_settings.h"
#include "fuzz_support.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::WriteScratchFile(QStringLiteral("ALTEURO.INI"), fuzz::Bytes(data, size));
    InitFormatSettings(fuzz::ScratchFolder());
    const TFormatSettings &fs = FormatSettings();
    const int mode = DecimalsMode();
    fuzz::Require(mode == 0 || mode == 1 || mode == 4, "a decimals mode other than 0, 1 and 4");
    fuzz::Require(SwissFormat() ? fs.DecimalSeparator == u'.' && fs.ThousandSeparator == u'\''
                                : fs.DecimalSeparator == u',' && fs.ThousandSeparator == u'.',
                  "separators that belong to neither format");
    fuzz::Require(CurrencyDisplayText().startsWith(u' '),
                  "a display currency text without its blank");
    fuzz::Require(fs.CurrencyString == EuroTextValue(),
                  "the format's currency text is not the euro text");
    fuzz::Require(AmountPattern().startsWith(QStringLiteral("#############0.00")),
                  "an amount pattern out of the three");
    return 0;
}
