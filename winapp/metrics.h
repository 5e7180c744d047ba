// Screen units of the native windows: twips converted with the screen's DPI, and
// the fonts of the controls' looks.
#pragma once

#include <windows.h>

#include "app/controls.h"

namespace veskaro::winapp {

/// Twips (1440 to the inch) to screen pixels and back, with the screen's logical
/// pixels per inch (15 twips to the pixel at 96 DPI).
class Metrics {
 public:
  Metrics(int dpi_x, int dpi_y) : dpi_x_(dpi_x), dpi_y_(dpi_y) {}
  /// The screen's LOGPIXELSX and LOGPIXELSY.
  static Metrics OfScreen();

  int dpi_y() const { return dpi_y_; }
  /// Horizontal and vertical twips to pixels, rounded to the nearest pixel.
  int X(double twips) const;
  int Y(double twips) const;
  /// Pixels to twips.
  int TwipsX(int pixels) const;
  int TwipsY(int pixels) const;
  /// A rectangle in twips as pixels; both edges are rounded, so that controls that
  /// touch in twips touch on screen.
  RECT Pixels(const app::Twips& rect) const;
  /// A rectangle in pixels as twips.
  app::Twips Twips(const RECT& rect) const;

 private:
  int dpi_x_;
  int dpi_y_;
};

/// The fonts of the three label looks, made for the screen's DPI and deleted with
/// this object. Buttons, lists and text boxes use the standard font. Where the
/// system lacks a face, a similar one stands in (Tahoma for MS Sans Serif, a serif
/// face for Times New Roman).
class Fonts {
 public:
  explicit Fonts(const Metrics& metrics);
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  /// MS Sans Serif 8.25 point: the windows' default font.
  HFONT standard() const { return standard_; }
  /// The standard font, underlined: the link look.
  HFONT link() const { return link_; }
  /// Times New Roman 18 point: the product name.
  HFONT product() const { return product_; }
  HFONT For(app::LabelLook look) const;

 private:
  HFONT standard_;
  HFONT link_;
  HFONT product_;
};

}  // namespace veskaro::winapp
