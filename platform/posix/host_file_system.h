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

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/posix/fd.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/host_paths.h"

namespace veskaro::platform {

/// Windows paths over host folders, kept to the FileSystem contract; the drives
/// usually come from HostDrives (C: the installation, Z: the host's "/"). Specific
/// to it:
/// - Folders are host folders: kNormal finds regular files only (no host file
///   counts as hidden or system); a pattern yields the first match of the wanted
///   kind in name order (ignoring case). Names are found as FindFolderEntry
///   describes, with its kept folder indexes.
/// - Symbolic links are followed as long as they stay inside the drive's folder
///   (OpenBeneath): one that leads outside it counts as no entry at all, neither
///   found nor read nor copied, and ToHostPath does not give it. Drive Z:, the
///   host's "/", has no outside.
/// - Names: host names are UTF-8, Windows paths text in the code page. A lookup
///   compares each host name through its code page spelling, which is also the name
///   it yields (HostNameToCodePage: a host name that is no UTF-8 the page holds is
///   matched and yielded by its bytes); a new folder or file gets the UTF-8 spelling
///   of its name (HostSpellings).
/// - Copies go through the temporary "~vsk<random>.tmp" and errno classes
///   (platform/posix/safe_copy.h); a copy onto its own source fails with kOther.
/// - Protection: no write ever lands inside a protected host folder (the offline
///   installation): the real path of the folder that would receive a new folder, a
///   copy or its temporary is checked, and a write inside is refused with kOther
///   before anything is created.
class HostFileSystem : public FileSystem {
 public:
  /// `drives`: drive letter (either case) -> host folder. `protected_folders`: host
  /// folders never written; those that do not exist are ignored. `code_page`: the
  /// code page of the Windows paths (the installation's).
  HostFileSystem(std::map<char, std::string> drives, std::vector<std::string> protected_folders,
                 int code_page = kDefaultCodePage);
  ~HostFileSystem() override;

  std::string FindFirst(std::string_view path, SearchKind kind) const override;
  FsStatus MakeDirectory(std::string_view path) override;
  FsStatus CopyFile(std::string_view from, std::string_view to) override;
  std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) override;
  /// The host path ToHostPath gives.
  HostLocation LocateOnHost(std::string_view path) const override;

  /// The host path that a Windows path resolves to (every component matched as in a
  /// lookup), or empty text when some component names nothing or the path leads out
  /// of its drive's folder.
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
  bool IsKind(const Resolved& resolved, const FolderEntry& entry, bool folder) const;
  int OpenEntry(const Resolved& resolved, const FolderEntry& entry) const;
  FsStatus OpenCopyTarget(std::string_view to, CopyTarget* target) const;

  int code_page_;
  std::map<char, std::string> drives_;  // upper-case letter -> host folder
  std::map<char, Fd> root_fds_;         // upper-case letter -> that folder opened
  std::vector<std::string> protected_;  // real paths
};

}  // namespace veskaro::platform
