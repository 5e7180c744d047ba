// Mounts for tests that need a drive of their own: a small tmpfs that fills up, or
// a folder made read-only. They are made in a private mount namespace, so that no
// other process sees them and they vanish when the test process ends, however it
// ends. Child processes (a program a test runs) share the namespace.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace veskaro::platform::test_mounts {

inline bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

/// Moves this process into a private mount namespace: directly when it may (root),
/// else inside a new user namespace in which the user is root. Done once per
/// process; later calls return the first outcome. The process must have one thread.
/// @return false, with `*why` saying what the system refused.
inline bool EnterPrivateMountNamespace(std::string* why) {
  static int state = 0;  // 0 not tried, 1 entered, -1 refused
  static std::string reason;
  if (state == 0) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWNS) != 0) {
      if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        reason = std::string("no private mount namespace: ") + std::strerror(errno);
      } else if (!WriteProcFile("/proc/self/setgroups", "deny") ||
                 !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                 !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        reason = std::string("cannot map the user in a user namespace: ") + std::strerror(errno);
      }
    }
    // Mounts made from here on must not travel back to the parent namespace.
    if (reason.empty() && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason = std::string("cannot make the mounts private: ") + std::strerror(errno);
    }
    state = reason.empty() ? 1 : -1;
  }
  if (state < 0 && why != nullptr) *why = reason;
  return state > 0;
}

/// Mounts a tmpfs of `bytes` (rounded up to whole pages) on the folder `at`.
inline bool MountSmallDrive(const std::string& at, std::size_t bytes, std::string* why) {
  if (!EnterPrivateMountNamespace(why)) return false;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  if (mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    *why = std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
    return false;
  }
  return true;
}

/// Makes the folder `at` read-only by binding it onto itself read-only.
inline bool MakeReadOnly(const std::string& at, std::string* why) {
  if (!EnterPrivateMountNamespace(why)) return false;
  if (mount(at.c_str(), at.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0 ||
      mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    *why = std::string("cannot bind the folder read-only: ") + std::strerror(errno);
    return false;
  }
  return true;
}

/// Detaches whatever is mounted on `at` (nothing happens when nothing is).
inline void Unmount(const std::string& at) { umount2(at.c_str(), MNT_DETACH); }

}  // namespace veskaro::platform::test_mounts
