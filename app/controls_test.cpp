#include "app/controls.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace veskaro::app
