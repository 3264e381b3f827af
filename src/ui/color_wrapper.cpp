#include "color_wrapper.h"

#include "exceptions.h"
#include "format_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QPalette>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

namespace {

// One key of a skin-table row: the key's last part, the property that
// receives the value (a dotted path reaches into a sub-object), whether it
// is a number rather than a colour, and the class-wide default key.
struct TSkinKey {
    QString part;
    QString property;
    bool number = false;
    QString classDefault;  // empty: none
};

enum class TMatch { Exact, Descends, Form };

struct TSkinRow {
    QStringList classes;
    TMatch match = TMatch::Exact;
    std::vector<TSkinKey> keys;
    bool setDirectly = false;  // Color goes to the palette when there is no property
};

TSkinKey Colour(const QString &part, const QString &classDefault, const QString &property = {}) {
    return {part, property.isEmpty() ? part : property, false, classDefault};
}

TSkinKey Number(const QString &part, const QString &classDefault, const QString &property = {}) {
    return {part, property.isEmpty() ? part : property, true, classDefault};
}

std::vector<TSkinKey> BrowserKeys(const QString &cls) {
    return {Colour("Color", cls + "_Color"), Colour("ReadOnlyColor", cls + "_ReadOnlyColor", "ReadOnlyColor_"),
            Colour("EmptyColor", cls + "_EmptyColor", "RichEmptyEditColor_")};
}

std::vector<TSkinKey> ButtonKeys(const QString &cls) {
    std::vector<TSkinKey> keys{Number("Visible", {})};
    for (const char *part : {"Color", "ColorDown", "ColorFocused", "ColorBorder", "ColorHighLight", "ColorShadow"})
        keys.push_back(Colour(part, cls + "_" + part));
    keys.push_back(Number("ROUND", cls + "_ROUND", "Round"));
    keys.push_back(Number("Margin", cls + "_Margin"));
    keys.push_back(Number("Spacing", cls + "_Spacing"));
    return keys;
}

std::vector<TSkinKey> MenuKeys(const QString &defaultPrefix) {
    return {Colour("Color", defaultPrefix + "_Color"),
            Colour("FirstColor", defaultPrefix + "_FirstColor", "Background.Gradient")};
}

// Tested in this order; the first row that matches is the only one read.
const std::vector<TSkinRow> &SkinTable() {
    static const std::vector<TSkinRow> table{
        {{"TSkinCheckBox"}, TMatch::Exact, {Colour("Color", "TSkinCheckBox_Color")}},
        {{"TSlimMemo"},
         TMatch::Exact,
         {Colour("ColorFocused", "TSlimMemo_ColorFocused"), Colour("ColorFlat", "TSlimMemo_ColorFlat"),
          Colour("ColorBorder", "TSlimMemo_ColorBorder")}},
        {{"TListBox"}, TMatch::Exact, {Colour("Color", "TListBox_Color")}},
        {{"TWizardNotebook"}, TMatch::Exact, {Colour("Color", "TWizardNotebook_Color")}},
        {{"TAdressBrowser"},
         TMatch::Exact,
         {Colour("Color", "TAdressBrowser_Color"), Colour("ChoiseEnterColor", "TAdressBrowser_ChoiseEnterColor"),
          Colour("ChoiseExitColor", "TAdressBrowser_ChoiseExitColor")}},
        {{"TCPrivateBrowser"}, TMatch::Exact, BrowserKeys("TCPrivateBrowser")},
        {{"TCBrowser"}, TMatch::Exact, BrowserKeys("TCBrowser")},
        {{"TOrderBrowser"}, TMatch::Exact, BrowserKeys("TOrderBrowser")},
        {{}, TMatch::Form, {Colour("Color", "Form_Color")}, true},
        {{"TI_CustomChoiceEdit", "TI_CFloatEdit", "TI_FloatEdit", "TEdCustomFormEdit", "TEdCustomTreeEdit",
          "TEdCustomGridEdit", "TEdCustomComboBox", "TEdComboBox", "TEdCustomFloatEdit", "TEdFloatEdit",
          "TEdCustomDateEdit", "TEdDateEdit", "TEdChoiceEdit", "TEdCustomChoiceEdit", "TEdCustomListComboBox"},
         TMatch::Exact,
         {Number("DrawStyle", "TEdCustomChoiceEdit_DrawStyle"), Number("Visible", {}),
          Colour("Color", "TEdCustomChoiceEdit_Color")}},
        {{"TPageControl"}, TMatch::Exact, {Number("Visible", {})}},
        {{"TSlimSpinEditInteger"}, TMatch::Exact, {Colour("Color", "TSlimSpinEditInteger_Color", "ColorFlat")}},
        {{"TStringGrid"}, TMatch::Exact, {Colour("Color", "TStringGrid_Color")}},
        {{"TScrollBox"}, TMatch::Exact, {Colour("Color", "TScrollBox_Color")}, true},
        {{"TRichEditWithLinks"}, TMatch::Exact, {Colour("Color", "TRichEditWithLinks_Color")}},
        {{"TPanel"},
         TMatch::Exact,
         {Number("BevelInner", "TPanel_BevelInner"), Number("BevelOuter", "TPanel_BevelOuter"),
          Number("Visible", {}), Colour("Color", "TPanel_Color")}},
        {{"TSlimCheckBox"}, TMatch::Exact, {Number("Visible", {}), Colour("Color", "TSlimCheckBox_Color")}},
        {{"TMiniHtmlLabel"}, TMatch::Exact, {Colour("Color", "TMiniHtmlLabel_Color")}},
        {{"TI_DBGrid", "TSuiteStringGrid"},
         TMatch::Exact,
         {Colour("Color", "TI_DBGrid_Color"), Colour("FixedColor", "TI_DBGrid_FixedColor"),
          Number("BorderStyle", "TI_DBGrid_BorderStyle")}},
        {{"TTabSet"},
         TMatch::Exact,
         {Number("Visible", {}), Colour("BackgroundColor", "TTabSet_BackgroundColor"),
          Colour("SelectedColor", "TTabSet_SelectedColor"), Colour("UnselectedColor", "TTabSet_UnselectedColor")}},
        {{"TSlimPanel"},
         TMatch::Exact,
         {Number("Visible", {}), Colour("Color", "TSlimPanel_Color"), Colour("ColorHighLight", "TSlimPanel_ColorHighLight"),
          Colour("ColorShadow", "TSlimPanel_ColorShadow")}},
        {{"TSlimButton"}, TMatch::Exact, ButtonKeys("TSlimButton")},
        {{"TSlimSpeedButton"}, TMatch::Exact, ButtonKeys("TSlimSpeedButton")},
        {{"TSkinPopupMenu"}, TMatch::Descends, MenuKeys("MENUPOP")},
        {{"TSkinMenu"}, TMatch::Exact, MenuKeys("MENU")},
        {{"TSlimGroupBox"},
         TMatch::Exact,
         {Colour("Color", "TSlimGroupBox_Color"), Colour("ColorBorder", "TSlimGroupBox_ColorBorder")}},
    };
    return table;
}

bool Matches(const TSkinRow &row, const QObject *component) {
    switch (row.match) {
    case TMatch::Form: {
        auto *widget = qobject_cast<const QWidget *>(component);
        return widget && widget->isWindow();
    }
    case TMatch::Exact:
        return row.classes.contains(QLatin1String(component->metaObject()->className()));
    case TMatch::Descends:
        for (const QMetaObject *m = component->metaObject(); m; m = m->superClass())
            if (row.classes.contains(QLatin1String(m->className()))) return true;
        return false;
    }
    return false;
}

// Published properties are found by name without regard to case, as the
// skin file writes them in any case ("ROUND" for Round, "Visible" for
// QWidget's visible). An exact match wins, then the most derived class's.
QMetaProperty FindProperty(const QObject *object, const QString &name) {
    const QMetaObject *meta = object->metaObject();
    const int exact = meta->indexOfProperty(name.toLatin1().constData());
    if (exact >= 0) return meta->property(exact);
    for (int i = meta->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty p = meta->property(i);
        if (name.compare(QLatin1String(p.name()), Qt::CaseInsensitive) == 0) return p;
    }
    return QMetaProperty();
}

// Writes a colour (as TColor) or a number to the property at `path`;
// returns false when there is no such writable property.
bool WriteProperty(QObject *object, const QString &path, qint64 value) {
    const QStringList parts = path.split(u'.');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QMetaProperty p = FindProperty(object, parts[i]);
        if (!p.isValid()) return false;
        object = p.read(object).value<QObject *>();
        if (!object) return false;
    }
    const QMetaProperty p = FindProperty(object, parts.last());
    if (!p.isValid() || !p.isWritable()) return false;
    QVariant v;
    switch (p.metaType().id()) {
    case QMetaType::QColor: v = ColorToQColor(TColor(value)); break;
    case QMetaType::Bool: v = value != 0; break;
    case QMetaType::UInt: v = uint(value); break;
    default: v = int(value); break;
    }
    return p.write(object, v);
}

