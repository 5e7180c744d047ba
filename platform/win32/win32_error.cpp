#include "platform/win32/win32_error.h"

#include <windows.h>

#include <string>

namespace veskaro::platform {

std::string Win32ErrorText(unsigned long code) {
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (!text.empty()) text += ' ';
  return text + "(error " + std::to_string(code) + ")";
}

FsStatus FsStatusFromWin32Error(unsigned long code, std::string_view what) {
  FsError error = FsError::kOther;
  switch (code) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
      error = FsError::kPathNotFound;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      error = FsError::kDiskFull;
      break;
    case ERROR_NOT_READY:
      error = FsError::kNotReady;
      break;
    default:
      break;
  }
  return FsStatus{error, std::string(what) + ": " + Win32ErrorText(code)};
}

}  // namespace veskaro::platform
