// Opening host files of an installation without ever leaving its folder: symbolic
// links are followed only as long as they stay inside it.
#pragma once

#include <string>

namespace veskaro::platform {

/// Opens `relative`, a host path below host folder `root` (no leading "/"; empty
/// text for `root` itself), with open(2) flags `flags` (O_CLOEXEC is added), following
/// symbolic links only while they stay inside `root`: by the kernel's own
/// confinement (openat2 with RESOLVE_BENEATH, Linux 5.6 and later), and where the
/// kernel has none, or for an absolute link, which it never follows, by
/// OpenBeneathByRealPath. `root` "/" confines nothing. `root_fd`, when not -1, is
/// `root` opened already (O_PATH), which spares opening it again.
/// @return the descriptor, or -1 with errno set: EXDEV when the path leads outside
///         `root`, ENOENT when it leads nowhere.
int OpenBeneath(const std::string& root, const std::string& relative, int flags,
                int root_fd = -1);

/// OpenBeneath without the kernel's confinement: the path's real path (links
/// resolved) must lie in the real path of `root`; that real path is opened without
/// following a final link, and the descriptor's own path is checked once more
/// (through /proc, where mounted), so that a link put in place meanwhile is refused
/// as well.
int OpenBeneathByRealPath(const std::string& root, const std::string& relative, int flags);

}  // namespace veskaro::platform