void SetColorDirectly(QObject *component, TColor color) {
    if (WriteProperty(component, QStringLiteral("Color"), color)) return;
    if (auto *widget = qobject_cast<QWidget *>(component)) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, ColorToQColor(color));
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
}

std::optional<qint64> ReadValue(const TSkinFile &skin, const QString &key, bool number) {
    const std::optional<QString> text = skin.Value(key);
    if (!text) return std::nullopt;
    if (number) {
        if (auto n = SkinNumberValue(*text)) return *n;
    } else if (auto c = SkinColorValue(*text)) {
        return *c;
    }
    return std::nullopt;
}

void Walk(const QString &prefix, QObject *component, bool root, const TSkinFile &skin) {
    try {
        if (root) ApplySkinToComponent(component, prefix, skin);
        for (QObject *child : OwnedComponents(component)) {
            ApplySkinToComponent(child, prefix, skin);
            Walk(prefix, child, false, skin);
        }
    } catch (...) {
        // The rest of this level is skipped; the caller's level goes on.
    }
}

void CollectNames(const QObject *component, QStringList &names) {
    for (QObject *child : OwnedComponents(component)) {
        names.append(child->objectName());
        CollectNames(child, names);
    }
}

}  // namespace

bool TSkinFile::LoadFromFile(const QString &fileName) {
    lines_.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromLatin1(file.readAll());
    // Lines end at CR, LF or CR LF; a final line break adds no empty line.
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines_.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines_.append(text.mid(start));
    return true;
}

