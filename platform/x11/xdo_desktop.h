// The X11 display as the INF viewer needs it: finding a top-level window by its
// title, giving it the focus, and typing keystrokes into the focused window.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/key_string.h"

namespace veskaro::platform {

/// One connection to an X display, driving it through libxdo and Xlib. X errors
/// (a window that vanished meanwhile, ...) are caught and make the call fail
/// instead of ending the program. Not thread-safe; use it from one thread.
class XdoDesktop {
 public:
  /// Connects to `display` (empty: the DISPLAY environment variable). Null when no
  /// X display can be opened (no X server, a Wayland session without XWayland).
  /// `key_delay_ms` is the time from one key press to the next, split between the
  /// press and the release.
  static std::unique_ptr<XdoDesktop> Open(const std::string& display, int key_delay_ms = 50);
  ~XdoDesktop();
  XdoDesktop(const XdoDesktop&) = delete;
  XdoDesktop& operator=(const XdoDesktop&) = delete;

  /// Titles (UTF-8) of the viewable top-level windows, bottom of the stacking order
  /// first.
  std::vector<std::string> WindowTitles();

  /// Brings the top-level window named by `title` (code page 1252; matched by
  /// ChooseWindowByTitle) to the front and gives it the focus: through the window
  /// manager when one supports it, else directly. Waits up to `focus_wait_ms` for
  /// the focus to arrive.
  /// @return false when no window matches, an X error occurs, or the window has
  ///         not received the focus in time.
  bool ActivateWindow(std::string_view title, int focus_wait_ms = 300);

  /// Types `strokes` into whichever window has the focus, in order, through the
  /// XTEST extension. Characters are code page 1252. Keys the keyboard layout lacks
  /// are bound to spare keys for the time of the call, and unbound only once the
  /// focused program has answered a ping sent after the keys (within 5 s), so that
  /// it reads them while they are bound; a program that takes no pings gets 250 ms.
  /// @return false when a key cannot be sent (no keysym of that name, no spare key)
  ///         or an X error occurs.
  bool SendKeys(const std::vector<KeyStroke>& strokes);

 private:
  struct Impl;
  explicit XdoDesktop(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace veskaro::platform
