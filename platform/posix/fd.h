// A file descriptor that closes itself.
#pragma once

#include <unistd.h>

#include <utility>

namespace veskaro::platform {

/// Owns a descriptor (or none, -1) and closes it when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }

  int get() const { return fd_; }
  /// Closes now and reports close()'s own result (0, or -1 with errno set).
  int Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 ? 0 : close(fd);
  }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }

 private:
  int fd_;
};

}  // namespace veskaro::platform
