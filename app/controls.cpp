#include "app/controls.h"

#include <algorithm>

#include "inf/text.h"

namespace veskaro::app {

Control::Control(std::string name, Twips rect, int tab_index, bool visible, bool enabled)
    : name_(std::move(name)),
      rect_(rect),
      tab_index_(tab_index),
      visible_(visible),
      enabled_(enabled) {}

void Control::set_rect(const Twips& rect) {
  rect_ = rect;
  Notify(Change::kPosition);
}

void Control::set_enabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(Change::kEnabled);
}

void Control::set_visible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(Change::kVisible);
}

void Control::Notify(Change change) const {
  for (const auto& observer : observers_) observer(*this, change);
}

void ListBox::AddItem(std::string text) {
  rows_.push_back(std::move(text));
  Notify(Change::kRows);
}

void ListBox::Clear() {
  rows_.clear();
  list_index_ = -1;
  Notify(Change::kRows);
}

void ListBox::set_list_index(int index) {
  if (index < -1 || index >= count() || index == list_index_) return;
  list_index_ = index;
  Notify(Change::kSelection);
}

std::string ListBox::text() const { return list_index_ < 0 ? std::string() : row(list_index_); }

ComboBox::ComboBox(std::string name, Twips rect, int tab_index, bool sorted, bool visible)
    : Control(std::move(name), rect, tab_index, visible), sorted_(sorted) {}

int ComboBox::AddItem(std::string text) {
  auto at = rows_.end();
  if (sorted_) {
    at = std::upper_bound(rows_.begin(), rows_.end(), text,
                          [](const std::string& a, const std::string& b) {
                            return inf::CompareIgnoreCase(a, b) < 0;
                          });
  }
  const int index = static_cast<int>(at - rows_.begin());
  return InsertItem(std::move(text), index);
}

int ComboBox::InsertItem(std::string text, int index) {
  index = std::clamp(index, 0, count());
  rows_.insert(rows_.begin() + index, std::move(text));
  if (list_index_ >= index) ++list_index_;  // the chosen row stays the same row
  Notify(Change::kRows);
  return index;
}

void ComboBox::Clear() {
  rows_.clear();
  list_index_ = -1;
  Notify(Change::kRows);
}

void ComboBox::set_list_index(int index) {
  if (index < -1 || index >= count()) return;
  if (index == -1 && list_index_ == -1) return;
  list_index_ = index;
  Notify(Change::kSelection);
  if (on_click) on_click();
}

std::string ComboBox::text() const { return list_index_ < 0 ? std::string() : row(list_index_); }

TextBox::TextBox(std::string name, Twips rect, int tab_index, bool multi_line, bool visible,
                 bool enabled)
    : Control(std::move(name), rect, tab_index, visible, enabled), multi_line_(multi_line) {}

void TextBox::set_text(std::string text) {
  text_ = std::move(text);
  Notify(Change::kText);
}

Button::Button(std::string name, Twips rect, int tab_index, std::string caption,
               std::string tool_tip)
    : Control(std::move(name), rect, tab_index),
      caption_(std::move(caption)),
      tool_tip_(std::move(tool_tip)) {}

Label::Label(std::string name, Twips rect, int tab_index, std::string caption, LabelLook look)
    : Control(std::move(name), rect, tab_index), caption_(std::move(caption)), look_(look) {}

void Label::set_caption(std::string caption) {
  caption_ = std::move(caption);
  Notify(Change::kText);
}

Timer::Timer(std::string name, int interval_ms)
    : Control(std::move(name), Twips{}, -1, false, false), interval_ms_(interval_ms) {}

Window::Window(std::string name, std::string caption, int client_width, int client_height)
    : Control(std::move(name), Twips{0, 0, client_width, client_height}, -1, false),
      caption_(std::move(caption)),
      client_width_(client_width),
      client_height_(client_height) {}

void Window::set_caption(std::string caption) {
  caption_ = std::move(caption);
  Notify(Change::kText);
}

std::unique_ptr<Control> MakeControl(const ControlDescription& d) {
  std::string name(d.name);
  std::unique_ptr<Control> control;
  switch (d.kind) {
    case ControlKind::kListBox:
      control = std::make_unique<ListBox>(std::move(name), d.rect, d.tab_index);
      break;
    case ControlKind::kComboBox:
      control = std::make_unique<ComboBox>(std::move(name), d.rect, d.tab_index, d.sorted);
      break;
    case ControlKind::kTextBox:
      control = std::make_unique<TextBox>(std::move(name), d.rect, d.tab_index, d.multi_line);
      break;
    case ControlKind::kButton:
      control = std::make_unique<Button>(std::move(name), d.rect, d.tab_index,
                                         std::string(d.caption), std::string(d.tip));
      break;
    case ControlKind::kLabel:
      control =
          std::make_unique<Label>(std::move(name), d.rect, d.tab_index, std::string(d.caption));
      break;
    case ControlKind::kTimer:
      control = std::make_unique<Timer>(std::move(name), d.interval_ms);
      break;
    case ControlKind::kWindow:
      control = std::make_unique<Window>(std::move(name), std::string(d.caption), d.rect.width,
                                         d.rect.height);
      break;
    case ControlKind::kPlain:
      control = std::make_unique<Control>(std::move(name), d.rect, d.tab_index);
      break;
  }
  // Nothing observes the control yet: setting its first state tells no one.
  control->set_visible(d.visible);
  control->set_enabled(d.enabled);
  return control;
}

}  // namespace veskaro::app
