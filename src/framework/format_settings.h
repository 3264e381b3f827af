// The process-wide number, date and currency format. One object, set at
// process start; every conversion between text and number or date reads it.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

struct TFormatSettings {
    QString CurrencyString = QStringLiteral(" €");
    int CurrencyFormat = 1;
    int NegCurrFormat = 5;
    QChar ThousandSeparator = u'.';
    QChar DecimalSeparator = u',';
    int CurrencyDecimals = 2;
    QChar DateSeparator = u'.';
    // Letters d, m, y (any case); the date separator stands where '/' is.
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    QChar TimeSeparator = u':';
};

// The process's format settings.
TFormatSettings &FormatSettings();

// A day count in the framework's date-time form: days since 1899-12-30,
// the time of day as the fraction.
using TDateTime = double;

// Conversions with the process format settings.
QString FloatToStr(double value);  // shortest form, decimal separator, no thousands
QString IntToStr(qint64 value);
// The whole text as a signed 32-bit integer: leading blanks and a sign
// allowed; decimal digits, or hexadecimal after "$", "x" or "0x".
std::optional<qint32> TryStrToInt(const QString &text);
qint32 StrToInt(const QString &text);  // raises EConvertError
std::optional<double> TryStrToFloat(const QString &text);
double StrToFloat(const QString &text);  // raises EConvertError
std::optional<TDateTime> TryStrToDate(const QString &text);
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value);
TDateTime EncodeDate(int year, int month, int day);
void DecodeDate(TDateTime value, int &year, int &month, int &day);
// The framework's day number (1 = 0001-01-01) and back.
TDateTime DayNumberToDateTime(qint64 dayNumber);
qint64 DateTimeToDayNumber(TDateTime value);

// The whole text as a number with the process decimal separator (blanks
// around it, a sign and an exponent allowed); 0 when it does not convert.
double TextToFloatOrZero(const QString &text);
