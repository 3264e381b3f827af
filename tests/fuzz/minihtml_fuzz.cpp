// The mini-HTML engine and the two labels that use it. The first input
// byte picks the options, the second the width; the rest is the text
// (UTF-8). Any text lays out into lines whose runs stand left to right,
// draws, answers anchor queries, and sizes a label.
#include "fuzz_support.h"
#include "minihtml_layout.h"
#include "minihtmllabel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const int width = data[1] * 2 - 40; // also none and negative widths
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    THtmlOptions options;
    options.WordWrap = flags & 1;
    options.PrefixAmpersands = flags & 2;
    const QFont font(QStringLiteral("DejaVu Sans"), 8);
    const THtmlDocument doc = LayoutHtml(PrepareHtmlText(text), font, width, options);
    fuzz::Require(doc.TextHeight > 0 && doc.TextWidth >= 0, "a text size below zero");
    for (const THtmlLine &line : doc.Lines) {
        int x = 0;
        for (const THtmlRun &run : line.Runs) {
            fuzz::Require(run.X >= x && run.Width >= 0, "runs out of order");
            x = run.X + run.Width;
        }
    }
    QImage image(160, 80, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        THtmlDrawOptions draw;
        draw.KeepClearOfRightEdge = flags & 4;
        DrawHtml(painter, doc, QRect(3, 3, qMax(0, width), 74), draw);
    }
    for (int y = 0; y < 80; y += 13)
        HtmlAnchorAt(doc, QRect(3, 3, qMax(0, width), 74), QPoint(y * 2, y));

    std::unique_ptr<TCustomHtmlLabel> label;
    if (flags & 8)
        label = std::make_unique<TSBHTM>();
    else
        label = std::make_unique<TMiniHtmlLabel>();
    label->resize(qMax(1, width), 19);
    label->SetAutoSizing(flags & 16);
    label->SetAutoSizeType(TCustomHtmlLabel::TAutoSizeType((flags >> 5) % 3));
    label->SetBorderWidth(flags >> 7 ? 6 : 0);
    label->SetText(text);
    label->Paint();
    fuzz::Require(label->height() >= 1 && label->width() >= 1, "a label of no size");
    label->render(&image);
    return 0;
}
