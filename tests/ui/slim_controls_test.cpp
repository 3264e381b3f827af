#include "colors.h"
#include "slimbutton.h"
#include "slimprogressbar.h"
#include "ui_test_support.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

enum class ClickWay { Mouse, Space, Accelerator, Code };

const char *Name(ClickWay way) {
    switch (way) {
    case ClickWay::Mouse:
        return "mouse";
    case ClickWay::Space:
        return "Space";
    case ClickWay::Accelerator:
        return "accelerator";
    case ClickWay::Code:
        return "Click()";
    }
    return "";
}

// A button with the accelerator S on a shown, active dialog that still has
// result 7, so that any touch of the modal result shows.
struct ButtonOnDialog {
    QDialog dialog;
    QLineEdit *other = new QLineEdit(&dialog);
    TSlimButton *button = new TSlimButton(&dialog);
    int asked = 0;
    int clicked = 0;

    explicit ButtonOnDialog(bool allow) {
        dialog.resize(200, 100);
        other->setGeometry(10, 60, 100, 20);
        button->setGeometry(10, 10, 80, 30);
        button->SetCaption(QStringLiteral("&Start"));
        button->SetTabStop(true);
        button->SetModalResult(1);
        dialog.setResult(7);
        QObject::connect(button, &TSlimButton::OnBeforeClick, [this, allow](QObject *, bool &ok) {
            ++asked;
            ok = allow;
        });
        QObject::connect(button, &TSlimButton::OnClick, [this](QObject *) { ++clicked; });
        dialog.show();
        dialog.activateWindow();
    }

    void ClickBy(ClickWay way) {
        switch (way) {
        case ClickWay::Mouse:
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        case ClickWay::Space:
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
            break;
        case ClickWay::Accelerator:
            // Sent to another control, so that only the accelerator can
            // reach the button.
            other->setFocus();
            QTest::keyClick(other, Qt::Key_S, Qt::AltModifier);
            break;
        case ClickWay::Code:
            button->Click();
            break;
        }
    }
};

TEST(SlimButton, BeforeClickVetoIsAskedForEveryKindOfClick) {
    for (ClickWay way : {ClickWay::Mouse, ClickWay::Space, ClickWay::Accelerator, ClickWay::Code}) {
        for (bool allow : {false, true}) {
            SCOPED_TRACE(std::string(Name(way)) + (allow ? ", allowed" : ", refused"));
            ButtonOnDialog f(allow);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&f.dialog));
            f.ClickBy(way);
            EXPECT_EQ(f.asked, 1);
            EXPECT_EQ(f.clicked, allow ? 1 : 0);
            // The button's modal result reaches the form only with the click.
            EXPECT_EQ(f.dialog.result(), allow ? 1 : 7);
            EXPECT_EQ(f.dialog.isVisible(), !allow);
        }
    }
}

TEST(SlimButton, DisabledOrHiddenButtonIgnoresClickFromCode) {
    for (bool disable : {true, false}) {
        SCOPED_TRACE(disable ? "disabled" : "hidden");
        QWidget parent;
        auto *button = new TSlimButton(&parent);
        int asked = 0;
        int clicked = 0;
        QObject::connect(button, &TSlimButton::OnBeforeClick, [&](QObject *, bool &) { ++asked; });
        QObject::connect(button, &TSlimButton::OnClick, [&](QObject *) { ++clicked; });
        if (disable)
            button->setEnabled(false);
        else
            button->hide();
        button->Click();
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(clicked, 0);
        if (disable)
            button->setEnabled(true);
        else
            button->show();
        button->Click();
        EXPECT_EQ(clicked, 1);
    }
}

TEST(SlimButton, ReleasingOutsideDoesNotClickAndDrawsUpAgain) {
    QWidget parent;
    parent.resize(200, 100);
    auto *button = new TSlimButton(&parent);
    button->setGeometry(10, 10, 60, 30);
    button->SetColor(clWhite);
    int clicked = 0;
    QObject::connect(button, &TSlimButton::OnClick, [&](QObject *) { ++clicked; });
    parent.show();

    QTest::mousePress(button, Qt::LeftButton);
    QImage pressed = Grab(*button);
    EXPECT_EQ(button->State(), TSlimButton::bsDown);
    EXPECT_EQ(PixelAt(pressed, 30, 15), ColorToQColor(button->ColorDown()));
    // Sunken frame: the shadow colour at the top left.
    EXPECT_EQ(PixelAt(pressed, 0, 0), ColorToQColor(button->ColorShadow()));

    QTest::mouseMove(button, QPoint(100, 100));
    EXPECT_EQ(button->State(), TSlimButton::bsUp);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(clicked, 0);
    EXPECT_EQ(button->State(), TSlimButton::bsUp);
}

