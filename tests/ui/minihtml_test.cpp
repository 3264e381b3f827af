#include "colors.h"
#include "font_substitution.h"
#include "minihtmllabel.h"
#include "ui_test_support.h"

#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The main window's status line: bottom-aligned, sized to its text in both
// directions, 6 pixels of border, MS Sans Serif 8 pt.
struct StatusLine {
    QWidget window;
    TMiniHtmlLabel *label = new TMiniHtmlLabel(&window);

    explicit StatusLine(int width = 548) {
        window.setFont(FormFont(QStringLiteral("MS Sans Serif"), 8));
        window.resize(width, 100);
        label->setGeometry(0, 81, width, 19);
        label->SetAlign(TCustomHtmlLabel::alBottom);
        label->SetBorderWidth(6);
        label->SetAutoSizeType(TCustomHtmlLabel::asBoth);
        label->SetAutoSizing(true);
        label->SetColor(clWhite);
    }
};

struct ShownRun {
    QString text;
    bool bold;
};

QList<QList<ShownRun>> RunsOf(const TCustomHtmlLabel &label) {
    QList<QList<ShownRun>> lines;
    for (const THtmlLine &line : label.Document().Lines) {
        QList<ShownRun> runs;
        for (const THtmlRun &run : line.Runs)
            runs.append({run.Text, run.Font.bold()});
        lines.append(runs);
    }
    return lines;
}

TEST(MiniHtmlLabel, HeightIsTextHeightPlusSix) {
    struct Case {
        const char *text;
        int height;
    };
    // One line of MS Sans Serif 8 pt is 13 pixels high.
    for (const Case c : {Case{"", 19}, Case{"<B>Alle Artikelnummern sind eindeutig.", 19},
                         Case{"<B>Es existieren mindestens 17<BR>doppelte Artikelnummern.", 32},
                         Case{"a<BR><BR>b", 45}}) {
        SCOPED_TRACE(c.text);
        StatusLine s;
        s.label->SetText(QString::fromUtf8(c.text));
        EXPECT_EQ(s.label->height(), c.height);
        // Bottom-aligned, so its width stays the window's.
        EXPECT_EQ(s.label->width(), 548);
    }
}

TEST(MiniHtmlLabel, HeightFollowsEveryChangeOfText) {
    StatusLine s;
    s.label->SetText(QStringLiteral("<B>Es existieren mindestens 3<BR>doppelte Artikelnummern."));
    EXPECT_EQ(s.label->height(), 32);
    s.label->SetText(QString());
    EXPECT_EQ(s.label->height(), 19);
}

