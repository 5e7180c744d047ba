// Native child windows that mirror the controls of a window model. Each view shows
// what its control holds, follows the control's changes, and hands what the user
// does to the control (its chosen row, its click, double-click or key press
// handler). None of them decides anything of its own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/controls.h"
#include "winapp/metrics.h"

namespace veskaro::winapp {

/// What a view needs from its window to make its own.
struct ViewContext {
  HINSTANCE instance;
  HWND parent;
  /// The window's tool tip control (buttons add their tips to it).
  HWND tool_tips;
  /// The pointer shown over link labels.
  HCURSOR hand;
  const Metrics& metrics;
  const Fonts& fonts;
};

/// One model control shown as a child window with identifier `id`. The window's
/// place, visibility and enabled state follow the control from creation on.
class ControlView {
 public:
  virtual ~ControlView();
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  HWND hwnd() const { return hwnd_; }
  int id() const { return id_; }
  const app::Control& control() const { return control_; }

  /// Whether Tab may move the focus to this control (while it is visible and
  /// enabled).
  virtual bool TakesFocus() const { return false; }
  /// A WM_COMMAND notification `code` sent by this control to its window.
  virtual void OnCommand(int code) { (void)code; }
  /// WM_CTLCOLORSTATIC for this control: the background brush when the view sets
  /// its own colours on `dc`, else null (the system's colours).
  virtual HBRUSH OnColorStatic(HDC dc) {
    (void)dc;
    return nullptr;
  }
  /// WM_SETCURSOR over this control: true when the view set the pointer.
  virtual bool OnSetCursor() { return false; }
  /// Enter pressed while this control has the focus: true when the view used it.
  virtual bool OnEnterKey() { return false; }

 protected:
  ControlView(app::Control& control, const ViewContext& context, int id);

  /// Makes the child window at `rect` (pixels), hidden or shown and enabled as the
  /// control is, with `font`, and starts following the control.
  void Create(const char* window_class, const std::string& text, DWORD style, DWORD ex_style,
              const RECT& rect, HFONT font);
  /// Follows one change of the control. The base mirrors enabled, visible and
  /// position; views of controls with content add the rest.
  virtual void Mirror(app::Change change);
  /// The window's rectangle in pixels for the control's current place.
  virtual RECT Placement() const;

  const ViewContext& context() const { return context_; }

 private:
  app::Control& control_;
  ViewContext context_;
  int id_;
  HWND hwnd_ = nullptr;
  /// Cleared when the view goes, so that the control's observer (which the model
  /// keeps) does nothing afterwards.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

/// A list box: the model's rows in the model's order and its chosen row. The
/// user's choice sets the model's chosen row; a double-click and every typed
/// character (WM_CHAR, before the list box handles it) go to the model's handlers.
class ListBoxView : public ControlView {
 public:
  ListBoxView(app::ListBox& model, const ViewContext& context, int id);
  ~ListBoxView() override;
  bool TakesFocus() const override { return true; }
  void OnCommand(int code) override;

 protected:
  void Mirror(app::Change change) override;

 private:
  static LRESULT CALLBACK KeyProc(HWND window, UINT message, WPARAM w, LPARAM l);
  void SyncRows();
  void SyncSelection();

  app::ListBox& model_;
  /// Rows the list box shows: the model's first `shown_` rows (a model list box
  /// only appends rows or clears them all).
  int shown_ = 0;
  WNDPROC list_proc_ = nullptr;
};

/// A drop-down list (CBS_DROPDOWNLIST, unsorted: the model keeps the order): the
/// model's rows and chosen row. The user's choice (CBN_SELCHANGE) sets the model's
/// chosen row, which runs the model's click handler.
class ComboBoxView : public ControlView {
 public:
  ComboBoxView(app::ComboBox& model, const ViewContext& context, int id);
  bool TakesFocus() const override { return true; }
  void OnCommand(int code) override;

 protected:
  void Mirror(app::Change change) override;
  RECT Placement() const override;

 private:
  void SyncRows();
  void SyncSelection();

  app::ComboBox& model_;
  /// The rows the combo box shows, in its order.
  std::vector<std::string> shown_;
};

/// A multi-line, read-only text box showing the model's text (lines split at CR LF).
class TextBoxView : public ControlView {
 public:
  TextBoxView(app::TextBox& model, const ViewContext& context, int id);
  bool TakesFocus() const override { return true; }

 protected:
  void Mirror(app::Change change) override;

 private:
  app::TextBox& model_;
};

/// A push button with the model's caption and tool tip; a click (mouse, Space, or
/// Enter while it has the focus) runs the model's click handler.
class ButtonView : public ControlView {
 public:
  ButtonView(app::Button& model, const ViewContext& context, int id);
  bool TakesFocus() const override { return true; }
  void OnCommand(int code) override;
  bool OnEnterKey() override;

 private:
  app::Button& model_;
};

/// A label in the model's look. Link labels are pure blue, underlined, show the
/// hand pointer and run the model's click handler when clicked.
class LabelView : public ControlView {
 public:
  LabelView(app::Label& model, const ViewContext& context, int id);
  void OnCommand(int code) override;
  HBRUSH OnColorStatic(HDC dc) override;
  bool OnSetCursor() override;

 protected:
  void Mirror(app::Change change) override;

 private:
  app::Label& model_;
};

/// A picture: a bitmap resource shown at its own size from the control's top left.
class ImageView : public ControlView {
 public:
  ImageView(app::Control& model, const ViewContext& context, int id, int bitmap_resource);
  ~ImageView() override;

 private:
  HBITMAP bitmap_ = nullptr;
};

/// A line of the window text colour, one pixel wide, along the control's zero-width
/// (vertical) or zero-height (horizontal) rectangle.
class LineView : public ControlView {
 public:
  LineView(app::Control& model, const ViewContext& context, int id);

 protected:
  RECT Placement() const override;
};

/// A timer: a window timer of `owner` runs while the model's timer is enabled and
/// calls the model's tick every interval.
class TimerView {
 public:
  TimerView(app::Timer& model, HWND owner, UINT_PTR id);
  ~TimerView();
  TimerView(const TimerView&) = delete;
  TimerView& operator=(const TimerView&) = delete;

  UINT_PTR id() const { return id_; }
  /// WM_TIMER of this timer.
  void OnTimer();

 private:
  void Sync();

  app::Timer& model_;
  HWND owner_;
  UINT_PTR id_;
  bool running_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace veskaro::winapp
