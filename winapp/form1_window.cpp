#include "winapp/form1_window.h"

#include "winapp/control_ids.h"

namespace veskaro::winapp {
namespace {

// A fixed frame: caption, close box and minimise button, no sizing (the controls
// keep their places).
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR kTimer1Id = 1;

}  // namespace

Form1Window::Form1Window(app::Form1& model, HINSTANCE instance, int show_command,
                         const Metrics& metrics, const Fonts& fonts)
    : FormWindow(model.window, instance, metrics, fonts),
      model_(model),
      show_command_(show_command) {
  CreateFrame(kForm1Class, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, nullptr);
  // In the order of the control list; an earlier control lies above a later one
  // (List5, shown by the batch, covers Combo2, Label3 and List1).
  constexpr bool kOnTop = false;
  auto id = [](const app::Control& control) { return IdOf(kForm1Ids, control.name()); };
  Add<ListBoxView>(kOnTop, model.List5, id(model.List5));
  Add<TextBoxView>(kOnTop, model.Text1, id(model.Text1));
  Add<ListBoxView>(kOnTop, model.List4, id(model.List4));
  Add<ListBoxView>(kOnTop, model.List3, id(model.List3));
  Add<ButtonView>(kOnTop, model.Command1, id(model.Command1));
  Add<ListBoxView>(kOnTop, model.List1, id(model.List1));
  Add<ButtonView>(kOnTop, model.About, id(model.About));
  Add<ButtonView>(kOnTop, model.CopyTo, id(model.CopyTo));
  Add<ButtonView>(kOnTop, model.ExitButton, id(model.ExitButton));
  Add<ComboBoxView>(kOnTop, model.Combo2, id(model.Combo2));
  Add<ComboBoxView>(kOnTop, model.Combo1, id(model.Combo1));
  Add<ComboBoxView>(kOnTop, model.Combo3, id(model.Combo3));
  Add<ComboBoxView>(kOnTop, model.Combo4, id(model.Combo4));
  Add<ListBoxView>(kOnTop, model.List2, id(model.List2));
  Add<LabelView>(kOnTop, model.Label4, id(model.Label4));
  Add<LabelView>(kOnTop, model.Label3, id(model.Label3));
  Add<LabelView>(kOnTop, model.Label2, id(model.Label2));
  Add<LabelView>(kOnTop, model.Label1, id(model.Label1));
  timer_ = std::make_unique<TimerView>(model.Timer1, hwnd(), kTimer1Id);

  model.on_unload = [this] {
    if (hwnd() != nullptr) DestroyWindow(hwnd());
  };
  model.on_show_about = [this](app::Form2& about) { ShowAbout(about); };
  model.on_focus = [this] {
    if (hwnd() != nullptr) SetActiveWindow(hwnd());
  };
  model.on_batch_progress = [this](int, int, int) {
    // The batch runs inside one event: let the lists it fills show as it goes.
    if (hwnd() != nullptr) {
      RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
  };
}

Form1Window::~Form1Window() {
  model_.on_unload = nullptr;
  model_.on_show_about = nullptr;
  model_.on_focus = nullptr;
  model_.on_batch_progress = nullptr;
  about_.reset();
  timer_.reset();
}

int Form1Window::Run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (PreTranslate(message)) continue;
    if (about_ != nullptr && about_->PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT Form1Window::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd(), &paint);
      EndPaint(hwnd(), &paint);
      model_.Paint();
      return 0;
    }
    case WM_TIMER:
      if (timer_ != nullptr && w == timer_->id()) {
        timer_->OnTimer();
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return FormWindow::HandleMessage(message, w, l);
}

void Form1Window::OnClose() { model_.ExitButtonClick(); }

void Form1Window::OnVisibleChanged(bool visible) {
  if (!visible) {
    ShowWindow(hwnd(), SW_HIDE);
    return;
  }
  ShowWindow(hwnd(), show_command_);
  show_command_ = SW_SHOW;
  UpdateWindow(hwnd());
}

void Form1Window::ShowAbout(app::Form2& about) {
  if (about_ == nullptr || about_->model() != &about || about_->hwnd() == nullptr) {
    // A new load of the About window: its earlier view (closed with its model's
    // unload) goes, and the new one is made where the model placed it.
    about_.reset();
    about_ = std::make_unique<Form2Window>(about, hwnd(), instance(), metrics(), fonts());
  }
  about_->BringToFront();
}

}  // namespace veskaro::winapp
