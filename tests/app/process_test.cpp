// The real executable started as the host starts it, as a process of its
// own: every way out of it must end the process with exit code 0, and what
// it leaves on disk must be what the user asked for. The window is driven on
// the offscreen platform by the test driver plugin (tests/support).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

QString Bin() {
    return qEnvironmentVariable("DBE_TEST_BIN");
}

struct Outcome {
    bool ended = false;
    int exitCode = -1;
    QStringList log; // what the driver saw and did
    QString output;
};

// Starts `program` with `args` in `folder`, lets the driver carry out
// `steps`, and waits for the end a bounded time.
Outcome Start(const QString &program, const QStringList &args, const QString &folder,
              const QString &steps) {
    QTemporaryDir scratch;
    const QString logFile = scratch.filePath(QStringLiteral("drive.log"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_PLUGIN_PATH"),
               QDir(Bin()).filePath(QStringLiteral("../tests/plugins")));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("artnrdriver"));
    env.insert(QStringLiteral("ARTNR_DRIVE"), steps);
    env.insert(QStringLiteral("ARTNR_DRIVE_LOG"), logFile);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Outcome run;
    run.ended = p.waitForStarted(10000) && p.waitForFinished(30000);
    if (!run.ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.output = QString::fromLocal8Bit(p.readAll());
    QFile log(logFile);
    if (log.open(QIODevice::ReadOnly))
        run.log = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

// A copy of the executable in a folder of its own: install mode writes the
// menu file beside the executable.
class InstalledCopy {
public:
    explicit InstalledCopy(const QString &folder = QStringLiteral(".")) {
        EXPECT_TRUE(QDir(dir.path()).mkpath(folder));
        home = QDir::cleanPath(dir.filePath(folder));
        path = QDir(home).filePath(QStringLiteral("artnrcheck"));
        EXPECT_TRUE(QFile::copy(QDir(Bin()).filePath(QStringLiteral("artnrcheck")), path));
    }
    QString MenuFile() const { return QDir(home).filePath(QStringLiteral("ZS.MNU")); }
    QByteArray Menu() const {
        QFile f(MenuFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString home; // the folder of the copy
    QString path;
};

const char kInstalled[] =
    "box: Check auf doppelte Artikelnummern. wurde installiert. Starten Sie das Programm über "
    "zusätzlich > Check auf doppelte Artikelnummern.";

TEST(Process, InstallEndsWithAndWithoutItsMessage) {
    struct Case {
        const char *name;
        QStringList args;
        QString steps;
        QStringList log;
        QString folder = QStringLiteral(".");
    };
    const std::vector<Case> cases = {
        {"silent", {"INSTALL", "SILENT"}, QString(), {}},
        {"from a folder with a euro sign",
         {"INSTALL", "SILENT"},
         QString(),
         {},
         QStringLiteral("Preise €")},
        {"with its message", {"INSTALL"}, "answer", {QString::fromUtf8(kInstalled)}},
        {"further arguments ignored",
         {"INSTALL", "x", "y"},
         "answer",
         {QString::fromUtf8(kInstalled)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        InstalledCopy copy(c.folder);
        const Outcome run = Start(copy.path, c.args, copy.dir.path(), c.steps);
        ASSERT_TRUE(run.ended) << run.output.toStdString();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.log, c.log);
        // The menu file holds the path in Windows-1252.
        QByteArray path = copy.path.toUtf8();
        path.replace("€", "\x80");
        EXPECT_EQ(copy.Menu(), path + ";Check auf doppelte Artikelnummern.\r\n");
    }
}

TEST(Process, AFailedInstallShowsItsMessageEvenWhenSilentAndEnds) {
    for (const QStringList &args : {QStringList{"INSTALL"}, QStringList{"INSTALL", "SILENT"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        InstalledCopy copy;
        // A folder where the menu file should be can be neither read nor replaced.
        ASSERT_TRUE(QDir().mkdir(copy.MenuFile()));
        const Outcome run = Start(copy.path, args, copy.dir.path(), QStringLiteral("answer"));
        ASSERT_TRUE(run.ended) << run.output.toStdString();
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.log.size(), 1);
        EXPECT_TRUE(run.log[0].startsWith(QStringLiteral(
            "box: Check auf doppelte Artikelnummern. Installation fehlgeschlagen: Fehler: Datei ")))
            << run.log[0].toStdString();
    }
}

TEST(Process, EveryStartUpFailureEndsAfterItsMessage) {
    struct Case {
        const char *name;
        QStringList args;
        QString message;
    };
    const QString missing = QStringLiteral(
        "Starten Sie das Programm über zusätzlich > Check auf doppelte Artikelnummern.");
    const std::vector<Case> cases = {
        {"no arguments", {}, missing},
        {"no release", {"/tmp", "1"}, missing},
        {"an old release",
         {"/tmp", "1", "12271"},
         QStringLiteral("Das Programm benötigt mindestens  , Release 12272")},
        {"a folder without the tables",
         {"/no/such/folder", "1", "12272"},
         QStringLiteral("Das Programm kann nur von  aus gestartet werden")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome run = Start(QDir(Bin()).filePath(QStringLiteral("artnrcheck")), c.args,
                                  QDir::tempPath(), QStringLiteral("answer"));
        ASSERT_TRUE(run.ended) << run.output.toStdString();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.log, QStringList{QStringLiteral("box: ") + c.message});
    }
}

class ReadyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QProcess p;
        p.start(QDir(Bin()).filePath(QStringLiteral("tbltool")),
                {QStringLiteral("demo"), db.path(), QStringLiteral("--articles"),
                 QStringLiteral("3000")});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    QTemporaryDir db;
};

TEST_F(ReadyWindow, EveryWayToCloseTheWindowEndsTheProcess) {
    struct Case {
        const char *name;
        QString steps;
    };
    const std::vector<Case> cases = {
        {"Schliessen", QStringLiteral("ready; click SlimButton1")},
        {"Escape", QStringLiteral("ready; key Escape")},
        {"the close box", QStringLiteral("ready; closebox")},
        {"the close box while a check runs", QStringLiteral("ready; click SlimButton4; closebox")},
        {"Escape after a check", QStringLiteral("ready; click SlimButton4; key Escape")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome run = Start(QDir(Bin()).filePath(QStringLiteral("artnrcheck")),
                                  {db.path(), QStringLiteral("1"), QStringLiteral("12272")},
                                  QDir::tempPath(), c.steps);
        ASSERT_TRUE(run.ended) << run.output.toStdString() << run.log.join(u'\n').toStdString();
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_FALSE(run.log.isEmpty());
        EXPECT_EQ(run.log[0], QStringLiteral("ready: ") + db.path());
        EXPECT_EQ(run.log.size(), c.steps.count(u';') + 1) << run.log.join(u'\n').toStdString();
    }
}

// The host may pass a connect path relative to its working directory: the
// tables are found there, and the caption shows the path as it was given.
TEST_F(ReadyWindow, ARelativeConnectPathIsTakenFromTheWorkingDirectory) {
    const QDir parent = QFileInfo(db.path()).dir();
    const QString name = QFileInfo(db.path()).fileName();
    const QStringList spellings = {name, QStringLiteral("./") + name + u'/',
                                   QStringLiteral("../") + parent.dirName() + u'/' + name};
    for (const QString &given : spellings) {
        SCOPED_TRACE(given.toStdString());
        const Outcome run = Start(QDir(Bin()).filePath(QStringLiteral("artnrcheck")),
                                  {given, QStringLiteral("1"), QStringLiteral("12272")},
                                  parent.path(), QStringLiteral("ready; key Escape"));
        ASSERT_TRUE(run.ended) << run.output.toStdString() << run.log.join(u'\n').toStdString();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.log,
                  (QStringList{QStringLiteral("ready: ") + given, QStringLiteral("key: Escape")}));
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
