#include "winapp/form1_window.h"

#include <type_traits>

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
  for (app::Control* control : model.controls()) {
    app::VisitControl(*control, [this](auto& c) {
      using Model = std::remove_cvref_t<decltype(c)>;
      const int id = IdOf(kForm1Ids, c.name());
      if constexpr (std::is_same_v<Model, app::ListBox>) Add<ListBoxView>(kOnTop, c, id);
      if constexpr (std::is_same_v<Model, app::ComboBox>) Add<ComboBoxView>(kOnTop, c, id);
      if constexpr (std::is_same_v<Model, app::TextBox>) Add<TextBoxView>(kOnTop, c, id);
      if constexpr (std::is_same_v<Model, app::Button>) Add<ButtonView>(kOnTop, c, id);
      if constexpr (std::is_same_v<Model, app::Label>) Add<LabelView>(kOnTop, c, id);
      if constexpr (std::is_same_v<Model, app::Timer>) {
        timer_ = std::make_unique<TimerView>(c, hwnd(), kTimer1Id);
      }
    });
  }

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
