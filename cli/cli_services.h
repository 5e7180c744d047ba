// Message boxes of the command-line front-end: written to standard error and
// answered from the command line. (Its folder picker is platform::FixedFolderShell,
// answered by a folder given on the command line, and it starts no word processor:
// platform::NoProcesses.)
#pragma once

#include <cstdio>
#include <string>

#include "platform/message_boxes.h"

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

}  // namespace veskaro::cli
