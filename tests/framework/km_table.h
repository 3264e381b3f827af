// The result table the check fills: the tests build it exactly as the tool
// will, so a fault in how the framework treats these field types shows here.
#pragma once

#include "memtable.h"

#include <QString>
#include <memory>

struct KmRow {
    int id;
    QString bz, artn, stk;
    bool del;
};

inline std::unique_ptr<TMemTable> MakeKm() {
    auto km = std::make_unique<TMemTable>();
    km->SetName(QStringLiteral("KM"));
    km->AddFieldDef(QStringLiteral("ID"), TFieldType::ftInteger);
    km->AddFieldDef(QStringLiteral("BZ"), TFieldType::ftString, 100);
    km->AddFieldDef(QStringLiteral("ARTN"), TFieldType::ftString, 30);
    km->AddFieldDef(QStringLiteral("STK"), TFieldType::ftString, 20);
    km->AddFieldDef(QStringLiteral("DEL"), TFieldType::ftBoolean);
    km->Open();
    return km;
}

inline void AppendKm(TMemTable &km, const KmRow &r) {
    km.Append();
    km.FieldByName(QStringLiteral("ID"))->SetAsInteger(r.id);
    km.FieldByName(QStringLiteral("BZ"))->SetAsString(r.bz);
    km.FieldByName(QStringLiteral("ARTN"))->SetAsString(r.artn);
    km.FieldByName(QStringLiteral("STK"))->SetAsString(r.stk);
    km.FieldByName(QStringLiteral("DEL"))->SetAsBoolean(r.del);
    km.Post();
}

inline int CurrentId(const TMemTable &km) {
    return km.FieldByName(QStringLiteral("ID"))->AsInteger();
}

// Saves the process format and puts it back, so a test that switches the
// separator cannot leak into the next one.
class FormatGuard {
public:
    FormatGuard() : saved_(FormatSettings()) {}
    ~FormatGuard() { FormatSettings() = saved_; }
    FormatGuard(const FormatGuard &) = delete;
    FormatGuard &operator=(const FormatGuard &) = delete;

private:
    TFormatSettings saved_;
};
