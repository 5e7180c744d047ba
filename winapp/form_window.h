// What the two native windows share: the top-level window that mirrors a window
// model, its control views, and the keyboard and mouse plumbing between them.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/controls.h"
#include "winapp/control_views.h"
#include "winapp/metrics.h"

namespace veskaro::winapp {

/// A top-level window mirroring an app::Window: its caption and enabled state
/// follow the model, its moves are reported to the model (Window::set_rect, outer
/// rectangle in twips), and its controls are ControlViews. Notifications of the
/// controls (WM_COMMAND, WM_CTLCOLORSTATIC, WM_SETCURSOR) go to their views.
class FormWindow {
 public:
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  /// The window; null once it has been destroyed.
  HWND hwnd() const { return hwnd_; }

  /// Keyboard use of this window's messages before they are dispatched: Tab and
  /// Shift+Tab move the focus through the controls in tab-index order (only
  /// visible, enabled controls that take the focus); Enter on a focused button
  /// clicks it. True when the message was used up.
  bool PreTranslate(const MSG& message);

 protected:
  FormWindow(app::Window& model, HINSTANCE instance, const Metrics& metrics, const Fonts& fonts);

  /// Makes the window, hidden, with a client area of the model's client size, its
  /// top left corner at (`left`, `top`) pixels (CW_USEDEFAULT: the system's
  /// choice), owned by `owner` (null: none), and the window's tool tip control.
  void CreateFrame(const char* class_name, DWORD style, int left, int top, HWND owner);

  /// Adds a view of a control, made from `args` and the window's ViewContext. A
  /// view `on_top` lies above the views added before it, else below them.
  template <class View, class Model, class... Args>
  View& Add(bool on_top, Model& control, int id, Args&&... args) {
    auto view = std::make_unique<View>(control, Context(), id, std::forward<Args>(args)...);
    View& added = *view;
    SetWindowPos(added.hwnd(), on_top ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    views_.push_back(std::move(view));
    return added;
  }

  /// Handles one message of the window; derived windows handle theirs first and
  /// pass the rest on to this.
  virtual LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l);
  /// The close box (WM_CLOSE).
  virtual void OnClose() = 0;
  /// The model's visibility changed.
  virtual void OnVisibleChanged(bool visible);

  const Metrics& metrics() const { return metrics_; }
  const Fonts& fonts() const { return fonts_; }
  HINSTANCE instance() const { return instance_; }

 private:
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM w, LPARAM l);
  ViewContext Context() const;
  /// The view whose window is `window` or holds it (a combo box's parts).
  ControlView* ViewOf(HWND window) const;
  /// The views that can take the focus now, in tab-index order.
  std::vector<ControlView*> FocusOrder() const;
  void MoveFocus(bool backwards);
  /// Gives the focus back to the control that last had it, else to the first in
  /// tab order.
  void RestoreFocus();
  void ReportPlace();

  app::Window& model_;
  HINSTANCE instance_;
  const Metrics& metrics_;
  const Fonts& fonts_;
  HCURSOR hand_;
  HWND hwnd_ = nullptr;
  HWND tool_tips_ = nullptr;
  HWND last_focus_ = nullptr;
  std::vector<std::unique_ptr<ControlView>> views_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace veskaro::winapp
