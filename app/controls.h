// Toolkit-independent controls: plain objects holding what a window shows. Views
// mirror them and forward what the user does; no rule of the program lives in a view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veskaro::app {

/// Position and size in twips (1/1440 inch; 15 twips are one pixel at 96 dpi).
struct Twips {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

/// The classes of control, so that code holding a Control can reach its own class.
enum class ControlKind {
  kPlain,  ///< a Control with no state of its own (a line, a picture)
  kWindow,
  kListBox,
  kComboBox,
  kTextBox,
  kButton,
  kLabel,
  kTimer,
};

/// A control as the window's designer set it up.
struct ControlDescription {
  std::string_view name = {};
  ControlKind kind = ControlKind::kPlain;
  Twips rect = {};
  int tab_index = -1;             ///< -1: outside the tab order
  std::string_view caption = {};  ///< buttons and labels
  std::string_view tip = {};      ///< buttons: the tool tip
  bool visible = true;            ///< at the start
  bool enabled = true;            ///< at the start
  bool sorted = false;            ///< drop-down lists
  bool multi_line = false;        ///< text boxes
  int interval_ms = 0;            ///< timers
};

/// What changed on a control, for views that mirror it.
enum class Change {
  kEnabled,
  kVisible,
  kRows,       ///< rows added, removed or replaced
  kSelection,  ///< the chosen row
  kText,       ///< caption or text
  kPosition,
};

/// Common state of every control: name, place, tab order, enabled and visible.
class Control {
 public:
  using Observer = std::function<void(const Control&, Change)>;

  /// `tab_index` is -1 for controls outside the tab order.
  Control(std::string name, Twips rect, int tab_index, bool visible = true, bool enabled = true);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  virtual ControlKind kind() const { return ControlKind::kPlain; }
  const Twips& rect() const { return rect_; }
  void set_rect(const Twips& rect);
  int tab_index() const { return tab_index_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled);
  bool visible() const { return visible_; }
  void set_visible(bool visible);

  /// Registers an observer called after every change.
  void Observe(Observer observer) { observers_.push_back(std::move(observer)); }

 protected:
  void Notify(Change change) const;

 private:
  std::string name_;
  Twips rect_;
  int tab_index_;
  bool visible_;
  bool enabled_;
  std::vector<Observer> observers_;
};

/// A list box: rows of text and the chosen row (-1: none). Double-click and key
/// press handlers are run by the view through Activate/KeyPress.
class ListBox : public Control {
 public:
  using Control::Control;
  static constexpr ControlKind kKind = ControlKind::kListBox;
  ControlKind kind() const override { return kKind; }

  int count() const { return static_cast<int>(rows_.size()); }
  const std::string& row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& rows() const { return rows_; }
  void AddItem(std::string text);
  void Clear();
  /// The chosen row, -1 when none.
  int list_index() const { return list_index_; }
  /// Chooses a row (-1: none); an index out of range is ignored.
  void set_list_index(int index);
  /// The chosen row's text, or empty text.
  std::string text() const;

  std::function<void()> on_double_click;
  std::function<void(int key)> on_key_press;

 private:
  std::vector<std::string> rows_;
  int list_index_ = -1;
};

/// A drop-down list: only a row can be chosen, and the text is the chosen row (empty
/// while none is chosen). A sorted list keeps its rows in ascending case-insensitive
/// order and inserts a later row at its sorted place. Choosing a row, by the user or
/// by the program, runs `on_click` before set_list_index returns.
class ComboBox : public Control {
 public:
  ComboBox(std::string name, Twips rect, int tab_index, bool sorted, bool visible = true);
  static constexpr ControlKind kKind = ControlKind::kComboBox;
  ControlKind kind() const override { return kKind; }

  bool sorted() const { return sorted_; }
  int count() const { return static_cast<int>(rows_.size()); }
  const std::string& row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& rows() const { return rows_; }
  /// Adds a row at its sorted place (at the end when unsorted) and returns its index,
  /// so that a hidden partner can take its row at the same index.
  int AddItem(std::string text);
  /// Inserts a row at `index` (0..count), whatever the sort order; returns `index`.
  int InsertItem(std::string text, int index);
  void Clear();
  int list_index() const { return list_index_; }
  /// Chooses row `index` (-1: none) and runs on_click synchronously. Clearing an
  /// already empty choice runs nothing; an index out of range is ignored.
  void set_list_index(int index);
  std::string text() const;

