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
  kOther,         ///< anything else (see FileSystem)
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

/// Where a Windows path lives outside the program, as a report names it.
struct HostLocation {
  /// A host path: the file or folder itself when the drive is a host folder; the
  /// disk image file when the drive lies inside an image.
  std::string path;
  /// For a drive inside a disk image, the path inside the image; else empty.
  std::string inside;
  bool empty() const { return path.empty(); }
};

/// File system seen through Windows paths (`C:\WINDOWS\INF\X.INF`). Paths are
/// 8-bit text in the installation's code page; each implementation decides what
/// the drive letters stand for. Every implementation keeps this contract, which
/// the shared suite testing/file_system_contract.h checks on each of them.
///
/// Lookup. "\" and "/" both separate components; runs of them count as one; "."
/// and ".." are applied to the text, never climbing above the drive root. Each
/// component finds an entry of its folder in the order of MatchFolderEntryIn
/// (platform/short_names.h): the name stored exactly, else equal ignoring code page
/// 1252 letter case, else (holding "~") by its 8.3 alias. Names come back as their
/// folder stores them. A path without a drive letter finds nothing.
///
/// Names. Every name is text in the code page, the names yielded and created as
/// much as the paths given: a name with a character the code page cannot hold
/// cannot arise by construction, since each one comes from the code page (the
/// registry, an INF, a folder's listing in its code page spelling). Where the host
/// stores names in another encoding (UTF-8 on Linux), the implementation converts
/// them both ways: a lookup finds a host name by its code page spelling, and what
/// it creates gets the host's spelling of the name.
///
/// Kinds and attributes. A directory search for kNormal finds a file that is
/// neither hidden nor system (where the implementation knows such attributes) and
/// never a folder; kDirectory finds a folder of any attributes and never a file. A
/// path ending in "\" names a folder: kNormal finds nothing there, kDirectory
/// yields that folder's stored name ("C:\" for a drive root, where the
/// implementation has one to show). A last component holding "*" or "?" is a
/// pattern (MatchesWildcard) and yields the first entry of the wanted kind that it
/// matches, in the implementation's order. Hidden and system files stay readable.
///
/// Failure classes of writes (FsError), the same for a copy and a new folder:
/// - kPathNotFound: a folder of either path, or its drive, does not exist;
/// - kOther: a missing file in an existing folder (a listed source that vanished
///   is not a bad destination), a source or target that is a folder, a name
///   Windows would not accept, no access, a read error of the source;
/// - kDiskFull: the target's drive has no room left;
/// - kNotReady: the target's drive holds no medium.
/// A folder that already exists, under any letter case, is not made again (kOther).
///
/// Copies are all or nothing. The bytes go to a temporary file beside the target,
/// which takes the target's name only once complete; a failed copy removes it, so
/// it leaves no file under the target's name that was not there before, and an
/// earlier file there either intact or replaced whole. Replacing keeps the name the
/// folder stores the target under.
///
/// Never written: an implementation over an offline installation never writes it
/// (nothing is created, replaced or removed there), nor does any implementation
/// write anything but the folder and the copy asked for and its temporary.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Directory search of one full path. Returns the name of the entry found, as
  /// stored in its folder (the long name when the path's last component is a short
  /// 8.3 alias), or empty text when nothing of the wanted kind is there.
  virtual std::string FindFirst(std::string_view path, SearchKind kind) const = 0;

  /// Creates one folder; its parent must exist.
  virtual FsStatus MakeDirectory(std::string_view path) = 0;

  /// Copies file `from` to `to`, replacing an existing file of that name, through a
  /// temporary as described above.
  virtual FsStatus CopyFile(std::string_view from, std::string_view to) = 0;

  /// Opens a file for reading its bytes as stored. Returns null when it cannot be
  /// opened (missing, a folder, no access), with `*error` naming the path and why.
  virtual std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) = 0;

  /// Where the file or folder at `path` lives on the host, for reports: looked up
  /// as a directory search does, nothing opened or written. Empty when nothing is
  /// there, or when the file system has no host place to name (the default: the
  /// in-memory one, the native Windows one whose paths are the host's own).
  virtual HostLocation LocateOnHost(std::string_view path) const {
    (void)path;
    return {};
  }
};

}  // namespace veskaro::platform
