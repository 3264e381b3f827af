// Helpers for looking at what a widget drew.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

inline QImage Grab(QWidget &widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor PixelAt(const QImage &image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Rows (top to bottom) that hold a pixel differing from the background.
inline QList<int> InkRows(const QImage &image, const QColor &background, int fromX = 0,
                          int toX = -1) {
    QList<int> rows;
    if (toX < 0) toX = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x)
            if (QColor(image.pixel(x, y)) != background) {
                rows << y;
                break;
            }
    return rows;
}

// Groups of consecutive ink rows: one per line of text.
inline int InkBands(const QList<int> &rows) {
    int bands = 0;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (i == 0 || rows[i] != rows[i - 1] + 1) ++bands;
    return bands;
}
