// The tool's window driven as a user drives it: start-up with the host's
// command lines, the buttons, Escape and the boxes answered through the
// real boxes.
#include "box_answerer.h"
#include "check_fixture.h"
#include "db_grid.h"
#include "exceptions.h"
#include "command_line.h"
#include "input_dialog.h"
#include "main_window.h"
#include "menu_registration.h"
#include "minihtmllabel.h"
#include "application_title.h"
#include "sb.h"
#include "slimbutton.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

struct StartCase {
    const char *name;
    QStringList args;  // after the executable; "$DB" is the database folder
    QString message;   // empty: the start succeeds
};

TEST(Startup, AnswersEveryHostCommandLine) {
    HostDatabase db;
    db.AddArticles({{"A"}});
    const QString missing = QStringLiteral("Starten Sie das Programm über zusätzlich > Check auf doppelte Artikelnummern.");
    const QString release = QStringLiteral("Das Programm benötigt mindestens  , Release 12272");
    const QString onlyFromHost = QStringLiteral("Das Programm kann nur von  aus gestartet werden");
    const std::vector<StartCase> cases = {
        {"no arguments", {}, missing},
        {"two arguments", {"$DB", "1"}, missing},
        {"an empty release", {"$DB", "1", ""}, missing},
        {"release too old", {"$DB", "1", "12271"}, release},
        {"release not a number", {"$DB", "1", "abc"}, release},
        {"release with text after it", {"$DB", "1", "12272x"}, release},
        {"a path the engine rejects", {"/no/such/folder", "1", "12272"}, onlyFromHost},
        {"remote server type", {"$DB", "2", "12272"}, onlyFromHost},
        {"install in lower case is a path", {"install", "1", "12272"}, onlyFromHost},
        {"the oldest release accepted", {"$DB", "1", "12272"}, QString()},
        {"release in hexadecimal", {"$DB", "1", "$2FF0"}, QString()},
    };
    for (const StartCase &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{QStringLiteral("artnrcheck")};
        for (const QString &a : c.args) args << (a == QStringLiteral("$DB") ? db.dir.path() : a);
        BoxAnswerer boxes;
        TFMain w(args);
        Start(w);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(u'|').toStdString();
            EXPECT_TRUE(w.isVisible());
            EXPECT_TRUE(w.isEnabled());
            EXPECT_EQ(w.windowTitle(), db.dir.path());
            EXPECT_TRUE(w.Table_ARTMAIN()->Active() && w.Subtable()->Active() && w.DbTableSettings()->Active());
            EXPECT_TRUE(w.DbConnection()->DbServerTypes.contains(TDbServerType::stDB_LOCAL));
        } else {
            EXPECT_EQ(boxes.texts, QStringList{c.message});
            EXPECT_FALSE(w.isVisible());
        }
    }
}

TEST(Startup, TheSelectorPicksTheServerType) {
    struct Case {
        const char *selector;
        TDbServerType type;
    };
    HostDatabase db;
    for (const Case c : {Case{"1", TDbServerType::stDB_LOCAL}, Case{"01", TDbServerType::stDB_REMOTE},
                         Case{"LOCAL", TDbServerType::stDB_REMOTE}}) {
        SCOPED_TRACE(c.selector);
        BoxAnswerer boxes;
        TFMain w({QStringLiteral("artnrcheck"), db.dir.path(), QString::fromUtf8(c.selector), QStringLiteral("12272")});
        Start(w);
        EXPECT_EQ(w.DbConnection()->DbServerTypes, TDbServerTypes{c.type});
    }
}

class Window : public ::testing::Test {
protected:
    void Open(const std::vector<Article> &articles) {
        ids = db.AddArticles(articles);
        window = std::make_unique<TFMain>(
            QStringList{QStringLiteral("artnrcheck"), db.dir.path(), QStringLiteral("1"), QStringLiteral("12272")});
        Start(*window);
        ASSERT_TRUE(window->isEnabled());
    }
    QList<int> ArticleIds() {
        QList<int> out;
        TDbTable *t = window->Table_ARTMAIN();
        t->SetIndexName(QStringLiteral("ID"));
        t->First();
        while (!t->Eof()) {
            out << t->FieldByName(QStringLiteral("ID"))->AsInteger();
            t->Next();
        }
        return out;
    }

    HostDatabase db;
    std::vector<int> ids;
    std::unique_ptr<TFMain> window;
};

TEST_F(Window, CheckShowsTheVerdictAndTheRows) {
    Open({{"100"}, {"100"}, {"200"}});
    QTest::mouseClick(window->SlimButton4(), Qt::LeftButton);
    EXPECT_EQ(window->KM()->RecordCount(), 2);
    EXPECT_EQ(window->rlb()->Text(), VerdictText(2));
    EXPECT_EQ(window->KM()->Tag(), 0);
}