TEST(MiniHtmlLabel, LaysOutTheToolsTexts) {
    struct Case {
        const char *text;
        QList<QList<ShownRun>> lines;
    };
    const Case cases[] = {
        {"<B>Alle Artikelnummern sind eindeutig.",
         {{{"Alle ", true}, {"Artikelnummern ", true}, {"sind ", true}, {"eindeutig.", true}}}},
        {"<B>Es existieren mindestens 12<BR>doppelte Artikelnummern.",
         {{{"Es ", true}, {"existieren ", true}, {"mindestens ", true}, {"12", true}},
          {{"doppelte ", true}, {"Artikelnummern.", true}}}},
        {"4711-A <b>löschen..", {{{"4711-A ", false}, {"löschen..", true}}}},
        {"0815 <b>überspringen..", {{{"0815 ", false}, {"überspringen..", true}}}},
        {"<B>Fehler:</B><BR>kaputt", {{{"Fehler:", true}}, {{"kaputt", false}}}},
        // Entities stand for the brackets, so no tag is made of them.
        {"&lt;b&gt;x", {{{"<b>x", false}}}},
        {"&LT;B&GT;x", {{{"<B>x", false}}}},
        // A "<" without a ">" after it cuts the rest.
        {"abc<def ghi", {{{"abc", false}}}},
        {"abc<", {{{"abc", false}}}},
        {"a<#b>c", {{{"abc", false}}}},
        {"a<X>b", {{{"a", false}, {"b", false}}}},
        {"x&nbsp;y", {{{"x y", false}}}},
        {"x &amp;&amp; y", {{{"x ", false}, {"& ", false}, {"y", false}}}},
        {"<BR>a", {{}, {{"a", false}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        StatusLine s;
        s.label->SetText(QString::fromUtf8(c.text));
        const QList<QList<ShownRun>> lines = RunsOf(*s.label);
        ASSERT_EQ(lines.size(), c.lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(lines[i].size(), c.lines[i].size()) << "line " << i;
            for (qsizetype k = 0; k < lines[i].size(); ++k) {
                EXPECT_EQ(lines[i][k].text, c.lines[i][k].text) << "line " << i << " run " << k;
                EXPECT_EQ(lines[i][k].bold, c.lines[i][k].bold) << "line " << i << " run " << k;
            }
        }
    }
}

TEST(MiniHtmlLabel, ListLinesJoinWithoutBreak) {
    StatusLine s;
    s.label->SetHTMLText({QStringLiteral("abc"), QStringLiteral("def")});
    EXPECT_EQ(s.label->Document().LineTexts(), QStringList{QStringLiteral("abcdef")});
    // Line breaks inside the list's lines are dropped as well.
    s.label->SetHTMLText({QStringLiteral("ab\r\nc"), QStringLiteral("d")});
    EXPECT_EQ(s.label->Document().LineTexts(), QStringList{QStringLiteral("abcd")});
    // A carriage return that does reach the text is a line break.
    s.label->AddLine(QStringLiteral("e\rf"));
    EXPECT_EQ(s.label->Document().LineTexts(),
              (QStringList{QStringLiteral("abcde"), QStringLiteral("f")}));
}

TEST(MiniHtmlLabel, ErrorTextWrapsAtWordsBelowBoldHeading) {
    StatusLine s(150);
    const QString error = QStringLiteral("Datensatz wurde von einem anderen Benutzer gesperrt");
    s.label->SetText(QStringLiteral("<B>Fehler:</B><BR>") + error);
    const THtmlDocument &doc = s.label->Document();
    const int textWidth = s.label->TextRect().width();
    ASSERT_GE(doc.Lines.size(), 3);
    EXPECT_EQ(doc.LineTexts().first(), QStringLiteral("Fehler:"));
    EXPECT_TRUE(doc.Lines.first().Runs.first().Font.bold());
    QString joined;
    for (qsizetype i = 1; i < doc.Lines.size(); ++i) {
        const THtmlLine &line = doc.Lines[i];
        EXPECT_LT(line.Width, textWidth) << "line " << i;
        for (const THtmlRun &run : line.Runs)
            EXPECT_FALSE(run.Font.bold());
        joined += doc.LineTexts()[i];
    }
    EXPECT_EQ(joined, error);
    EXPECT_EQ(s.label->height(), doc.Lines.size() * 13 + 6);
}

TEST(MiniHtmlLabel, WordAfterTagStaysWithItsFirstPart) {
    // "schen" continues "lö" right after a tag: it stays on the line although
    // it sticks out, while a word after a space moves to the next line.
    StatusLine s(60);
    s.label->SetText(QStringLiteral("ab lö<b>schen"));
    const THtmlDocument &doc = s.label->Document();
    EXPECT_EQ(doc.LineTexts(), QStringList{QStringLiteral("ab löschen")});
    EXPECT_GT(doc.Lines.first().Width, s.label->TextRect().width());

    s.label->SetText(QStringLiteral("ab lö schen"));
    EXPECT_EQ(s.label->Document().LineTexts(),
              (QStringList{QStringLiteral("ab lö "), QStringLiteral("schen")}));
}

TEST(MiniHtmlLabel, BoldCarriesAcrossLineBreakWhenDrawn) {
    const auto render = [](const char *text) {
        StatusLine s;
        s.label->SetText(QString::fromLatin1(text));
        return Grab(*s.label);
    };
    const QImage carried = render("<B>ab<BR>cd");
    const QImage repeated = render("<B>ab<BR><B>cd");
    const QImage ended = render("<B>ab</B><BR>cd");
    EXPECT_EQ(carried, repeated);
    EXPECT_NE(carried, ended);
    // The first lines are the same; only the second differs.
    EXPECT_EQ(carried.copy(0, 0, 548, 19), ended.copy(0, 0, 548, 19));
    EXPECT_EQ(InkBands(InkRows(carried, Qt::white)), 2);
}

TEST(MiniHtmlLabel, MarginOfSixPixelsLeftAndTop) {
    StatusLine s;
    s.label->SetText(QStringLiteral("<B>Hx"));
    const QImage image = Grab(*s.label);
    const QList<int> rows = InkRows(image, Qt::white);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_GE(rows.first(), 6);
    EXPECT_LE(rows.last(), 18);
    int left = image.width();
    for (int y : rows)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) != QColor(Qt::white)) {
                left = std::min(left, x);
                break;
            }
    EXPECT_GE(left, 6);
    EXPECT_LE(left, 8);
}

TEST(MiniHtmlLabel, ShowsAmpersandAsMnemonicPrefix) {
    StatusLine s;
    s.label->SetText(QStringLiteral("&Datei"));
    const THtmlRun &run = s.label->Document().Lines.first().Runs.first();
    EXPECT_EQ(run.Text, QStringLiteral("Datei"));
    EXPECT_EQ(run.UnderlinedChar, 0);
}

// ---------------------------------------------------------------------------

TEST(SBHTM, ShowsEveryAmpersandLiterally) {
    struct Case {
        const char *text;
        const char *shown;
    };
    for (const Case c : {Case{"a &amp; b", "a & b"}, Case{"a & b", "a & b"},
                         Case{"&amp;lt;x&amp;gt;", "<x>"}, Case{"&euro;", "\u20ac"}}) {
        SCOPED_TRACE(c.text);
        QWidget parent;
        auto *label = new TSBHTM(&parent);
        label->resize(300, 20);
        label->SetText(QString::fromUtf8(c.text));
        EXPECT_EQ(label->Document().LineTexts(), QStringList{QString::fromUtf8(c.shown)});
    }
}

TEST(SBHTM, RunCloseToRightEdgeStaysBlank) {
    QWidget parent;
    parent.setFont(FormFont(QStringLiteral("Tahoma"), 8));
    auto *label = new TSBHTM(&parent);
    label->SetColor(clWhite);
    label->resize(300, 19);
    label->SetText(QStringLiteral("aaaa<B>bbbb"));
    const int secondX = label->Document().Lines.first().Runs.at(1).X;
    const int w =
        QFontMetrics(label->Document().Lines.first().Runs.at(1).Font).horizontalAdvance(u'W');

    // Exactly the width of "W" left: the run is laid out but not drawn.
    label->resize(secondX + w, 19);
    ASSERT_EQ(label->Document().Lines.first().Runs.size(), 2);
    EXPECT_TRUE(InkRows(Grab(*label), Qt::white, secondX).isEmpty());
    EXPECT_FALSE(InkRows(Grab(*label), Qt::white, 0, secondX).isEmpty());

    label->resize(secondX + w + 1, 19);
    EXPECT_FALSE(InkRows(Grab(*label), Qt::white, secondX).isEmpty());
}

TEST(SBHTM, AutoSizesVerticallyOnly) {
    QWidget parent;
    parent.setFont(FormFont(QStringLiteral("Tahoma"), 8));
    auto *label = new TSBHTM(&parent);
    label->SetAlign(TCustomHtmlLabel::alTop);
    label->SetAutoSizeType(TCustomHtmlLabel::asVertical);
    label->resize(406, 10);
    label->SetAutoSizing(true);
    EXPECT_EQ(label->height(), 19);
    label->SetText(QStringLiteral("eins<br>zwei<br>drei"));
    EXPECT_EQ(label->height(), 3 * 13 + 6);
    EXPECT_EQ(label->width(), 406);
}

} // namespace
