#include "platform/posix/open_beneath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "platform/posix/fd.h"

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#if defined(SYS_openat2)
#define VESKARO_HAVE_OPENAT2 1
#endif
#endif

namespace veskaro::platform {
namespace {

std::string Joined(const std::string& root, const std::string& relative) {
  if (relative.empty()) return root;
  return root.empty() || root.back() == '/' ? root + relative : root + "/" + relative;
}

// The real path of `path`, or empty text with errno set.
std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string out(real);
  std::free(real);
  return out;
}

// Whether real path `path` is real path `root` or lies below it.
bool IsInside(std::string_view path, std::string_view root) {
  if (root == "/") return true;
  return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
}

}  // namespace

int OpenBeneathByRealPath(const std::string& root, const std::string& relative, int flags) {
  const std::string real_root = RealPath(root);
  if (real_root.empty()) return -1;
  const std::string real = RealPath(Joined(root, relative));
  if (real.empty()) return -1;
  if (!IsInside(real, real_root)) {
    errno = EXDEV;
    return -1;
  }
  Fd fd(open(real.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() < 0) return -1;
  char opened[PATH_MAX];
  const std::string proc = "/proc/self/fd/" + std::to_string(fd.get());
  const ssize_t length = readlink(proc.c_str(), opened, sizeof opened);
  if (length > 0 && static_cast<std::size_t>(length) < sizeof opened &&
      !IsInside(std::string_view(opened, static_cast<std::size_t>(length)), real_root)) {
    errno = EXDEV;
    return -1;
  }
  return fd.Release();
}

int OpenBeneath(const std::string& root, const std::string& relative, int flags, int root_fd) {
  if (root == "/") return open(Joined(root, relative).c_str(), flags | O_CLOEXEC);
#ifdef VESKARO_HAVE_OPENAT2
  Fd own;
  if (root_fd < 0) {
    own.Reset(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (own.get() < 0) return -1;
    root_fd = own.get();
  }
  open_how how{};
  how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  const char* path = relative.empty() ? "." : relative.c_str();
  for (;;) {
    const long fd = syscall(SYS_openat2, root_fd, path, &how, sizeof how);
    if (fd >= 0) return static_cast<int>(fd);
    // EAGAIN: a rename elsewhere raced with the resolution.
    if (errno == EINTR || errno == EAGAIN) continue;
    // EXDEV: the path left the folder or met an absolute link, which may lead
    // back inside; ENOSYS: a kernel before 5.6; EPERM: a sandbox refusing the call.
    if (errno == EXDEV || errno == ENOSYS || errno == EPERM) break;
    return -1;
  }
#else
  (void)root_fd;
#endif
  return OpenBeneathByRealPath(root, relative, flags);
}

}  // namespace veskaro::platform
