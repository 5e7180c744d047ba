// The main window's controls as the window was designed: the one list the model
// makes its controls from and the views make their widgets from.
#pragma once

#include <cstddef>
#include <string_view>

#include "app/controls.h"

namespace veskaro::app {

/// Form1's controls in the order of the window's control list: an earlier control
/// lies above a later one (List5, shown by the batch, covers Combo2, Label3 and
/// List1). Positions are in twips; tab index -1 is outside the tab order.
inline constexpr ControlDescription kForm1Controls[] = {
    // The entries "Gather Necessity" collected; shown over Combo2 once it ran.
    {.name = "List5",
     .kind = ControlKind::kListBox,
     .rect = {120, 960, 4935, 1620},
     .tab_index = 17,
     .visible = false},
    // Comments: the verdict and the file count, read-only.
    {.name = "Text1",
     .kind = ControlKind::kTextBox,
     .rect = {120, 2880, 4935, 870},
     .tab_index = 16,
     .enabled = false,
     .multi_line = true},
    // The batch's store of the gathered List2 rows.
    {.name = "List4",
     .kind = ControlKind::kListBox,
     .rect = {2400, 4440, 2175, 255},
     .tab_index = 15,
     .visible = false},
    // The batch's store of the gathered List1 rows.
    {.name = "List3",
     .kind = ControlKind::kListBox,
     .rect = {120, 4440, 2175, 255},
     .tab_index = 14,
     .visible = false},
    // "Gather Necessity": analyses every entry and keeps those not shipped with Windows.
    {.name = "Command1",
     .kind = ControlKind::kButton,
     .rect = {120, 3840, 1575, 375},
     .tab_index = 13,
     .caption = "Gather Necessity",
     .tip = "Gather Drivers For Devices Not Installed With Windows"},
    // The driver's files as Windows paths; double-click, Enter or Space opens an INF.
    {.name = "List1",
     .kind = ControlKind::kListBox,
     .rect = {120, 1560, 4935, 1035},
     .tab_index = 9},
    // Types the install section's name into the word processor the viewer started.
    {.name = "Timer1",
     .kind = ControlKind::kTimer,
     .visible = false,
     .enabled = false,
     .interval_ms = 200},
    // Opens the About window.
    {.name = "About",
     .kind = ControlKind::kButton,
     .rect = {2160, 3840, 855, 375},
     .tab_index = 2,
     .caption = "About",
     .tip = "About Veskaro"},
    // "Copy": copies the listed files into a chosen folder, one subfolder per driver.
    {.name = "CopyTo",
     .kind = ControlKind::kButton,
     .rect = {3120, 3840, 975, 375},
     .tab_index = 3,
     .caption = "Copy",
     .tip = "Copy Driver Files To..."},
    // Ends the program.
    {.name = "ExitButton",
     .kind = ControlKind::kButton,
     .rect = {4200, 3840, 855, 375},
     .tab_index = 4,
     .caption = "Exit",
     .tip = "Exit The Software"},
    // The entries of the chosen class; choosing one analyses it.
    {.name = "Combo2",
     .kind = ControlKind::kComboBox,
     .rect = {120, 960, 4935, 315},
     .tab_index = 1,
     .sorted = true},
    // The driver classes; choosing one lists its entries.
    {.name = "Combo1",
     .kind = ControlKind::kComboBox,
     .rect = {120, 360, 4935, 315},
     .tab_index = 0,
     .sorted = true},
    // Hidden partner of Combo1: description "|||" class key, row for row.
    {.name = "Combo3",
     .kind = ControlKind::kComboBox,
     .rect = {120, 360, 4455, 315},
     .tab_index = 5,
     .visible = false,
     .sorted = true},
    // Hidden partner of Combo2: DriverDesc "|||" class key "\" entry key, row for row.
    {.name = "Combo4",
     .kind = ControlKind::kComboBox,
     .rect = {120, 960, 4455, 315},
     .tab_index = 8,
     .visible = false,
     .sorted = true},
    // Hidden partner of List1: path "||" entry text, and "||" vendor-disk name if any.
    {.name = "List2",
     .kind = ControlKind::kListBox,
     .rect = {120, 1560, 4455, 1035},
     .tab_index = 11,
     .visible = false},
    // Caption of Text1.
    {.name = "Label4",
     .kind = ControlKind::kLabel,
     .rect = {120, 2640, 855, 255},
     .tab_index = 12,
     .caption = "Comments"},
    // Caption of List1.
    {.name = "Label3",
     .kind = ControlKind::kLabel,
     .rect = {120, 1320, 855, 255},
     .tab_index = 10,
     .caption = "Driver Files"},
    // Caption of Combo2.
    {.name = "Label2",
     .kind = ControlKind::kLabel,
     .rect = {120, 720, 975, 255},
     .tab_index = 7,
     .caption = "Driver Entries"},
    // Caption of Combo1.
    {.name = "Label1",
     .kind = ControlKind::kLabel,
     .rect = {120, 120, 975, 255},
     .tab_index = 6,
     .caption = "Driver Types"},
};

/// The position of control `name` in kForm1Controls; fails to compile when there is
/// no such control.
consteval std::size_t Form1ControlIndex(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kForm1Controls); ++i) {
    if (kForm1Controls[i].name == name) return i;
  }
  throw "no control of that name in kForm1Controls";
}

}  // namespace veskaro::app
