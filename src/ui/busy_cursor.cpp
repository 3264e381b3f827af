#include "busy_cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>

// Resources compiled into a static library are only linked in when some
// code names their initialiser, and the macro must stand outside a namespace.
static void InitCursorResources() { Q_INIT_RESOURCE(ui_cursors); }

namespace {

const QString kResourceType = QStringLiteral("RT_ANICURSOR");

const std::array<std::pair<const char *, int>, 4> kCursors{{
    {"crCursor_ajax01", crCursorAjax01},
    {"crCursor_ajax02", crCursorAjax02},
    {"crCursor_ajax03", crCursorAjax03},
    {"crCursor_ajax04", crCursorAjax04},
}};

// One registered animation; the platform cursors are made on first use
// because registration may run before any screen is known.
struct TAnimatedCursor {
    TAniCursorData data;
    QList<QCursor> cursors;  // one per frame, filled lazily

    const QCursor &Step(int step) {
        if (cursors.isEmpty())
            for (const TAniFrame &f : data.frames)
                cursors.append(QCursor(QPixmap::fromImage(f.image), f.hotSpot.x(), f.hotSpot.y()));
        return cursors[int(data.sequence[step])];
    }
    int StepMs(int step) const { return std::max(1, int(data.rates[step] * 1000 / 60)); }
};

struct TScreenState {
    QMap<int, std::shared_ptr<TAnimatedCursor>> table;
    int number = crDefault;
    bool overridden = false;  // our one entry is on the override stack
    std::shared_ptr<TAnimatedCursor> running;
    int step = 0;
    QPointer<QTimer> timer;
};

TScreenState &State() {
    static TScreenState state;
    return state;
}

void ShowCursor(const QCursor &cursor) {
    TScreenState &s = State();
    if (s.overridden) {
        QGuiApplication::changeOverrideCursor(cursor);
    } else {
        QGuiApplication::setOverrideCursor(cursor);
        s.overridden = true;
    }
}

void ShowDefault() {
    TScreenState &s = State();
    if (s.overridden) QGuiApplication::restoreOverrideCursor();
    s.overridden = false;
}

void NextFrame() {
    TScreenState &s = State();
    if (!s.running) return;
    s.step = (s.step + 1) % int(s.running->data.sequence.size());
    ShowCursor(s.running->Step(s.step));
    s.timer->start(s.running->StepMs(s.step));
}

QTimer *Timer() {
    TScreenState &s = State();
    if (!s.timer) {
        s.timer = new QTimer(QCoreApplication::instance());
        s.timer->setSingleShot(true);
        QObject::connect(s.timer, &QTimer::timeout, NextFrame);
    }
    return s.timer;
}

QString FindResource(const QString &type, const QString &name) {
    const QDir dir(QStringLiteral(":/") + type);
    for (const QString &entry : dir.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return QString();
}

void Register() {
    RegisterAnimatedCursors();
    qAddPostRoutine(UnregisterAnimatedCursors);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Register)

void SetScreenCursor(int number) {
    TScreenState &s = State();
    if (number == s.number && (s.overridden || number == crDefault)) return;
    s.number = number;
    s.running.reset();
    if (s.timer) s.timer->stop();
    if (number == crHourGlass) {
        ShowCursor(QCursor(Qt::WaitCursor));
        return;
    }
    const auto it = s.table.constFind(number);
    if (it == s.table.constEnd()) {
        ShowDefault();
        return;
    }
    s.running = *it;
    s.step = 0;
    ShowCursor(s.running->Step(0));
    Timer()->start(s.running->StepMs(0));
}

int ScreenCursor() { return State().number; }

void BusyCursorOn() { SetScreenCursor(crBusy); }

void BusyCursorOff() { SetScreenCursor(crDefault); }

QTimer *ScreenCursorTimer() { return Timer(); }

const TAniCursorData *RegisteredAnimatedCursor(int number) {
    const auto it = State().table.constFind(number);
    return it == State().table.constEnd() ? nullptr : &(*it)->data;
}

void LoadAnimatedCursor(const QString &resourceName, int number) {
    const QString temp = GetTempDirectory();
    const QString fileName = temp + QString::number(number) + QStringLiteral(".ani");
    struct TRemove {
        QString name;
        ~TRemove() {
            if (!name.isEmpty()) QFile::remove(name);
        }
    } remove{temp.isEmpty() ? QString() : fileName};
    if (temp.isEmpty()) return;
    try {
        InitCursorResources();
        QFile resource(FindResource(kResourceType, resourceName));
        if (!resource.open(QIODevice::ReadOnly)) return;
        const QByteArray bytes = resource.readAll();
        {
            QFile out(fileName);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
            if (out.write(bytes) != bytes.size()) return;
        }
        QFile in(fileName);
        if (!in.open(QIODevice::ReadOnly)) return;
        std::optional<TAniCursorData> data = ParseAniCursor(in.readAll());
        if (!data) return;
        State().table.insert(number, std::make_shared<TAnimatedCursor>(TAnimatedCursor{*data, {}}));
    } catch (...) {
    }
}

void RegisterAnimatedCursors() {
    for (const auto &[name, number] : kCursors) LoadAnimatedCursor(QString::fromLatin1(name), number);
}

void UnregisterAnimatedCursors() {
    TScreenState &s = State();
    for (const auto &entry : kCursors) {
        s.table.remove(entry.second);
        if (s.number == entry.second) {
            s.running.reset();
            if (s.timer) s.timer->stop();
            ShowDefault();
        }
    }
}

QString GetTempDirectory() {
    const QString temp = QDir::tempPath();
    return temp.isEmpty() ? QString() : AddTrailingBackslash(QDir::toNativeSeparators(temp));
}

QString AddTrailingBackslash(const QString &path) {
    if (path.isEmpty() || path.endsWith(u':') || path.endsWith(u'\\') || path.endsWith(u'/'))
        return path;
    if (path.size() == 1 && path[0].toUpper() >= u'A' && path[0].toUpper() <= u'Z')
        return path + QStringLiteral(":\\");
    return path + (path.contains(u'/') ? QStringLiteral("/") : QStringLiteral("\\"));
}
