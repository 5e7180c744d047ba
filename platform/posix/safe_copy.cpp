#include "platform/posix/safe_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <utility>

namespace veskaro::platform {

FsError ClassifyErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FsError::kPathNotFound;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return FsError::kDiskFull;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
    case ENXIO:
      return FsError::kNotReady;
    default:
      return FsError::kOther;
  }
}

FsStatus Fail(FsError error, std::string detail) { return FsStatus{error, std::move(detail)}; }

FsStatus FailErrno(int error, std::string_view what) {
  return Fail(ClassifyErrno(error), std::string(what) + ": " + std::strerror(error));
}

namespace {

#ifdef O_PATH
constexpr int kFolderOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// The real path (symbolic links resolved, as realpath gives it) of host folder
// `folder`, opened as `fd`. On Linux it is read back from /proc, one system call
// instead of one for each component; realpath serves otherwise.
bool RealPathOf(int fd, const std::string& folder, std::string* real_path) {
#ifdef __linux__
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t length = readlink(link, target, sizeof target);
  const std::string_view text(target, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (length > 0 && static_cast<std::size_t>(length) < sizeof target && text.front() == '/' &&
      !text.ends_with(" (deleted)")) {
    real_path->assign(text);
    return true;
  }
#else
  (void)fd;
#endif
  char* real = realpath(folder.c_str(), nullptr);
  if (real == nullptr) return false;
  real_path->assign(real);
  std::free(real);
  return true;
}

// The refusal to write `path` when real folder path `folder` lies in one of `guarded`.
FsStatus RefuseInside(const std::string& folder, const std::vector<std::string>& guarded_folders,
                      std::string_view path) {
  for (const std::string& guarded : guarded_folders) {
    const bool inside = folder == guarded || guarded == "/" ||
                        (folder.size() > guarded.size() && folder.starts_with(guarded) &&
                         folder[guarded.size()] == '/');
    if (inside) {
      return Fail(FsError::kOther, "Refusing to write " + std::string(path) +
                                       ": it lies inside the Windows installation being read (" +
                                       guarded + "), which is never written");
    }
  }
  return {};
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = write(fd, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

std::string TemporaryName() {
  static std::mt19937_64 engine(std::random_device{}() ^
                                (static_cast<std::uint64_t>(getpid()) << 32));
  char name[32];
  std::snprintf(name, sizeof name, "~vsk%08x.tmp", static_cast<unsigned>(engine() & 0xFFFFFFFF));
  return name;
}

}  // namespace

FsStatus OpenFolderToWrite(const std::string& host_folder,
                           const std::vector<std::string>& protected_folders, std::string_view path,
                           Fd* folder) {
  folder->Reset(open(host_folder.c_str(), kFolderOpenFlags));
  std::string real;
  if (folder->get() < 0 || !RealPathOf(folder->get(), host_folder, &real)) {
    return FailErrno(errno, "Cannot write " + std::string(path));
  }
  return RefuseInside(real, protected_folders, path);
}

// The buffered part also tells a read failure from a write failure. A file that
// reports the size 0 is always read: pseudo files do, whatever they hold.
CopyError CopyHostData(int in, int out, off_t size) {
#ifdef __linux__
  off_t done = 0;
  while (size > 0) {
    const ssize_t n = copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0 && done >= size) return {};
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && ClassifyErrno(errno) == FsError::kDiskFull) return {errno, false, {}};
    break;  // short, or not done by the system for these files: go on below from here
  }
#else
  (void)size;
#endif
  constexpr std::size_t kBlock = 1 << 20;
  thread_local const std::unique_ptr<char[]> buffer(new char[kBlock]);
  for (;;) {
    const ssize_t got = read(in, buffer.get(), kBlock);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {errno, true, {}};
    }
    if (got == 0) return {};
    if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(got))) return {errno, false, {}};
  }
}

CopyError CopySourceData(ByteSource& source, int out) {
  constexpr std::size_t kBlock = 1 << 16;
  thread_local const std::unique_ptr<char[]> buffer(new char[kBlock]);
  for (;;) {
    CopyError failed;
    const std::ptrdiff_t got = source.Read(buffer.get(), kBlock, &failed.detail);
    if (got < 0) {
      failed.error = EIO;
      failed.reading = true;
      return failed;
    }
    if (got == 0) return {};
    if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(got))) return {errno, false, {}};
  }
}

FsStatus CopyThroughTemporary(int folder, const std::string& target_name, std::string_view from,
                              std::string_view to, const std::function<CopyError(int out)>& fill,
                              const timespec* modified) {
  std::string temporary;
  Fd output;
  for (int attempt = 0; attempt < 100 && output.get() < 0; ++attempt) {
    temporary = TemporaryName();
    output.Reset(openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (output.get() < 0 && errno != EEXIST) {
      return FailErrno(errno, "Cannot write " + std::string(to));
    }
  }
  if (output.get() < 0) {
    return Fail(FsError::kOther, "No temporary name free for " + std::string(to));
  }
  auto abandon = [&](FsStatus status) {
    output.Close();
    unlinkat(folder, temporary.c_str(), 0);
    return status;
  };
  const CopyError copied = fill(output.get());
  if (copied.error != 0 && copied.reading) {
    const std::string why = copied.detail.empty() ? std::strerror(copied.error) : copied.detail;
    return abandon(Fail(FsError::kOther, "Cannot read " + std::string(from) + ": " + why));
  }
  if (copied.error != 0) return abandon(FailErrno(copied.error, "Cannot write " + std::string(to)));
  // Keep the source's last-write time, as a Windows copy does; failing that is harmless.
  if (modified != nullptr) {
    const timespec times[2] = {{0, UTIME_OMIT}, *modified};
    futimens(output.get(), times);
  }
  if (output.Close() != 0) {
    const int error = errno;
    unlinkat(folder, temporary.c_str(), 0);
    return FailErrno(error, "Cannot write " + std::string(to));
  }
  if (renameat(folder, temporary.c_str(), folder, target_name.c_str()) != 0) {
    const int error = errno;
    unlinkat(folder, temporary.c_str(), 0);
    return FailErrno(error, "Cannot write " + std::string(to));
  }
  return {};
}

}  // namespace veskaro::platform
