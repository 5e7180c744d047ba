#include "testing/fakes.h"

namespace veskaro::testing {

platform::MsgResult RecordingMessageBoxes::Show(std::string_view text, std::string_view title,
                                                platform::MsgIcon icon,
                                                platform::MsgButtons buttons) {
  boxes.push_back(Box{std::string(text), std::string(title), icon, buttons});
  if (on_show) on_show(boxes.back());
  if (buttons == platform::MsgButtons::kOk) return platform::MsgResult::kOk;
  if (answers.empty()) return platform::MsgResult::kNo;
  const platform::MsgResult answer = answers.front();
  answers.pop_front();
  return answer;
}

std::string RecordingShell::BrowseForFolder(std::string_view title) {
  browse_titles.emplace_back(title);
  return folder;
}

void RecordingShell::OpenLink(std::string_view target) { links.emplace_back(target); }

bool RecordingProcesses::StartProgram(std::string_view command_line, platform::WindowStyle style) {
  calls.push_back("start:" + std::string(command_line));
  start_styles.push_back(style);
  return !start_fails;
}

bool RecordingProcesses::ActivateWindow(std::string_view title) {
  calls.push_back("activate:" + std::string(title));
  if (activate_failures > 0) {
    --activate_failures;
    return false;
  }
  return true;
}

bool RecordingProcesses::SendKeys(std::string_view keys) {
  calls.push_back("keys:" + std::string(keys));
  if (keys_failures > 0) {
    --keys_failures;
    return false;
  }
  return true;
}

}  // namespace veskaro::testing
