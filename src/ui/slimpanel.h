// TSlimPanel: a panel with a one-pixel flat frame.
#pragma once

#include "colors.h"

#include <QWidget>

class TSlimPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint ColorHighLight READ ColorHighLight WRITE SetColorHighLight)
    Q_PROPERTY(uint ColorShadow READ ColorShadow WRITE SetColorShadow)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    explicit TSlimPanel(QWidget *parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor ColorHighLight() const { return colorHighLight_; }
    void SetColorHighLight(TColor color);
    TColor ColorShadow() const { return colorShadow_; }
    void SetColorShadow(TColor color);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }

    QSize sizeHint() const override { return QSize(185, 41); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    TColor color_ = clBtnFace;
    TColor colorHighLight_ = 0x8396A0;
    TColor colorShadow_ = 0x8396A0;
    bool transparent_ = false;
    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
};
