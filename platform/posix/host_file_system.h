// The file system of a POSIX host seen through Windows paths: each drive letter
// stands for a host folder, the way Wine maps drives.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/host_paths.h"

namespace veskaro::platform {

/// Windows paths over host folders. Typically C: is the root of an offline Windows
/// installation and Z: is the host's "/", so that any host folder is reachable as
/// an ordinary Windows path (see HostToWindowsPath).
///
/// Lookup: each path component matches an entry of its host folder exactly, else
/// ignoring code page 1252 letter case as on FAT, else (when it contains "~") by
/// the 8.3 alias that ShortAliases derives for the folder's entries; names come
/// back as stored. "\" and "/" both separate components; "." and ".." are applied
/// to the text. Symbolic links are followed. On a case-sensitive host, where a
/// folder may hold names that differ only in letter case, a component that is not
/// stored as written finds the upper-case spelling first, then the lower-case one,
/// then any other.
///
/// Speed: each folder looked up is indexed once and the index kept while inotify
/// reports every change made to it (by any process); on file systems that may
/// change unseen (network, FUSE), or without inotify, each lookup lists the folder
/// again. A lookup in a watched folder thus costs no listing, however large the
/// folder.
///
/// Directory search (FindFirst):
/// - kNormal finds regular files only (no host file counts as hidden or system);
///   a path ending in "\", or with an empty last component, finds nothing.
/// - kDirectory finds folders. A path ending in "\" tests the folder it names and
///   yields that folder's stored name ("C:\" for a drive root).
/// - A last component holding "*" or "?" is a pattern (MatchesWildcard); the first
///   match of the wanted kind in name order is yielded.
///
/// Writes: CopyFile writes a temporary file "~vsk<random>.tmp" in the target
/// folder and renames it over the target only when the copy is complete; on any
/// failure the temporary is removed, so the target is untouched. Failures are
/// classified from errno: ENOENT/ENOTDIR -> kPathNotFound, ENOSPC/EDQUOT ->
/// kDiskFull, ENOMEDIUM/ENXIO -> kNotReady, anything else (EACCES, EROFS, ...) ->
/// kOther, with strerror's text in the detail. A folder of a path that does not
/// resolve gives kPathNotFound; a missing source file in an existing folder, a
/// target that is a folder, a copy onto its own source and a name Windows would
/// not accept give kOther. Reading errors of the source are kOther.
///
/// Protection: no write ever lands inside a protected host folder (the offline
/// installation). The real path (realpath) of the folder that would receive a new
/// folder, a copy or its temporary is checked; a write inside a protected folder is
/// refused with kOther before anything is created.
class HostFileSystem : public FileSystem {
 public:
  /// `drives`: drive letter (either case) -> host folder. `protected_folders`: host
  /// folders never written; those that do not exist are ignored.
  HostFileSystem(std::map<char, std::string> drives, std::vector<std::string> protected_folders);
  ~HostFileSystem() override;

  std::string FindFirst(std::string_view path, SearchKind kind) const override;
  FsStatus MakeDirectory(std::string_view path) override;
  FsStatus CopyFile(std::string_view from, std::string_view to) override;
  std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) override;

  /// The host path that a Windows path resolves to (every component matched as in a
  /// lookup), or empty text when some component names nothing.
  std::string ToHostPath(std::string_view windows_path) const;

  /// Writes the bytes of `source`, a file of another file system named `from`, as
  /// file `to`, with CopyFile's rules for the target: through a temporary, all or
  /// nothing, the same failure classes (a read error of the source is kOther), and
  /// never inside a protected folder. `modified` (seconds since 1970) becomes the
  /// copy's last-write time when given.
  FsStatus CopyIn(ByteSource& source, std::string_view from, std::string_view to,
                  std::optional<std::int64_t> modified = std::nullopt);

 private:
  struct Resolved;
  struct CopyTarget;
  bool ResolveFolder(std::string_view path, bool all_components, Resolved* out) const;
  std::optional<FolderEntry> FindLast(const Resolved& resolved) const;
  FsStatus OpenCopyTarget(std::string_view to, CopyTarget* target) const;

  std::map<char, std::string> drives_;  // upper-case letter -> host folder
  std::vector<std::string> protected_;  // real paths
};

}  // namespace veskaro::platform
