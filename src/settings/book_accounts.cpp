#include "book_accounts.h"

#include "address_columns.h"
#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "setting_streams.h"
#include "settings.h"
#include "text_codec.h"

#include <algorithm>

namespace {

struct TMoneyDefault {
    qint16 number;
    const char16_t *name;
    const char16_t *defaultName;
    const char16_t *accountNumber;
    bool active;
};

const TMoneyDefault kMoney[] = {
    {0, u"Geld-Konto 1", u"Geld-Konto 1", u"1200", true},
    {1, u"Geld-Konto 2", u"Geld-Konto 2", u"1200", true},
    {2, u"Geld-Konto 3", u"Geld-Konto 3", u"1200", true},
    {3, u"Vordef. Bar 4", u"Geld-Konto 4", u"1000", true},
    {6, u"Vordef. Gutschrift 5", u"Geld-Konto 5", u"1200", true},
    {7, u"Geld-Konto 6", u"Geld-Konto 6", u"1200", true},
    {8, u"Geld-Konto 7", u"Geld-Konto 7", u"1200", true},
    {9, u"Geld-Konto 8", u"Geld-Konto 8", u"1200", true},
    {10, u"Geld-Konto 9", u"Geld-Konto 9", u"1200", true},
};
const qint16 kInactiveMoneyNumbers[] = {11, 20, 21, 22, 23, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

const TDefKonto kRevenueRows[] = {
    {QStringLiteral("Erlöse steuerpflichtig"), {"8400", "8300", "8100"}, 0},
    {QStringLiteral("Erlöse 13b-EU"), {"8337", "8337", "8337"}, 2},
    {QStringLiteral("Erlöse steuerfrei"), {"8100", "8100", "8100"}, 2},
    {QStringLiteral("Zinserträge"), {"", "", "2650"}, 2},
};

const TDefKonto kExpenseRows[] = {
    {QStringLiteral("Wareneinkauf"), {"3400", "3300", "3582"}, 0},
    {QStringLiteral("Innergemeinschaftlich"), {"", "", "3435"}, 2},
    {QStringLiteral("Ohne Steuer"), {"", "", "3600"}, 2},
    {QStringLiteral("13b"), {"", "", "3436"}, 2},
    {QStringLiteral("Telefon Porto.."), {"4920", "4920", "4920"}, 0},
    {QStringLiteral("Reparaturen"), {"4800", "4800", "4800"}, 0},
    {QStringLiteral("Reisekosten"), {"4670", "4670", "4670"}, 0},
    {QStringLiteral("Werbekosten"), {"4600", "4600", "4600"}, 0},
    {QStringLiteral("KFZ-Kosten"), {"4530", "4530", "4530"}, 0},
    {QStringLiteral("Versicherungbeiträge"), {"4360", "4360", "4360"}, 0},
    {QStringLiteral("Raumkosten"), {"4280", "4280", "4280"}, 0},
    {QStringLiteral("Personalkosten"), {"4185", "4185", "4185"}, 0},
    {QStringLiteral("Beratungskosten"), {"4950", "4950", "4950"}, 0},
    {QStringLiteral("Verschiedene Kosten"), {"4909", "4909", "4909"}, 0},
    {QStringLiteral("Umsatzsteuer"), {"", "", "1570"}, 2},
    {QStringLiteral("Zinsaufwand"), {"", "", "2100"}, 2},
    {QStringLiteral("zinsähnl. Aufwendungen"), {"", "", "2140"}, 2},
};

void Overlay(TKontoStack &record, const TDefKonto &row) {
    record.Name = row.Name;
    record.AccountNumbers = row.AccountNumbers;
    record.Active = true;
    record.Mode = row.Mode;
}

int IntOrZero(const QString &text) { return TryStrToInt(text).value_or(0); }

}  // namespace

TDIKontoStack &GetBookAccounts() {
    static const std::unique_ptr<TDIKontoStack> instance = [] {
        auto stack = std::make_unique<TDIKontoStack>();
        ResetBookAccounts(*stack);
        return stack;
    }();
    return *instance;
}

void ResetBookAccounts(TDIKontoStack &stack) {
    stack.Accounts.clear();
    FillDefaultAccounts(stack);
}

void FillDefaultAccounts(TDIKontoStack &stack) {
    stack.FirstMoneyNumber = kMoney[0].number;
    stack.FirstRevenueNumber = 100;
    stack.FirstExpenseNumber = 200;
    for (const TMoneyDefault &m : kMoney) {
        TKontoStack r;
        r.Number = m.number;
        r.Name = QString::fromUtf16(m.name);
        r.DefaultName = QString::fromUtf16(m.defaultName);
        r.AccountNumbers[0] = QString::fromUtf16(m.accountNumber);
        r.Active = m.active;
        AddAccount(stack, r, 0);
    }
    int moneyName = 10;
    for (qint16 number : kInactiveMoneyNumbers) {
        TKontoStack r;
        r.Number = number;
        r.Name = r.DefaultName = QStringLiteral("Geld-Konto %1").arg(moneyName++);
        AddAccount(stack, r, 0);
    }
    for (int number = 100; number <= 149; ++number) {
        TKontoStack r;
        r.Number = qint16(number);
        r.Name = r.DefaultName = QStringLiteral("Erlöse %1").arg(number - 99);
        r.Active = number <= 102;
        if (number - 100 < int(std::size(kRevenueRows))) Overlay(r, kRevenueRows[number - 100]);
        AddAccount(stack, r, 1);
    }
    for (int number = 200; number <= 299; ++number) {
        TKontoStack r;
        r.Number = qint16(number);
        r.Name = QStringLiteral("Ausgabe %1").arg(number - 199);
        r.DefaultName = QStringLiteral("Ausgabe-Konto %1").arg(number - 199);
        if (number - 200 < int(std::size(kExpenseRows))) Overlay(r, kExpenseRows[number - 200]);
        AddAccount(stack, r, 2);
    }
    SortAccounts(stack);
}

bool AddAccount(TDIKontoStack &stack, const TKontoStack &record, quint8 kind) {
    for (const auto &a : stack.Accounts)
        if (a->Number == record.Number) return false;
    auto copy = std::make_unique<TKontoStack>(record);
    copy->Kind = kind;
    // The stored line format separates fields with ";".
    copy->Name.remove(u';');
    stack.Accounts.push_back(std::move(copy));
    return true;
}

std::optional<int> FindAccount(const TDIKontoStack &stack, int number, quint8 kind, bool fallBack) {
    const auto search = [&](int n) -> std::optional<int> {
        const auto it = std::lower_bound(stack.Accounts.begin(), stack.Accounts.end(), n,
                                         [](const auto &a, int v) { return a->Number < v; });
        if (it == stack.Accounts.end() || (*it)->Number != n) return std::nullopt;
        return int(it - stack.Accounts.begin());
    };
    std::optional<int> found = search(number);
    if (!fallBack) return found;
    if (!found || stack.Accounts[size_t(*found)]->Kind != kind) {
        const int first = kind == 0   ? stack.FirstMoneyNumber
                          : kind == 1 ? stack.FirstRevenueNumber
                                      : stack.FirstExpenseNumber;
        found = search(first);
    }
    return found;
}

const TKontoStack &AccountAt(const TDIKontoStack &stack, int index) {
    if (index < 0 || index >= int(stack.Accounts.size()))
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *stack.Accounts[size_t(index)];
}

void SortAccounts(TDIKontoStack &stack) {
    std::stable_sort(stack.Accounts.begin(), stack.Accounts.end(),
                     [](const auto &a, const auto &b) { return a->Number < b->Number; });
}

QString AccountNumberText(const QString &text) {
    const int value = IntOrZero(text);
    return value == 0 ? QString() : QString::number(value).left(4);
}

void ApplyAccountLines(TDIKontoStack &stack, const QStringList &lines) {
    for (const QString &line : lines) {
        QStringList fields = line.split(u';');
        if (line.endsWith(u';')) fields.removeLast();
        while (fields.size() < 9) fields << QString();
        const std::optional<int> index = FindAccount(stack, IntOrZero(fields[0]), 0, false);
        if (!index) continue;
        TKontoStack &a = *stack.Accounts[size_t(*index)];
        a.Name = fields[1];
        a.Active = fields[2] == QStringLiteral("1");
        for (int i = 0; i < 3; ++i) a.AccountNumbers[size_t(i)] = AccountNumberText(fields[3 + i]);
        const int mode = IntOrZero(fields[6]);
        a.Mode = quint8(mode >= 0 && mode <= 3 ? mode : 0);
        const int option = IntOrZero(fields[7]);
        a.Option = quint8(option == 1 ? 1 : 0);
        const int switches = IntOrZero(fields[8]);
        a.Switches.Switch1 = switches & 2;
        a.Switches.Switch2 = switches & 4;
    }
}

void LoadBookAccounts(TDIKontoStack &stack, TDbDataSet *settingsTable) {
    ResetBookAccounts(stack);
    if (!settingsTable) return;
    QStringList lines;
    if (settingsTable->SeekKey(QStringLiteral("16012"), true)) {
        auto stream = OpenBlobForRead(*settingsTable, QStringLiteral("MemoItem"));
        lines = SplitLines(FromAnsi(stream->ReadRest()));
    }
    ApplyAccountLines(stack, lines);
}

void LoadBookAccounts(TSettings &settings) { LoadBookAccounts(GetBookAccounts(), settings.SettingsTable); }
