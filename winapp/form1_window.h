// The main window (Form1) as a native window, and the program's message loop.
#pragma once

#include <windows.h>

#include <memory>

#include "app/form1.h"
#include "winapp/control_views.h"
#include "winapp/form2_window.h"
#include "winapp/form_window.h"

namespace veskaro::winapp {

/// Mirrors app::Form1: a fixed window whose client area is the model's client size,
/// every control of the model as a child window (hidden ones hidden), Timer1 as a
/// window timer, the close box as "Exit". Each repaint runs the model's paint
/// handler, which brings the About window back in front while it is loaded. The
/// About window's views are made when the model shows it.
class Form1Window : public FormWindow {
 public:
  /// Makes the window, hidden; it shows when the model's load makes it visible,
  /// the first time with `show_command` (WinMain's nCmdShow).
  Form1Window(app::Form1& model, HINSTANCE instance, int show_command, const Metrics& metrics,
              const Fonts& fonts);
  ~Form1Window() override;

  /// Runs the message loop until the main window is unloaded; returns the exit
  /// code of WM_QUIT.
  int Run();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;
  void OnClose() override;
  void OnVisibleChanged(bool visible) override;

 private:
  void ShowAbout(app::Form2& about);

  app::Form1& model_;
  int show_command_;
  std::unique_ptr<TimerView> timer_;
  std::unique_ptr<Form2Window> about_;
};

}  // namespace veskaro::winapp
