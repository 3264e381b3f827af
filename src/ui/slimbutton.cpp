#include "slimbutton.h"

#include "font_substitution.h"
#include "kit_accessibility.h"
#include "parent_color.h"

#include <QApplication>
#include <QBitmap>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QRegularExpression>
#include <QShortcutEvent>
#include <QTimer>

namespace {

// One timer watches the hot button for all flat buttons of the process.
struct THoverWatch {
    QTimer *Timer = nullptr;
    int Buttons = 0;
    QPointer<TSlimButton> HotButton;
};

THoverWatch &HoverWatch() {
    static THoverWatch watch;
    return watch;
}

// The 16-bit key code of a key as the event handlers receive it.
quint16 VirtualKeyOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return quint16('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return quint16('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return quint16(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return quint16(key & 0xFFFF);
    }
}

QColor Darken(const QColor &c, int percent) {
    const int keep = 100 - qBound(0, percent, 100);
    return QColor(c.red() * keep / 100, c.green() * keep / 100, c.blue() * keep / 100);
}

void DrawFrame(QPainter &p, const QRect &r, const QColor &topLeft, const QColor &bottomRight) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

// The glyph's bottom-left pixel names its transparent colour. (A mask image
// made "in colour" marks the matching pixels, and QBitmap takes those as the
// transparent ones.)
QPixmap WithTransparentColor(const QPixmap &piece) {
    if (piece.isNull()) return piece;
    const QImage image = piece.toImage();
    const QRgb transparent = image.pixel(0, image.height() - 1);
    QPixmap result = piece;
    result.setMask(QBitmap::fromImage(image.createMaskFromColor(transparent, Qt::MaskInColor)));
    return result;
}

QPixmap Greyed(const QPixmap &piece) {
    QImage image = piece.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (px == transparent) continue;
            const int g = 128 + qGray(px) / 2;
            image.setPixel(x, y, qRgb(g, g, g));
        }
    }
    return QPixmap::fromImage(image);
}

void SetFormModalResult(QWidget *form, int result) {
    if (!form) return;
    if (form->metaObject()->indexOfProperty("ModalResult") >= 0) {
        form->setProperty("ModalResult", result);
        return;
    }
    if (auto *dialog = qobject_cast<QDialog *>(form); dialog && result != 0) dialog->done(result);
}

} // namespace

TSlimButton::TSlimButton(QWidget *parent) : QWidget(parent) {
    InstallKitAccessibility();
    THoverWatch &watch = HoverWatch();
    if (watch.Buttons++ == 0) {
        watch.Timer = new QTimer();
        watch.Timer->setInterval(100);
        QObject::connect(watch.Timer, &QTimer::timeout, &TSlimButton::HoverTick);
    }
    setFocusPolicy(Qt::ClickFocus);
    resize(25, 25);
}

TSlimButton::~TSlimButton() {
    THoverWatch &watch = HoverWatch();
    if (watch.HotButton == this) watch.HotButton = nullptr;
    if (--watch.Buttons == 0) {
        delete watch.Timer;
        watch.Timer = nullptr;
    }
}

void TSlimButton::HoverTick() {
    THoverWatch &watch = HoverWatch();
    TSlimButton *button = watch.HotButton;
    if (!button || QApplication::widgetAt(QCursor::pos()) != button) {
        if (button) button->Cool();
        watch.HotButton = nullptr;
        if (watch.Timer) watch.Timer->stop();
    }
}