std::optional<QString> TSkinFile::Value(const QString &name) const {
    for (const QString &line : lines_) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        if (QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0) return line.mid(eq + 1);
    }
    return std::nullopt;
}

std::optional<TColor> IdentToColor(const QString &ident) {
    static const std::array<std::pair<const char *, TColor>, 54> kColors{{
        {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
        {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
        {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
        {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
        {"clLtGray", clSilver}, {"clDkGray", clGray},
        {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue}, {"clCream", clCream}, {"clMedGray", clMedGray},
        {"clScrollBar", clScrollBar}, {"clBackground", clBackground}, {"clActiveCaption", clActiveCaption},
        {"clInactiveCaption", clInactiveCaption}, {"clMenu", clMenu}, {"clWindow", clWindow},
        {"clWindowFrame", clWindowFrame}, {"clMenuText", clMenuText}, {"clWindowText", clWindowText},
        {"clCaptionText", clCaptionText}, {"clActiveBorder", clActiveBorder},
        {"clInactiveBorder", clInactiveBorder}, {"clAppWorkSpace", clAppWorkSpace},
        {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText}, {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow}, {"clGrayText", clGrayText}, {"clBtnText", clBtnText},
        {"clInactiveCaptionText", clInactiveCaptionText}, {"clBtnHighlight", clBtnHighlight},
        {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText},
        {"clInfoBk", clInfoBk}, {"clHotLight", clHotLight}, {"clGradientActiveCaption", clGradientActiveCaption},
        {"clGradientInactiveCaption", clGradientInactiveCaption}, {"clMenuHighlight", clMenuHighlight},
        {"clMenuBar", clMenuBar}, {"clNone", clNone}, {"clDefault", clDefault},
    }};
    for (const auto &[name, value] : kColors)
        if (ident.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return value;
    return std::nullopt;
}

std::optional<TColor> SkinColorValue(const QString &text) {
    if (auto named = IdentToColor(text)) return named;
    const std::optional<qint32> n = TryStrToInt(text);
    if (!n || *n == -1) return std::nullopt;
    return TColor(quint32(*n));
}

std::optional<qint32> SkinNumberValue(const QString &text) {
    const std::optional<qint32> n = TryStrToInt(text);
    if (!n || *n == -1) return std::nullopt;
    return n;
}

QString SkinFileName() { return QCoreApplication::applicationFilePath() + QStringLiteral(".SKM"); }

QString SkinDumpFolder() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("DEBUGSKIN")); }

QList<QObject *> OwnedComponents(const QObject *component) {
    QList<QObject *> out;
    for (QObject *child : component->children()) {
        const QString name = child->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) out.append(child);
    }
    return out;
}

void ApplySkinToComponent(QObject *component, const QString &prefix, const TSkinFile &skin) {
    for (const TSkinRow &row : SkinTable()) {
        if (!Matches(row, component)) continue;
        for (const TSkinKey &key : row.keys) {
            const QString own = row.match == TMatch::Form
                                    ? component->objectName() + u'|' + key.part
                                    : prefix + component->objectName() + u'|' + key.part;
            std::optional<qint64> value = ReadValue(skin, own, key.number);
            if (!value && !key.classDefault.isEmpty()) value = ReadValue(skin, key.classDefault, key.number);
            if (!value) continue;
            if (row.setDirectly && key.property == QLatin1String("Color"))
                SetColorDirectly(component, TColor(*value));
            else
                WriteProperty(component, key.property, *value);
        }
        return;
    }
}

void TColorWrapper::SetProperties(QObject *component) {
    try {
        if (!component) return;
        const QString fileName = SkinFileName();
        if (!QFileInfo(fileName).isFile()) return;
        TSkinFile skin;
        skin.LoadFromFile(fileName);
        if (skin.Lines().isEmpty()) return;
        Walk(component->objectName() + u'.', component, true, skin);

        if (skin.Lines().first() == QLatin1String("DEBUGOUTPUT")) {
            QStringList names{component->objectName() + u'.'};
            CollectNames(component, names);
            ForceDirectory(SkinDumpFolder());
            QFile dump(QDir(SkinDumpFolder()).filePath(component->objectName() + QStringLiteral("-DEBUG.DAT")));
            if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
                dump.write((names.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
        }
    } catch (...) {
    }
}

void RegisterColorWrapper() {
    TClassRegistry::Register(QStringLiteral("TColorWrapper"),
                             [](TComponent *owner) -> TComponent * { return new TColorWrapper(owner); });
}

void ForceDirectory(const QString &path) {
    if (path.isEmpty()) throw Exception(QStringLiteral("Das Verzeichnis kann nicht erstellt werden"));
    QString dir = path;
    if (dir.endsWith(u'\\') || dir.endsWith(u'/')) dir.chop(1);
    if (dir.size() <= 2 || QFileInfo(dir).isDir()) return;
    const qsizetype cut = std::max(dir.lastIndexOf(u'\\'), dir.lastIndexOf(u'/'));
    if (cut > 0) {
        const QString parent = dir.left(cut);
        if (parent != dir) ForceDirectory(parent);
    }
    QDir().mkdir(dir);
}
