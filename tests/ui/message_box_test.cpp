#include "application_title.h"
#include "minihtmllabel.h"
#include "sb.h"
#include "slimbutton.h"
#include "slimpanel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// What became of a box that a test answered.
struct Outcome {
    int result = -1;
    bool stayedOpen = false;
};

TFSB_BOX *OpenBox() {
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }))
        return nullptr;
    return qobject_cast<TFSB_BOX *>(QApplication::activeModalWidget());
}

// Runs `act` on the real box once it is open, records the result it closes
// with, and closes it with its close box when `act` left it open.
void WhenBoxOpens(Outcome &outcome, std::function<void(TFSB_BOX *)> act) {
    QTimer::singleShot(0, [&outcome, act = std::move(act)] {
        TFSB_BOX *box = OpenBox();
        if (!box) {
            ADD_FAILURE() << "no modal message box";
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *b = qobject_cast<TFSB_BOX *>(w)) b->close();
            return;
        }
        QObject::connect(box, &QDialog::finished, [&outcome](int r) { outcome.result = r; });
        act(box);
        if (box->isVisible()) {
            outcome.stayedOpen = true;
            box->close();
        }
    });
}

// Keys go to the control that has the focus, as the platform sends them.
void Press(TFSB_BOX *box, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget *target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, key, modifiers);
}

using Keys = std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>;
constexpr int kOpen = -1;

struct KeyCase {
    const char *name;
    bool question;
    Keys keys;
    int result; // kOpen: the keys leave the box open
};

TEST(MessageBox, KeyTable) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const KeyCase cases[] = {
        {"info F1", false, {{Qt::Key_F1, none}}, kOpen},
        {"info Enter", false, {{Qt::Key_Return, none}}, 1},
        {"info Escape", false, {{Qt::Key_Escape, none}}, 2},
        {"info Left", false, {{Qt::Key_Left, none}}, 2},
        {"info Right", false, {{Qt::Key_Right, none}}, 2},
        {"info Space", false, {{Qt::Key_Space, none}}, 2},
        {"info letter", false, {{Qt::Key_A, none}}, 2},
        {"info Shift+letter", false, {{Qt::Key_A, Qt::ShiftModifier}}, kOpen},
        {"info Ctrl+letter", false, {{Qt::Key_A, Qt::ControlModifier}}, kOpen},
        {"info Tab", false, {{Qt::Key_Tab, none}}, kOpen},
        {"info Down", false, {{Qt::Key_Down, none}}, kOpen},
        {"question F1", true, {{Qt::Key_F1, none}}, kOpen},
        {"question Enter on Ja", true, {{Qt::Key_Return, none}}, 1},
        {"question Escape", true, {{Qt::Key_Escape, none}}, 2},
        {"question Right, Enter", true, {{Qt::Key_Right, none}, {Qt::Key_Return, none}}, 2},
        {"question Left twice, Enter",
         true,
         {{Qt::Key_Left, none}, {Qt::Key_Left, none}, {Qt::Key_Return, none}},
         1},
        {"question Tab, Enter", true, {{Qt::Key_Tab, none}, {Qt::Key_Return, none}}, 2},
        {"question Down, Enter", true, {{Qt::Key_Down, none}, {Qt::Key_Return, none}}, 2},
        {"question Right, Escape", true, {{Qt::Key_Right, none}, {Qt::Key_Escape, none}}, 2},
        {"question Space on Ja", true, {{Qt::Key_Space, none}}, 1},
        {"question Right, Space", true, {{Qt::Key_Right, none}, {Qt::Key_Space, none}}, 2},
        {"question letter", true, {{Qt::Key_A, none}}, kOpen},
        {"question Right", true, {{Qt::Key_Right, none}}, kOpen},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcome;
        WhenBoxOpens(outcome, [keys = c.keys](TFSB_BOX *box) {
            for (const auto &[key, modifiers] : keys) {
                if (!box->isVisible()) break;
                Press(box, key, modifiers);
            }
        });
        if (c.question) {
            const bool yes = ShowQuestionBox(QStringLiteral("<B>Wirklich?</B><BR>Alle löschen."));
            EXPECT_EQ(yes, c.result == 1);
        } else {
            ShowInfoBox(QStringLiteral("<B>Abgebrochen.</B>"));
        }
        if (c.result == kOpen) {
            EXPECT_TRUE(outcome.stayedOpen);
        } else {
            EXPECT_FALSE(outcome.stayedOpen);
            EXPECT_EQ(outcome.result, c.result);
        }
    }
}

