// The About window (Form2) as a native window.
#pragma once

#include <windows.h>

#include "app/form2.h"
#include "winapp/form_window.h"

namespace veskaro::winapp {

/// Mirrors one loaded app::Form2: made where the model's load placed it (Left and
/// Top, exact twips), with the model's controls. The close box and "OK" unload the
/// model, whose unload closes this window.
///
/// The window is owned by the main window, so that the system keeps it above the
/// main window while it is open. The main window's paint handler also shows it
/// again (BringToFront), but a system that keeps the pixels of covered windows
/// (Wine, for one) does not repaint a window that is merely raised, so ownership
/// is what keeps the About window in front.
class Form2Window : public FormWindow {
 public:
  Form2Window(app::Form2& model, HWND owner, HINSTANCE instance, const Metrics& metrics,
              const Fonts& fonts);

  /// The model this window shows. It may be gone once the window is closed: the
  /// owner compares addresses only.
  const app::Form2* model() const { return &model_; }

  /// Shows the window in front of the others and activates it.
  void BringToFront();

 protected:
  void OnClose() override;

 private:
  app::Form2& model_;
};

}  // namespace veskaro::winapp
