// The file-system operations the program needs, over Windows paths.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace veskaro::platform {

/// What a directory search looks for.
enum class SearchKind {
  kNormal,     ///< a file that is not hidden, system or a folder
  kDirectory,  ///< a folder (any attributes)
};

/// Failure classes of writes, as far as the program tells them apart.
enum class FsError {
  kNone,
  kPathNotFound,  ///< a folder of either path does not exist
  kDiskFull,      ///< the destination drive has no room left
  kNotReady,      ///< the destination drive holds no medium
  kOther,         ///< anything else: no access, a name that is a folder, ...
};

/// Outcome of a write operation: the failure class and a human-readable detail.
struct FsStatus {
  FsError error = FsError::kNone;
  std::string detail;
  bool ok() const { return error == FsError::kNone; }
};

/// A file opened for reading its bytes in order.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to `capacity` bytes into `buffer`.
  /// @return the number of bytes read (0 at the end of the file), or -1 on a read
  ///         error, with `*error` describing it.
  virtual std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) = 0;
};

/// File system seen through Windows paths (`C:\WINDOWS\INF\X.INF`). Paths are
/// 8-bit text; each implementation decides what the drive letters stand for.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Directory search of one full path. Returns the name of the entry found, as
  /// stored in its folder (the long name when the path's last component is a short
  /// 8.3 alias), or empty text when nothing of the wanted kind is there.
  virtual std::string FindFirst(std::string_view path, SearchKind kind) const = 0;

  /// Creates one folder; its parent must exist.
  virtual FsStatus MakeDirectory(std::string_view path) = 0;

  /// Copies file `from` to `to`, replacing an existing file of that name. A failed
  /// copy leaves no file under `to` that was not there before, and leaves an earlier
  /// file under `to` either intact or replaced whole.
  virtual FsStatus CopyFile(std::string_view from, std::string_view to) = 0;

  /// Opens a file for reading. Returns null when it cannot be opened, with `*error`
  /// describing why.
  virtual std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) = 0;
};

}  // namespace veskaro::platform
