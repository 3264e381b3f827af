// The raised and lowered bevels that panels and labels draw inside their
// edges, in the system's highlight and shadow colours.
#pragma once

#include <QRect>

class QColor;
class QPainter;

// Bevel cuts, in the order the skin file and the designs number them.
enum TBevelKind { bkNone, bkLowered, bkRaised, bkSpace };

// Draws a bevel `width` pixels wide along the inside of `r`; bkNone and
// bkSpace draw nothing (bkSpace only takes room).
void DrawBevel(QPainter &p, const QRect &r, int width, int cut);

// A frame `width` pixels wide along the inside of `r`: top and left edges in
// one colour, bottom and right in the other.
void DrawFrame(QPainter &p, const QRect &r, int width, const QColor &topLeft,
               const QColor &bottomRight);
