// Starting programs, activating windows and typing keys on a Linux desktop with an
// X11 display: Windows programs run under Wine, windows and keys go through X11.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/processes.h"
#include "platform/x11/xdo_desktop.h"

namespace veskaro::platform {

/// What X11Processes needs of the host besides the X display. Tests replace it.
class HostLauncher {
 public:
  virtual ~HostLauncher() = default;
  /// The full path of an executable found on PATH, or empty text.
  virtual QString FindExecutable(const QString& name) = 0;
  /// Starts a program without waiting for it and without keeping a handle to it.
  virtual bool StartDetached(const QString& program, const QStringList& arguments) = 0;
  /// Opens a host file with the desktop's default program for its type.
  virtual bool OpenWithDefaultViewer(const QString& host_path) = 0;
  /// Whether Wine's prefix (the folder it keeps its Windows in) has been set up.
  /// When it has not, Wine creates it before it runs the first program, which takes
  /// 15 to 20 seconds.
  virtual bool WinePrefixReady() = 0;
};

/// The host through QProcess, QStandardPaths and QDesktopServices.
class QtHostLauncher : public HostLauncher {
 public:
  QString FindExecutable(const QString& name) override;
  bool StartDetached(const QString& program, const QStringList& arguments) override;
  bool OpenWithDefaultViewer(const QString& host_path) override;
  /// $WINEPREFIX, else ~/.wine, holds its registry (system.reg) and the mark of
  /// its last set-up (.update-timestamp).
  bool WinePrefixReady() override;
};

/// Processes on a Linux desktop.
///
/// StartProgram takes a command line "<program>.exe <argument>": everything after
/// the first blank is one argument, a Windows path of the installation being read
/// ("write.exe C:\WINDOWS\INF\X.INF"). The path is mapped to the host file and
/// handed to Wine as "Z:\<host path>" (Wine's drive Z: is the host's "/"); Wine's
/// "start" runs the program maximized, minimized or normal as the style asks.
/// Without Wine, or when Wine cannot be started, the file is opened with the
/// desktop's default viewer instead so that the user still sees it, and the call
/// reports failure, since the program asked for did not start.
///
/// ActivateWindow and SendKeys use the X display (XdoDesktop), opened at first use;
/// they fail when there is none. A program run under Wine takes a second or so to
/// open its window, far longer than a Windows program did, and keys that reach a
/// window in its first moments are lost. So for a while after a start
/// (`window_grace`), ActivateWindow waits up to `window_wait` for a matching window
/// that has been on screen for `window_settle` before it activates it or reports
/// failure. At other times it does not wait. When Wine had no prefix yet at the
/// start, it first creates one, and the program's window comes far later: the
/// first ActivateWindow after such a start waits for a matching window until
/// `first_use_wait` after the start, and the time of grace counts from the moment
/// the window was first seen.
class X11Processes : public Processes {
 public:
  /// The host path of a Windows path, or empty text when it names no file.
  using HostPathOf = std::function<std::string(std::string_view windows_path)>;

  /// `launcher` defaults to QtHostLauncher; `display` empty means $DISPLAY.
  explicit X11Processes(HostPathOf host_path_of, std::unique_ptr<HostLauncher> launcher = nullptr,
                        std::string display = {}, int key_delay_ms = 50);

  /// How long after a start ActivateWindow waits for a window, how long at most
  /// each call waits, and how long a new window must have been seen.
  void set_window_wait(std::chrono::milliseconds window_grace,
                       std::chrono::milliseconds window_wait,
                       std::chrono::milliseconds window_settle) {
    window_grace_ = window_grace;
    window_wait_ = window_wait;
    window_settle_ = window_settle;
  }
  /// How long after a start that found no Wine prefix ActivateWindow waits at most.
  void set_first_use_wait(std::chrono::milliseconds first_use_wait) {
    first_use_wait_ = first_use_wait;
  }
  ~X11Processes() override;

  bool StartProgram(std::string_view command_line, WindowStyle style) override;
  bool ActivateWindow(std::string_view title) override;
  bool SendKeys(std::string_view keys) override;

 private:
  XdoDesktop* Desktop();

  HostPathOf host_path_of_;
  std::unique_ptr<HostLauncher> launcher_;
  std::string display_;
  int key_delay_ms_;
  bool desktop_tried_ = false;
  std::unique_ptr<XdoDesktop> desktop_;
  std::chrono::milliseconds window_grace_{10000};
  std::chrono::milliseconds window_wait_{500};
  std::chrono::milliseconds window_settle_{500};
  std::chrono::milliseconds first_use_wait_{45000};
  bool prefix_pending_ = false;  // the last start found no Wine prefix, no window seen yet
  std::optional<std::chrono::steady_clock::time_point> last_start_;
  std::optional<std::chrono::steady_clock::time_point> first_seen_;  // since the last start
};

}  // namespace veskaro::platform
