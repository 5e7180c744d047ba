#include "winapp/metrics.h"

#include <cmath>
#include <initializer_list>

namespace veskaro::winapp {
namespace {

constexpr double kTwipsPerInch = 1440.0;

HFONT MakeFont(const char* face, double points, int dpi_y, bool underline) {
  // A negative height asks for the character height (without internal leading), the
  // way point sizes are meant.
  const int height = -static_cast<int>(std::lround(points * dpi_y / 72.0));
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                     ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

// The font of the first face in `faces` that the system has; the first face (as
// the system substitutes it) when it has none of them. Windows 9x has the first
// face of every list here; the others serve systems without it, such as Wine,
// whose own stand-in for a missing face can be too wide for the controls.
HFONT MakeFont(std::initializer_list<const char*> faces, double points, int dpi_y, bool underline) {
  HDC screen = GetDC(nullptr);
  HFONT chosen = nullptr;
  for (const char* face : faces) {
    HFONT font = MakeFont(face, points, dpi_y, underline);
    HGDIOBJ old = SelectObject(screen, font);
    char got[LF_FACESIZE] = {};
    GetTextFaceA(screen, LF_FACESIZE, got);
    SelectObject(screen, old);
    if (lstrcmpiA(got, face) == 0) {
      chosen = font;
      break;
    }
    DeleteObject(font);
  }
  ReleaseDC(nullptr, screen);
  return chosen != nullptr ? chosen : MakeFont(*faces.begin(), points, dpi_y, underline);
}

}  // namespace

Metrics Metrics::OfScreen() {
  HDC screen = GetDC(nullptr);
  Metrics metrics(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  return metrics;
}

int Metrics::X(double twips) const {
  return static_cast<int>(std::lround(twips * dpi_x_ / kTwipsPerInch));
}
int Metrics::Y(double twips) const {
  return static_cast<int>(std::lround(twips * dpi_y_ / kTwipsPerInch));
}
int Metrics::TwipsX(int pixels) const {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi_x_));
}
int Metrics::TwipsY(int pixels) const {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi_y_));
}

RECT Metrics::Pixels(const app::Twips& rect) const {
  return RECT{X(rect.left), Y(rect.top), X(rect.left + rect.width), Y(rect.top + rect.height)};
}

app::Twips Metrics::Twips(const RECT& rect) const {
  return app::Twips{TwipsX(rect.left), TwipsY(rect.top), TwipsX(rect.right - rect.left),
                    TwipsY(rect.bottom - rect.top)};
}

Fonts::Fonts(const Metrics& metrics)
    : standard_(MakeFont({"MS Sans Serif", "Tahoma"}, 8.25, metrics.dpi_y(), false)),
      link_(MakeFont({"MS Sans Serif", "Tahoma"}, 8.25, metrics.dpi_y(), true)),
      product_(MakeFont({"Times New Roman", "Liberation Serif", "DejaVu Serif"}, 18,
                        metrics.dpi_y(), false)) {}

Fonts::~Fonts() {
  DeleteObject(standard_);
  DeleteObject(link_);
  DeleteObject(product_);
}

HFONT Fonts::For(app::LabelLook look) const {
  switch (look) {
    case app::LabelLook::kLink:
      return link_;
    case app::LabelLook::kProductName:
      return product_;
    case app::LabelLook::kStandard:
      break;
  }
  return standard_;
}

}  // namespace veskaro::winapp
