#include "ui_artwork.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kTransparent(255, 0, 255);

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kTransparent);
    return image;
}

// Anti-aliasing would blend edges into the magenta background and leave
// pink fringes once magenta is cut out, so pictures are drawn without it.
void DrawQuestionMark(QPainter &p, int x, const QColor &ring, const QColor &fill,
                      const QColor &mark) {
    p.setPen(ring);
    p.setBrush(fill);
    p.drawEllipse(QRect(x + 1, 1, 13, 13));
    p.setPen(QPen(mark, 2));
    p.drawArc(QRect(x + 5, 3, 6, 5), 180 * 16, -270 * 16);
    p.drawLine(x + 8, 8, x + 8, 9);
    p.drawPoint(x + 8, 12);
}

} // namespace

QPixmap SpeechBubblePicture() {
    QImage image = Canvas(24, 24);
    QPainter p(&image);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1, 2, 21, 14), 5, 5);
    QPolygonF tail;
    tail << QPointF(6, 14) << QPointF(5, 21) << QPointF(12, 15);
    bubble.addPolygon(tail);
    bubble = bubble.simplified();
    p.setPen(QColor(70, 120, 190));
    p.setBrush(QColor(190, 215, 245));
    p.drawPath(bubble);
    p.setPen(QColor(70, 120, 190));
    for (int y : {6, 9, 12})
        p.drawLine(5, y, y == 12 ? 12 : 17, y);
    p.end();
    QPixmap picture = QPixmap::fromImage(image);
    picture.setMask(
        QBitmap::fromImage(image.createMaskFromColor(kTransparent.rgb(), Qt::MaskInColor)));
    return picture;
}

QPixmap YesGlyph() {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QPen(QColor(0, 128, 0), 2));
    p.drawLine(3, 8, 6, 11);
    p.drawLine(6, 11, 12, 4);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap NoGlyph() {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QPen(QColor(192, 0, 0), 2));
    p.drawLine(4, 4, 11, 11);
    p.drawLine(11, 4, 4, 11);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap CloseGlyph() {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QColor(90, 70, 40));
    p.setBrush(QColor(200, 160, 100));
    p.drawRect(QRect(3, 1, 9, 13));
    p.setBrush(QColor(90, 70, 40));
    p.drawRect(QRect(9, 7, 1, 1));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap HelpGlyph() {
    QImage image = Canvas(32, 16);
    QPainter p(&image);
    DrawQuestionMark(p, 0, QColor(40, 90, 170), QColor(90, 150, 230), Qt::white);
    DrawQuestionMark(p, 16, QColor(128, 128, 128), QColor(200, 200, 200), QColor(240, 240, 240));
    p.end();
    return QPixmap::fromImage(image);
}


QPixmap CheckGlyph() {
    // A magnifying glass, drawn without smoothing: blended edges would mix
    // with the key colour.
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QPen(QColor(40, 60, 120), 2));
    p.setBrush(QColor(200, 225, 255));
    p.drawEllipse(QRectF(2, 2, 8, 8));
    p.setPen(QPen(QColor(90, 70, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap EditGlyph() {
    // A pencil.
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QPen(QColor(150, 110, 20), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(4, 12), QPointF(12, 4));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(QPointF(2, 14), QPointF(4, 12));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap DeleteGlyph() {
    // A waste bin.
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(QColor(190, 190, 190));
    p.drawRect(QRect(4, 4, 8, 10));
    p.drawRect(QRect(3, 2, 10, 2));
    p.drawLine(6, 6, 6, 12);
    p.drawLine(9, 6, 9, 12);
    p.end();
    return QPixmap::fromImage(image);
}
