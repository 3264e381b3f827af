// Colours as the forms and the skin file write them: 32-bit values $BBGGRR
// (low byte red). Values from $80000000 upwards name a system colour by its
// index in the low byte; they are resolved when something is drawn, so a
// changed application palette shows on the next paint.
#pragma once

#include <QColor>
#include <cstdint>

using TColor = uint32_t;

// System colours (index in the low byte).
inline constexpr TColor clScrollBar = 0x80000000;
inline constexpr TColor clBackground = 0x80000001;
inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clMenu = 0x80000004;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clMenuText = 0x80000007;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clCaptionText = 0x80000009;
inline constexpr TColor clActiveBorder = 0x8000000A;
inline constexpr TColor clInactiveBorder = 0x8000000B;
inline constexpr TColor clAppWorkSpace = 0x8000000C;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clInactiveCaptionText = 0x80000013;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;
inline constexpr TColor clHotLight = 0x8000001A;
inline constexpr TColor clGradientActiveCaption = 0x8000001B;
inline constexpr TColor clGradientInactiveCaption = 0x8000001C;
inline constexpr TColor clMenuHighlight = 0x8000001D;
inline constexpr TColor clMenuBar = 0x8000001E;

// The sixteen basic colours and the four extra named ones.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

// "No colour" and "the control's default": drawing code tests for them
// before converting; converted anyway they give a transparent colour.
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// Resolves system colours through the application palette.
QColor ColorToQColor(TColor color);

// The plain $BBGGRR value of a colour (never a system colour).
TColor QColorToColor(const QColor &color);
