#include "app/controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace veskaro::app {
namespace {

TEST(ComboBoxTest, SortedInsertionReportsIndexForHiddenPartner) {
  ComboBox shown("Combo1", {}, 0, true);
  ComboBox hidden("Combo3", {}, 5, true, false);
  // Hidden rows sort differently from their visible rows ("b" + "|||z" vs "B" + "|||a"),
  // so only the reported index keeps the two lists parallel.
  for (const auto& [desc, key] : std::vector<std::pair<std::string, std::string>>{
           {"ports", "z"}, {"Display", "y"}, {"b", "x"}, {"B", "w"}, {"\xC9tat", "v"}, {"a", "u"}}) {
    const int at = shown.AddItem(desc);
    hidden.InsertItem(desc + "|||" + key, at);
  }
  EXPECT_EQ(shown.rows(), (std::vector<std::string>{"a", "b", "B", "Display", "ports", "\xC9tat"}));
  ASSERT_EQ(hidden.count(), shown.count());
  for (int i = 0; i < shown.count(); ++i) {
    EXPECT_EQ(hidden.row(i).substr(0, hidden.row(i).find("|||")), shown.row(i));
  }
}

TEST(ComboBoxTest, ChoosingRunsClickBeforeReturningAndTextFollowsChoice) {
  ComboBox combo("Combo2", {}, 1, false);
  combo.AddItem("one");
  combo.AddItem("two");
  std::vector<std::string> seen;
  combo.on_click = [&] { seen.push_back(combo.text()); };
  EXPECT_EQ(combo.text(), "");
  combo.set_list_index(1);
  ASSERT_EQ(seen, (std::vector<std::string>{"two"}));
  combo.set_list_index(-1);
  EXPECT_EQ(combo.text(), "");
  EXPECT_EQ(seen.size(), 2u);
  combo.set_list_index(-1);  // no choice to clear: no click
  combo.set_list_index(7);   // out of range: ignored
  EXPECT_EQ(seen.size(), 2u);
  // Inserting above the chosen row keeps the same row chosen.
  combo.set_list_index(0);
  combo.InsertItem("zero", 0);
  EXPECT_EQ(combo.text(), "one");
  combo.Clear();
  EXPECT_EQ(combo.list_index(), -1);
}

TEST(ControlTest, ObserversSeeOnlyRealChanges) {
  ListBox list("List1", {120, 1560, 4935, 1035}, 9);
  std::vector<Change> changes;
  list.Observe([&](const Control&, Change c) { changes.push_back(c); });
  list.set_enabled(true);  // already enabled
  list.set_visible(false);
  list.AddItem("x");
  list.set_list_index(0);
  list.Clear();
  EXPECT_EQ(changes, (std::vector<Change>{Change::kVisible, Change::kRows, Change::kSelection,
                                          Change::kRows}));
  EXPECT_EQ(list.text(), "");
}

// Every field of a description reaches the control made from it, and the control
// is reached as its own class.
TEST(MakeControlTest, DescriptionBecomesTheControl) {
  const ControlDescription descriptions[] = {
      {.name = "B",
       .kind = ControlKind::kButton,
       .rect = {1, 2, 3, 4},
       .tab_index = 7,
       .caption = "Go",
       .tip = "Go on",
       .visible = false},
      {.name = "C",
       .kind = ControlKind::kComboBox,
       .tab_index = 1,
       .enabled = false,
       .sorted = true},
      {.name = "T", .kind = ControlKind::kTextBox, .multi_line = true},
      {.name = "L", .kind = ControlKind::kLabel, .caption = "Caption"},
      {.name = "W",
       .kind = ControlKind::kTimer,
       .visible = false,
       .enabled = true,
       .interval_ms = 50},
      {.name = "X", .kind = ControlKind::kListBox},
  };
  std::vector<std::string> seen;
  for (const ControlDescription& d : descriptions) {
    const std::unique_ptr<Control> control = MakeControl(d);
    EXPECT_EQ(control->name(), d.name);
    EXPECT_EQ(control->kind(), d.kind);
    EXPECT_EQ(control->tab_index(), d.kind == ControlKind::kTimer ? -1 : d.tab_index);
    EXPECT_EQ(control->rect().top + control->rect().height, d.rect.top + d.rect.height);
    EXPECT_EQ(control->visible(), d.visible) << d.name;
    EXPECT_EQ(control->enabled(), d.enabled) << d.name;
    seen.push_back(VisitControl(*control, [](auto& c) -> std::string {
      using Model = std::remove_cvref_t<decltype(c)>;
      if constexpr (std::is_same_v<Model, Button>) return c.caption() + "/" + c.tool_tip();
      if constexpr (std::is_same_v<Model, ComboBox>) return c.sorted() ? "sorted" : "unsorted";
      if constexpr (std::is_same_v<Model, TextBox>) return c.multi_line() ? "multi" : "single";
      if constexpr (std::is_same_v<Model, Label>) return c.caption();
      if constexpr (std::is_same_v<Model, Timer>) return std::to_string(c.interval_ms());
      if constexpr (std::is_same_v<Model, ListBox>) return "list";
      return "plain";
    }));
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"Go/Go on", "sorted", "multi", "Caption", "50", "list"}));
}

}  // namespace
}  // namespace veskaro::app
