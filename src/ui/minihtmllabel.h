// The two mini-HTML labels: TMiniHtmlLabel (the main window's status line)
// and TSBHTM (the message box's labels). Both lay out their text with the
// shared engine of minihtml_layout.h, once per change of text, font or
// width, and draw from that layout.
//
// Align only decides which edges auto-sizing may move; placing the label
// along that edge is the parent's layout's job.
#pragma once

#include "colors.h"
#include "minihtml_layout.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class TCustomHtmlLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList HTMLText READ HTMLText WRITE SetHTMLText)
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool AutoSizing READ AutoSizing WRITE SetAutoSizing)
    Q_PROPERTY(TAutoSizeType AutoSizeType READ AutoSizeType WRITE SetAutoSizeType)
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)
    enum TAutoSizeType { asVertical, asHorizontal, asBoth };
    Q_ENUM(TAutoSizeType)
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    QStringList HTMLText() const { return lines_; }
    // Carriage returns and line feeds are removed from every line first.
    void SetHTMLText(const QStringList &lines);
    // Replaces the lines with text split at its line breaks, as assigning a
    // string list's whole text does; the lines render joined without a
    // break between them.
    void SetText(const QString &text);
    // Appends one line as it is.
    void AddLine(const QString &line);
    // The text that is rendered: all lines joined.
    QString Text() const { return lines_.join(QString()); }
    // The text as it is read aloud: what the label shows, without tags,
    // entities and accelerator ampersands as they are drawn, one line per
    // line break of the text (not per line the width wraps).
    QString PlainText() const;

    TColor Color() const;
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    bool AutoSizing() const { return autoSizing_; }
    void SetAutoSizing(bool on);
    TAutoSizeType AutoSizeType() const { return autoSizeType_; }
    void SetAutoSizeType(TAutoSizeType type);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);

    // The auto-sizing step of painting, for callers that need the label's
    // size before it is first drawn (the message box sizes itself by it).
    // Drawing itself only happens in the paint event.
    void Paint();

    // The current layout of the text: what is drawn, and the text size.
    const THtmlDocument &Document() const;
    // The rectangle the text is laid out and drawn into.
    QRect TextRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    explicit TCustomHtmlLabel(QWidget *parent);

    virtual THtmlOptions LayoutOptions() const = 0;
    virtual THtmlDrawOptions DrawOptions() const = 0;
    virtual void AnchorClicked(const QString &anchor) = 0;
    virtual void AnchorEntered(const QString &) {}
    virtual void AnchorLeft(const QString &) {}
    // Pixels taken by a frame of the subclass outside the bevels.
    virtual int ExtraBorder() const { return 0; }
    virtual void DrawExtraBorder(QPainter &) {}
    virtual int VerticalAlignment() const { return 0; } // 0 top, 1 centre, 2 bottom

    // Marks the layout stale and re-applies auto-sizing; every property that
    // changes what is laid out calls it.
    void Changed();
    const QString &HoverAnchor() const { return hoverAnchor_; }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void TextChanged();
    bool GrowsVertically() const;
    bool GrowsHorizontally() const;
    QRect FrameRect() const;
    void SetHoverAnchor(const QString &anchor);

    QStringList lines_;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TColor fontColor_ = clWindowText;
    TAlign align_ = alNone;
    bool autoSizing_ = false;
    TAutoSizeType autoSizeType_ = asVertical;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    QString hoverAnchor_;

    // The layout cache: valid while nothing it depends on has changed.
    mutable THtmlDocument document_;
    mutable bool dirty_ = true;
    mutable int laidOutWidth_ = -1;
};

