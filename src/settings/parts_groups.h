// The parts groups (Idents 964, 219, 650, 651, 660, 661, 663): parallel memo
// lists, one line per group, loaded into one object of groups.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TDbDataSet;

class TPartGroup {
public:
    QString Name = QStringLiteral("Alle");
    QString Factor = QStringLiteral("2");
    QString Formula;
    int Index = 0;
    QStringList Notes;
};

class TPartsGroup {
public:
    std::vector<std::unique_ptr<TPartGroup>> Groups;
    int Ident661Value = 100;
    QString Ident964Text = QStringLiteral("2");
    quint8 Ident219Value = 0;
};

// Cursor on the settings table's Ident index. Errors of the table reach the
// caller; the groups read so far have their names cleaned first.
void LoadPartsGroups(TPartsGroup &groups, TDbDataSet &cursor);
void ClearPartsGroups(TPartsGroup &groups);
int GroupCount(const TPartsGroup &groups);
TPartGroup &GroupAt(const TPartsGroup &groups, int index);
TPartGroup &AddGroup(TPartsGroup &groups);
void EnsureDefaultGroup(TPartsGroup &groups);
// A tab in the text stands for a line break.
void SetNotesText(TPartGroup &group, const QString &text);
QString NumberWithSign(const QString &text, bool withSign);
// Formulas over the sales price "VK" and the margin "VKEK".
QString NormalizeFormula(const QString &text);
QString FormulaWithPrices(const QString &text, double salesPrice, double purchasePrice);
// "#12Werkstatt" → "Werkstatt": the sort number in front of a name.
QString StripNumberPrefix(const QString &text);
