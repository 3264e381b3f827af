// The kit's small pictures, drawn in code so that the repository holds no
// binary artwork. Button glyphs use magenta as their transparent colour,
// with a magenta bottom-left pixel, as flat buttons expect.
#pragma once

#include <QPixmap>

// The message box's 24 x 24 pale blue speech bubble, transparent around it.
QPixmap SpeechBubblePicture();

// 16 x 16 glyphs.
QPixmap YesGlyph();
QPixmap NoGlyph();
QPixmap CloseGlyph();
// Two 16 x 16 images side by side: normal and disabled.
QPixmap HelpGlyph();

// The pictures of the main window's buttons.
QPixmap CheckGlyph();
QPixmap EditGlyph();
QPixmap DeleteGlyph();
