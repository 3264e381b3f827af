#include "kit_accessibility.h"

#include "minihtmllabel.h"
#include "slimbutton.h"
#include "slimprogressbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QRegularExpression>

namespace {

class TAccessibleSlimButton : public QAccessibleWidget {
public:
    explicit TAccessibleSlimButton(TSlimButton *button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return AccessibleCaption(Button()->Caption());
        if (t == QAccessible::Accelerator) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(Button()->Caption());
            if (!mnemonic.isEmpty()) return mnemonic.toString(QKeySequence::NativeText);
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const TSlimButton *b = Button();
        s.pressed = b->State() == TSlimButton::bsDown;
        s.defaultButton = b->Default();
        if (b->GroupIndex() > 0) {
            s.checkable = true;
            s.checked = b->Down();
        }
        return s;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    // The press is the user's click: refused while the button is disabled,
    // otherwise asked of the before-click veto like any other.
    void doAction(const QString &action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (widget()->isEnabled()) Button()->UserClick();
    }

    QStringList keyBindingsForAction(const QString &action) const override {
        if (action != pressAction()) return QAccessibleWidget::keyBindingsForAction(action);
        const QKeySequence mnemonic = QKeySequence::mnemonic(Button()->Caption());
        return mnemonic.isEmpty() ? QStringList()
                                  : QStringList(mnemonic.toString(QKeySequence::NativeText));
    }

private:
    TSlimButton *Button() const { return static_cast<TSlimButton *>(widget()); }
};

class TAccessibleSlimProgressBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TAccessibleSlimProgressBar(TSlimProgressBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void *interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(Bar()->Position());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Bar()->Position(); }
    // The bar shows how far an operation has come; nobody sets it from outside.
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return Bar()->Max(); }
    QVariant minimumValue() const override { return Bar()->Min(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    TSlimProgressBar *Bar() const { return static_cast<TSlimProgressBar *>(widget()); }
};

class TAccessibleHtmlLabel : public QAccessibleWidget {
public:
    explicit TAccessibleHtmlLabel(TCustomHtmlLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<TCustomHtmlLabel *>(widget())->PlainText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
};

std::function<void(QAccessibleEvent *)> &EventWatch() {
    static std::function<void(QAccessibleEvent *)> watch;
    return watch;
}

void Tell(QAccessibleEvent &event) {
    if (EventWatch()) EventWatch()(&event);
    QAccessible::updateAccessibility(&event);
}

QAccessibleInterface *KitInterface(const QString &className, QObject *object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("TSlimButton"))
        return new TAccessibleSlimButton(static_cast<TSlimButton *>(object));
    if (className == QLatin1String("TSlimProgressBar"))
        return new TAccessibleSlimProgressBar(static_cast<TSlimProgressBar *>(object));
    if (className == QLatin1String("TCustomHtmlLabel"))
        return new TAccessibleHtmlLabel(static_cast<TCustomHtmlLabel *>(object));
    return nullptr;
}

} // namespace

void InstallKitAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(KitInterface);
        return true;
    }();
    (void)installed;
}

QString AccessibleCaption(const QString &caption) {
    static const QRegularExpression lineBreak(QStringLiteral("<br>"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString text = caption;
    text.replace(lineBreak, QStringLiteral(" "));
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

void SetAccessibleEventWatch(std::function<void(QAccessibleEvent *)> watch) {
    EventWatch() = std::move(watch);
}

void NotifyAccessibleNameChanged(QObject *widget) {
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    Tell(event);
}

void NotifyAccessibleValueChanged(QObject *widget, int value) {
    QAccessibleValueChangeEvent event(widget, value);
    Tell(event);
}
