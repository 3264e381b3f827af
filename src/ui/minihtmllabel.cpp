#include "minihtmllabel.h"

#include "bevel.h"
#include "kit_accessibility.h"
#include "parent_color.h"
#include "text_lines.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

// The auto-sizing text rectangle reaches this far beyond the label, so that
// the whole text is laid out and measured.
constexpr int kUnbounded = 65535;
// Auto-sizing adds this to the text size, whatever the borders are.
constexpr int kAutoSizeExtra = 6;

} // namespace

TCustomHtmlLabel::TCustomHtmlLabel(QWidget *parent) : QWidget(parent) {
    InstallKitAccessibility();
    setMouseTracking(true);
}

void TCustomHtmlLabel::SetHTMLText(const QStringList &lines) {
    QStringList cleaned;
    cleaned.reserve(lines.size());
    for (QString line : lines) {
        line.remove(u'\r');
        line.remove(u'\n');
        cleaned << line;
    }
    if (cleaned == lines_) return;
    lines_ = cleaned;
    TextChanged();
}

void TCustomHtmlLabel::SetText(const QString &text) {
    const QStringList lines = SplitTextLines(text);
    if (lines == lines_) return;
    lines_ = lines;
    TextChanged();
}

void TCustomHtmlLabel::AddLine(const QString &line) {
    lines_ << line;
    TextChanged();
}

void TCustomHtmlLabel::TextChanged() {
    Changed();
    if (accessibleName().isEmpty()) NotifyAccessibleNameChanged(this);
}

QString TCustomHtmlLabel::PlainText() const {
    // Laid out without a right edge, only the text's own breaks end a line.
    const THtmlDocument doc =
        LayoutHtml(PrepareHtmlText(Text()), font(), kUnbounded, LayoutOptions());
    QStringList lines = doc.LineTexts();
    for (QString &line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line[end - 1].isSpace())
            --end;
        line.truncate(end);
    }
    return lines.join(u'\n').trimmed();
}

TColor TCustomHtmlLabel::Color() const {
    return parentColor_ ? InheritedColor(this) : color_;
}

void TCustomHtmlLabel::SetColor(TColor color) {
    if (!parentColor_ && color == color_) return;
    parentColor_ = false;
    color_ = color;
    update();
}

void TCustomHtmlLabel::SetFontColor(TColor color) {
    if (color == fontColor_) return;
    fontColor_ = color;
    update();
}

void TCustomHtmlLabel::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    Changed();
}

void TCustomHtmlLabel::SetAutoSizing(bool on) {
    if (on == autoSizing_) return;
    autoSizing_ = on;
    Changed();
}

void TCustomHtmlLabel::SetAutoSizeType(TAutoSizeType type) {
    if (type == autoSizeType_) return;
    autoSizeType_ = type;
    Changed();
}

void TCustomHtmlLabel::SetBevelInner(TBevelCut cut) {
    if (cut == bevelInner_) return;
    bevelInner_ = cut;
    Changed();
}

void TCustomHtmlLabel::SetBevelOuter(TBevelCut cut) {
    if (cut == bevelOuter_) return;
    bevelOuter_ = cut;
    Changed();
}

void TCustomHtmlLabel::SetBevelWidth(int width) {
    if (width == bevelWidth_) return;
    bevelWidth_ = width;
    Changed();
}

void TCustomHtmlLabel::SetBorderWidth(int width) {
    if (width == borderWidth_) return;
    borderWidth_ = width;
    Changed();
}

bool TCustomHtmlLabel::GrowsVertically() const {
    return autoSizing_ && (align_ == alNone || align_ == alTop || align_ == alBottom) &&
           (autoSizeType_ == asVertical || autoSizeType_ == asBoth);
}

bool TCustomHtmlLabel::GrowsHorizontally() const {
    return autoSizing_ && (align_ == alNone || align_ == alLeft || align_ == alRight) &&
           (autoSizeType_ == asHorizontal || autoSizeType_ == asBoth);
}

QRect TCustomHtmlLabel::FrameRect() const {
    QRect r = rect();
    if (bevelOuter_ != bvNone) r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    if (bevelInner_ != bvNone) r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    if (bevelOuter_ != bvNone || bevelInner_ != bvNone)
        r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    const int extra = ExtraBorder();
    r.adjust(extra, extra, -extra, -extra);
    return r;
}

