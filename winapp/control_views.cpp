#include "winapp/control_views.h"

#include <commctrl.h>
#include <algorithm>

namespace veskaro::winapp {
namespace {

// Rows a dropped-down list shows before it scrolls.
constexpr int kDroppedRows = 8;

// The height of a line of text in `font`, in pixels.
int LineHeight(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return metrics.tmHeight;
}

// Chooses row `index` (-1: none) of a list or combo box window unless it is the
// chosen one already; `get` and `set` are the messages of the window's kind.
void ChooseRow(HWND window, int index, UINT get, UINT set) {
  if (SendMessageA(window, get, 0, 0) != index) {
    SendMessageA(window, set, static_cast<WPARAM>(index), 0);
  }
}

}  // namespace

// ---- ControlView ----

ControlView::ControlView(app::Control& control, const ViewContext& context, int id)
    : control_(control), context_(context), id_(id) {}

ControlView::~ControlView() { *alive_ = false; }

void ControlView::Create(const char* window_class, const std::string& text, DWORD style,
                         DWORD ex_style, const RECT& rect, HFONT font) {
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (control_.visible()) style |= WS_VISIBLE;
  if (!control_.enabled()) style |= WS_DISABLED;
  hwnd_ = CreateWindowExA(ex_style, window_class, text.c_str(), style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, context_.parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), context_.instance,
                          nullptr);
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  control_.Observe([this, alive = alive_](const app::Control&, app::Change change) {
    if (*alive) Mirror(change);
  });
}

void ControlView::Mirror(app::Change change) {
  switch (change) {
    case app::Change::kEnabled:
      EnableWindow(hwnd_, control_.enabled() ? TRUE : FALSE);
      break;
    case app::Change::kVisible:
      ShowWindow(hwnd_, control_.visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case app::Change::kPosition: {
      const RECT r = Placement();
      MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
      break;
    }
    default:
      break;
  }
}

RECT ControlView::Placement() const { return context_.metrics.Pixels(control_.rect()); }

// ---- ListBoxView ----

ListBoxView::ListBoxView(app::ListBox& model, const ViewContext& context, int id)
    : ControlView(model, context, id), model_(model) {
  // No LBS_SORT: the rows keep the model's order. No integral height: the list box
  // takes exactly the control's place.
  Create("LISTBOX", "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
         WS_EX_CLIENTEDGE, Placement(), context.fonts.standard());
  SyncRows();
  // The key press handler sees each typed character before the list box does.
  SetWindowLongPtrA(hwnd(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  list_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyProc)));
}

ListBoxView::~ListBoxView() {
  if (IsWindow(hwnd())) {
    SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_proc_));
    SetWindowLongPtrA(hwnd(), GWLP_USERDATA, 0);
  }
}

LRESULT CALLBACK ListBoxView::KeyProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* view = reinterpret_cast<ListBoxView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcA(window, message, w, l);
  const WNDPROC list_proc = view->list_proc_;
  if (message == WM_CHAR && view->model_.on_key_press) {
    view->model_.on_key_press(static_cast<int>(w & 0xFF));
  }
  return CallWindowProcA(list_proc, window, message, w, l);
}

void ListBoxView::OnCommand(int code) {
  if (code == LBN_SELCHANGE) {
    model_.set_list_index(static_cast<int>(SendMessageA(hwnd(), LB_GETCURSEL, 0, 0)));
  } else if (code == LBN_DBLCLK && model_.on_double_click) {
    model_.on_double_click();
  }
}

void ListBoxView::Mirror(app::Change change) {
  if (change == app::Change::kRows) {
    SyncRows();
  } else if (change == app::Change::kSelection) {
    SyncSelection();
  } else {
    ControlView::Mirror(change);
  }
}

void ListBoxView::SyncRows() {
  if (model_.count() < shown_) {
    SendMessageA(hwnd(), LB_RESETCONTENT, 0, 0);
    shown_ = 0;
  }
  for (; shown_ < model_.count(); ++shown_) {
    SendMessageA(hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(model_.row(shown_).c_str()));
  }
  SyncSelection();
}

void ListBoxView::SyncSelection() {
  ChooseRow(hwnd(), model_.list_index(), LB_GETCURSEL, LB_SETCURSEL);
}

// ---- ComboBoxView ----

ComboBoxView::ComboBoxView(app::ComboBox& model, const ViewContext& context, int id)
    : ControlView(model, context, id), model_(model) {
  // No CBS_SORT: the model keeps its rows sorted and tells where each one goes.
  Create("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, Placement(),
         context.fonts.standard());
  SyncRows();
}

RECT ComboBoxView::Placement() const {
  // The window's height includes the list that drops down below the field.
  RECT r = ControlView::Placement();
  r.bottom += (r.bottom - r.top) * kDroppedRows;
  return r;
}

void ComboBoxView::OnCommand(int code) {
  if (code == CBN_SELCHANGE) {
    // The model's chosen row, which runs its click handler, as a choice by the
    // program does.
    model_.set_list_index(static_cast<int>(SendMessageA(hwnd(), CB_GETCURSEL, 0, 0)));
  }
}

void ComboBoxView::Mirror(app::Change change) {
  if (change == app::Change::kRows) {
    SyncRows();
  } else if (change == app::Change::kSelection) {
    SyncSelection();
  } else {
    ControlView::Mirror(change);
  }
}

