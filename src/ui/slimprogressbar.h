// TSlimProgressBar: a bordered bar of blocks 8 pixels wide with 1 pixel
// between them, advanced once per record by long operations.
#pragma once

#include "colors.h"

#include <QWidget>

class TSlimProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Step READ Step WRITE SetStep)
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint ColorElement READ ColorElement WRITE SetColorElement)
    Q_PROPERTY(uint ColorBorder READ ColorBorder WRITE SetColorBorder)
    Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
    Q_PROPERTY(Qt::Orientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool UseDerivedColors READ UseDerivedColors WRITE SetUseDerivedColors)
    Q_PROPERTY(int DerivedColorBorder READ DerivedColorBorder WRITE SetDerivedColorBorder)

public:
    explicit TSlimProgressBar(QWidget *parent = nullptr);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    int Step() const { return step_; }
    void SetStep(int step) { step_ = step; }

    TColor Color() const;
    void SetColor(TColor color);
    TColor ColorElement() const { return colorElement_; }
    void SetColorElement(TColor color);
    TColor ColorBorder() const { return colorBorder_; }
    void SetColorBorder(TColor color);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool on);
    Qt::Orientation Orientation() const { return orientation_; }
    void SetOrientation(Qt::Orientation orientation);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool UseDerivedColors() const { return useDerivedColors_; }
    void SetUseDerivedColors(bool on);
    int DerivedColorBorder() const { return derivedBorder_; }
    void SetDerivedColorBorder(int percent);

    // Blocks that fit into the bar, and blocks drawn for the position.
    int BlockCount() const;
    int FilledBlocks() const;

    // A length snapped to whole blocks plus the 3 pixels of border and
    // first gap.
    static int SnappedLength(int length);

    QSize sizeHint() const override { return QSize(147, 16); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect BlockRect(int index) const;
    int Length() const { return orientation_ == Qt::Horizontal ? width() : height(); }

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TColor colorElement_ = 0x996633;
    TColor colorBorder_ = 0x8396A0;
    bool smooth_ = false;
    Qt::Orientation orientation_ = Qt::Horizontal;
    bool transparent_ = false;
    bool useDerivedColors_ = false;
    int derivedBorder_ = 50;
};
