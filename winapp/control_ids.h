// Child window identifiers of the native windows' controls. The windows give each
// control the identifier listed here; tools that drive the program from outside
// (the end-to-end test) find the controls by them.
#pragma once

#include <string_view>

namespace veskaro::winapp {

/// A control's name in its window model and its child window identifier.
struct ControlId {
  std::string_view name;
  int id;
};

/// The main window's controls (Timer1 has no window).
inline constexpr ControlId kForm1Ids[] = {
    {"List5", 101},  {"Text1", 102},  {"List4", 103},  {"List3", 104},      {"Command1", 105},
    {"List1", 106},  {"About", 107},  {"CopyTo", 108}, {"ExitButton", 109}, {"Combo2", 110},
    {"Combo1", 111}, {"Combo3", 112}, {"Combo4", 113}, {"List2", 114},      {"Label4", 115},
    {"Label3", 116}, {"Label2", 117}, {"Label1", 118},
};

/// The About window's controls.
inline constexpr ControlId kForm2Ids[] = {
    {"Command1", 201}, {"Label5", 202}, {"Label4", 203}, {"Line1", 204},
    {"Image1", 205},   {"Label2", 206}, {"Label1", 207}, {"Label3", 208},
};

/// The identifier of control `name` in `table`, or 0 when it has none.
template <std::size_t N>
constexpr int IdOf(const ControlId (&table)[N], std::string_view name) {
  for (const ControlId& entry : table) {
    if (entry.name == name) return entry.id;
  }
  return 0;
}

/// Window class names of the two windows.
inline constexpr const char* kForm1Class = "VeskaroForm1";
inline constexpr const char* kForm2Class = "VeskaroForm2";

}  // namespace veskaro::winapp