// While a scan runs, Escape, the buttons and the grid's double-click are
// refused; the scan runs once and the window stays.
TEST_F(Window, NothingElseStartsWhileAScanRuns) {
    std::vector<Article> articles;
    for (int i = 0; i < 60; ++i) articles.push_back({QStringLiteral("N%1").arg(i / 2)});
    Open(articles);
    BoxAnswerer boxes;
    int busySeen = 0;
    QTimer::singleShot(0, [&] {
        busySeen = window->KM()->Tag();
        QTest::keyClick(window->DBGrid_ARTMAIN(), Qt::Key_Escape);
        window->SlimButton4()->Click();
        window->SlimButton3()->Click();
        window->SlimButton2()->Click();
    });
    window->SlimButton4()->Click();
    EXPECT_EQ(busySeen, 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(window->KM()->RecordCount(), 60);
    // Idle again: Escape closes.
    QTest::keyClick(window->DBGrid_ARTMAIN(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Window, DeleteAllDuplicatesAfterYes) {
    Open({{"7"}, {"7"}, {"7"}, {"5"}, {"5"}});
    window->SlimButton4()->Click();
    BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{Qt::Key_Return, QString()}});
    window->SlimButton3()->Click();
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Doppelte Artikel <b>jetzt löschen</b>?")});
    EXPECT_EQ(ArticleIds(), (QList<int>{2, 5}));
    EXPECT_EQ(window->rlb()->Text(), VerdictText(0));
}

TEST_F(Window, DecliningTheQuestionDeletesNothing) {
    Open({{"7"}, {"7"}});
    window->SlimButton4()->Click();
    BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{Qt::Key_Escape, QString()}});
    window->SlimButton3()->Click();
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(ArticleIds(), (QList<int>{1, 2}));
}

TEST_F(Window, DoubleClickChangesTheSelectedNumber) {
    Open({{"A-1"}, {"A-1"}});
    window->SlimButton4()->Click();
    BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{Qt::Key_Return, QStringLiteral("A-2")}});
    QTest::qWait(0);
    QWidget *viewport = window->DBGrid_ARTMAIN()->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, 8));
    EXPECT_EQ(boxes.dialogs, 1);
    ASSERT_TRUE(window->Table_ARTMAIN()->Locate(QStringLiteral("ID"), 2, 0));
    EXPECT_EQ(window->Table_ARTMAIN()->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("A-2"));
}

TEST_F(Window, ChangingWithAnEmptyResultWritesNothing) {
    Open({{"A-1"}, {"B-1"}});
    BoxAnswerer boxes(std::vector<BoxAnswerer::Answer>{{Qt::Key_Return, QStringLiteral("NEU")}});
    window->SlimButton2()->Click();
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("input:")});
    ASSERT_TRUE(window->Table_ARTMAIN()->Locate(QStringLiteral("ID"), 1, 0));
    EXPECT_EQ(window->Table_ARTMAIN()->FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("A-1"));
}

struct MenuCase {
    const char *name;
    QByteArray before;  // no file when null
    QByteArray after;
};

struct MenuRun {
    QString file;
    QByteArray after;  // the file's bytes afterwards
    QString error;     // the registration's error, empty when it went through
};

