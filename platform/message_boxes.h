// Modal message boxes.
#pragma once

#include <string_view>

namespace veskaro::platform {

enum class MsgIcon { kNone, kInformation, kExclamation, kCritical, kQuestion };
enum class MsgButtons { kOk, kYesNo };
enum class MsgResult { kOk, kYes, kNo };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  /// Shows `text` (lines separated by CR LF) under `title`, waits until the user
  /// answers, and returns the button pressed.
  virtual MsgResult Show(std::string_view text, std::string_view title, MsgIcon icon,
                         MsgButtons buttons) = 0;
};

}  // namespace veskaro::platform
