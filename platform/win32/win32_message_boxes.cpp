#include "platform/win32/win32_message_boxes.h"

#include <windows.h>

#include <string>

namespace veskaro::platform {

MsgResult Win32MessageBoxes::Show(std::string_view text, std::string_view title, MsgIcon icon,
                                  MsgButtons buttons) {
  UINT style = buttons == MsgButtons::kYesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case MsgIcon::kNone:
      break;
    case MsgIcon::kInformation:
      style |= MB_ICONINFORMATION;
      break;
    case MsgIcon::kExclamation:
      style |= MB_ICONEXCLAMATION;
      break;
    case MsgIcon::kCritical:
      style |= MB_ICONSTOP;
      break;
    case MsgIcon::kQuestion:
      style |= MB_ICONQUESTION;
      break;
  }
  std::string body(text);
  std::string caption(title);
  switch (MessageBoxA(owner_, body.c_str(), caption.c_str(), style)) {
    case IDYES:
      return MsgResult::kYes;
    case IDNO:
      return MsgResult::kNo;
    default:
      return MsgResult::kOk;
  }
}

}  // namespace veskaro::platform
