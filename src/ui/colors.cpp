#include "colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The palette has no role for several system colours; these keep the
// classic values so that the look does not depend on the desktop theme.
QColor SystemColor(TColor color) {
    const QPalette pal = QGuiApplication::palette();
    switch (color) {
    case clScrollBar:
        return pal.color(QPalette::Mid);
    case clBackground:
        return QColor(0x00, 0x80, 0x80);
    case clActiveCaption:
        return pal.color(QPalette::Highlight);
    case clInactiveCaption:
        return QColor(0xBF, 0xCD, 0xDB);
    case clMenu:
        return pal.color(QPalette::Window);
    case clWindow:
        return pal.color(QPalette::Base);
    case clWindowFrame:
        return pal.color(QPalette::Shadow);
    case clMenuText:
        return pal.color(QPalette::WindowText);
    case clWindowText:
        return pal.color(QPalette::Text);
    case clCaptionText:
        return pal.color(QPalette::HighlightedText);
    case clActiveBorder:
        return pal.color(QPalette::Button);
    case clInactiveBorder:
        return pal.color(QPalette::Button);
    case clAppWorkSpace:
        return pal.color(QPalette::Dark);
    case clHighlight:
        return pal.color(QPalette::Highlight);
    case clHighlightText:
        return pal.color(QPalette::HighlightedText);
    case clBtnFace:
        return pal.color(QPalette::Button);
    case clBtnShadow:
        return pal.color(QPalette::Dark);
    case clGrayText:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case clBtnText:
        return pal.color(QPalette::ButtonText);
    case clInactiveCaptionText:
        return pal.color(QPalette::Disabled, QPalette::WindowText);
    case clBtnHighlight:
        return pal.color(QPalette::Light);
    case cl3DDkShadow:
        return pal.color(QPalette::Shadow);
    case cl3DLight:
        return pal.color(QPalette::Midlight);
    case clInfoText:
        return pal.color(QPalette::ToolTipText);
    case clInfoBk:
        return pal.color(QPalette::ToolTipBase);
    case clHotLight:
        return pal.color(QPalette::Link);
    case clGradientActiveCaption:
        return QColor(0xB9, 0xD1, 0xEA);
    case clGradientInactiveCaption:
        return QColor(0xD7, 0xE4, 0xF2);
    case clMenuHighlight:
        return pal.color(QPalette::Highlight);
    case clMenuBar:
        return pal.color(QPalette::Window);
    default:
        return QColor(Qt::black);
    }
}

} // namespace

QColor ColorToQColor(TColor color) {
    if (color == clNone || color == clDefault) return QColor(Qt::transparent);
    if (color & 0x80000000u) return SystemColor(0x80000000u | (color & 0xFFu));
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor QColorToColor(const QColor &color) {
    const QColor rgb = color.toRgb();
    return TColor(rgb.red()) | (TColor(rgb.green()) << 8) | (TColor(rgb.blue()) << 16);
}
