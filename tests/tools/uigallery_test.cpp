// uigallery end to end: the built program writes every picture of the kit
// as a real PNG of the size the widget has in the tool.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QtEndian>

#include <optional>

namespace {

QString toolPath() {
    const QByteArray bin = qgetenv("DBE_TEST_BIN");
    return QDir(bin.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(bin))
        .filePath(QStringLiteral("uigallery"));
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun uigallery(const QStringList &args) {
    QProcess process;
    process.start(toolPath(), args);
    ToolRun run;
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        run.err = QStringLiteral("uigallery did not run: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The size from the PNG header, or nothing when the file is not a PNG.
std::optional<QSize> pngSize(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray head = file.read(24);
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (head.size() < 24 || !head.startsWith(QByteArray(signature, 8)) || head.mid(12, 4) != "IHDR")
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
    return QSize(int(qFromBigEndian<quint32>(bytes + 16)), int(qFromBigEndian<quint32>(bytes + 20)));
}

TEST(UiGallery, WritesEveryPictureAsAPng) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString dir = temp.filePath(QStringLiteral("pictures/new"));
    const ToolRun run = uigallery({dir});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // Zero width or height: auto-sized to the text, at least one line high.
    const struct {
        const char *file;
        QSize size;
    } expected[] = {
        {"label-empty.png", {548, 0}},
        {"label-verdict-unique.png", {548, 0}},
        {"label-verdict-duplicates.png", {548, 0}},
        {"label-deleting.png", {548, 0}},
        {"label-skipping.png", {548, 0}},
        {"progress-0.png", {417, 25}},
        {"progress-50.png", {417, 25}},
        {"progress-100.png", {417, 25}},
        {"button-up.png", {93, 37}},
        {"button-hot.png", {93, 37}},
        {"button-pressed.png", {93, 37}},
        {"button-disabled.png", {93, 37}},
        {"grid.png", {548, 0}},
        {"infobox-short.png", {406, 0}},
        {"infobox-long.png", {406, 0}},
        {"questionbox.png", {406, 0}},
    };
    const QStringList printed = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(printed.size(), qsizetype(std::size(expected))) << run.out.toStdString();
    for (const auto &e : expected) {
        SCOPED_TRACE(e.file);
        const QString path = QDir(dir).absoluteFilePath(QString::fromLatin1(e.file));
        EXPECT_TRUE(printed.contains(path));
        const std::optional<QSize> size = pngSize(path);
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width(), e.size.width());
        if (e.size.height() > 0)
            EXPECT_EQ(size->height(), e.size.height());
        else
            EXPECT_GE(size->height(), 10);
    }

    // The two-line verdict needs more room than the one-line one.
    EXPECT_GT(pngSize(QDir(dir).filePath(QStringLiteral("label-verdict-duplicates.png")))->height(),
              pngSize(QDir(dir).filePath(QStringLiteral("label-verdict-unique.png")))->height());
    // The long message is taller than the short one.
    EXPECT_GT(pngSize(QDir(dir).filePath(QStringLiteral("infobox-long.png")))->height(),
              pngSize(QDir(dir).filePath(QStringLiteral("infobox-short.png")))->height());
}

TEST(UiGallery, WithoutADirectoryFailsWithUsage) {
    const ToolRun run = uigallery({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("usage"))) << run.err.toStdString();
}

} // namespace
