#include "cli/cli_services.h"

namespace veskaro::cli {

platform::MsgResult StderrMessageBoxes::Show(std::string_view text, std::string_view title,
                                             platform::MsgIcon, platform::MsgButtons buttons) {
  std::string line = clear_line_ ? "\r\033[K" : "";
  line += "veskaro: ";
  line += title;
  line += ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i];
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
  if (buttons == platform::MsgButtons::kOk) return platform::MsgResult::kOk;
  return answer_yes_ ? platform::MsgResult::kYes : platform::MsgResult::kNo;
}

}  // namespace veskaro::cli