TEST(SlimButton, FaceAndBorderFollowTheState) {
    QWidget parent;
    auto *button = new TSlimButton(&parent);
    button->resize(40, 30);
    button->SetColor(0x00FF00);
    QImage up = Grab(*button);
    EXPECT_EQ(PixelAt(up, 20, 15), QColor(0, 255, 0));
    EXPECT_EQ(PixelAt(up, 0, 0), ColorToQColor(0x8396A0));
    EXPECT_EQ(PixelAt(up, 1, 1), QColor(0, 255, 0));
    button->SetDefault(true);
    EXPECT_EQ(PixelAt(Grab(*button), 1, 1), ColorToQColor(0x8396A0));

    button->setEnabled(false);
    QImage disabled = Grab(*button);
    EXPECT_EQ(PixelAt(disabled, 20, 15), QColor(0, 255, 0));
    EXPECT_EQ(PixelAt(disabled, 1, 1), QColor(0, 255, 0)); // one pixel, even when Default
}

TEST(SlimButton, GlyphWidthSetsNumberOfImages) {
    struct Case {
        int width;
        int expected;
    };
    for (const Case c :
         {Case{32, 2}, Case{48, 3}, Case{64, 4}, Case{80, 1}, Case{16, 1}, Case{40, 1}}) {
        SCOPED_TRACE(c.width);
        TSlimButton button;
        QPixmap glyph(c.width, 16);
        glyph.fill(Qt::red);
        button.SetGlyph(glyph);
        EXPECT_EQ(button.NumGlyphs(), c.expected);
    }
}

TEST(SlimButton, CaptionLineBreakTagDrawsTwoLines) {
    const QColor face(255, 255, 255);
    int bands[2] = {};
    int i = 0;
    for (const char *caption : {"Alle doppelten", "Alle<BR>doppelten"}) {
        TSlimButton button;
        button.resize(165, 45);
        button.SetColor(clWhite);
        button.SetCaption(QString::fromLatin1(caption));
        // Inside the frame only.
        const QImage image = Grab(button).copy(2, 2, 161, 41);
        bands[i++] = InkBands(InkRows(image, face));
    }
    EXPECT_EQ(bands[0], 1);
    EXPECT_EQ(bands[1], 2);
}

// ---------------------------------------------------------------------------

int DrawnBlocks(TSlimProgressBar &bar) {
    const QImage image = Grab(bar);
    const QColor element = ColorToQColor(bar.ColorElement());
    int drawn = 0;
    for (int i = 0; 2 + 9 * i + 8 <= image.width() - 1; ++i) {
        const bool block = PixelAt(image, 2 + 9 * i + 4, image.height() / 2) == element;
        // Blocks are contiguous from the left; the gap after each stays empty.
        EXPECT_NE(PixelAt(image, 2 + 9 * i + 8, image.height() / 2), element) << "gap " << i;
        if (block) {
            EXPECT_EQ(drawn, i) << "block " << i << " after a missing one";
            ++drawn;
        }
    }
    return drawn;
}

TEST(SlimProgressBar, DrawsBlocksInProportion) {
    struct Case {
        int max;
        int position;
        int blocks;
    };
    for (const Case c : {Case{1000, 500, 23}, Case{1000, 0, 0}, Case{1000, 1000, 46},
                         Case{100, 1, 0}, Case{100, 99, 45}, Case{46, 23, 23}}) {
        SCOPED_TRACE(testing::Message() << c.position << " of " << c.max);
        TSlimProgressBar bar;
        bar.resize(417, 25);
        bar.SetMax(c.max);
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.width(), 417);
        EXPECT_EQ(bar.BlockCount(), 46);
        EXPECT_EQ(bar.FilledBlocks(), c.blocks);
        EXPECT_EQ(DrawnBlocks(bar), c.blocks);
    }
}

TEST(SlimProgressBar, MaxZeroBecomesOneAndClampsPosition) {
    TSlimProgressBar bar;
    bar.resize(417, 25);
    bar.SetPosition(40);
    bar.SetMax(0);
    EXPECT_EQ(bar.Max(), 1);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(5);
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(DrawnBlocks(bar), 46);

    bar.SetMin(10);
    EXPECT_EQ(bar.Max(), 11);
    EXPECT_EQ(bar.Position(), 10);
    EXPECT_EQ(DrawnBlocks(bar), 0);
}

TEST(SlimProgressBar, WidthSnapsToWholeBlocks) {
    struct Case {
        int width;
        int snapped;
    };
    for (const Case c : {Case{417, 417}, Case{420, 417}, Case{426, 426}, Case{147, 147},
                         Case{11, 12}, Case{5, 12}}) {
        SCOPED_TRACE(c.width);
        QWidget parent;
        auto *bar = new TSlimProgressBar(&parent);
        parent.show();
        bar->resize(c.width, 16);
        EXPECT_EQ(bar->width(), c.snapped);
    }
}

} // namespace

// A glyph's bottom-left colour is see-through: the picture shows, its
// background colour does not.
TEST(SlimButtonGlyph, DrawsThePictureWithoutItsKeyColour) {
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) glyph.setPixel(x, y, qRgb(0, 0, 255));
    TSlimButton button;
    button.SetCaption(QString());
    button.SetGlyph(QPixmap::fromImage(glyph));
    button.resize(40, 30);
    button.show();
    const QImage shot = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int blue = 0, magenta = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            blue += shot.pixel(x, y) == qRgb(0, 0, 255);
            magenta += shot.pixel(x, y) == qRgb(255, 0, 255);
        }
    EXPECT_EQ(blue, 64);
    EXPECT_EQ(magenta, 0);
}
