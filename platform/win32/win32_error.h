// Win32 error codes as text and as the file system's failure classes.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace veskaro::platform {

/// The system's message for `code` (GetLastError), followed by "(error N)".
std::string Win32ErrorText(unsigned long code);

/// The failure class (see FileSystem) of a file operation that failed with `code`;
/// the detail names `what` (the operation and its path) and the system's message.
/// kPathNotFound: ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE, ERROR_BAD_PATHNAME;
/// kDiskFull: ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL; kNotReady: ERROR_NOT_READY;
/// every other code, ERROR_FILE_NOT_FOUND included, is kOther.
FsStatus FsStatusFromWin32Error(unsigned long code, std::string_view what);

}  // namespace veskaro::platform
