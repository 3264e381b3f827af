#include "panel.h"

#include "parent_color.h"

#include <QPainter>

TPanel::TPanel(QWidget *parent) : QWidget(parent) {
    resize(185, 41);
}

TColor TPanel::Color() const {
    return parentColor_ ? InheritedColor(this) : color_;
}

void TPanel::SetColor(TColor color) {
    if (!parentColor_ && color == color_) return;
    parentColor_ = false;
    color_ = color;
    // Children that follow this colour repaint with the panel.
    update();
}

void TPanel::SetBevelInner(int cut) {
    if (cut == bevelInner_) return;
    bevelInner_ = cut;
    update();
}

void TPanel::SetBevelOuter(int cut) {
    if (cut == bevelOuter_) return;
    bevelOuter_ = cut;
    update();
}

void TPanel::SetBevelWidth(int width) {
    if (width == bevelWidth_ || width < 1) return;
    bevelWidth_ = width;
    update();
}

void TPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(Color()));
    QRect r = rect();
    if (bevelOuter_ != bkNone) {
        DrawBevel(p, r, bevelWidth_, bevelOuter_);
        r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    }
    if (bevelInner_ != bkNone) DrawBevel(p, r, bevelWidth_, bevelInner_);
}
