// Platform services of the command-line front-end: message boxes written to
// standard error and answered from the command line, a folder picker answered by a
// folder given on the command line, and no word processor.
#pragma once

#include <cstdio>
#include <string>

#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/shell.h"

namespace veskaro::cli {

/// Writes each box as "veskaro: <title>: <text>" (CR LF written as LF) to `out` and
/// answers questions with `answer_yes`.
class StderrMessageBoxes : public platform::MessageBoxes {
 public:
  StderrMessageBoxes(std::FILE* out, bool answer_yes) : out_(out), answer_yes_(answer_yes) {}
  /// Whether a progress line may stand on the terminal; it is cleared first.
  void set_clear_line(bool clear) { clear_line_ = clear; }
  platform::MsgResult Show(std::string_view text, std::string_view title, platform::MsgIcon icon,
                           platform::MsgButtons buttons) override;

 private:
  std::FILE* out_;
  bool answer_yes_;
  bool clear_line_ = false;
};

/// The folder picker returns `folder` (a Windows path); links are ignored.
class FixedFolderShell : public platform::Shell {
 public:
  std::string BrowseForFolder(std::string_view) override { return folder; }
  void OpenLink(std::string_view) override {}
  std::string folder;
};

/// There is no word processor to start from a terminal.
class NoProcesses : public platform::Processes {
 public:
  bool StartProgram(std::string_view, platform::WindowStyle) override { return false; }
  bool ActivateWindow(std::string_view) override { return false; }
  bool SendKeys(std::string_view) override { return false; }
};

}  // namespace veskaro::cli
