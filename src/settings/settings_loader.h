// Fills the settings object from setup.TBL in the suite's fixed order.
#pragma once

#include "settings.h"

class TDbDataSet;

// Never lets an error escape: a damaged record either is skipped or ends
// the load with one message through the settings message hook.
void LoadSettings(TSettings &settings, TDbDataSet &cursor);

// Where the load reads WELDU.INI; empty means beside the executable. Tests
// point it elsewhere so that a load leaves the build tree alone.
QString &WorkstationOptionsFolder();

void LoadSwitchLines(TSettings &settings, TDbDataSet &cursor, bool prepareFirst);
void LoadDocumentLabels(TSettings &settings, TDbDataSet &cursor);
void LoadHtmlSetup(THTML &html, TDbDataSet &cursor, int textIdent, int parameterIdent);
void ResetLabelBounds(TlbBoundsA &bounds);
void LoadLabelBounds(TlbBoundsA &bounds, const QStringList &lines);
void LoadUpperLowerPart(TUpperLowerPartField &field, const QString &text);
void ResetUserFieldsOrder();
void SelectSlot(const TSettings &settings);
void LoadCurrencyValues(TSettings &settings, TDbDataSet &cursor);
// Ascending, comparing the letters a-z as their capitals.
void SortSettingLines(QStringList &lines);
