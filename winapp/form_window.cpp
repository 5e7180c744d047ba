#include "winapp/form_window.h"

#include <commctrl.h>
#include <algorithm>

#include "winapp/resource_ids.h"

namespace veskaro::winapp {

FormWindow::FormWindow(app::Window& model, HINSTANCE instance, const Metrics& metrics,
                       const Fonts& fonts)
    : model_(model),
      instance_(instance),
      metrics_(metrics),
      fonts_(fonts),
      hand_(LoadCursorA(instance, MAKEINTRESOURCEA(IDC_VESKARO_HAND))) {}

FormWindow::~FormWindow() {
  *alive_ = false;
  views_.clear();
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void FormWindow::CreateFrame(const char* class_name, DWORD style, int left, int top, HWND owner) {
  WNDCLASSA window_class{};
  if (!GetClassInfoA(instance_, class_name, &window_class)) {
    window_class.lpfnWndProc = &WndProc;
    window_class.hInstance = instance_;
    window_class.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));  // the program's icon
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);
  }
  RECT outer{0, 0, metrics_.X(model_.client_width()), metrics_.Y(model_.client_height())};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  style |= WS_CLIPCHILDREN;
  if (!model_.enabled()) style |= WS_DISABLED;
  CreateWindowExA(0, class_name, model_.caption().c_str(), style, left, top, width, height, owner,
                  nullptr, instance_, this);
  tool_tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, instance_, nullptr);
  ReportPlace();

  model_.Observe([this, alive = alive_](const app::Control&, app::Change change) {
    if (!*alive || hwnd_ == nullptr) return;
    switch (change) {
      case app::Change::kText:
        SetWindowTextA(hwnd_, model_.caption().c_str());
        break;
      case app::Change::kEnabled:
        EnableWindow(hwnd_, model_.enabled() ? TRUE : FALSE);
        if (model_.enabled() && IsWindowVisible(hwnd_)) {
          // A message box closed while this window was disabled leaves the program
          // without an active window, or this window active with the focus on none
          // of its controls: enabled again, it takes both back.
          if (GetActiveWindow() == nullptr) SetActiveWindow(hwnd_);
          HWND focus = GetFocus();
          if (GetActiveWindow() == hwnd_ && (focus == nullptr || focus == hwnd_)) RestoreFocus();
        }
        break;
      case app::Change::kVisible:
        OnVisibleChanged(model_.visible());
        break;
      default:  // the window's place is the view's own: it reports its moves
        break;
    }
  });
}

void FormWindow::OnVisibleChanged(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

ViewContext FormWindow::Context() const {
  return ViewContext{instance_, hwnd_, tool_tips_, hand_, metrics_, fonts_};
}

LRESULT CALLBACK FormWindow::WndProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    form->hwnd_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcA(window, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    return DefWindowProcA(window, message, w, l);
  }
  return form->HandleMessage(message, w, l);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (l != 0) {
        if (ControlView* view = ViewOf(reinterpret_cast<HWND>(l))) view->OnCommand(HIWORD(w));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (ControlView* view = ViewOf(reinterpret_cast<HWND>(l))) {
        if (HBRUSH brush = view->OnColorStatic(reinterpret_cast<HDC>(w))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(l) == HTCLIENT) {
        ControlView* view = ViewOf(reinterpret_cast<HWND>(w));
        if (view != nullptr && view->OnSetCursor()) return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) last_focus_ = focus;
      } else if (HIWORD(w) == 0) {  // not minimised
        RestoreFocus();
        return 0;
      }
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_MOVE:
    case WM_SIZE:
      ReportPlace();
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, w, l);
}

ControlView* FormWindow::ViewOf(HWND window) const {
  for (HWND h = window; h != nullptr && h != hwnd_; h = GetParent(h)) {
    for (const auto& view : views_) {
      if (view->hwnd() == h) return view.get();
    }
  }
  return nullptr;
}

std::vector<ControlView*> FormWindow::FocusOrder() const {
  std::vector<ControlView*> order;
  for (const auto& view : views_) {
    if (view->control().tab_index() >= 0 && view->TakesFocus() && IsWindowVisible(view->hwnd()) &&
        IsWindowEnabled(view->hwnd())) {
      order.push_back(view.get());
    }
  }
  std::stable_sort(order.begin(), order.end(), [](const ControlView* a, const ControlView* b) {
    return a->control().tab_index() < b->control().tab_index();
  });
  return order;
}

void FormWindow::MoveFocus(bool backwards) {
  const std::vector<ControlView*> order = FocusOrder();
  if (order.empty()) return;
  const auto current = std::find(order.begin(), order.end(), ViewOf(GetFocus()));
  std::size_t next = 0;
  if (current == order.end()) {
    next = backwards ? order.size() - 1 : 0;
  } else {
    const std::size_t at = static_cast<std::size_t>(current - order.begin());
    next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
  }
  SetFocus(order[next]->hwnd());
}

void FormWindow::RestoreFocus() {
  if (last_focus_ != nullptr && IsWindow(last_focus_) && IsChild(hwnd_, last_focus_) &&
      IsWindowVisible(last_focus_) && IsWindowEnabled(last_focus_)) {
    SetFocus(last_focus_);
    return;
  }
  const std::vector<ControlView*> order = FocusOrder();
  if (!order.empty()) SetFocus(order.front()->hwnd());
}

bool FormWindow::PreTranslate(const MSG& message) {
  if (hwnd_ == nullptr || message.message != WM_KEYDOWN) return false;
  if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
  const bool ctrl_or_alt = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
  if (message.wParam == VK_TAB && !ctrl_or_alt) {
    MoveFocus(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (message.wParam == VK_RETURN && !ctrl_or_alt) {
    ControlView* view = ViewOf(message.hwnd);
    return view != nullptr && view->OnEnterKey();
  }
  return false;
}

void FormWindow::ReportPlace() {
  RECT outer;
  if (hwnd_ == nullptr || IsIconic(hwnd_) || !GetWindowRect(hwnd_, &outer)) return;
  model_.set_rect(metrics_.Twips(outer));
}

}  // namespace veskaro::winapp
