// The forms name fonts of the original desktop (MS Sans Serif, Tahoma, ...)
// that are not installed here. Every font a form asks for goes through this
// one table, so the whole kit changes typeface in one place.
#pragma once

#include <QFont>
#include <QString>

// The installed family that stands in for a font name of the forms; names
// that need no substitute come back unchanged.
QString SubstituteFontFamily(const QString &name);

// A font as the forms give it: a positive size is in points at 96 pixels per
// inch (8 pt = 11 pixels), a negative one is the character height in pixels
// (the forms' Height). The font is sized in pixels so that layouts come out
// the same whatever resolution the platform reports.
QFont FormFont(const QString &name, int size, bool bold = false);
