// A test driver loaded into the real, unchanged executable through the
// toolkit's generic plugin mechanism (QT_QPA_GENERIC_PLUGINS=artnrdriver),
// so that tests of the whole process can act as a user does: answer the
// message boxes, press keys, click buttons and press the close box, on the
// offscreen platform where no outside program can reach the window.
//
// ARTNR_DRIVE holds the steps, separated by ';', carried out in order, each
// waiting for what it needs:
//   answer       a modal box or dialog is shown: log its text, press Return
//                (a box that no such step waits for is answered all the same
//                and logged as unexpected)
//   ready        the main window is enabled and captioned with its path
//   key NAME     press the key (Escape, Return) in the main window
//   click NAME   click the widget of that object name in the main window
//   closebox     close the main window as its close box does
// ARTNR_DRIVE_LOG names the file the driver appends its observations to,
// one line each, written at once (the process may end right after).
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace {

class TWindowDriver : public QObject {
public:
    TWindowDriver() {
        const QString script = qEnvironmentVariable("ARTNR_DRIVE");
        for (const QString &step : script.split(u';', Qt::SkipEmptyParts))
            steps_ << step.trimmed();
        log_.setFileName(qEnvironmentVariable("ARTNR_DRIVE_LOG"));
        if (!log_.fileName().isEmpty()) log_.open(QIODevice::WriteOnly | QIODevice::Append);
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

private:
    void Log(const QString &line) {
        if (!log_.isOpen()) return;
        log_.write((line + u'\n').toUtf8());
        log_.flush();
    }

    static QWidget *MainWindow() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("FMain")) return w;
        return nullptr;
    }

    static QString BoxText(QWidget *box) {
        QStringList texts;
        for (QObject *child : box->findChildren<QObject *>()) {
            const QVariant html = child->property("HTMLText");
            const QString text = html.toStringList().join(u'\n');
            if (!text.isEmpty()) texts << text;
        }
        return texts.join(u" | ");
    }

    static Qt::Key KeyNamed(const QString &name) {
        if (name == QLatin1String("Escape")) return Qt::Key_Escape;
        if (name == QLatin1String("Return")) return Qt::Key_Return;
        if (name == QLatin1String("Space")) return Qt::Key_Space;
        return Qt::Key_unknown;
    }

    // What the current step does, once what it waits for is there; an
    // empty function while it must wait.
    std::function<void()> Ready(const QString &step) {
        const QString verb = step.section(u' ', 0, 0);
        const QString arg = step.section(u' ', 1);
        if (verb == QLatin1String("answer")) {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == answered_ || !modal->isVisible()) return {};
            return [this, modal] {
                answered_ = modal;
                Log(QStringLiteral("box: ") + BoxText(modal));
                QWidget *target = modal->focusWidget() ? modal->focusWidget() : modal;
                QTest::keyClick(target, Qt::Key_Return);
            };
        }
        QWidget *main = MainWindow();
        if (!main || !main->isVisible()) return {};
        if (verb == QLatin1String("ready")) {
            const QString title = main->windowTitle();
            if (!main->isEnabled() || title == QLatin1String("Artikelnummern-Überprüfung") ||
                title == QLatin1String("Verbindung zur Datenbank aufbauen...."))
                return {};
            return [this, title] { Log(QStringLiteral("ready: ") + title); };
        }
        if (QApplication::activeModalWidget()) return {};
        if (verb == QLatin1String("key")) {
            return [this, main, arg] {
                QWidget *target = main->focusWidget() ? main->focusWidget() : main;
                Log(QStringLiteral("key: ") + arg);
                QTest::keyClick(target, KeyNamed(arg));
            };
        }
        if (verb == QLatin1String("click")) {
            auto *widget = main->findChild<QWidget *>(arg);
            if (!widget || !widget->isVisible()) return {};
            return [this, widget, arg] {
                Log(QStringLiteral("click: ") + arg);
                QTest::mouseClick(widget, Qt::LeftButton);
            };
        }
        if (verb == QLatin1String("closebox")) {
            QWindow *window = main->windowHandle();
            if (!window) return {};
            return [this, window] {
                Log(QStringLiteral("closebox"));
                // The platform's own close request, as the window manager
                // sends it when the user presses the close box.
                window->close();
            };
        }
        return [this, step] {
            Log(QStringLiteral("unknown step: ") + step);
            steps_.clear();
        };
    }

    // A box no step waits for is answered at once and logged, so that a
    // test sees it instead of waiting for a process that cannot go on.
    bool AnswerUnexpectedBox() {
        if (!steps_.isEmpty() && steps_.first().startsWith(QLatin1String("answer"))) return false;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == answered_ || !modal->isVisible()) return false;
        answered_ = modal;
        Log(QStringLiteral("unexpected box: ") + BoxText(modal));
        QWidget *target = modal->focusWidget() ? modal->focusWidget() : modal;
        QTest::keyClick(target, Qt::Key_Return);
        return true;
    }

    void Poll() {
        if (AnswerUnexpectedBox() || steps_.isEmpty()) return;
        std::function<void()> action = Ready(steps_.first());
        if (!action) return;
        // The step is done before it acts: its action may open a nested
        // event loop (a box, an operation that processes events), in which
        // the next step has to run.
        steps_.removeFirst();
        action();
    }

    QStringList steps_;
    QFile log_;
    QTimer timer_;
    QPointer<QWidget> answered_;
};

} // namespace

class TWindowDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_driver.json")
public:
    QObject *create(const QString &key, const QString &) override {
        return key.compare(QLatin1String("artnrdriver"), Qt::CaseInsensitive) == 0
                   ? new TWindowDriver
                   : nullptr;
    }
};

#include "window_driver.moc"