bool TSlimButton::HandlesKeyFirst(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

void TSlimButton::Click() {
    // The button's own flags decide, not its window's: code may click a
    // button of a window that is not shown.
    if (testAttribute(Qt::WA_ForceDisabled) || isHidden()) return;
    bool clicked = true;
    emit OnBeforeClick(this, clicked);
    if (!clicked) return;
    const QPointer<TSlimButton> self(this);
    if (parentWidget()) SetFormModalResult(window(), modalResult_);
    if (!self) return;
    emit OnClick(this);
    if (self && popupMenu_) popupMenu_->popup(mapToGlobal(QPoint(0, height())));
}

void TSlimButton::UserClick() {
    if (groupIndex_ > 0) {
        if (!down_)
            SetDown(true);
        else if (allowAllUp_)
            SetDown(false);
    }
    Click();
}

TSlimButton::TButtonState TSlimButton::State() const {
    if (!isEnabled()) return bsDisabled;
    const bool pressed = (captured_ && pointerInside_) || spaceDown_;
    if (down_) return bsExclusive;
    return pressed ? bsDown : bsUp;
}

void TSlimButton::SetCaption(const QString &caption) {
    if (caption == caption_) return;
    caption_ = caption;
    if (shortcutId_ != 0) releaseShortcut(shortcutId_);
    shortcutId_ = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption_);
    if (!mnemonic.isEmpty()) shortcutId_ = grabShortcut(mnemonic);
    if (accessibleName().isEmpty()) NotifyAccessibleNameChanged(this);
    update();
}

void TSlimButton::SetGlyph(const QPixmap &glyph) {
    if (glyph.cacheKey() == glyph_.cacheKey()) return;
    glyph_ = glyph;
    if (!glyph_.isNull() && glyph_.height() > 0 && glyph_.width() % glyph_.height() == 0) {
        const int count = glyph_.width() / glyph_.height();
        if (count >= 1 && count <= 4) numGlyphs_ = count;
    }
    update();
}

void TSlimButton::SetNumGlyphs(int count) {
    count = qBound(1, count, 4);
    if (count == numGlyphs_) return;
    numGlyphs_ = count;
    update();
}

void TSlimButton::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    update();
}

void TSlimButton::SetMargin(int margin) {
    if (margin < -1 || margin == margin_) return;
    margin_ = margin;
    update();
}

void TSlimButton::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    update();
}

void TSlimButton::SetRound(int round) {
    round = qBound(0, round, 100);
    if (round == round_) return;
    round_ = round;
    UpdateShape();
    update();
}

TColor TSlimButton::Color() const {
    return parentColor_ ? InheritedColor(this) : color_;
}

void TSlimButton::SetColor(TColor color) {
    if (!parentColor_ && color == color_) return;
    parentColor_ = false;
    color_ = color;
    update();
}

void TSlimButton::SetColorFocused(TColor color) {
    if (color == colorFocused_) return;
    colorFocused_ = color;
    update();
}

void TSlimButton::SetColorDown(TColor color) {
    if (color == colorDown_) return;
    colorDown_ = color;
    update();
}

void TSlimButton::SetColorBorder(TColor color) {
    if (color == colorBorder_) return;
    colorBorder_ = color;
    update();
}

void TSlimButton::SetColorHighLight(TColor color) {
    if (color == colorHighLight_) return;
    colorHighLight_ = color;
    update();
}

void TSlimButton::SetColorShadow(TColor color) {
    if (color == colorShadow_) return;
    colorShadow_ = color;
    update();
}

void TSlimButton::SetUseDerivedColors(bool on) {
    if (on == useDerivedColors_) return;
    useDerivedColors_ = on;
    update();
}

void TSlimButton::SetDerivedColorFocused(int percent) {
    if (percent == derivedFocused_) return;
    derivedFocused_ = percent;
    update();
}

void TSlimButton::SetDerivedColorDown(int percent) {
    if (percent == derivedDown_) return;
    derivedDown_ = percent;
    update();
}

void TSlimButton::SetDerivedColorBorder(int percent) {
    if (percent == derivedBorder_) return;
    derivedBorder_ = percent;
    update();
}

void TSlimButton::SetDefault(bool on) {
    if (on == default_) return;
    default_ = on;
    update();
}

void TSlimButton::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_) return;
    transparentMode_ = mode;
    update();
}

