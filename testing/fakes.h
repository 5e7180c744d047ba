// Recording fakes of the platform services for tests: each records what the
// program asked for and answers from a script the test sets up.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/shell.h"

namespace veskaro::testing {

/// Records every message box; answers Yes/No questions from a queue (No when the
/// queue is empty) and OK boxes with OK.
class RecordingMessageBoxes : public platform::MessageBoxes {
 public:
  struct Box {
    std::string text;
    std::string title;
    platform::MsgIcon icon;
    platform::MsgButtons buttons;
  };
  platform::MsgResult Show(std::string_view text, std::string_view title, platform::MsgIcon icon,
                           platform::MsgButtons buttons) override;

  std::vector<Box> boxes;
  std::deque<platform::MsgResult> answers;
  /// Called with each box as it is shown, while the program waits for its answer.
  std::function<void(const Box&)> on_show;
};

/// Answers the folder picker with `folder` (empty: cancelled) and records links.
class RecordingShell : public platform::Shell {
 public:
  std::string BrowseForFolder(std::string_view title) override;
  void OpenLink(std::string_view target) override;

  std::string folder;
  std::vector<std::string> browse_titles;
  std::vector<std::string> links;
};

/// Records program starts, activations and key strings in one call log, in order.
/// Each kind of call succeeds unless its failure count says otherwise.
class RecordingProcesses : public platform::Processes {
 public:
  bool StartProgram(std::string_view command_line, platform::WindowStyle style) override;
  bool ActivateWindow(std::string_view title) override;
  bool SendKeys(std::string_view keys) override;

  /// "start:<command line>", "activate:<title>", "keys:<key string>".
  std::vector<std::string> calls;
  std::vector<platform::WindowStyle> start_styles;
  bool start_fails = false;
  int activate_failures = 0;  ///< the next N activations fail
  int keys_failures = 0;      ///< the next N key strings fail
};

}  // namespace veskaro::testing
