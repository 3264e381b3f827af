// TPanel: the plain container panel of the forms, with the bevels, colour
// and visibility that designs and the skin file set by name.
#pragma once

#include "bevel.h"
#include "colors.h"

#include <QWidget>

class TPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(int BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(int BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    explicit TPanel(QWidget *parent = nullptr);

    // The parent's colour until a colour of its own is set.
    TColor Color() const;
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    // TBevelKind values; the outer bevel is raised by default, the inner none.
    int BevelInner() const { return bevelInner_; }
    void SetBevelInner(int cut);
    int BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(int cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }

    QSize sizeHint() const override { return QSize(185, 41); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    int bevelInner_ = bkNone;
    int bevelOuter_ = bkRaised;
    int bevelWidth_ = 1;
};
