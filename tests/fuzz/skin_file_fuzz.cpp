// The skin file beside the executable: any file recolours and restyles the
// controls of a form as far as its values are valid, the lookups follow the
// file's own rules, and the form paints whatever values it set.
#include "color_wrapper.h"
#include "db_grid.h"
#include "fuzz_support.h"
#include "minihtmllabel.h"
#include "panel.h"
#include "slimbutton.h"
#include "slimpanel.h"
#include "slimprogressbar.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

namespace {

template <typename T> T *Add(QWidget *parent, const char *name) {
    T *child = new T(parent);
    child->setObjectName(QLatin1String(name));
    return child;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString path =
        fuzz::WriteScratchFile(QStringLiteral("skin.SKM"), fuzz::Bytes(data, size));
    TSkinFile skin;
    fuzz::Require(skin.LoadFromFile(path), "the skin file cannot be read");
    for (const QString &line : skin.Lines()) {
        fuzz::Require(!line.contains(u'\r') && !line.contains(u'\n'), "a line holds a line break");
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        // The first line of a name wins; the value is taken untrimmed.
        const std::optional<QString> value = skin.Value(line.left(eq));
        fuzz::Require(value.has_value(), "a name of the file is not found");
        SkinColorValue(*value);
        SkinNumberValue(*value);
    }

    QWidget form;
    form.setObjectName(QStringLiteral("FMain"));
    auto *panel = Add<TPanel>(&form, "Panel1");
    Add<TSlimButton>(panel, "SlimButton1");
    Add<TSlimButton>(Add<TPanel>(&form, "Panel2"), "SlimButton2");
    Add<TSlimPanel>(&form, "SlimPanel1");
    Add<TMiniHtmlLabel>(&form, "rlb");
    Add<TI_DBGrid>(&form, "DBGrid_ARTMAIN");
    Add<TSlimProgressBar>(&form, "PG");
    const QString prefix = form.objectName() + u'.';
    ApplySkinToComponent(&form, prefix, skin);
    for (QObject *child : OwnedComponents(&form)) {
        ApplySkinToComponent(child, prefix, skin);
        for (QObject *grandChild : OwnedComponents(child))
            ApplySkinToComponent(grandChild, prefix, skin);
    }
    // Whatever the skin set, the form still paints.
    form.resize(240, 160);
    for (QWidget *child : form.findChildren<QWidget *>())
        child->setGeometry(10, 10, 120, 60);
    QImage image(240, 160, QImage::Format_ARGB32);
    form.render(&image);
    return 0;
}
