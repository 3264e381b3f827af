#include "parts_groups.h"

#include "settings.h"

#include "address_columns.h"
#include "currency_format.h"
#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "setting_streams.h"
#include "text_codec.h"

#include <algorithm>

namespace {

QChar DecimalSeparator() { return FormatSettings().DecimalSeparator; }

// Upper case, the price names turned into one-character markers ("}" the
// margin, "{" the sales price), and every other character dropped.
QString FormulaMarkers(const QString &text) {
    QString s = text.toUpper();
    s.remove(u'{');
    s.remove(u'}');
    s.replace(QStringLiteral("VKEK"), QStringLiteral("}"), Qt::CaseInsensitive);
    s.replace(QStringLiteral("VK"), QStringLiteral("{"), Qt::CaseInsensitive);
    QString out;
    for (QChar c : s)
        if (QStringLiteral(" ()*+-/{}").contains(c) || (c >= u'0' && c <= u'9') || c == DecimalSeparator())
            out += c;
    return out;
}

QString FormatAmount(double value) {
    const QString pattern = AmountPattern();
    const qsizetype dot = pattern.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : int(pattern.size() - dot - 1);
    QString s = QString::number(value, 'f', decimals);
    s.replace(u'.', DecimalSeparator());
    return s;
}

QStringList ReadLines(TDbDataSet &cursor, int ident) {
    if (!cursor.SeekKey(QString::number(ident), true)) return {};
    auto stream = OpenBlobForRead(cursor, QStringLiteral("MemoItem"));
    return SplitLines(FromAnsi(stream->ReadRest()));
}

QString ReadText(TDbDataSet &cursor, int ident, const QString &fallback) {
    if (!cursor.SeekKey(QString::number(ident), true)) return fallback;
    return cursor.FieldByName(QStringLiteral("stringItem"))->AsString();
}

}  // namespace

void ClearPartsGroups(TPartsGroup &groups) {
    groups.Groups.clear();
    groups.Ident661Value = 100;
}

int GroupCount(const TPartsGroup &groups) { return int(groups.Groups.size()); }

TPartGroup &GroupAt(const TPartsGroup &groups, int index) {
    if (index < 0 || index >= GroupCount(groups))
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *groups.Groups[size_t(index)];
}

TPartGroup &AddGroup(TPartsGroup &groups) {
    groups.Groups.push_back(std::make_unique<TPartGroup>());
    return *groups.Groups.back();
}

void EnsureDefaultGroup(TPartsGroup &groups) {
    if (GroupCount(groups) > 0) return;
    TPartGroup &g = AddGroup(groups);
    g.Name = QStringLiteral("Alle");
    g.Factor = QStringLiteral("2");
    g.Formula.clear();
    g.Index = 0;
}

void SetNotesText(TPartGroup &group, const QString &text) {
    QString t = text;
    t.replace(u'\t', QStringLiteral("\r\n"));
    group.Notes = SplitLines(t);
}

QString NumberWithSign(const QString &text, bool withSign) {
    QString kept;
    bool separatorSeen = false;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            kept += c;
        } else if (c == DecimalSeparator() && !separatorSeen) {
            kept += c;
            separatorSeen = true;
        }
    }
    if (!withSign) return kept;
    if (text.contains(u'-')) return u'-' + kept;
    if (text.contains(u'+')) return u'+' + kept;
    return kept.isEmpty() ? kept : u'*' + kept;
}

QString NormalizeFormula(const QString &text) {
    QString s = FormulaMarkers(text);
    s.replace(u'}', QStringLiteral("VKEK"));
    s.replace(u'{', QStringLiteral("VK"));
    if (!s.contains(QStringLiteral("VK"))) s.prepend(QStringLiteral("VKEK"));
    return s;
}

QString FormulaWithPrices(const QString &text, double salesPrice, double purchasePrice) {
    QString s = FormulaMarkers(text);
    s.replace(u'}', FormatAmount(salesPrice - purchasePrice));
    s.replace(u'{', FormatAmount(salesPrice));
    return s;
}

QString StripNumberPrefix(const QString &text) {
    if (!text.startsWith(u'#')) return text;
    for (qsizetype i = 1; i < text.size(); ++i)
        if (!(text[i] >= u'0' && text[i] <= u'9')) return text.mid(i);
    return text;
}

void LoadPartsGroups(TPartsGroup &groups, TDbDataSet &cursor) {
    ClearPartsGroups(groups);
    try {
        groups.Ident964Text = ReadText(cursor, 964, QStringLiteral("2"));
        const int v219 = TryStrToInt(ReadText(cursor, 219, {})).value_or(0);
        groups.Ident219Value = quint8(v219 >= 0 && v219 <= 2 ? v219 : 0);
        const QStringList names = ReadLines(cursor, 650);
        QStringList factors = ReadLines(cursor, 651);
        QStringList formulas = ReadLines(cursor, 660);
        const int v661 = TryStrToInt(ReadText(cursor, 661, {})).value_or(100);
        groups.Ident661Value = std::clamp(v661, 0, 100);
        QStringList notes = ReadLines(cursor, 663);
        for (QStringList *list : {&factors, &formulas, &notes})
            while (list->size() < names.size()) list->append(QString());
        for (QString &f : factors) f = NumberWithSign(NormalizeDecimalText(f), true);
        for (QString &f : formulas) f = NormalizeDecimalText(NormalizeFormula(f));
        for (qsizetype i = 0; i < names.size(); ++i) {
            TPartGroup &g = AddGroup(groups);
            g.Name = names[i];
            g.Factor = factors[i];
            g.Formula = formulas[i];
            g.Index = int(i);
            SetNotesText(g, notes[i]);
        }
        EnsureDefaultGroup(groups);
    } catch (...) {
        for (auto &g : groups.Groups) g->Name = StripNumberPrefix(g->Name);
        throw;
    }
    for (auto &g : groups.Groups) g->Name = StripNumberPrefix(g->Name);
}
