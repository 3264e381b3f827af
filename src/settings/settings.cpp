#include "settings.h"

#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "setting_streams.h"
#include "text_codec.h"

namespace {

std::unique_ptr<TSettings> &Instance() {
    // Function-local so that the object is freed at process end, after
    // everything that may still read it during shutdown of the windows.
    static std::unique_ptr<TSettings> instance;
    return instance;
}

const QString kNotChange = QStringLiteral("Nicht ändern");

bool IsControlOrBlank(QChar c) { return c.unicode() <= 0x20; }

QString TrimControls(const QString &text) {
    qsizetype start = 0, end = text.size();
    while (start < end && IsControlOrBlank(text[start])) ++start;
    while (end > start && IsControlOrBlank(text[end - 1])) --end;
    return text.mid(start, end - start);
}

QString IntPattern10(qint32 value) { return value == 0 ? QString() : QString::number(value); }

}  // namespace

TSettingsMessageHook &SettingsMessageHook() {
    static TSettingsMessageHook hook;
    return hook;
}

void ShowSettingsMessage(const QString &text) {
    if (SettingsMessageHook()) SettingsMessageHook()(text);
}

TSIHelperSetup &SIHelperSetup() {
    static TSIHelperSetup setup;
    return setup;
}

TSIClipBrdSetup &SIClipBrdSetup() {
    static TSIClipBrdSetup setup;
    return setup;
}

QString &CurrentDatabaseName() {
    static QString name;
    return name;
}


QString (&FreeFieldNames())[6] {
    static QString names[6] = {QString(),
                               QStringLiteral("Freifeld1"),
                               QStringLiteral("Freifeld2"),
                               QStringLiteral("Freifeld3"),
                               QStringLiteral("Freifeld4"),
                               QStringLiteral("Freifeld5")};
    return names;
}

quint8 &SelectedSlotIndex() {
    static quint8 index = 21;
    return index;
}

TPublishedSwitches &PublishedSwitches() {
    static TPublishedSwitches switches;
    return switches;
}


TUserFieldsOrder &UserFieldsOrder() {
    static TUserFieldsOrder order = [] {
        TUserFieldsOrder o;
        for (int f = 1; f <= 10; ++f) {
            o.Captions[f] = QStringLiteral("INFO%1").arg(f);
            o.Modes[f] = f <= 5 ? 1 : 0;
            o.Widths[f] = -1;
            for (int r = 0; r < 14; ++r) o.Visible[r][f] = true;
        }
        return o;
    }();
    return order;
}

TSettings::TSettings()
    : HtmlSetup(std::make_unique<THTML>()),
      VSTable(std::make_unique<TVSOBJ>()),
      Stream8101(std::make_unique<TMemoryStream>()),
      Stream8102(std::make_unique<TMemoryStream>()),
      Stream8103(std::make_unique<TMemoryStream>()),
      PartsGroups(std::make_unique<TPartsGroup>()),
      PrinterDef(std::make_unique<TUserPrinterDef>()),
      SecondCurrency(std::make_unique<TAlterCurrencyInfo>()),
      AutoActions(std::make_unique<TAutoActionItems>()),
      UpperLowerPart(std::make_unique<TUpperLowerPartField>()) {
    ResetDefaultFont(PrinterDef->DefaultFont);
    ResetDocumentKindChoices(*this, false);
    static const char *const kSums[9] = {"",
                                         "Warenwert:",
                                         "Zwischensumme:",
                                         "+Steuer: [ST1]%",
                                         "Rechnungsbetrag:",
                                         "Warenwert:",
                                         "Zwischensumme:",
                                         "enthaltene Steuer [ST1]%:",
                                         "Rechnungsbetrag:"};
    for (int kind = 1; kind <= 13; ++kind)
        for (int p = 1; p <= 8; ++p) SumLabels[kind][p] = QString::fromUtf8(kSums[p]);
    HeaderTexts[1] = QStringLiteral("Nr:");
    HeaderTexts[2] = QStringLiteral("Datum ");
    HeaderTexts[3] = QStringLiteral("Kundennummer ");
    HeaderTexts[4] = QStringLiteral("Auftrag ");
    HeaderTexts[5] = QStringLiteral("vom ");
    SetDisplayDecimals(*this, 0);
    SetIdent216Value(*this, 0);
    Ident15001Text = QStringLiteral("000001");
    NormalizeNumberingPattern(*this);
    ResetReminderDefaults(*this);
    ArticleFieldNames[1] = QStringLiteral("Bezeichnung1");
    ArticleFieldNames[2] = QStringLiteral("Bezeichnung2");
    ArticleFieldNames[3] = QStringLiteral("Bestellnummer");
    for (int i = 1; i <= 5; ++i) FreeFieldNames()[i] = QStringLiteral("Freifeld%1").arg(i);
    // Creation differs from the load's reset in one point: all ten modes 0.
    TUserFieldsOrder &order = UserFieldsOrder();
    order = TUserFieldsOrder();
    for (int f = 1; f <= 10; ++f) {
        order.Captions[f] = QStringLiteral("INFO%1").arg(f);
        order.Widths[f] = -1;
        for (int r = 0; r < 14; ++r) order.Visible[r][f] = true;
    }
    for (int k = 0; k < 10; ++k) ExtraTextSlots[k] = {quint8(k + 10), quint8(k), QString(), 0};
}

