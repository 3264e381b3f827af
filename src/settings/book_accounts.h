// The book accounts: a fixed list of 175 accounts (money, revenue,
// expense) built from built-in defaults, with the user's changes from
// Ident 16012 applied over them. One process-wide list.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class TDbDataSet;
class TSettings;

using TStrSKR = std::array<QString, 3>;

struct TKontoSwitches {
    bool Switch1 = false;
    bool Switch2 = false;
    bool operator==(const TKontoSwitches &) const = default;
};

struct TKontoStack {
    qint16 Number = 0;
    QString Name;
    quint8 Kind = 0;  // 0 money, 1 revenue, 2 expense
    QString DefaultName;
    TStrSKR AccountNumbers;
    bool Active = false;
    quint8 Mode = 0;
    quint8 Option = 0;
    std::array<quint8, 24> Reserved{};
    TKontoSwitches Switches;
};

struct TDefKonto {
    QString Name;
    TStrSKR AccountNumbers;
    quint8 Mode = 0;
};

class TDIKontoStack {
public:
    std::vector<std::unique_ptr<TKontoStack>> Accounts;
    qint16 FirstMoneyNumber = 0;
    qint16 FirstRevenueNumber = 0;
    qint16 FirstExpenseNumber = 0;
};

// Created on first use with the built-in list.
TDIKontoStack &GetBookAccounts();
void ResetBookAccounts(TDIKontoStack &stack);
void FillDefaultAccounts(TDIKontoStack &stack);
bool AddAccount(TDIKontoStack &stack, const TKontoStack &record, quint8 kind);
// The index of the account, or with fall back the first built-in account of
// the kind when the number is missing or of another kind.
std::optional<int> FindAccount(const TDIKontoStack &stack, int number, quint8 kind, bool fallBack);
const TKontoStack &AccountAt(const TDIKontoStack &stack, int index);
void SortAccounts(TDIKontoStack &stack);
void ApplyAccountLines(TDIKontoStack &stack, const QStringList &lines);
QString AccountNumberText(const QString &text);
// Resets the list, then applies Ident 16012 when a settings table is given
// (cursor on its Ident index). Errors of the table reach the caller.
void LoadBookAccounts(TDIKontoStack &stack, TDbDataSet *settingsTable);
// The process-wide list through the settings object's table.
void LoadBookAccounts(TSettings &settings);