void TSlimButton::SetVKKey(const QString &key) {
    if (key == vkKey_) return;
    vkKey_ = key;
    update();
}

void TSlimButton::SetGroupIndex(int index) {
    if (index == groupIndex_) return;
    groupIndex_ = index;
    update();
}

void TSlimButton::SetDown(bool down) {
    if (down == down_) return;
    down_ = down;
    if (down_ && groupIndex_ > 0 && parentWidget()) {
        for (TSlimButton *other :
             parentWidget()->findChildren<TSlimButton *>(QString(), Qt::FindDirectChildrenOnly))
            if (other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->update();
            }
    }
    update();
}

void TSlimButton::SetTabStop(bool on) {
    if (on == tabStop_) return;
    tabStop_ = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

TColor TSlimButton::StateColor(TColor own, int derivedPercent) const {
    if (!useDerivedColors_) return own;
    return QColorToColor(Darken(ColorToQColor(Color()), derivedPercent));
}

QColor TSlimButton::FaceColor(TButtonState state) const {
    const QColor face = ColorToQColor(Color());
    const QColor focused = ColorToQColor(StateColor(colorFocused_, derivedFocused_));
    const QColor down = ColorToQColor(StateColor(colorDown_, derivedDown_));
    switch (state) {
    case bsUp:
        return hot_ ? focused : face;
    case bsDisabled:
        return face;
    case bsDown:
        return down;
    case bsExclusive:
        return hot_ ? focused : down;
    }
    return face;
}

QPixmap TSlimButton::GlyphFor(TButtonState state) const {
    if (glyph_.isNull()) return {};
    const int w = glyph_.width() / numGlyphs_;
    int index = 0;
    if (numGlyphs_ >= 2 && state == bsDisabled) index = 1;
    if (numGlyphs_ >= 3 && state == bsDown) index = 2;
    if (numGlyphs_ >= 4 && state == bsExclusive) index = 3;
    QPixmap piece = glyph_.copy(index * w, 0, w, glyph_.height());
    if (numGlyphs_ == 1 && state == bsDisabled) piece = Greyed(piece);
    return WithTransparentColor(piece);
}

void TSlimButton::UpdateShape() {
    if (round_ == 0) {
        clearMask();
        return;
    }
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter p(&shape);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    p.drawRoundedRect(QRectF(rect()), round_ / 2.0, round_ / 2.0);
    p.end();
    setMask(shape);
}

void TSlimButton::paintEvent(QPaintEvent *) {
    // Qt double-buffers widget painting, so the button is drawn straight
    // into the backing store; what is drawn depends on the state only.
    QPainter p(this);
    const TButtonState state = State();
    const QRect r = rect();
    if (transparentMode_ == tmOpaque) p.fillRect(r, FaceColor(state));

    const QColor highlight = ColorToQColor(colorHighLight_);
    const QColor shadow = ColorToQColor(colorShadow_);
    if (round_ == 0) {
        const QColor border = ColorToQColor(StateColor(colorBorder_, derivedBorder_));
        if (state == bsUp && hot_) {
            DrawFrame(p, r, highlight, shadow);
        } else if (state == bsDown || state == bsExclusive) {
            DrawFrame(p, r, shadow, highlight);
        } else {
            DrawFrame(p, r, border, border);
            if (state == bsUp && default_) DrawFrame(p, r.adjusted(1, 1, -1, -1), border, border);
        }
    }

    const QPoint offset = (state == bsDown || state == bsExclusive) ? QPoint(1, 1) : QPoint(0, 0);
    QString text = caption_;
    text.replace(
        QRegularExpression(QStringLiteral("<br>"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("\n"));
    const int flags = Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QFontMetrics fm(font());
    const QSize glyphSize =
        glyph_.isNull() ? QSize(0, 0) : QSize(glyph_.width() / numGlyphs_, glyph_.height());
    QSize captionSize(0, 0);
    if (!text.isEmpty()) {
        captionSize = fm.boundingRect(QRect(0, 0, qMax(1, width()), 100000), flags, text).size();
        if (captionSize.width() > width()) {
            text = fm.elidedText(text, Qt::ElideRight, width());
            captionSize = QSize(fm.horizontalAdvance(text), fm.height());
        }
    }
    int spacing = (glyph_.isNull() || text.isEmpty()) ? 0 : spacing_;

    // Along the layout direction glyph, spacing and caption form one block;
    // across it each is centred on its own.
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const int along = horizontal ? width() : height();
    const int glyphAlong = horizontal ? glyphSize.width() : glyphSize.height();
    const int captionAlong = horizontal ? captionSize.width() : captionSize.height();
    int glyphPos = 0;
    int captionPos = 0;
    if (margin_ == -1) {
        // Spacing -1 spreads the free space evenly around glyph and caption.
        int start = 0;
        if (spacing < 0) {
            spacing = (along - glyphAlong - captionAlong) / 3;
            start = spacing;
        } else {
            start = (along - glyphAlong - spacing - captionAlong) / 2;
        }
        glyphPos = start;
        captionPos = start + glyphAlong + spacing;
    } else {
        glyphPos = margin_;
        captionPos = spacing < 0
                         ? margin_ + glyphAlong + (along - margin_ - glyphAlong - captionAlong) / 2
                         : margin_ + glyphAlong + spacing;
    }
    if (layout_ == blGlyphRight || layout_ == blGlyphBottom) {
        glyphPos = along - glyphPos - glyphAlong;
        captionPos = along - captionPos - captionAlong;
    }
    QPoint glyphAt;
    QRect captionRect;
    if (horizontal) {
        glyphAt = QPoint(glyphPos, (height() - glyphSize.height()) / 2);
        captionRect = QRect(QPoint(captionPos, (height() - captionSize.height()) / 2), captionSize);
    } else {
        glyphAt = QPoint((width() - glyphSize.width()) / 2, glyphPos);
        captionRect = QRect(QPoint((width() - captionSize.width()) / 2, captionPos), captionSize);
    }

    if (!glyph_.isNull()) p.drawPixmap(glyphAt + offset, GlyphFor(state));
    if (!text.isEmpty()) {
        const QRect cr = captionRect.translated(offset);
        if (state == bsDisabled) {
            p.setPen(highlight);
            p.drawText(cr.translated(1, 1), Qt::AlignCenter | flags, text);
            p.setPen(shadow);
        } else {
            p.setPen(palette().color(QPalette::ButtonText));
        }
        p.drawText(cr, Qt::AlignCenter | flags, text);
    }
    if (!vkKey_.isEmpty()) {
        p.setFont(FormFont(QStringLiteral("Tahoma"), 8));
        p.setPen(ColorToQColor(clGrayText));
        p.drawText(r.adjusted(2, 1, -3, -1), Qt::AlignRight | Qt::AlignBottom, vkKey_);
    }
}

void TSlimButton::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (round_ > 0) UpdateShape();
}

bool TSlimButton::event(QEvent *event) {
    if (event->type() == QEvent::Shortcut) {
        auto *shortcut = static_cast<QShortcutEvent *>(event);
        if (shortcut->shortcutId() == shortcutId_ && shortcutId_ != 0) {
            if (groupIndex_ > 0) SetDown(true);
            Click();
            return true;
        }
    }
    return QWidget::event(event);
}

void TSlimButton::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    captured_ = true;
    pointerInside_ = true;
    setFocus(Qt::MouseFocusReason);
    update();
}

void TSlimButton::mouseMoveEvent(QMouseEvent *event) {
    if (!captured_) return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside == pointerInside_) return;
    pointerInside_ = inside;
    update();
}

