// Starting programs, activating their windows and typing into them.
#pragma once

#include <string_view>

namespace veskaro::platform {

enum class WindowStyle { kNormalFocus, kMaximizedFocus, kMinimizedFocus, kHidden };

class Processes {
 public:
  virtual ~Processes() = default;
  /// Starts a program from a command line; returns at once. False when it cannot
  /// be started.
  virtual bool StartProgram(std::string_view command_line, WindowStyle style) = 0;
  /// Brings the top-level window whose title matches `title` to the foreground,
  /// without waiting. False when no window matches.
  virtual bool ActivateWindow(std::string_view title) = 0;
  /// Queues keystrokes, written in the standard key-string notation, to the
  /// foreground window without waiting. False when they cannot be sent.
  virtual bool SendKeys(std::string_view keys) = 0;
};

/// No program can be started (there is no word processor to start from a terminal
/// or a test), so no window can be activated or typed into.
class NoProcesses : public Processes {
 public:
  bool StartProgram(std::string_view, WindowStyle) override { return false; }
  bool ActivateWindow(std::string_view) override { return false; }
  bool SendKeys(std::string_view) override { return false; }
};

}  // namespace veskaro::platform
