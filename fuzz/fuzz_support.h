// Small helpers shared by the fuzz targets: quiet message boxes and a check
// that stops the run with a message when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_boxes.h"

namespace veskaro::fuzz {

/// Stops the run (so that libFuzzer saves the input) when `condition` is false.
inline void Check(bool condition, const char* what, std::string_view detail = {}) {
  if (condition) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail: %.*s\n", static_cast<int>(detail.size()), detail.data());
  }
  std::abort();
}

/// The fuzz input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// Takes the text up to the next line feed off the front of `*rest` (all of it when
/// there is none).
inline std::string_view TakeLine(std::string_view* rest) {
  const std::size_t lf = rest->find('\n');
  const std::string_view line = rest->substr(0, lf);
  *rest = lf == std::string_view::npos ? std::string_view() : rest->substr(lf + 1);
  return line;
}

/// Records every message box; questions are answered in turn Yes and No, starting
/// with `next_answer_yes`.
class QuietBoxes : public platform::MessageBoxes {
 public:
  struct Box {
    std::string text;
    std::string title;
  };
  platform::MsgResult Show(std::string_view text, std::string_view title, platform::MsgIcon,
                           platform::MsgButtons buttons) override {
    boxes.push_back(Box{std::string(text), std::string(title)});
    if (buttons == platform::MsgButtons::kOk) return platform::MsgResult::kOk;
    const bool yes = next_answer_yes;
    next_answer_yes = !next_answer_yes;
    return yes ? platform::MsgResult::kYes : platform::MsgResult::kNo;
  }
  std::vector<Box> boxes;
  bool next_answer_yes = false;
};

}  // namespace veskaro::fuzz
