#include "currency_format.h"

#include "settings.h"

#include "db_table.h"
#include "format_settings.h"
#include "ini_file.h"
#include "setting_streams.h"
#include "text_codec.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kEuroText = QStringLiteral(" \u20AC");
const QString kSwissText = QStringLiteral(" SFr\".\"");
const QString kSecondCurrencyName = QStringLiteral(" 2.W.");

struct TCurrencyState {
    QString EuroText = kEuroText;
    QString CurrencyDisplayText;
    bool SwissFormat = false;
    int DecimalsMode = 0;
};

TCurrencyState &State() {
    static TCurrencyState state;
    return state;
}



int IdentInteger(TDbDataSet &cursor) { return TryStrToInt(StringItem(cursor)).value_or(0); }

void CopyMainTexts(TAlterCurrencyInfo &info, const QString (&sumLabels)[14][9], const QString (&headerTexts)[6]) {
    for (int k = 0; k < 14; ++k)
        for (int p = 0; p < 9; ++p) info.Labels[k][p] = sumLabels[k][p];
    for (int t = 0; t < 6; ++t) info.HeaderTexts[t] = headerTexts[t];
}

// One Ident's failure must not cost the others.
template <typename F>
void Silently(F f) {
    try {
        f();
    } catch (...) {
    }
}

QString WithLeadingBlank(const QString &text) { return text.startsWith(u' ') ? text : u' ' + text; }

}  // namespace