class TMiniHtmlLabel : public TCustomHtmlLabel {
    Q_OBJECT
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(uint URLColor READ URLColor WRITE SetURLColor)
    Q_PROPERTY(uint ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowOffset READ ShadowOffset WRITE SetShadowOffset)
    Q_PROPERTY(bool Hover READ Hover WRITE SetHover)
    Q_PROPERTY(uint HoverColor READ HoverColor WRITE SetHoverColor)
    Q_PROPERTY(uint HoverFontColor READ HoverFontColor WRITE SetHoverFontColor)
    Q_PROPERTY(TVAlignment VAlignment READ VAlignment WRITE SetVAlignment)
    Q_PROPERTY(bool Ellipsis READ Ellipsis WRITE SetEllipsis)
    Q_PROPERTY(bool AnchorHint READ AnchorHint WRITE SetAnchorHint)
    Q_PROPERTY(bool HTMLHint READ HTMLHint WRITE SetHTMLHint)
    Q_PROPERTY(bool HintShowFull READ HintShowFull WRITE SetHintShowFull)

public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)
    enum TVAlignment { tvaTop, tvaCenter, tvaBottom };
    Q_ENUM(TVAlignment)

    explicit TMiniHtmlLabel(QWidget *parent = nullptr);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor color);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int offset);
    bool Hover() const { return hover_; }
    void SetHover(bool on);
    TColor HoverColor() const { return hoverColor_; }
    void SetHoverColor(TColor color);
    TColor HoverFontColor() const { return hoverFontColor_; }
    void SetHoverFontColor(TColor color);
    TVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(TVAlignment alignment);
    bool Ellipsis() const { return ellipsis_; }
    void SetEllipsis(bool on);
    bool AnchorHint() const { return anchorHint_; }
    void SetAnchorHint(bool on) { anchorHint_ = on; }
    bool HTMLHint() const { return htmlHint_; }
    void SetHTMLHint(bool on) { htmlHint_ = on; }
    bool HintShowFull() const { return hintShowFull_; }
    void SetHintShowFull(bool on) { hintShowFull_ = on; }

signals:
    void OnAnchorClick(QObject *sender, const QString &anchor);
    void OnAnchorEnter(QObject *sender, const QString &anchor);
    void OnAnchorExit(QObject *sender, const QString &anchor);
    void OnAnchorHint(QObject *sender, QString &anchor);
    void OnMouseEnter(QObject *sender);
    void OnMouseLeave(QObject *sender);

protected:
    THtmlOptions LayoutOptions() const override;
    THtmlDrawOptions DrawOptions() const override;
    void AnchorClicked(const QString &anchor) override;
    void AnchorEntered(const QString &anchor) override;
    void AnchorLeft(const QString &anchor) override;
    int ExtraBorder() const override;
    void DrawExtraBorder(QPainter &painter) override;
    int VerticalAlignment() const override { return int(vAlignment_); }
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    TBorderStyle borderStyle_ = bsNone;
    TColor urlColor_ = clBlue;
    TColor shadowColor_ = clGray;
    int shadowOffset_ = 2;
    bool hover_ = false;
    TColor hoverColor_ = clNone;
    TColor hoverFontColor_ = clNone;
    TVAlignment vAlignment_ = tvaTop;
    bool ellipsis_ = false;
    bool anchorHint_ = false;
    bool htmlHint_ = false;
    bool hintShowFull_ = false;
};

class TSBHTM : public TCustomHtmlLabel {
    Q_OBJECT

public:
    explicit TSBHTM(QWidget *parent = nullptr);

    // Called after a link in the text was handed to the system shell.
    void SetLinkCallback(std::function<void()> callback) { linkCallback_ = std::move(callback); }

protected:
    THtmlOptions LayoutOptions() const override;
    THtmlDrawOptions DrawOptions() const override;
    void AnchorClicked(const QString &anchor) override;

private:
    std::function<void()> linkCallback_;
};

// Whether a link target is for the system shell rather than for the owner.
bool IsShellLink(const QString &anchor);
// Opens a target with the system shell after the current event has been
// handled, so that the click that asked for it is not held up by it.
void OpenWithShell(const QString &target);