void TSlimButton::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !captured_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    captured_ = false;
    pointerInside_ = false;
    update();
    if (rect().contains(event->position().toPoint()))
        UserClick();
    else
        hot_ = false;
}

QWidget *TSlimButton::FindNextControl(bool forward) const {
    const QWidget *w = this;
    // The chain is circular; the button itself is the last candidate.
    for (int guard = 0; guard < 10000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w) return nullptr;
        if (w->window() == window() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisible())
            return const_cast<QWidget *>(w);
        if (w == this) return nullptr;
    }
    return nullptr;
}

void TSlimButton::SelectNextControl(bool forward, quint16 charCode) {
    QWidget *dest = FindNextControl(forward);
    if (!dest) return;
    QWidget *source = this;
    bool accept = true;
    emit OnSelectNext(source, dest, charCode, accept);
    if (accept && dest) dest->setFocus(Qt::TabFocusReason);
}

void TSlimButton::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const quint16 code = VirtualKeyOf(key);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        SelectNextControl(!(event->modifiers() & Qt::ShiftModifier), 13);
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    const QPointer<TSlimButton> self(this);
    bool swallow = false;
    switch (key) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            spaceDown_ = true;
            update();
        }
        break;
    case Qt::Key_Backspace:
        SelectNextControl(false, 8);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        emit OnLeftRightKeyPressed(this, key == Qt::Key_Right);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const QMetaMethod signal = key == Qt::Key_Up
                                       ? QMetaMethod::fromSignal(&TSlimButton::OnUp)
                                       : QMetaMethod::fromSignal(&TSlimButton::OnDown);
        if (isSignalConnected(signal)) {
            bool accept = true;
            if (key == Qt::Key_Up)
                emit OnUp(this, accept);
            else
                emit OnDown(this, accept);
            swallow = !accept;
        } else {
            focusNextPrevChild(key == Qt::Key_Down);
            swallow = true;
        }
        break;
    }
    default:
        if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
            emit OnAlpha(this, code);
        break;
    }
    if (!self) return;
    QWidget *source = nullptr;
    QWidget *dest = nullptr;
    bool accept = true;
    emit OnSelectNext(source, dest, code, accept);
    if (accept && dest && dest->isEnabled() && dest->isVisible() &&
        dest->focusPolicy() != Qt::NoFocus)
        dest->setFocus(Qt::OtherFocusReason);
    if (swallow)
        event->accept();
    else
        event->ignore();
}

