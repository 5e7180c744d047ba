#include "app/form2.h"

#include "app/about_info.h"
#include "app/form1.h"

namespace veskaro::app {

Form2::Form2(Form1& main)
    : window("Form2", "About Veskaro 1.0", 3090, 1890),
      Command1("Command1", {2040, 1440, 975, 375}, 3, "OK", ""),
      Label5("Label5", {120, 1440, 1815, 495}, 5, about::kWebsiteTitle, LabelLook::kLink),
      Label4("Label4", {1080, 600, 1095, 255}, 4, "Developed by"),
      Line1("Line1", {840, 600, 0, 720}, -1),
      Image1("Image1", {0, 600, 720, 720}, -1),
      Label2("Label2", {1080, 840, 1095, 255}, 2, about::kDeveloperName, LabelLook::kLink),
      Label1("Label1", {1080, 1080, 1455, 255}, 1, about::kNotice),
      Label3("Label3", {120, 120, 2895, 495}, 0, "Veskaro 1.0", LabelLook::kProductName),
      main_(main) {
  Command1.on_click = [this] { Command1Click(); };
  Label2.on_click = [this] { Label2Click(); };
  Label5.on_click = [this] { Label5Click(); };
}

std::vector<const Control*> Form2::controls() const {
  return {&Command1, &Label5, &Label4, &Line1, &Image1, &Label2, &Label1, &Label3};
}

void Form2::Load() {
  const Twips& m = main_.window.rect();
  // The About window has the same frame as the main window around its client area.
  const int frame_width = m.width - main_.window.client_width();
  const int frame_height = m.height - main_.window.client_height();
  const int width = window.client_width() + frame_width;
  const int height = window.client_height() + frame_height;
  Left = m.left + (m.width - width) / 2.0;
  Top = m.top + (m.height - height) / 2.0;
  window.set_rect({static_cast<int>(Left), static_cast<int>(Top), width, height});
  main_.window.set_enabled(false);
  window.set_caption("About " + main_.window.caption());
  main_.program().AboutOpen = 1;
  loaded_ = true;
  window.set_visible(true);
}

void Form2::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  main_.program().AboutOpen = 0;
  main_.window.set_enabled(true);
  if (main_.on_focus) main_.on_focus();
  window.set_visible(false);
  if (on_unload) on_unload();
}

std::string Form2::MailTarget() { return std::string("mailto:") + about::kDeveloperEmail; }
std::string Form2::WebTarget() {
  return std::string(about::kWebsiteHost) + about::kWebsitePath;
}

void Form2::Label2Click() { main_.services().shell.OpenLink(MailTarget()); }
void Form2::Label5Click() { main_.services().shell.OpenLink(WebTarget()); }

}  // namespace veskaro::app