void ComboBoxView::SyncRows() {
  const std::vector<std::string>& rows = model_.rows();
  // The model adds one row at a time, anywhere, or clears them all: one row
  // inserted is mirrored as that insertion, anything else by showing all rows anew.
  const auto first_difference =
      std::mismatch(shown_.begin(), shown_.end(), rows.begin(), rows.end()).first;
  const auto at = static_cast<std::size_t>(first_difference - shown_.begin());
  if (rows.size() == shown_.size() + 1 &&
      std::equal(shown_.begin() + at, shown_.end(), rows.begin() + at + 1)) {
    SendMessageA(hwnd(), CB_INSERTSTRING, at, reinterpret_cast<LPARAM>(rows[at].c_str()));
    shown_.insert(shown_.begin() + at, rows[at]);
  } else if (rows != shown_) {
    SendMessageA(hwnd(), CB_RESETCONTENT, 0, 0);
    for (const std::string& row : rows) {
      SendMessageA(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    shown_ = rows;
  }
  SyncSelection();
}

void ComboBoxView::SyncSelection() {
  ChooseRow(hwnd(), model_.list_index(), CB_GETCURSEL, CB_SETCURSEL);
}

// ---- TextBoxView ----

TextBoxView::TextBoxView(app::TextBox& model, const ViewContext& context, int id)
    : ControlView(model, context, id), model_(model) {
  DWORD style = ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP;
  if (model.multi_line()) style |= ES_MULTILINE;
  Create("EDIT", model.text(), style, WS_EX_CLIENTEDGE, Placement(), context.fonts.standard());
}

void TextBoxView::Mirror(app::Change change) {
  if (change == app::Change::kText) {
    SetWindowTextA(hwnd(), model_.text().c_str());
  } else {
    ControlView::Mirror(change);
  }
}

// ---- ButtonView ----

ButtonView::ButtonView(app::Button& model, const ViewContext& context, int id)
    : ControlView(model, context, id), model_(model) {
  Create("BUTTON", model.caption(), BS_PUSHBUTTON | WS_TABSTOP, 0, Placement(),
         context.fonts.standard());
  if (!model.tool_tip().empty() && context.tool_tips != nullptr) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = context.parent;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.hinst = context.instance;
    tool.lpszText = const_cast<char*>(model.tool_tip().c_str());  // the tip keeps a copy
    SendMessageA(context.tool_tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void ButtonView::OnCommand(int code) {
  if (code == BN_CLICKED) model_.Click();
}

bool ButtonView::OnEnterKey() {
  model_.Click();
  return true;
}

// ---- LabelView ----

LabelView::LabelView(app::Label& model, const ViewContext& context, int id)
    : ControlView(model, context, id), model_(model) {
  HFONT font = context.fonts.For(model.look());
  const RECT place = Placement();
  DWORD style = SS_CENTER;
  if (model.look() != app::LabelLook::kProductName) {
    // A label one line high keeps its caption on that line: a caption wider than
    // the label (a stand-in font can be wider than the designed one) is cut at the
    // right instead of wrapping onto a line that is not shown.
    style = place.bottom - place.top < 2 * LineHeight(font) ? SS_LEFTNOWORDWRAP : SS_LEFT;
  }
  // Only link labels take the mouse; the others let it through to the window.
  if (model.look() == app::LabelLook::kLink) style |= SS_NOTIFY;
  Create("STATIC", model.caption(), style, 0, place, font);
}

void LabelView::OnCommand(int code) {
  if (code == STN_CLICKED) model_.Click();
}

HBRUSH LabelView::OnColorStatic(HDC dc) {
  if (model_.look() != app::LabelLook::kLink) return nullptr;
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool LabelView::OnSetCursor() {
  if (model_.look() != app::LabelLook::kLink || context().hand == nullptr) return false;
  SetCursor(context().hand);
  return true;
}

void LabelView::Mirror(app::Change change) {
  if (change == app::Change::kText) {
    SetWindowTextA(hwnd(), model_.caption().c_str());
  } else {
    ControlView::Mirror(change);
  }
}

// ---- ImageView ----

ImageView::ImageView(app::Control& model, const ViewContext& context, int id, int bitmap_resource)
    : ControlView(model, context, id) {
  Create("STATIC", "", SS_BITMAP, 0, Placement(), context.fonts.standard());
  bitmap_ = LoadBitmapA(context.instance, MAKEINTRESOURCEA(bitmap_resource));
  SendMessageA(hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
}

ImageView::~ImageView() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

// ---- LineView ----

LineView::LineView(app::Control& model, const ViewContext& context, int id)
    : ControlView(model, context, id) {
  Create("STATIC", "", SS_BLACKRECT, 0, Placement(), context.fonts.standard());
}

RECT LineView::Placement() const {
  RECT r = ControlView::Placement();
  r.right = std::max(r.right, r.left + 1);
  r.bottom = std::max(r.bottom, r.top + 1);
  return r;
}

// ---- TimerView ----

TimerView::TimerView(app::Timer& model, HWND owner, UINT_PTR id)
    : model_(model), owner_(owner), id_(id) {
  model_.Observe([this, alive = alive_](const app::Control&, app::Change change) {
    if (*alive && change == app::Change::kEnabled) Sync();
  });
  Sync();
}

TimerView::~TimerView() {
  *alive_ = false;
  if (running_ && IsWindow(owner_)) KillTimer(owner_, id_);
}

void TimerView::OnTimer() { model_.Tick(); }

void TimerView::Sync() {
  if (model_.enabled() && !running_) {
    running_ = SetTimer(owner_, id_, static_cast<UINT>(model_.interval_ms()), nullptr) != 0;
  } else if (!model_.enabled() && running_) {
    KillTimer(owner_, id_);
    running_ = false;
  }
}

}  // namespace veskaro::winapp