// The registration of `executable` in a fresh folder whose menu file holds
// `before` (no file when null).
MenuRun Register(const QByteArray &before, const QString &executable) {
    QTemporaryDir dir;
    MenuRun run;
    run.file = dir.filePath(QStringLiteral("ZS.MNU"));
    if (!before.isNull()) {
        QFile f(run.file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    try {
        const QStringList lines = QFile::exists(run.file) ? ReadMenuLines(run.file) : QStringList();
        WriteMenuLines(run.file, WithToolEntry(lines, executable));
    } catch (const Exception &e) {
        run.error = e.message();
    }
    QFile f(run.file);
    if (f.open(QIODevice::ReadOnly)) run.after = f.readAll();
    return run;
}

TEST(MenuRegistration, ReplacesOrAppendsTheToolsLine) {
    const QByteArray me = "/opt/tool/artnrcheck;Check auf doppelte Artikelnummern.\r\n";
    const std::vector<MenuCase> cases = {
        {"no file", QByteArray(), me},
        {"another tool and an old path",
         "C:\\x\\other.exe;Anderes Werkzeug\r\nC:\\old\\artnrcheck.exe;Check auf doppelte Artikelnummern.\r\n",
         "C:\\x\\other.exe;Anderes Werkzeug\r\n" + me},
        {"blanks around the caption", "/old/a; Check auf doppelte Artikelnummern.  \r\n", me},
        {"other case or no period appends",
         "/old/a;check auf doppelte artikelnummern.\r\n/old/b;Check auf doppelte Artikelnummern\r\n",
         "/old/a;check auf doppelte artikelnummern.\r\n/old/b;Check auf doppelte Artikelnummern\r\n" + me},
        {"further fields do not match", "/old/a;Check auf doppelte Artikelnummern.;x\r\n",
         "/old/a;Check auf doppelte Artikelnummern.;x\r\n" + me},
        {"LF only and no final line end", "/x/o;Other\n\n/y/p;More", "/x/o;Other\r\n\r\n/y/p;More\r\n" + me},
        {"only the first match is replaced",
         "/a;Check auf doppelte Artikelnummern.\r\n/b;Check auf doppelte Artikelnummern.\r\n",
         me + "/b;Check auf doppelte Artikelnummern.\r\n"},
    };
    for (const MenuCase &c : cases) {
        SCOPED_TRACE(c.name);
        const MenuRun run = Register(c.before, QStringLiteral("/opt/tool/artnrcheck"));
        EXPECT_TRUE(run.error.isEmpty()) << run.error.toStdString();
        EXPECT_EQ(run.after, c.after);
    }
}

// The menu file is Windows-1252: the tool's own path in that code page, the
// bytes of other tools' lines as they were, and a path the code page cannot
// hold refused rather than written as "?".
TEST(MenuRegistration, KeepsTheFileInWindows1252) {
    const QByteArray caption = ";Check auf doppelte Artikelnummern.\r\n";
    // Every byte above 127, the five unassigned ones included.
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b) high += char(b);
    struct Case {
        const char *name;
        QString executable;
        QByteArray before, after;  // an empty `after`: refused, the file unchanged
    };
    const std::vector<Case> cases = {
        {"a euro sign in the path", QStringLiteral("/opt/Preise €/artnrcheck"), QByteArray(),
         "/opt/Preise \x80/artnrcheck" + caption},
        {"umlauts in the path", QStringLiteral("/opt/Übersicht/artnrcheck"), QByteArray(),
         "/opt/\xDC" "bersicht/artnrcheck" + caption},
        {"other lines byte for byte", QStringLiteral("/opt/a"), "C:\\" + high + ";Anderes \x80\r\n",
         "C:\\" + high + ";Anderes \x80\r\n/opt/a" + caption},
        {"a path the code page cannot hold", QStringLiteral("/opt/Łódź/artnrcheck"), "/x;Andere\r\n", QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const MenuRun run = Register(c.before, c.executable);
        if (c.after.isEmpty()) {
            EXPECT_TRUE(run.error.startsWith(QStringLiteral("Datei ") + run.file + QStringLiteral(" kann die Zeile")))
                << run.error.toStdString();
            EXPECT_EQ(run.after, c.before);
        } else {
            EXPECT_TRUE(run.error.isEmpty()) << run.error.toStdString();
            EXPECT_EQ(run.after, c.after);
        }
    }
}

TEST(MenuRegistration, SplitAtFirst) {
    QString before = QStringLiteral("keep"), after = QStringLiteral("keep");
    EXPECT_FALSE(SplitAtFirst(QStringLiteral("no separator"), u';', before, after));
    EXPECT_EQ(before, QStringLiteral("keep"));
    EXPECT_TRUE(SplitAtFirst(QStringLiteral(" a ;\t b;c \r"), u';', before, after));
    EXPECT_EQ(before, QStringLiteral(" a "));
    EXPECT_EQ(after, QStringLiteral("b;c"));
    EXPECT_TRUE(SplitAtFirst(QStringLiteral("x;") + QString(300, u'y'), u';', before, after));
    EXPECT_EQ(after.size(), 200);
}

// The install run writes beside the executable, tells the user unless
// "SILENT", reports a failure even then, and closes the window.
TEST(Install, WritesTheMenuFileBesideTheExecutable) {
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/ZS.MNU");
    QFile::remove(file);
    struct Case {
        QStringList args;
        bool expectMessage;
    };
    for (const Case &c : {Case{{"artnrcheck", "INSTALL", "SILENT"}, false}, Case{{"artnrcheck", "INSTALL"}, true}}) {
        BoxAnswerer boxes;
        TFMain w(c.args);
        w.show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.StartupHandled(); }, 10000));
        EXPECT_EQ(boxes.texts.size(), c.expectMessage ? 1 : 0);
        if (c.expectMessage) {
            EXPECT_EQ(boxes.texts[0], QStringLiteral("Check auf doppelte Artikelnummern. wurde installiert. Starten Sie das "
                                                     "Programm über zusätzlich > Check auf doppelte Artikelnummern."));
        }
        EXPECT_EQ(ReadMenuLines(file),
                  QStringList{QCoreApplication::applicationFilePath() + QStringLiteral(";Check auf doppelte Artikelnummern.")});
    }
    // A menu file that cannot be read: the failure message, also with SILENT.
    QFile::remove(file);
    QDir().mkdir(file);
    BoxAnswerer boxes;
    TFMain w({QStringLiteral("artnrcheck"), QStringLiteral("INSTALL"), QStringLiteral("SILENT")});
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.StartupHandled(); }, 10000));
    QDir().rmdir(file);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(
        QStringLiteral("Check auf doppelte Artikelnummern. Installation fehlgeschlagen: Fehler: Datei ")));
}

}  // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    SetApplicationTitle(QStringLiteral("Check auf doppelte Artikelnummern"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
