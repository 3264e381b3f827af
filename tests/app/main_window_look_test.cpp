// The real main window as it is designed: its size and place, its controls
// with their captions, the grid's columns, the status line, the tab order,
// and the skin file applied to it.
#include "check_fixture.h"
#include "colors.h"
#include "db_grid.h"
#include "font_substitution.h"
#include "main_window.h"
#include "minihtmllabel.h"
#include "panel.h"
#include "slimbutton.h"
#include "slimprogressbar.h"

#include <QApplication>
#include <QFile>
#include <QLayout>
#include <QScreen>
#include <QTest>

namespace {

QString Parent(const QWidget *w) {
    return w->parentWidget() ? w->parentWidget()->objectName() : QString();
}

TEST(MainWindowLook, IsBuiltAsDesigned) {
    TFMain w({QStringLiteral("artnrcheck")});
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Artikelnummern-Überprüfung"));
    EXPECT_EQ(w.size(), QSize(548, 397));
    // Lay the hidden window out as showing it would.
    w.layout()->activate();
    for (QLayout *inner : w.findChildren<QLayout *>())
        inner->activate();
    EXPECT_EQ(w.font(), FormFont(QStringLiteral("MS Sans Serif"), -11));
    EXPECT_EQ(w.Color(), clBtnFace);

    // Centred on the screen's work area by the form hook, before it is
    // shown (showing it would start it up).
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(w.frameGeometry().center().x(), area.center().x()) << w.frameGeometry().x();
    EXPECT_EQ(w.frameGeometry().center().y(), area.center().y()) << w.frameGeometry().y();

    struct Control {
        QWidget *widget;
        QString parent;
        QRect geometry;
        QString caption;
    };
    const Control buttons[] = {
        {w.SlimButton4(), "Panel3", {8, 12, 93, 37}, "Überprüfen"},
        {w.SlimButton2(), "Panel3", {108, 12, 165, 37}, "Artikelnummer ändern"},
        {w.SlimButton3(), "Panel3", {280, 12, 165, 37}, "Alle doppelten löschen"},
        {w.SlimButton1(), "Panel2", {16, 8, 89, 29}, "Schliessen"},
    };
    for (const Control &c : buttons) {
        SCOPED_TRACE(c.caption.toStdString());
        auto *b = static_cast<TSlimButton *>(c.widget);
        EXPECT_EQ(Parent(b), c.parent);
        EXPECT_EQ(b->geometry(), c.geometry);
        EXPECT_EQ(b->Caption(), c.caption);
        EXPECT_EQ(b->Round(), 0);
        EXPECT_EQ(b->Layout(), TSlimButton::blGlyphLeft);
    }
    EXPECT_EQ(w.Panel3()->height(), 61);
    EXPECT_EQ(w.Panel3()->y(), 0);
    EXPECT_EQ(w.Panel1()->height(), 41);
    EXPECT_EQ(w.Panel1()->y() + 41, 397);
    EXPECT_EQ(w.Panel2()->width(), 113);
    EXPECT_EQ(w.Panel2()->x() + 113, 548);
    for (TPanel *p : {w.Panel1(), w.Panel2(), w.Panel3()}) {
        EXPECT_EQ(p->BevelOuter(), bkNone) << p->objectName().toStdString();
        EXPECT_EQ(p->BevelInner(), bkNone) << p->objectName().toStdString();
    }
    EXPECT_EQ(Parent(w.PG()), QStringLiteral("Panel1"));
    EXPECT_EQ(w.PG()->geometry(), QRect(8, 8, 417, 25));
    EXPECT_EQ(w.PG()->Min(), 0);
    EXPECT_EQ(w.PG()->Max(), 100);

    // The grid fills the room between the tool bar and the status line.
    TI_DBGrid *grid = w.DBGrid_ARTMAIN();
    EXPECT_EQ(grid->y(), 61);
    EXPECT_EQ(grid->y() + grid->height(), w.rlb()->y());
    EXPECT_EQ(w.rlb()->y() + w.rlb()->height(), w.Panel1()->y());
    EXPECT_TRUE(grid->ReadOnly());
    EXPECT_TRUE(grid->AutoSearch());
    EXPECT_EQ(grid->DefaultRowHeight(), 17);
    EXPECT_EQ(grid->minimumWidth(), 150);
    EXPECT_EQ(grid->TitleFont(), FormFont(QStringLiteral("MS Sans Serif"), 8));
    struct Column {
        const char *field, *title;
        int width;
        bool indexed;
    };
    const Column columns[] = {{"BZ", "Bezeichnung 1", 238, true},
                              {"ARTN", "Artikelnummer", 158, true},
                              {"STK", "Bereits gebucht", 130, false}};
    ASSERT_EQ(grid->Columns().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(columns[i].field);
        const TColumn *c = grid->Columns()[i];
        EXPECT_EQ(c->FieldName(), QString::fromUtf8(columns[i].field));
        EXPECT_EQ(c->Title()->Caption(), QString::fromUtf8(columns[i].title));
        EXPECT_EQ(c->Width(), columns[i].width);
        EXPECT_EQ(c->Indexed(), columns[i].indexed);
        EXPECT_EQ(c->Font(), FormFont(QStringLiteral("Tahoma"), -12));
        EXPECT_EQ(c->FontColor(), clWindowText);
        EXPECT_FALSE(c->WordBreak());
        EXPECT_EQ(c->Title()->Color(), TColor(16744576));
        EXPECT_EQ(c->Title()->Font(), FormFont(QStringLiteral("Tahoma"), -11));
        EXPECT_EQ(c->Title()->FontColor(), clWhite);
    }

    TMiniHtmlLabel *rlb = w.rlb();
    EXPECT_TRUE(rlb->Text().isEmpty());
    EXPECT_EQ(rlb->BorderWidth(), 6);
    EXPECT_EQ(rlb->ShadowColor(), clGray);
    EXPECT_EQ(rlb->ShadowOffset(), 2);
    EXPECT_EQ(rlb->URLColor(), clBlue);
    EXPECT_EQ(rlb->VAlignment(), TMiniHtmlLabel::tvaTop);
    EXPECT_FALSE(rlb->Ellipsis());
    EXPECT_FALSE(rlb->Hover());
    EXPECT_TRUE(rlb->AutoSizing());
    EXPECT_EQ(rlb->width(), 548);

    // Tab order: Panel1's button, the grid, Panel3, then its buttons left to
    // right; of these only the grid and Panel3 are tab stops.
    const QStringList designed{"SlimButton1", "DBGrid_ARTMAIN", "Panel3",
                               "SlimButton4", "SlimButton2",    "SlimButton3"};
    QStringList order, stops;
    QWidget *at = w.SlimButton1();
    int steps = 0;
    do {
        if (designed.contains(at->objectName())) order << at->objectName();
        if (at->focusPolicy() & Qt::TabFocus) stops << at->objectName();
        at = at->nextInFocusChain();
    } while (at != w.SlimButton1() && ++steps < 100);
    EXPECT_EQ(order, designed);
    EXPECT_EQ(stops, (QStringList{"DBGrid_ARTMAIN", "Panel3"}));
}

// A skin file beside the executable, for as long as the case runs.
class SkinFile {
public:
    explicit SkinFile(const QByteArray &text)
        : path_(QCoreApplication::applicationFilePath() + QStringLiteral(".SKM")) {
        QFile f(path_);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    ~SkinFile() { QFile::remove(path_); }

private:
    QString path_;
};

QRgb PixelOf(QWidget *w, QPoint at) {
    return w->grab().toImage().pixel(at);
}

TEST(MainWindowLook, TheSkinReachesEveryControl) {
    const QRgb red = ColorToQColor(clRed).rgb(), yellow = ColorToQColor(clYellow).rgb(),
               face = ColorToQColor(clBtnFace).rgb();
    struct Case {
        const char *name;
        QByteArray skin;
        QRgb window, panel1, panel3, buttons3, closeButton, status, progress;
    };
    const std::vector<Case> cases = {
        {"no skin", QByteArray(), face, face, face, face, face, face, face},
        {"the form's colour", "FMain|Color=clRed\r\n", red, red, red, red, red, red, red},
        {"one panel", "FMain.Panel3|Color=$0000FF\r\n", face, face, red, red, face, face, face},
        {"every panel", "TPanel_Color=clYellow\r\n", face, yellow, yellow, yellow, yellow, face,
         yellow},
        {"a panel's own key wins over the class key",
         "FMain.Panel3|Color=clRed\r\nTPanel_Color=clYellow\r\n", face, yellow, red, red, yellow,
         face, yellow},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SkinFile file(c.skin);
        TFMain w({QStringLiteral("artnrcheck")});
        // Pixels where each control shows only its background.
        EXPECT_EQ(PixelOf(w.Panel3(), QPoint(500, 30)), c.panel3);
        EXPECT_EQ(PixelOf(w.Panel1(), QPoint(430, 20)), c.panel1);
        EXPECT_EQ(PixelOf(w.SlimButton2(), QPoint(160, 18)), c.buttons3);
        EXPECT_EQ(PixelOf(w.SlimButton1(), QPoint(80, 14)), c.closeButton);
        EXPECT_EQ(PixelOf(w.rlb(), QPoint(540, 3)), c.status);
        EXPECT_EQ(ColorToQColor(w.PG()->Color()).rgb(), c.progress);
        EXPECT_EQ(ColorToQColor(w.Color()).rgb(), c.window);
    }
}

TEST(MainWindowLook, PanelRowsOfTheSkin) {
    SkinFile file("FMain.Panel3|Visible=0\r\nFMain.Panel1|BevelOuter=2\r\nTPanel_BevelInner=1\r\n");
    TFMain w({QStringLiteral("artnrcheck")});
    EXPECT_TRUE(w.Panel3()->isHidden());
    EXPECT_EQ(w.Panel1()->BevelOuter(), bkRaised);
    EXPECT_EQ(w.Panel2()->BevelOuter(), bkNone);
    EXPECT_EQ(w.Panel2()->BevelInner(), bkLowered);
    // The raised bevel's light top edge, the lowered inner bevel's dark one.
    EXPECT_EQ(PixelOf(w.Panel1(), QPoint(100, 0)), ColorToQColor(clBtnHighlight).rgb());
    EXPECT_EQ(PixelOf(w.Panel2(), QPoint(50, 0)), ColorToQColor(clBtnShadow).rgb());
}

} // namespace