void TSlimButton::keyReleaseEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceDown_) {
        spaceDown_ = false;
        update();
        Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TSlimButton::enterEvent(QEnterEvent *event) {
    emit OnMouseEnter(this);
    THoverWatch &watch = HoverWatch();
    if (QApplication::activeWindow() && isEnabled()) {
        if (watch.HotButton && watch.HotButton != this) watch.HotButton->Cool();
        watch.HotButton = this;
        hot_ = true;
        update();
        if (watch.Timer) watch.Timer->start();
    }
    QWidget::enterEvent(event);
}

void TSlimButton::leaveEvent(QEvent *event) {
    emit OnMouseLeave(this);
    // Qt reports leaving reliably; the timer still catches a pointer that
    // left without a leave event (a window opened over the button).
    Cool();
    THoverWatch &watch = HoverWatch();
    if (watch.HotButton == this) watch.HotButton = nullptr;
    QWidget::leaveEvent(event);
}

void TSlimButton::Cool() {
    if (hasFocus() || captured_ || !hot_) return;
    hot_ = false;
    update();
}

void TSlimButton::focusInEvent(QFocusEvent *event) {
    hot_ = true;
    update();
    QWidget::focusInEvent(event);
}

void TSlimButton::focusOutEvent(QFocusEvent *event) {
    spaceDown_ = false;
    Cool();
    update();
    QWidget::focusOutEvent(event);
}

void TSlimButton::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        hot_ = false;
        captured_ = false;
        spaceDown_ = false;
        THoverWatch &watch = HoverWatch();
        if (watch.HotButton == this) watch.HotButton = nullptr;
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}