QRect TCustomHtmlLabel::TextRect() const {
    QRect r = FrameRect();
    if (GrowsHorizontally()) r.setRight(r.right() + kUnbounded);
    if (GrowsVertically()) r.setBottom(r.bottom() + kUnbounded);
    return r;
}

const THtmlDocument &TCustomHtmlLabel::Document() const {
    const int width = TextRect().width();
    if (dirty_ || width != laidOutWidth_) {
        document_ = LayoutHtml(PrepareHtmlText(Text()), font(), width, LayoutOptions());
        laidOutWidth_ = width;
        dirty_ = false;
    }
    return document_;
}

void TCustomHtmlLabel::Changed() {
    dirty_ = true;
    if (autoSizing_) Paint();
    updateGeometry();
    update();
}

void TCustomHtmlLabel::Paint() {
    if (autoSizing_) {
        const THtmlDocument &doc = Document();
        QSize size = this->size();
        if (GrowsVertically()) size.setHeight(doc.TextHeight + kAutoSizeExtra);
        if (GrowsHorizontally()) size.setWidth(doc.TextWidth + kAutoSizeExtra);
        if (size != this->size()) {
            resize(size);
            updateGeometry();
        }
    }
    update();
}

QSize TCustomHtmlLabel::sizeHint() const {
    if (!autoSizing_) return size().isValid() ? size() : QSize(100, 20);
    const THtmlDocument &doc = Document();
    return QSize(GrowsHorizontally() ? doc.TextWidth + kAutoSizeExtra : width(),
                 GrowsVertically() ? doc.TextHeight + kAutoSizeExtra : height());
}

QSize TCustomHtmlLabel::minimumSizeHint() const {
    if (!autoSizing_) return QSize(0, 0);
    const QSize hint = sizeHint();
    return QSize(GrowsHorizontally() ? hint.width() : 0, GrowsVertically() ? hint.height() : 0);
}

void TCustomHtmlLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QColor background = ColorToQColor(Color());
    p.fillRect(rect(), background);

    QRect r = rect();
    if (bevelOuter_ != bvNone) {
        DrawBevel(p, r, bevelWidth_, int(bevelOuter_));
        r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    }
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    if (bevelInner_ != bvNone) DrawBevel(p, r, bevelWidth_, int(bevelInner_));
    DrawExtraBorder(p);

    QRect textRect = TextRect();
    const int valign = VerticalAlignment();
    if (valign != 0) {
        const int h = Document().TextHeight;
        if (h < height()) {
            if (valign == 1)
                textRect.setTop(textRect.top() + (textRect.height() - h) / 2);
            else
                textRect.setTop(textRect.top() + textRect.height() - h);
        }
    }
    THtmlDrawOptions options = DrawOptions();
    options.FontColor = ColorToQColor(fontColor_);
    DrawHtml(p, Document(), textRect, options);
}

void TCustomHtmlLabel::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // A new width can re-wrap the text, which changes the height.
    if (autoSizing_) Paint();
}

void TCustomHtmlLabel::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) Changed();
}

