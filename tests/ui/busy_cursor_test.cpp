// The screen-wide busy cursor: registration at start-up through a file in
// the temporary folder, switching on and off, and its animation.
#include "busy_cursor.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const int kNumbers[] = {crCursorAjax01, crCursorAjax02, crCursorAjax03, crCursorAjax04};

// What the screen shows for a frame: the frame as it comes back from a
// platform pixmap.
QImage Shown(const QImage &frame) { return QPixmap::fromImage(frame).toImage().convertToFormat(QImage::Format_ARGB32); }

QImage OnScreen() {
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->pixmap().toImage().convertToFormat(QImage::Format_ARGB32) : QImage();
}

TEST(BusyCursor, RegisteredAtStartWithoutLeavingFiles) {
    const struct {
        int number;
        int frames;
        quint32 rate;
    } expected[] = {{-4997, 12, 4}, {-4996, 12, 4}, {-4995, 8, 6}, {-4994, 12, 4}};
    for (const auto &e : expected) {
        SCOPED_TRACE(e.number);
        const TAniCursorData *ani = RegisteredAnimatedCursor(e.number);
        ASSERT_NE(ani, nullptr);
        EXPECT_EQ(ani->frames.size(), e.frames);
        EXPECT_EQ(ani->rates.value(0), e.rate);
        EXPECT_FALSE(QFile::exists(GetTempDirectory() + QString::number(e.number) + QStringLiteral(".ani")));
    }
}

TEST(BusyCursor, OnTwiceOffOnceAndTheAnimationRuns) {
    const TAniCursorData *busy = RegisteredAnimatedCursor(crBusy);
    ASSERT_NE(busy, nullptr);
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);

    BusyCursorOn();
    BusyCursorOn();
    EXPECT_EQ(ScreenCursor(), crBusy);
    EXPECT_EQ(OnScreen(), Shown(busy->frames[0].image));
    EXPECT_EQ(QGuiApplication::overrideCursor()->hotSpot(), QPoint(15, 15));

    // Each frame stays 6/60 s; the timer's timeout shows the next one.
    QTimer *timer = ScreenCursorTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
    for (int step = 1; step <= 8; ++step) {
        QMetaObject::invokeMethod(timer, "timeout");
        EXPECT_EQ(OnScreen(), Shown(busy->frames[step % 8].image)) << "step " << step;
    }

    BusyCursorOff();
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(timer->isActive());
}

TEST(BusyCursor, UnwritableTemporaryFolderLeavesTheDefaultCursor) {
    // A temporary "folder" that is a plain file: nothing can be written
    // below it, not even by a privileged user.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notAFolder = dir.filePath(QStringLiteral("file"));
    {
        QFile f(notAFolder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", notAFolder.toLocal8Bit());
    UnregisterAnimatedCursors();
    RegisterAnimatedCursors();
    for (int number : kNumbers) EXPECT_EQ(RegisteredAnimatedCursor(number), nullptr) << number;
    BusyCursorOn();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    BusyCursorOff();

    if (saved.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved);
    RegisterAnimatedCursors();
    for (int number : kNumbers) EXPECT_NE(RegisteredAnimatedCursor(number), nullptr) << number;
}

TEST(BusyCursor, AddTrailingBackslash) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"C", "C:\\"},       {"c", "c:\\"},           {"C:", "C:"},   {"C:\\Temp", "C:\\Temp\\"},
        {"C:\\Temp\\", "C:\\Temp\\"}, {"", ""},        {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"},
        {"1", "1\\"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AddTrailingBackslash(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

}  // namespace
