// The desktop program's windows over its life: the start window, and the main
// window over the installation opened from it.
#pragma once

#include <QSettings>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "platform/message_boxes.h"
#include "platform/offline/installation.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "qt/form1_view.h"
#include "qt/installation_choice.h"
#include "qt/start_window.h"

namespace veskaro::qt {

/// Opens installations and shows them in the main window, one at a time. An
/// installation that cannot be opened brings back the start window, with the
/// message saying why. A folder or disk image dropped onto the main window opens
/// in its place; Ctrl+O there closes it and brings back the start window. The main
/// window itself is the model's, as designed: closing it ends the program.
class DesktopProgram {
 public:
  /// The services the main window's model uses besides the installation's own;
  /// they live longer than the program.
  struct Services {
    platform::MessageBoxes& boxes;
    platform::Shell& shell;
    platform::Processes& processes;
  };

  /// `settings` holds the start window's recent list and pickers; `sample` is the
  /// bundled sample's folder (empty: none).
  DesktopProgram(QSettings& settings, Services services, QString sample);
  ~DesktopProgram();
  DesktopProgram(const DesktopProgram&) = delete;
  DesktopProgram& operator=(const DesktopProgram&) = delete;

  /// Opens the installation `options` describe and shows the main window over it,
  /// in place of the one shown. `remember`, when given, goes first in the recent
  /// list once the installation is open.
  /// @return false when it cannot be opened: the start window then shows, with the
  ///         message.
  bool Open(const platform::InstallationOptions& options, const InstallationChoice* remember);
  bool Open(const InstallationChoice& choice) { return Open(OptionsFor(choice), &choice); }
  /// Closes the main window, if one is open, and shows the start window.
  void ShowStart();

  StartWindow& start_window() { return *start_; }
  /// The main window and its model while one is open, else null.
  Form1View* main_view() const;
  app::Form1* form() const;
  /// The host file of a Windows path of the installation shown (a private copy of a
  /// file on a disk image), or empty text.
  std::string HostPath(std::string_view windows_path) const;

  /// Called with every main window as it opens (to parent message boxes to it).
  std::function<void(QWidget* main_window)> on_main_window;
  /// Shows why an installation cannot be opened: a message box over the start
  /// window unless replaced.
  std::function<void(const QString& message)> show_error;

 private:
  struct MainWindow;

  /// Runs `action` once the event being handled is done with: it may close the
  /// window the event came to.
  void Later(std::function<void()> action);
  void CloseMain();

  Services services_;
  std::unique_ptr<StartWindow> start_;
  std::unique_ptr<MainWindow> main_;
};

}  // namespace veskaro::qt