QString ExecutableFolder() {
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

TSICurrencySetup &SICurrencySetup() {
    static TSICurrencySetup setup;
    return setup;
}

void InitFormatSettings(const QString &folder) {
    TCurrencyState &st = State();
    TFormatSettings &fs = FormatSettings();
    const QString iniPath = QDir(folder).filePath(QStringLiteral("ALTEURO.INI"));

    st.SwissFormat = false;
    SICurrencySetup().FiveRappenRounding = false;
    st.DecimalsMode = 0;
    // Each run starts from the built-in text so that a second run (tests)
    // does not inherit the first run's file.
    st.EuroText = kEuroText;

    fs.CurrencyString = st.EuroText;
    st.CurrencyDisplayText = st.EuroText;
    try {
        TIniFile ini(iniPath);
        const QString euroValue = ini.ReadString(QStringLiteral("EUCHAR"), QStringLiteral("VALUE"), QString());
        if (!euroValue.isEmpty()) {
            st.EuroText = euroValue;
            fs.CurrencyString = euroValue;
            st.CurrencyDisplayText = euroValue;
        }
        if (ini.ReadBool(QStringLiteral("EUCHAR"), QStringLiteral("NULL"), false)) {
            st.EuroText.clear();
            fs.CurrencyString.clear();
            st.CurrencyDisplayText.clear();
        }
        const QString swissValue = ini.ReadString(QStringLiteral("CH-CHAR"), QStringLiteral("VALUE"), QString());
        if (!ini.ReadBool(QStringLiteral("COUNTRY"), QStringLiteral("EURO"), true)) {
            const QString swiss = swissValue.isEmpty() ? kSwissText : swissValue;
            fs.CurrencyString = swiss;
            st.CurrencyDisplayText = swiss;
        } else {
            fs.CurrencyString = st.EuroText;
            st.CurrencyDisplayText = st.EuroText;
        }
        fs.CurrencyString = WithLeadingBlank(fs.CurrencyString);
        st.CurrencyDisplayText = WithLeadingBlank(st.CurrencyDisplayText);
    } catch (...) {
        // A broken file leaves the texts as far as they got.
    }

    fs.CurrencyString = st.EuroText;

    fs.CurrencyFormat = 1;
    fs.NegCurrFormat = 5;
    fs.ThousandSeparator = u'.';
    fs.DecimalSeparator = u',';
    fs.CurrencyDecimals = 2;
    fs.DateSeparator = u'.';

    try {
        TIniFile ini(iniPath);
        if (!ini.ReadBool(QStringLiteral("COUNTRY"), QStringLiteral("EURO"), true)) {
            fs.DecimalSeparator = u'.';
            fs.ThousandSeparator = u'\'';
            st.SwissFormat = true;
        } else {
            fs.DecimalSeparator = u',';
            fs.ThousandSeparator = u'.';
            st.SwissFormat = false;
        }
        SICurrencySetup().FiveRappenRounding =
            ini.ReadBool(QStringLiteral("COUNTRY"), QStringLiteral("EINZELNOT5RAPPEN"), false);
        const int mode = ini.ReadInteger(QStringLiteral("COUNTRY"), QStringLiteral("NACHKOMMA3"), 0);
        st.DecimalsMode = (mode == 0 || mode == 1 || mode == 4) ? mode : 0;
    } catch (...) {
    }
    // Nothing refreshes the format from the operating system later: the
    // format object is ours alone, so there is no refresh to switch off.
}

QString EuroTextValue() { return State().EuroText; }
QString CurrencyDisplayText() { return State().CurrencyDisplayText; }
bool SwissFormat() { return State().SwissFormat; }
int &DecimalsMode() { return State().DecimalsMode; }

QString AmountPattern() {
    switch (State().DecimalsMode) {
    case 1:
        return QStringLiteral("#############0.000");
    case 4:
        return QStringLiteral("#############0.0000");
    default:
        return QStringLiteral("#############0.00");
    }
}

double SecondCurrencyRate(const TAlterCurrencyInfo &info) { return info.Enabled ? info.Rate : 1.5; }
QString SecondCurrencyName(const TAlterCurrencyInfo &info) { return info.Enabled ? info.Name : kSecondCurrencyName; }

void PublishSecondCurrency(const TAlterCurrencyInfo &info) {
    TSICurrencySetup::TAlterCurrencyInfo &r = SICurrencySetup().AlterCurrency;
    r.Option1 = info.Option1;
    r.Option2 = info.Option2;
    r.Rate = SecondCurrencyRate(info);
    r.Name = SecondCurrencyName(info);
}

void LoadSecondCurrency(TAlterCurrencyInfo &info, const QString (&sumLabels)[14][9],
                        const QString (&headerTexts)[6], TDbDataSet &cursor) {
    info.Option1 = 0;
    info.Option2 = 0;
    CopyMainTexts(info, sumLabels, headerTexts);
    static const int kLabelIdents[9] = {0, 20004, 29004, 20005, 20006, 20007, 29007, 20008, 20009};
    for (int p = 1; p <= 8; ++p)
        Silently([&] {
            if (!SeekIdent(cursor, kLabelIdents[p])) return;
            const QString first = StringItem(cursor);
            info.Labels[1][p] = first.isEmpty() ? sumLabels[1][p] : first;
            const QStringList lines = MemoItemLines(cursor);
            for (qsizetype k = 0; k < lines.size() && k < 12; ++k) info.Labels[2 + k][p] = lines[k];
        });
    for (int t = 1; t <= 4; ++t)
        Silently([&] {
            if (!SeekIdent(cursor, 31008 + t)) return;
            const QString text = StringItem(cursor);
            info.HeaderTexts[t] = text.isEmpty() ? headerTexts[t] : text;
        });
    Silently([&] {
        if (SeekIdent(cursor, 20010)) info.Rate = ReadIdentFloat(cursor);
    });
    if (info.Rate == 0 || info.Rate < 0.01 || info.Rate > 100) info.Rate = 1.5;
    Silently([&] {
        if (SeekIdent(cursor, 200011)) info.Name = StringItem(cursor);
    });
    if (info.Name.isEmpty()) info.Name = kSecondCurrencyName;
    Silently([&] {
        if (SeekIdent(cursor, 20012)) info.Enabled = IdentInteger(cursor) != 0;
    });
    if (info.Enabled) {
        Silently([&] {
            if (SeekIdent(cursor, 200030)) info.Option1 = static_cast<quint8>(IdentInteger(cursor));
        });
        Silently([&] {
            if (SeekIdent(cursor, 200031)) info.Option2 = static_cast<quint8>(IdentInteger(cursor));
        });
    } else {
        info.Name = kSecondCurrencyName;
        info.Rate = 1.5;
        CopyMainTexts(info, sumLabels, headerTexts);
    }
    PublishSecondCurrency(info);
}
