#include "slimprogressbar.h"

#include "kit_accessibility.h"
#include "parent_color.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {
constexpr int kBlock = 8;
constexpr int kPitch = 9; // block and gap
} // namespace

TSlimProgressBar::TSlimProgressBar(QWidget *parent) : QWidget(parent) {
    InstallKitAccessibility();
    resize(147, 16);
}

int TSlimProgressBar::SnappedLength(int length) {
    return length > 11 ? kPitch * ((length - 3) / kPitch) + 3 : 12;
}

void TSlimProgressBar::SetMin(int value) {
    if (value == min_) return;
    const int before = position_;
    min_ = value;
    if (max_ - min_ <= 0) max_ = min_ + 1;
    position_ = qBound(min_, position_, max_);
    if (position_ != before) NotifyAccessibleValueChanged(this, position_);
    update();
}

void TSlimProgressBar::SetMax(int value) {
    if (value == max_) return;
    const int before = position_;
    max_ = value;
    if (position_ > max_) position_ = max_;
    if (max_ - min_ <= 0) max_ = min_ + 1;
    position_ = qBound(min_, position_, max_);
    if (position_ != before) NotifyAccessibleValueChanged(this, position_);
    update();
}

void TSlimProgressBar::SetPosition(int value) {
    value = qBound(min_, value, max_);
    if (value == position_) return;
    const int before = FilledBlocks();
    const bool grew = value > position_;
    position_ = value;
    NotifyAccessibleValueChanged(this, position_);
    if (!grew || smooth_) {
        update();
        return;
    }
    // Inside long loops only the new blocks are painted, at once, so the
    // bar advances without waiting for the next repaint.
    const int after = FilledBlocks();
    QRect dirty;
    for (int i = before; i < after; ++i)
        dirty |= BlockRect(i);
    if (!dirty.isEmpty()) repaint(dirty);
}

TColor TSlimProgressBar::Color() const {
    return parentColor_ ? InheritedColor(this) : color_;
}

void TSlimProgressBar::SetColor(TColor color) {
    if (!parentColor_ && color == color_) return;
    parentColor_ = false;
    color_ = color;
    update();
}

void TSlimProgressBar::SetColorElement(TColor color) {
    if (color == colorElement_) return;
    colorElement_ = color;
    update();
}

void TSlimProgressBar::SetColorBorder(TColor color) {
    if (color == colorBorder_) return;
    colorBorder_ = color;
    update();
}

void TSlimProgressBar::SetSmooth(bool on) {
    if (on == smooth_) return;
    smooth_ = on;
    update();
}

void TSlimProgressBar::SetTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    update();
}

void TSlimProgressBar::SetUseDerivedColors(bool on) {
    if (on == useDerivedColors_) return;
    useDerivedColors_ = on;
    update();
}

void TSlimProgressBar::SetDerivedColorBorder(int percent) {
    if (percent == derivedBorder_) return;
    derivedBorder_ = percent;
    update();
}

void TSlimProgressBar::SetOrientation(Qt::Orientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    resize(size()); // re-snaps along the new direction
    update();
}

int TSlimProgressBar::BlockCount() const {
    return qMax(0, (Length() - 3) / kPitch);
}

int TSlimProgressBar::FilledBlocks() const {
    const int total = BlockCount();
    if (total == 0) return 0;
    // The small addend keeps exact multiples from falling one block short
    // through rounding of the quotient.
    const double n = (position_ - min_) / (double(max_ - min_) / total) + 0.00000001;
    return qMin(total, int(std::trunc(n)));
}

QRect TSlimProgressBar::BlockRect(int index) const {
    if (orientation_ == Qt::Vertical) {
        const int bottom = height() - 2 - index * kPitch;
        return QRect(2, bottom - kBlock, width() - 4, kBlock);
    }
    const int x = layoutDirection() == Qt::RightToLeft ? width() - 2 - kBlock - index * kPitch
                                                       : 2 + index * kPitch;
    return QRect(x, 2, kBlock, height() - 4);
}

void TSlimProgressBar::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QColor background = ColorToQColor(Color());
    if (!transparent_) p.fillRect(rect(), background);
    QColor border = ColorToQColor(colorBorder_);
    if (useDerivedColors_) {
        const int keep = 100 - qBound(0, derivedBorder_, 100);
        border = QColor(background.red() * keep / 100, background.green() * keep / 100,
                        background.blue() * keep / 100);
    }
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    const QColor element = ColorToQColor(colorElement_);
    if (smooth_) {
        const double fraction = double(position_ - min_) / (max_ - min_);
        if (orientation_ == Qt::Horizontal) {
            const int w = int((width() - 4) * fraction);
            const int x = layoutDirection() == Qt::RightToLeft ? width() - 2 - w : 2;
            p.fillRect(QRect(x, 2, w, height() - 4), element);
        } else {
            const int h = int((height() - 4) * fraction);
            p.fillRect(QRect(2, height() - 2 - h, width() - 4, h), element);
        }
        return;
    }
    const int filled = FilledBlocks();
    for (int i = 0; i < filled; ++i)
        p.fillRect(BlockRect(i), element);
}

void TSlimProgressBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // The bar keeps its length a whole number of blocks.
    if (smooth_) return;
    if (orientation_ == Qt::Horizontal) {
        const int snapped = SnappedLength(width());
        if (snapped != width()) resize(snapped, height());
    } else {
        const int snapped = SnappedLength(height());
        if (snapped != height()) resize(width(), snapped);
    }
}
