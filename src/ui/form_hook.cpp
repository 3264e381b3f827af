#include "form_hook.h"

#include "color_wrapper.h"
#include "component.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <memory>

namespace {

TFormHookProc gFormHook = nullptr;
QPointer<QWidget> gMainForm;

void InstallHook() {
    // Naming the wrapper's registration here is what links its code into
    // programs; the hook itself still finds the class only by its name.
    RegisterColorWrapper();
    SetFormHook(ApplyFormHook);
    qAddPostRoutine(ClearFormHook);
}

// Rectangle edges as the placement rules count them: right and bottom are
// exclusive (QRect::right() is inclusive).
int Right(const QRect &r) { return r.x() + r.width(); }
int Bottom(const QRect &r) { return r.y() + r.height(); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallHook)

TFormBorderStyle FormBorderStyle(const QWidget *form) {
    const QVariant v = form->property("BorderStyle");
    if (v.isValid()) return static_cast<TFormBorderStyle>(v.toInt());
    return form->windowFlags().testFlag(Qt::FramelessWindowHint) ? bsNone : bsSizeable;
}

TPosition FormPosition(const QWidget *form) {
    const QVariant v = form->property("Position");
    return v.isValid() ? static_cast<TPosition>(v.toInt()) : poDesigned;
}

void SetFormPosition(QWidget *form, TPosition position) {
    form->setProperty("Position", int(position));
}

void SetFormHook(TFormHookProc hook) { gFormHook = hook; }

void ClearFormHook() { gFormHook = nullptr; }

void CallFormHook(QObject *form, bool flag) {
    if (gFormHook) gFormHook(form, flag);
}

void SetMainForm(QWidget *form) { gMainForm = form; }

QWidget *MainForm() { return gMainForm; }

void ApplyFormHook(QObject *form, bool flag) {
    auto *window = qobject_cast<QWidget *>(form);
    if (window && window->isWindow()) {
        window->setProperty("HelpContext", 1);
        if (flag && FormBorderStyle(window) != bsNone) PlaceForm(window, false);
    }
    std::unique_ptr<TComponent> wrapper(TClassRegistry::Create(QStringLiteral("TColorWrapper"), nullptr));
    if (!wrapper) return;
    const QMetaObject *meta = wrapper->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == "SetProperties" && method.parameterCount() == 1) {
            method.invoke(wrapper.get(), Qt::DirectConnection, Q_ARG(QObject *, form));
            break;
        }
    }
}

TWorkMonitor FindWorkMonitor() {
    QWidget *reference = QApplication::activeWindow();
    if (!reference) reference = gMainForm;
    if (!reference) return {};
    const QRect r = reference->frameGeometry();
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect both = screen->geometry() & r;
        if (both.width() > r.width() / 2 && both.height() > r.height() / 2) {
            const QRect m = screen->geometry();
            QScreen *nearest = QGuiApplication::screenAt(m.topLeft() + QPoint(1, 1));
            if (!nearest) nearest = screen;
            return {screen, nearest->availableGeometry() != nearest->geometry()};
        }
    }
    return {};
}

QRect PlaceFormRect(const QRect &form, bool centre, const QRect &m, bool workAreaDiffers,
                    const QRect &a) {
    int x = form.x(), y = form.y(), w = form.width(), h = form.height();
    if (Right(m) < form.x() + w) x = form.x() + m.x();
    if (m.x() > form.x()) x = m.x() + form.x();
    if (x < m.x()) x = m.x();
    if (Bottom(m) < form.y() + h) y = Bottom(m) - h;
    if (m.y() > form.y()) y = m.y();

    if (centre) {
        // Centred in the work area when a task bar shares the monitor,
        // otherwise on the monitor; shrunk where it would stick out.
        const QRect &area = workAreaDiffers ? a : m;
        x = area.x() + (area.width() - w) / 2;
        y = area.y() + (area.height() - h) / 2;
        if (Bottom(area) < y + h) h = Bottom(area) - y;
        if (Right(area) < x + w) w = Right(area) - x;
    } else if (workAreaDiffers) {
        if (x < a.x()) x = a.x();
        if (y < 0) y = 0;
        if (x + w > Right(a)) x = std::max(0, Right(a) - w);
        if (y + h > Bottom(a)) y = std::max(0, Bottom(a) - h);
    }
    return QRect(x, y, w, h);
}

void PlaceForm(QWidget *form, bool force) {
    if (!force && FormBorderStyle(form) == bsNone) return;
    const bool centre = FormPosition(form) == poScreenCenter;
    TWorkMonitor found = FindWorkMonitor();
    QScreen *monitor = found.monitor ? found.monitor : form->screen();
    if (!monitor) return;
    QScreen *primary = QGuiApplication::primaryScreen();
    const QRect workArea = primary ? primary->availableGeometry() : monitor->availableGeometry();
    if (centre) SetFormPosition(form, poDesigned);

    const QRect outer = form->frameGeometry();
    const QRect placed = PlaceFormRect(outer, centre, monitor->geometry(), found.workAreaDiffers, workArea);
    // The frame's share of the outer size stays with the frame.
    const QSize frame = outer.size() - form->geometry().size();
    form->move(placed.topLeft());
    form->resize(placed.size() - frame);
}
