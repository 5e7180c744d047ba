// Starting programs, activating top-level windows and typing into them.
#pragma once

#include <string_view>

#include "platform/processes.h"

namespace veskaro::platform {

/// How a top-level window's title matches the wanted title, ignoring case (code
/// page 1252): 0 equal, 1 begins with it, 2 ends with it, -1 no match (an empty
/// wanted title matches nothing).
int TitleMatchRank(std::string_view title, std::string_view wanted);

/// How long ActivateWindow keeps looking for a window that has not appeared yet.
struct ActivateRetry {
  int retries = 10;            ///< further looks after the first
  unsigned interval_ms = 100;  ///< wait before each further look
};

/// CreateProcessA, EnumWindows + SetForegroundWindow, and keybd_event.
class Win32Processes : public Processes {
 public:
  explicit Win32Processes(ActivateRetry retry = {}) : retry_(retry) {}

  /// CreateProcessA with the command line as given (the program is looked up on
  /// the system's search path) and the window style as the show state
  /// (STARTF_USESHOWWINDOW). Does not wait for the program.
  bool StartProgram(std::string_view command_line, WindowStyle style) override;

  /// Looks among the visible top-level windows for the best TitleMatchRank (the
  /// first in Z order among equals), restores it if minimised and makes it the
  /// foreground window. A program started a moment ago may not have opened its
  /// window yet (under Wine the word processor takes 300 to 400 ms): when nothing
  /// matches, the look is repeated after a short wait, as `retry` says (about one
  /// second in all by default), and only then is the failure reported. The wait
  /// dispatches no messages, so no window event of the caller runs meanwhile.
  bool ActivateWindow(std::string_view title) override;

  /// Parses `keys` (ParseKeyString) and, only when the whole string is valid,
  /// queues each stroke with keybd_event: modifiers down, the key down and up,
  /// modifiers up. Characters map to keys through VkKeyScanA (with the Shift,
  /// Ctrl and Alt it asks for); a character that no key types is entered as Alt
  /// plus its code page number on the numeric keypad.
  bool SendKeys(std::string_view keys) override;

 private:
  ActivateRetry retry_;
};

}  // namespace veskaro::platform
