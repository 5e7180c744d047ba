// Windows paths on a POSIX host: which host folder each drive letter stands for,
// the way Wine maps drives. The one place of that convention: drive C: is the
// offline installation's root, and drive Z: is the host's "/", so that any host
// folder (a copy's target, a file the user names) is an ordinary Windows path.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace veskaro::platform {

/// The drive that stands for the host's "/".
inline constexpr char kHostRootDrive = 'Z';

/// The drives of a HostFileSystem: Z: is the host's "/", and C: is `c_root` when
/// that is not empty.
std::map<char, std::string> HostDrives(const std::string& c_root = {});

/// "Z:\..." for an absolute host path ("/" gives "Z:\"), the form under which the
/// host's "/" on drive Z: reaches it, each name in code page `code_page`
/// (HostNameToCodePage). Empty text for a relative path or one holding a
/// backslash, which no Windows path can express.
std::string HostToWindowsPath(const std::string& host_abs_path, int code_page = kDefaultCodePage);

/// The Windows path of the existing host file or folder `host_path` (relative to
/// the working folder or absolute): its real path, links resolved, on drive Z:.
/// Nothing, with errno set, when it does not exist; empty text when no Windows path
/// can express it.
std::optional<std::string> HostPathToWindowsPath(const std::string& host_path,
                                                 int code_page = kDefaultCodePage);

}  // namespace veskaro::platform