TEST(MessageBox, MouseAndCloseBoxResults) {
    struct Case {
        const char *name;
        bool question;
        std::function<void(TFSB_BOX *)> act;
        int result;
    };
    const Case cases[] = {
        {"Ja", true, [](TFSB_BOX *b) { QTest::mouseClick(b->FB_OK, Qt::LeftButton); }, 1},
        {"Nein", true, [](TFSB_BOX *b) { QTest::mouseClick(b->FB_BREAK1, Qt::LeftButton); }, 2},
        {"question close box", true, [](TFSB_BOX *b) { b->close(); }, 2},
        {"Schließen", false, [](TFSB_BOX *b) { QTest::mouseClick(b->FB_BREAK2, Qt::LeftButton); },
         2},
        {"info close box", false, [](TFSB_BOX *b) { b->close(); }, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcome;
        WhenBoxOpens(outcome, c.act);
        if (c.question)
            EXPECT_EQ(ShowQuestionBox(QStringLiteral("Frage")), c.result == 1);
        else
            ShowInfoBox(QStringLiteral("Hinweis"));
        EXPECT_FALSE(outcome.stayedOpen);
        EXPECT_EQ(outcome.result, c.result);
    }
}

TEST(MessageBox, EmptyCaptionMeansApplicationTitle) {
    SetApplicationTitle(QStringLiteral("Check auf doppelte Artikelnummern"));
    for (const QString &caption : {QString(), QStringLiteral("Eigener Titel")}) {
        SCOPED_TRACE(caption.toStdString());
        QString shownInfo;
        QString shownQuestion;
        Outcome outcome;
        WhenBoxOpens(outcome, [&](TFSB_BOX *box) { shownInfo = box->windowTitle(); });
        ShowInfoBox(QStringLiteral("x"), QString(), caption);
        WhenBoxOpens(outcome, [&](TFSB_BOX *box) { shownQuestion = box->windowTitle(); });
        ShowQuestionBox(QStringLiteral("x"), QString(), caption);
        const QString expected =
            caption.isEmpty() ? QStringLiteral("Check auf doppelte Artikelnummern") : caption;
        EXPECT_EQ(shownInfo, expected);
        EXPECT_EQ(shownQuestion, expected);
    }
}

TEST(MessageBox, ConvertBoxTextNormalisesLineBreaks) {
    struct Case {
        const char *text;
        const char *converted;
    };
    for (const Case c :
         {Case{"a\r\nb", "a<br>b"}, Case{"a<br>b", "a<br>b"}, Case{"a<BR>b", "a<br>b"},
          Case{"a<bR>b", "a<br>b"}, Case{"a\rb", "a<br>b"}, Case{"a\nb", "a<br>b"},
          Case{"\r\n\r\na", "a"}, Case{"<BR><br>a<BR>b", "a<br>b"},
          Case{"a\r\n\r\nb", "a<br><br>b"}, Case{"a<BR>", "a"}, Case{"", ""}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ConvertBoxText(QString::fromLatin1(c.text)), QString::fromLatin1(c.converted));
    }
}

TEST(MessageBox, LimitsMessageTo21LinesDotsAndLastLine) {
    const QString dots = QStringLiteral("................");
    for (int count : {30, 22, 21, 2}) {
        SCOPED_TRACE(count);
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("Zeile %1").arg(i);
        QStringList expected = lines.mid(0, 21);
        if (count > 21) expected << dots << lines.last();

        QStringList shown;
        int labelHeight = 0;
        int clientHeight = 0;
        int stripTop = 0;
        Outcome outcome;
        WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
            shown = box->TextLabel->Document().LineTexts();
            labelHeight = box->TextLabel->height();
            clientHeight = box->height();
            stripTop = box->Pmsg->y();
            Press(box, Qt::Key_Escape);
        });
        ShowInfoBox(lines.join(QStringLiteral("\r\n")));
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(labelHeight, int(expected.size()) * 13 + 6);
        EXPECT_EQ(clientHeight, labelHeight + 37);
        EXPECT_EQ(stripTop, labelHeight + 2);
    }
}

TEST(MessageBox, EmptyMessageIsOneLineHigh) {
    int labelHeight = 0;
    int clientHeight = 0;
    bool helpShown = true;
    Outcome outcome;
    WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
        labelHeight = box->TextLabel->height();
        clientHeight = box->height();
        helpShown = !box->FBhelpS->isHidden() || !box->FP_help->isHidden();
    });
    ShowInfoBox(QString());
    EXPECT_EQ(labelHeight, 13 + 6);
    EXPECT_EQ(clientHeight, 13 + 6 + 37);
    EXPECT_FALSE(helpShown);
}

