// TSlimButton: the flat push button. Its owner may veto every click before
// it happens (OnBeforeClick), whether it comes from the mouse, Space, the
// accelerator or a Click() call in code.
#pragma once

#include "colors.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <QMenu>

class TSlimButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QPixmap Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int Round READ Round WRITE SetRound)
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint ColorFocused READ ColorFocused WRITE SetColorFocused)
    Q_PROPERTY(uint ColorDown READ ColorDown WRITE SetColorDown)
    Q_PROPERTY(uint ColorBorder READ ColorBorder WRITE SetColorBorder)
    Q_PROPERTY(uint ColorHighLight READ ColorHighLight WRITE SetColorHighLight)
    Q_PROPERTY(uint ColorShadow READ ColorShadow WRITE SetColorShadow)
    Q_PROPERTY(bool UseDerivedColors READ UseDerivedColors WRITE SetUseDerivedColors)
    Q_PROPERTY(int DerivedColorFocused READ DerivedColorFocused WRITE SetDerivedColorFocused)
    Q_PROPERTY(int DerivedColorDown READ DerivedColorDown WRITE SetDerivedColorDown)
    Q_PROPERTY(int DerivedColorBorder READ DerivedColorBorder WRITE SetDerivedColorBorder)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(TTransparentMode TransparentMode READ TransparentMode WRITE SetTransparentMode)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(QString VKKey READ VKKey WRITE SetVKKey)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)
    enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
    Q_ENUM(TButtonState)
    enum TTransparentMode { tmOpaque, tmTransparent };
    Q_ENUM(TTransparentMode)

    explicit TSlimButton(QWidget *parent = nullptr);
    ~TSlimButton() override;

    // Runs the click as if the user had made it: asks OnBeforeClick, sets
    // the form's modal result, emits OnClick, shows the pop-up menu. Does
    // nothing while the button is disabled or hidden.
    void Click();
    // A click by the user's pointer (the mouse, or assistive technology's
    // press): a group button changes Down first, then Click().
    void UserClick();

    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    QPixmap Glyph() const { return glyph_; }
    // A glyph whose width is 2 to 4 times its height sets NumGlyphs.
    void SetGlyph(const QPixmap &glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    int Round() const { return round_; }
    void SetRound(int round);

    TColor Color() const;
    void SetColor(TColor color);
    TColor ColorFocused() const { return colorFocused_; }
    void SetColorFocused(TColor color);
    TColor ColorDown() const { return colorDown_; }
    void SetColorDown(TColor color);
    TColor ColorBorder() const { return colorBorder_; }
    void SetColorBorder(TColor color);
    TColor ColorHighLight() const { return colorHighLight_; }
    void SetColorHighLight(TColor color);
    TColor ColorShadow() const { return colorShadow_; }
    void SetColorShadow(TColor color);
    bool UseDerivedColors() const { return useDerivedColors_; }
    void SetUseDerivedColors(bool on);
    int DerivedColorFocused() const { return derivedFocused_; }
    void SetDerivedColorFocused(int percent);
    int DerivedColorDown() const { return derivedDown_; }
    void SetDerivedColorDown(int percent);
    int DerivedColorBorder() const { return derivedBorder_; }
    void SetDerivedColorBorder(int percent);

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Default() const { return default_; }
    void SetDefault(bool on);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool Down() const { return down_; }
    void SetDown(bool down);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool on) { allowAllUp_ = on; }
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on);
    QString VKKey() const { return vkKey_; }
    void SetVKKey(const QString &key);
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }

    QMenu *PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu *menu) { popupMenu_ = menu; }

    TButtonState State() const;
    bool Hot() const { return hot_; }

    // Keys the button handles before the form's key preview sees them.
    static bool HandlesKeyFirst(int key);

    QSize sizeHint() const override { return QSize(25, 25); }

signals:
    void OnClick(QObject *sender);
    void OnBeforeClick(QObject *sender, bool &clicked);
    void OnSelectNext(QWidget *&sourceControl, QWidget *&destControl, quint16 charCode,
                      bool &accept);
    void OnLeftRightKeyPressed(QObject *sender, bool right);
    void OnUp(QObject *sender, bool &accept);
    void OnDown(QObject *sender, bool &accept);
    void OnAlpha(QObject *sender, quint16 key);
    void OnMouseEnter(QObject *sender);
    void OnMouseLeave(QObject *sender);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Cool();
    void SelectNextControl(bool forward, quint16 charCode);
    QWidget *FindNextControl(bool forward) const;
    void UpdateShape();
    QColor FaceColor(TButtonState state) const;
    TColor StateColor(TColor own, int derivedPercent) const;
    QPixmap GlyphFor(TButtonState state) const;
    static void HoverTick();

    QString caption_;
    QPixmap glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphTop;
    int margin_ = -1;
    int spacing_ = 4;
    int round_ = 0;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TColor colorFocused_ = 0xE1EAEB;
    TColor colorDown_ = 0xC5D6D9;
    TColor colorBorder_ = 0x8396A0;
    TColor colorHighLight_ = clWhite;
    TColor colorShadow_ = clBlack;
    bool useDerivedColors_ = false;
    int derivedFocused_ = 10;
    int derivedDown_ = 10;
    int derivedBorder_ = 50;
    int modalResult_ = 0;
    bool default_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    TTransparentMode transparentMode_ = tmOpaque;
    bool tabStop_ = false;
    QString vkKey_;
    QPointer<QMenu> popupMenu_;
    int shortcutId_ = 0;

    bool hot_ = false;
    bool captured_ = false;
    bool pointerInside_ = false;
    bool spaceDown_ = false;
};