void TCustomHtmlLabel::SetHoverAnchor(const QString &anchor) {
    if (anchor == hoverAnchor_) return;
    if (!hoverAnchor_.isEmpty()) AnchorLeft(hoverAnchor_);
    hoverAnchor_ = anchor;
    if (anchor.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
    if (!anchor.isEmpty()) AnchorEntered(anchor);
    update();
}

void TCustomHtmlLabel::mouseMoveEvent(QMouseEvent *event) {
    SetHoverAnchor(HtmlAnchorAt(Document(), TextRect(), event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void TCustomHtmlLabel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        const QString anchor = HtmlAnchorAt(Document(), TextRect(), event->position().toPoint());
        if (!anchor.isEmpty()) {
            AnchorClicked(anchor);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TCustomHtmlLabel::leaveEvent(QEvent *event) {
    SetHoverAnchor(QString());
    QWidget::leaveEvent(event);
}

bool IsShellLink(const QString &anchor) {
    return anchor.contains(QStringLiteral("://")) || anchor.contains(QStringLiteral("mailto:"));
}

void OpenWithShell(const QString &target) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [target] { QDesktopServices::openUrl(QUrl::fromUserInput(target)); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------

TMiniHtmlLabel::TMiniHtmlLabel(QWidget *parent) : TCustomHtmlLabel(parent) {}

void TMiniHtmlLabel::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    Changed();
}

void TMiniHtmlLabel::SetURLColor(TColor color) {
    if (color == urlColor_) return;
    urlColor_ = color;
    update();
}

void TMiniHtmlLabel::SetShadowColor(TColor color) {
    if (color == shadowColor_) return;
    shadowColor_ = color;
    update();
}

void TMiniHtmlLabel::SetShadowOffset(int offset) {
    if (offset == shadowOffset_) return;
    shadowOffset_ = offset;
    update();
}

void TMiniHtmlLabel::SetHover(bool on) {
    if (on == hover_) return;
    hover_ = on;
    update();
}

void TMiniHtmlLabel::SetHoverColor(TColor color) {
    if (color == hoverColor_) return;
    hoverColor_ = color;
    update();
}

void TMiniHtmlLabel::SetHoverFontColor(TColor color) {
    if (color == hoverFontColor_) return;
    hoverFontColor_ = color;
    update();
}

void TMiniHtmlLabel::SetVAlignment(TVAlignment alignment) {
    if (alignment == vAlignment_) return;
    vAlignment_ = alignment;
    update();
}

void TMiniHtmlLabel::SetEllipsis(bool on) {
    if (on == ellipsis_) return;
    ellipsis_ = on;
    Changed();
}

THtmlOptions TMiniHtmlLabel::LayoutOptions() const {
    THtmlOptions options;
    options.WordWrap = !ellipsis_;
    options.PrefixAmpersands = true;
    options.URLColor = ColorToQColor(urlColor_);
    return options;
}

THtmlDrawOptions TMiniHtmlLabel::DrawOptions() const {
    THtmlDrawOptions options;
    options.URLColor = ColorToQColor(urlColor_);
    options.ShadowColor = ColorToQColor(shadowColor_);
    options.ShadowOffset = shadowOffset_;
    if (hover_) {
        options.HoverAnchor = HoverAnchor();
        if (hoverColor_ != clNone) options.HoverColor = ColorToQColor(hoverColor_);
        if (hoverFontColor_ != clNone) options.HoverFontColor = ColorToQColor(hoverFontColor_);
    }
    return options;
}

void TMiniHtmlLabel::AnchorClicked(const QString &anchor) {
    if (IsShellLink(anchor))
        OpenWithShell(anchor);
    else
        emit OnAnchorClick(this, anchor);
}

void TMiniHtmlLabel::AnchorEntered(const QString &anchor) {
    emit OnAnchorEnter(this, anchor);
    if (anchorHint_) {
        QString hint = anchor;
        emit OnAnchorHint(this, hint);
        setToolTip(hint);
    }
}

void TMiniHtmlLabel::AnchorLeft(const QString &anchor) {
    emit OnAnchorExit(this, anchor);
    if (anchorHint_) setToolTip(QString());
}

int TMiniHtmlLabel::ExtraBorder() const {
    return borderStyle_ == bsSingle ? BorderWidth() : 0;
}

void TMiniHtmlLabel::DrawExtraBorder(QPainter &painter) {
    if (borderStyle_ != bsSingle) return;
    DrawFrame(painter, rect(), BorderWidth(), Qt::black, Qt::black);
}

void TMiniHtmlLabel::enterEvent(QEnterEvent *event) {
    emit OnMouseEnter(this);
    TCustomHtmlLabel::enterEvent(event);
}

void TMiniHtmlLabel::leaveEvent(QEvent *event) {
    emit OnMouseLeave(this);
    TCustomHtmlLabel::leaveEvent(event);
}

// ---------------------------------------------------------------------------

TSBHTM::TSBHTM(QWidget *parent) : TCustomHtmlLabel(parent) {}

THtmlOptions TSBHTM::LayoutOptions() const {
    return THtmlOptions();
}

THtmlDrawOptions TSBHTM::DrawOptions() const {
    THtmlDrawOptions options;
    options.KeepClearOfRightEdge = true;
    return options;
}

void TSBHTM::AnchorClicked(const QString &anchor) {
    if (!IsShellLink(anchor)) return;
    QString target = anchor;
    target.replace(QStringLiteral("file://"), QString(), Qt::CaseInsensitive);
    OpenWithShell(target);
    if (linkCallback_) linkCallback_();
}
