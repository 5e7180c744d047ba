// Message boxes of the Windows user interface.
#pragma once

#include <string_view>

#include "platform/message_boxes.h"

struct HWND__;

namespace veskaro::platform {

/// MessageBoxA, modal to the owner window (none until one is set).
class Win32MessageBoxes : public MessageBoxes {
 public:
  void set_owner(HWND__* owner) { owner_ = owner; }
  MsgResult Show(std::string_view text, std::string_view title, MsgIcon icon,
                 MsgButtons buttons) override;

 private:
  HWND__* owner_ = nullptr;
};

}  // namespace veskaro::platform
