#include "bevel.h"

#include "colors.h"

#include <QPainter>

void DrawFrame(QPainter &p, const QRect &r, int width, const QColor &topLeft,
               const QColor &bottomRight) {
    for (int i = 0; i < width; ++i) {
        const QRect f = r.adjusted(i, i, -i, -i);
        p.fillRect(QRect(f.left(), f.top(), f.width(), 1), topLeft);
        p.fillRect(QRect(f.left(), f.top(), 1, f.height()), topLeft);
        p.fillRect(QRect(f.left(), f.bottom(), f.width(), 1), bottomRight);
        p.fillRect(QRect(f.right(), f.top(), 1, f.height()), bottomRight);
    }
}

void DrawBevel(QPainter &p, const QRect &r, int width, int cut) {
    const QColor shadow = ColorToQColor(clBtnShadow);
    const QColor light = ColorToQColor(clBtnHighlight);
    if (cut == bkLowered) DrawFrame(p, r, width, shadow, light);
    if (cut == bkRaised) DrawFrame(p, r, width, light, shadow);
}