TSettings::~TSettings() = default;

TSettings &GetSettings() {
    if (!Instance()) Instance() = std::make_unique<TSettings>();
    return *Instance();
}

void SetIdent949Value(TSettings &settings, double value) {
    settings.Ident949Value = value;
    SIClipBrdSetup().Ident949Value = value;
    SICurrencySetup().Ident949Value = value;
}

void SetIdent950Value(TSettings &settings, double value) {
    settings.Ident950Value = value;
    SIClipBrdSetup().Ident950Value = value;
    SICurrencySetup().Ident950Value = value;
}

void SetIdent216Value(TSettings &settings, quint8 value) {
    settings.Ident216Value = value;
    SICurrencySetup().Ident216Value = value;
}

void SetDisplayDecimals(TSettings &settings, int value) {
    settings.DisplayDecimals = value;
    SIClipBrdSetup().DisplayPattern = DisplayDecimalsFormat(settings);
}

QString DisplayDecimalsFormat(const TSettings &settings) {
    switch (settings.DisplayDecimals) {
    case 0: return QStringLiteral("0.###");
    case 1: return QStringLiteral("0.0##");
    case 2: return QStringLiteral("0.00#");
    case 3: return QStringLiteral("0.000");
    default: return QStringLiteral("######.###");
    }
}

void ResetDocumentKindChoices(TSettings &settings, bool keepExisting) {
    QStringList &list = settings.DocumentKindChoices;
    if (!keepExisting || list.isEmpty()) {
        list = {kNotChange, QStringLiteral("LIEFERSCHEIN"), QStringLiteral("AUFTRAGSBESTÄTIGUNG")};
        return;
    }
    if (!list.first().startsWith(kNotChange)) list.prepend(kNotChange);
}

void ResetReminderDefaults(TSettings &settings) {
    settings.ReminderText.clear();
    settings.Ident4998Value = 30;
    settings.Ident5000Value = 10;
    settings.Ident5001Value = 30;
    settings.Ident5002Value = 50;
    settings.Ident5021Value = 20.0;
    settings.Ident5022Value = 0;
    settings.Ident5025Value = 0;
    settings.Ident5026Value = 0;
    settings.Ident4996Value = 0;
    settings.Ident5023Value = 1;
    settings.Ident5024Date = 0;
}

void NormalizeNumberingPattern(TSettings &s) {
    QString mask;
    for (QChar c : s.NumberMask.left(10))
        if (c == u'0') mask += c;
    if (mask.isEmpty()) mask = QStringLiteral("0");
    s.NumberMask = mask;
    qsizetype n = mask.size();
    s.NumberPrefix = TrimControls(s.NumberPrefix).left(10);
    n += s.NumberPrefix.size();
    s.NumberSuffix = TrimControls(s.NumberSuffix).left(10);
    s.NumberSuffix = 20 - n <= 0 ? QString() : s.NumberSuffix.left(20 - n);
    s.NumberCounter = IntPattern10(TryStrToInt(s.NumberCounter).value_or(0));
    while (s.NumberCounter.size() > s.NumberMask.size()) s.NumberCounter.chop(1);
    s.NumberCounter = IntPattern10(TryStrToInt(s.NumberCounter).value_or(0));
}