  std::function<void()> on_click;

 private:
  bool sorted_;
  std::vector<std::string> rows_;
  int list_index_ = -1;
};

/// A text box; `multi_line` boxes hold lines separated by CR LF.
class TextBox : public Control {
 public:
  TextBox(std::string name, Twips rect, int tab_index, bool multi_line, bool visible = true,
          bool enabled = true);
  static constexpr ControlKind kKind = ControlKind::kTextBox;
  ControlKind kind() const override { return kKind; }
  bool multi_line() const { return multi_line_; }
  const std::string& text() const { return text_; }
  void set_text(std::string text);

 private:
  bool multi_line_;
  std::string text_;
};

/// A push button with a caption and a tool tip; the view calls Click().
class Button : public Control {
 public:
  Button(std::string name, Twips rect, int tab_index, std::string caption, std::string tool_tip);
  static constexpr ControlKind kKind = ControlKind::kButton;
  ControlKind kind() const override { return kKind; }
  const std::string& caption() const { return caption_; }
  const std::string& tool_tip() const { return tool_tip_; }
  void Click() const {
    if (on_click) on_click();
  }
  std::function<void()> on_click;

 private:
  std::string caption_;
  std::string tool_tip_;
};

/// How a label is drawn.
enum class LabelLook {
  kStandard,     ///< the window's default font and colours
  kLink,         ///< pure blue, underlined, hand pointer
  kProductName,  ///< Times New Roman 18 point, centred
};

/// A static text; link labels run on_click when clicked.
class Label : public Control {
 public:
  Label(std::string name, Twips rect, int tab_index, std::string caption,
        LabelLook look = LabelLook::kStandard);
  static constexpr ControlKind kKind = ControlKind::kLabel;
  ControlKind kind() const override { return kKind; }
  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption);
  LabelLook look() const { return look_; }
  void Click() const {
    if (on_click) on_click();
  }
  std::function<void()> on_click;

 private:
  std::string caption_;
  LabelLook look_;
};

/// A timer: the view runs a real timer while it is enabled and calls Tick() each
/// `interval_ms`.
class Timer : public Control {
 public:
  Timer(std::string name, int interval_ms);
  static constexpr ControlKind kKind = ControlKind::kTimer;
  ControlKind kind() const override { return kKind; }
  int interval_ms() const { return interval_ms_; }
  void Tick() const {
    if (enabled() && on_tick) on_tick();
  }
  std::function<void()> on_tick;

 private:
  int interval_ms_;
};

/// A window: caption, outer position and size in twips, client size, enabled and
/// visible. Views report moves through set_rect so that the model knows where the
/// window stands.
class Window : public Control {
 public:
  Window(std::string name, std::string caption, int client_width, int client_height);
  static constexpr ControlKind kKind = ControlKind::kWindow;
  ControlKind kind() const override { return kKind; }
  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption);
  int client_width() const { return client_width_; }
  int client_height() const { return client_height_; }

 private:
  std::string caption_;
  int client_width_;
  int client_height_;
};

/// A control made as `description` says.
std::unique_ptr<Control> MakeControl(const ControlDescription& description);

/// Calls `f` with `control` as its own class (ListBox&, ComboBox&, TextBox&, Button&,
/// Label&, Timer&, Window&; Control& for a plain one) and returns what it returns.
template <class F>
decltype(auto) VisitControl(Control& control, F&& f) {
  switch (control.kind()) {
    case ControlKind::kWindow:
      return f(static_cast<Window&>(control));
    case ControlKind::kListBox:
      return f(static_cast<ListBox&>(control));
    case ControlKind::kComboBox:
      return f(static_cast<ComboBox&>(control));
    case ControlKind::kTextBox:
      return f(static_cast<TextBox&>(control));
    case ControlKind::kButton:
      return f(static_cast<Button&>(control));
    case ControlKind::kLabel:
      return f(static_cast<Label&>(control));
    case ControlKind::kTimer:
      return f(static_cast<Timer&>(control));
    case ControlKind::kPlain:
      break;
  }
  return f(control);
}

}  // namespace veskaro::app
