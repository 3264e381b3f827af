// The layout engine shared by the two mini-HTML labels. A text is prepared
// once, laid out into lines of runs (a run is a piece of text in one font
// state), and the laid-out document is what both measuring and drawing use,
// so that a label measures a text once per change and draws it from the
// result as often as it needs.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

class QPainter;

struct THtmlOptions {
    // Off: runs are not split at spaces and a line that does not fit is cut
    // with an ellipsis.
    bool WordWrap = true;
    // On: "&" is the platform's mnemonic prefix inside runs ("&&" shows one).
    bool PrefixAmpersands = false;
    QColor URLColor = QColor(0, 0, 255);
    QColor ShadowColor = QColor(128, 128, 128);
    int ShadowOffset = 2;
};

struct THtmlRun {
    QString Text; // as drawn
    QFont Font;
    QColor Color; // invalid: the label's font colour
    QColor Background;
    QString Anchor;
    int X = 0; // from the left edge of the text rectangle
    int Width = 0;
    int Height = 0;
    int UnderlinedChar = -1; // mnemonic underline, index into Text
    bool Shadow = false;
};

struct THtmlLine {
    QList<THtmlRun> Runs;
    int Width = 0;
    int Height = 0;
    bool Rule = false; // a horizontal rule under the line
};

struct THtmlDocument {
    QList<THtmlLine> Lines;
    int TextWidth = 0;
    int TextHeight = 0;

    // The lines as plain text, one entry per line.
    QStringList LineTexts() const;
};

// Entity replacement, the "<#" ... ">" removal and line-break conversion.
QString PrepareHtmlText(const QString &text);

// The height of the text "gh" in a font: the line height unit of the engine.
int HtmlLineHeight(const QFont &font);

// Lays out prepared text for a text rectangle lineWidth pixels wide.
THtmlDocument LayoutHtml(const QString &prepared, const QFont &font, int lineWidth,
                         const THtmlOptions &options);

struct THtmlDrawOptions {
    QColor FontColor;
    QColor URLColor = QColor(0, 0, 255);
    QColor ShadowColor = QColor(128, 128, 128);
    int ShadowOffset = 2;
    // A run is drawn only when more than the width of "W" remains to the
    // right edge; the rest of its line stays blank.
    bool KeepClearOfRightEdge = false;
    QString HoverAnchor;
    QColor HoverColor;
    QColor HoverFontColor;
};

void DrawHtml(QPainter &painter, const THtmlDocument &document, const QRect &rect,
              const THtmlDrawOptions &options);

// The anchor under a point, for a document drawn into rect; empty for none.
QString HtmlAnchorAt(const THtmlDocument &document, const QRect &rect, const QPoint &point);