bool SeekIdent(TDbDataSet &cursor, int ident) { return cursor.SeekKey(QString::number(ident), true); }

QString StringItem(TDbDataSet &cursor) { return cursor.FieldByName(QStringLiteral("stringItem"))->AsString(); }

bool ReadIdentText(TDbDataSet &cursor, int ident, const QString &defaultText, QString &text) {
    if (!SeekIdent(cursor, ident)) {
        text = defaultText;
        return false;
    }
    text = StringItem(cursor);
    return true;
}

QStringList MemoItemLines(TDbDataSet &cursor) {
    const QString text = FromAnsi(OpenBlobForRead(cursor, QStringLiteral("MemoItem"))->ReadRest());
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        lines.append(text.mid(start, end - start));
        if (end < text.size() && text[end] == u'\r') ++end;
        if (end < text.size() && text[end] == u'\n') ++end;
        start = end;
    }
    return lines;
}

bool ReadIdentLines(TDbDataSet &cursor, int ident, QStringList &lines, bool clearIfMissing) {
    if (!SeekIdent(cursor, ident)) {
        if (clearIfMissing) lines.clear();
        return false;
    }
    lines = MemoItemLines(cursor);
    return true;
}

bool ReadIdentInt(TDbDataSet &cursor, int ident, qint32 fallback, qint32 &value) {
    if (!SeekIdent(cursor, ident)) return false;
    value = TryStrToInt(StringItem(cursor)).value_or(fallback);
    return true;
}

QString NormalizeDecimalText(const QString &text) {
    const QString separator(FormatSettings().DecimalSeparator);
    QString result = TrimControls(text);
    result.replace(u'.', separator);
    result.replace(u',', separator);
    return result;
}

double ReadIdentFloat(TDbDataSet &cursor) { return TextToFloatOrZero(NormalizeDecimalText(StringItem(cursor))); }

bool IdentIsOne(TDbDataSet &cursor) { return StringItem(cursor) == QStringLiteral("1"); }

bool PrepareSettingsTable(TSettings &, TDbDataSet &cursor) {
    try {
        if (cursor.Filtered) cursor.Filtered = false;
        if (cursor.IndexName() != QStringLiteral("Ident")) cursor.SetIndexName(QStringLiteral("Ident"));
        return true;
    } catch (const Exception &e) {
        ShowSettingsMessage(QStringLiteral("<B>Einstellungen Zugriffsfehler.</B><BR>") + e.message());
        return false;
    }
}

void SetConnectPath(TSettings &settings, const QString &path) {
    settings.ConnectPath = path;
    settings.DatabaseName = DatabaseNameFromPath(path);
    CurrentDatabaseName() = settings.DatabaseName;
    SIHelperSetup().ConnectPath = settings.ConnectPath;
    SIHelperSetup().DatabaseName = settings.DatabaseName;
}

QString DatabaseNameFromPath(const QString &path) {
    QString p = path;
    if (!p.isEmpty() && !p.endsWith(u':') && !p.endsWith(u'\\')) {
        const bool driveLetter = p.size() == 1 && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'));
        p += driveLetter ? QStringLiteral(":\\") : QStringLiteral("\\");
    }
    if (!p.isEmpty()) p.chop(1);
    const qsizetype slash = p.lastIndexOf(u'\\');
    QString name = p.mid(slash + 1);
    if (name.size() > 30) name.truncate(30);
    name = SanitizeName(name);
    CurrentDatabaseName() = name;
    return name;
}

QString SanitizeName(const QString &text) {
    static const QString kReplaced = QStringLiteral("?äüö#+*~!\"§$&()[]{}:;,=<> |\\./");
    QString result = text;
    for (QChar &c : result)
        if (kReplaced.contains(c)) c = u'_';
    return result;
}
