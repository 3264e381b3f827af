// The application's table of screen cursors (number -> cursor) and the one
// screen-wide cursor shown over all of its windows. Four animated cursors
// shipped as resources of type "RT_ANICURSOR" are registered when the
// application object is created and cleared when it is destroyed.
//
// The screen-wide cursor is a single value, not a stack: setting it twice
// and resetting it once shows the default cursor again. It is shown as one
// entry on top of QGuiApplication's override-cursor stack.
#pragma once

#include "ani_cursor.h"

#include <QString>

class QTimer;

inline constexpr int crDefault = 0;
inline constexpr int crHourGlass = -11;
inline constexpr int crCursorAjax01 = -4997;
inline constexpr int crCursorAjax02 = -4996;
inline constexpr int crCursorAjax03 = -4995;
inline constexpr int crCursorAjax04 = -4994;
// The animated cursor of long operations.
inline constexpr int crBusy = crCursorAjax03;

// Screen-wide cursor := crBusy. Shows the default cursor when crBusy failed
// to register.
void BusyCursorOn();
// Screen-wide cursor := crDefault, whatever number of BusyCursorOn came before.
void BusyCursorOff();

// Any number: 0 and unknown numbers show the default cursor, crHourGlass the
// platform's wait cursor, registered numbers their (animated) cursor.
void SetScreenCursor(int number);
int ScreenCursor();

// Copies the resource `resourceName` (type "RT_ANICURSOR", name compared
// without regard to case) to GetTempDirectory() + number + ".ani", loads the
// cursor from that file and enters it under `number`. The file is deleted in
// every case; any failure is swallowed and leaves the number unregistered.
void LoadAnimatedCursor(const QString &resourceName, int number);
// The four cursors in their fixed order; runs at application start.
void RegisterAnimatedCursors();
// Clears the four numbers (and shows the default cursor if one of them is
// on screen); runs at application end.
void UnregisterAnimatedCursors();
// The animation registered under `number`, or nullptr.
const TAniCursorData *RegisteredAnimatedCursor(int number);
// Advances the frames of the animated cursor on screen; exposed so that
// tests can step the animation without waiting.
QTimer *ScreenCursorTimer();

// The user's temporary folder with a trailing separator; empty when the
// platform reports none.
QString GetTempDirectory();
// Empty paths and paths ending in ":", "\" or "/" come back unchanged; a
// single letter A-Z (either case) becomes a drive root ("C" -> "C:\"); a
// path written with "/" (as this platform writes them) gets "/", any other
// path "\".
QString AddTrailingBackslash(const QString &path);
