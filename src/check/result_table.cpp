#include "result_table.h"

TResultTable::TResultTable(TComponent *owner) : TMemTable(owner) {
    SetName(QStringLiteral("KM"));
    AddFieldDef(QStringLiteral("ID"), TFieldType::ftInteger);
    AddFieldDef(QStringLiteral("BZ"), TFieldType::ftString, 100);
    AddFieldDef(QStringLiteral("ARTN"), TFieldType::ftString, 30);
    AddFieldDef(QStringLiteral("STK"), TFieldType::ftString, 20);
    AddFieldDef(QStringLiteral("DEL"), TFieldType::ftBoolean);
    Open();
}
