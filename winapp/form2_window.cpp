#include "winapp/form2_window.h"

#include "winapp/control_ids.h"
#include "winapp/resource_ids.h"

namespace veskaro::winapp {
namespace {

// A fixed frame with a caption and a close box, as the main window's (the model
// centres the window assuming both frames are alike).
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

}  // namespace

Form2Window::Form2Window(app::Form2& model, HWND owner, HINSTANCE instance, const Metrics& metrics,
                         const Fonts& fonts)
    : FormWindow(model.window, instance, metrics, fonts), model_(model) {
  CreateFrame(kForm2Class, kStyle, metrics.X(model.Left), metrics.Y(model.Top), owner);
  // In the order of creation; a later control lies above an earlier one.
  constexpr bool kOnTop = true;
  Add<ButtonView>(kOnTop, model.Command1, IdOf(kForm2Ids, "Command1"));
  Add<LabelView>(kOnTop, model.Label5, IdOf(kForm2Ids, "Label5"));
  Add<LabelView>(kOnTop, model.Label4, IdOf(kForm2Ids, "Label4"));
  Add<LineView>(kOnTop, model.Line1, IdOf(kForm2Ids, "Line1"));
  Add<ImageView>(kOnTop, model.Image1, IdOf(kForm2Ids, "Image1"), IDB_VESKARO_ABOUT);
  Add<LabelView>(kOnTop, model.Label2, IdOf(kForm2Ids, "Label2"));
  Add<LabelView>(kOnTop, model.Label1, IdOf(kForm2Ids, "Label1"));
  Add<LabelView>(kOnTop, model.Label3, IdOf(kForm2Ids, "Label3"));
  model.on_unload = [this] {
    if (hwnd() != nullptr) DestroyWindow(hwnd());
  };
}

void Form2Window::BringToFront() {
  if (hwnd() == nullptr) return;
  ShowWindow(hwnd(), SW_SHOW);
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetActiveWindow(hwnd());
}

void Form2Window::OnClose() { model_.Unload(); }

}  // namespace veskaro::winapp
