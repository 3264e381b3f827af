// The process-wide number, date and currency format fixed at process start,
// the amount display pattern, and the second currency of printed documents.
#pragma once

#include <QString>

// The folder of the running executable, ending with a separator.
QString ExecutableFolder();

// Fixes the process format from built-in values and the optional
// ALTEURO.INI in the given folder. Runs once at process start.
void InitFormatSettings(const QString &folder = ExecutableFolder());

QString EuroTextValue();
// The currency text shown to the user; unlike the format's currency text it
// follows the Swiss format.
QString CurrencyDisplayText();
bool SwissFormat();
// 0, 1 or 4: amounts shown with 2, 3 or 4 decimals. The settings load
// changes it for its own duration, hence the reference.
int &DecimalsMode();
QString AmountPattern();

// The second-currency values as other programs of the suite read them.
struct TSICurrencySetup {
    struct TAlterCurrencyInfo {
        quint8 Option1 = 0;
        quint8 Option2 = 0;
        double Rate = 0;
        QString Name;
    };
    double Ident950Value = 0;
    double Ident949Value = 0;
    quint8 Ident216Value = 0;
    TAlterCurrencyInfo AlterCurrency;
    bool FiveRappenRounding = false;
};
TSICurrencySetup &SICurrencySetup();

// The second currency as the settings object owns it.
class TAlterCurrencyInfo {
public:
    quint8 Option1 = 0;
    quint8 Option2 = 0;
    double Rate = 0;
    QString Name;
    // [document kind 1-13][position 1-8]; index 0 unused so the indices
    // read as the suite numbers them.
    QString Labels[14][9];
    QString HeaderTexts[6];  // 1-5
    bool Enabled = false;
};

class TDbDataSet;

// Reads the second currency from the settings table (cursor on its Ident
// index). The main labels and header texts are the settings object's; the
// settings object passes its own once it owns the second currency.
void LoadSecondCurrency(TAlterCurrencyInfo &info, const QString (&sumLabels)[14][9],
                        const QString (&headerTexts)[6], TDbDataSet &cursor);

double SecondCurrencyRate(const TAlterCurrencyInfo &info);
QString SecondCurrencyName(const TAlterCurrencyInfo &info);
void PublishSecondCurrency(const TAlterCurrencyInfo &info);
