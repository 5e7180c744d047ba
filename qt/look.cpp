#include "qt/look.h"

#include <QBitmap>
#include <cmath>

namespace veskaro::qt {

int TwipsToPixels(double twips) { return static_cast<int>(std::lround(twips / 15.0)); }

QRect PixelRect(const app::Twips& rect) {
  return QRect(TwipsToPixels(rect.left), TwipsToPixels(rect.top), TwipsToPixels(rect.width),
               TwipsToPixels(rect.height));
}

int PixelsToTwips(int pixels) { return pixels * 15; }

QFont StandardFont() {
  QFont font;
  // The first family the host has wins; the narrow ones keep the designed captions
  // inside their controls.
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial", "Liberation Sans",
                    "DejaVu Sans Condensed", "DejaVu Sans", "Sans Serif"});
  font.setPointSizeF(8.25);
  return font;
}

QFont LabelFont(app::LabelLook look) {
  QFont font = StandardFont();
  switch (look) {
    case app::LabelLook::kLink:
      font.setUnderline(true);
      break;
    case app::LabelLook::kProductName:
      font.setFamilies({"Times New Roman", "Liberation Serif", "DejaVu Serif", "Serif"});
      font.setPointSize(18);
      break;
    case app::LabelLook::kStandard:
      break;
  }
  return font;
}

QPixmap AboutPicture() { return QPixmap(":/veskaro/about.xpm"); }

QCursor HandCursor() {
  // The XPM's hot spot is the tip of the index finger.
  static constexpr int kHotX = 6;
  static constexpr int kHotY = 0;
  return QCursor(QPixmap(":/veskaro/hand.xpm"), kHotX, kHotY);
}

QIcon ProgramIcon() {
  QIcon icon;
  icon.addPixmap(AboutPicture());
  return icon;
}

}  // namespace veskaro::qt
