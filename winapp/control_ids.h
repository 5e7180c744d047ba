// Child window identifiers of the native windows' controls. The windows give each
// control the identifier listed here; tools that drive the program from outside
// (the end-to-end test) find the controls by them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "app/form1_controls.h"

namespace veskaro::winapp {

/// A control's name in its window model and its child window identifier.
struct ControlId {
  std::string_view name;
  int id;
};

/// The number of the main window's controls that have a window (a timer has none).
constexpr std::size_t Form1WindowedCount() {
  std::size_t count = 0;
  for (const app::ControlDescription& d : app::kForm1Controls) {
    if (d.kind != app::ControlKind::kTimer) ++count;
  }
  return count;
}

/// The main window's controls that have a window, numbered from 101 in the order of
/// the window's control list (List5 is 101, Label1 118).
inline constexpr std::array<ControlId, Form1WindowedCount()> kForm1Ids = [] {
  std::array<ControlId, Form1WindowedCount()> ids{};
  std::size_t next = 0;
  for (const app::ControlDescription& d : app::kForm1Controls) {
    if (d.kind == app::ControlKind::kTimer) continue;
    ids[next] = ControlId{d.name, static_cast<int>(101 + next)};
    ++next;
  }
  return ids;
}();

/// The About window's controls.
inline constexpr ControlId kForm2Ids[] = {
    {"Command1", 201}, {"Label5", 202}, {"Label4", 203}, {"Line1", 204},
    {"Image1", 205},   {"Label2", 206}, {"Label1", 207}, {"Label3", 208},
};

/// The identifier of control `name` in `table`, or 0 when it has none.
template <class Table>
constexpr int IdOf(const Table& table, std::string_view name) {
  for (const ControlId& entry : table) {
    if (entry.name == name) return entry.id;
  }
  return 0;
}

/// Window class names of the two windows.
inline constexpr const char* kForm1Class = "VeskaroForm1";
inline constexpr const char* kForm2Class = "VeskaroForm2";

}  // namespace veskaro::winapp