TEST(MessageBox, HelpButtonUnfoldsHelpStripOnce) {
    bool buttonShown = false;
    int before = 0;
    int afterFirst = 0;
    int afterSecond = 0;
    int stripHeight = 0;
    bool stripAtBottom = false;
    bool buttonEnabled = true;
    QStringList helpLines;
    Outcome outcome;
    WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
        buttonShown = !box->FBhelpS->isHidden();
        before = box->height();
        QTest::mouseClick(box->FBhelpS, Qt::LeftButton);
        afterFirst = box->height();
        stripHeight = box->FP_help->height();
        stripAtBottom = box->FP_help->isVisible() &&
                        box->FP_help->geometry().bottom() == box->height() - 1 &&
                        box->Pmsg->geometry().bottom() == box->FP_help->y() - 1;
        buttonEnabled = box->FBhelpS->isEnabled();
        helpLines = box->HelpLabel->Document().LineTexts();
        QTest::mouseClick(box->FBhelpS, Qt::LeftButton);
        afterSecond = box->height();
    });
    ShowInfoBox(QStringLiteral("Text"), QStringLiteral("Erste Zeile<BR>zweite Zeile"));
    EXPECT_TRUE(buttonShown);
    EXPECT_EQ(stripHeight, 2 * 13 + 6 + 5);
    EXPECT_EQ(afterFirst, before + stripHeight);
    EXPECT_EQ(afterSecond, afterFirst);
    EXPECT_TRUE(stripAtBottom);
    EXPECT_FALSE(buttonEnabled);
    EXPECT_EQ(helpLines,
              (QStringList{QStringLiteral("Erste Zeile"), QStringLiteral("zweite Zeile")}));
}

TEST(MessageBox, TallMessageIsCutAndButtonsStayAtTheBottom) {
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    const int maxHeight = int(std::nearbyint(screenHeight * 0.7));
    int clientHeight = 0;
    int labelHeight = 0;
    QRect strip;
    Outcome outcome;
    WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
        clientHeight = box->height();
        labelHeight = box->TextLabel->height();
        strip = box->Pquestion->geometry();
        Press(box, Qt::Key_Escape);
    });
    EXPECT_FALSE(ShowQuestionBox(QStringLiteral("Wort ").repeated(1500)));
    EXPECT_EQ(clientHeight, maxHeight);
    EXPECT_GT(labelHeight, clientHeight);
    EXPECT_EQ(strip.bottom(), clientHeight - 1);
    EXPECT_EQ(strip.height(), 35);
}

TEST(MessageBox, KeepsDesignSizesOnNarrowScreen) {
    if (QGuiApplication::primaryScreen()->geometry().width() > 800)
        GTEST_SKIP() << "screen wider than 800 pixels";
    int panelWidth = 0;
    int fontPixels = 0;
    Outcome outcome;
    WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
        panelWidth = box->Panel2->width();
        fontPixels = box->TextLabel->font().pixelSize();
    });
    ShowInfoBox(QStringLiteral("x"));
    EXPECT_EQ(panelWidth, 89);
    EXPECT_EQ(fontPixels, 11); // 8 pt
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

TEST(MessageBox, ClickOnLinkOpensItAndAnswersNo) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    bool linkClicked = false;
    Outcome outcome;
    WhenBoxOpens(outcome, [&](TFSB_BOX *box) {
        const THtmlDocument &doc = box->TextLabel->Document();
        for (const THtmlRun &run : doc.Lines.first().Runs) {
            if (run.Anchor.isEmpty()) continue;
            QTest::mouseClick(box->TextLabel, Qt::LeftButton, {},
                              QPoint(run.X + run.Width / 2, doc.Lines.first().Height / 2));
            break;
        }
        linkClicked = box->LinkClicked;
    });
    const bool yes = ShowQuestionBox(
        QStringLiteral("Siehe <A href=\"http://example.invalid/hilfe\">Hilfe</A> dazu."));
    QCoreApplication::processEvents();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    EXPECT_FALSE(yes);
    EXPECT_TRUE(linkClicked);
    EXPECT_EQ(outcome.result, 2);
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl(QStringLiteral("http://example.invalid/hilfe"))});
}

} // namespace

#include "message_box_test.moc"
