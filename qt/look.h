// Fonts, pictures and pointers of the two windows, and the twips-to-pixels scale.
#pragma once

#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRect>

#include "app/controls.h"

namespace veskaro::qt {

/// Pixels (device-independent, 96 per inch; Qt scales them for the screen) of a
/// length in twips: 15 twips are one pixel.
int TwipsToPixels(double twips);
/// Pixels of a control's rectangle.
QRect PixelRect(const app::Twips& rect);
/// Twips of a length in pixels.
int PixelsToTwips(int pixels);

/// The windows' default font: a sans-serif of 8.25 point.
QFont StandardFont();
/// The font of a label drawn with `look`.
QFont LabelFont(app::LabelLook look);

/// The About window's 48 by 48 picture.
QPixmap AboutPicture();
/// The pointing hand shown over link labels.
QCursor HandCursor();
/// The program's icon.
QIcon ProgramIcon();

}  // namespace veskaro::qt
