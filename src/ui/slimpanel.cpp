#include "slimpanel.h"

#include <QEvent>
#include <QPainter>

TSlimPanel::TSlimPanel(QWidget *parent) : QWidget(parent) {
    resize(185, 41);
}

void TSlimPanel::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void TSlimPanel::SetColorHighLight(TColor color) {
    if (color == colorHighLight_) return;
    colorHighLight_ = color;
    update();
}

void TSlimPanel::SetColorShadow(TColor color) {
    if (color == colorShadow_) return;
    colorShadow_ = color;
    update();
}

void TSlimPanel::SetTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    update();
}

void TSlimPanel::SetCaption(const QString &caption) {
    if (caption == caption_) return;
    caption_ = caption;
    update();
}

void TSlimPanel::SetAlignment(Qt::Alignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    update();
}

void TSlimPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QRect r = rect();
    if (!transparent_) p.fillRect(r, ColorToQColor(color_));
    const QColor light = ColorToQColor(colorHighLight_);
    const QColor dark = ColorToQColor(colorShadow_);
    p.fillRect(QRect(0, 0, r.width(), 1), light);
    p.fillRect(QRect(0, 0, 1, r.height()), light);
    p.fillRect(QRect(0, r.height() - 1, r.width(), 1), dark);
    p.fillRect(QRect(r.width() - 1, 0, 1, r.height()), dark);
    if (caption_.isEmpty()) return;
    const QRect textRect = r.adjusted(2, 0, -2, 0);
    const int flags =
        int(alignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
    if (!isEnabled()) {
        p.setPen(ColorToQColor(clBtnHighlight));
        p.drawText(textRect.translated(1, 1), flags, caption_);
        p.setPen(ColorToQColor(clBtnShadow));
    } else {
        p.setPen(palette().color(QPalette::WindowText));
    }
    p.drawText(textRect, flags, caption_);
}

void TSlimPanel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) update();
    QWidget::changeEvent(event);
}
