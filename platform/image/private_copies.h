// Private read-only copies of files of a file system, for host programs that can
// only open host files (the word processor showing an INF of a disk image).
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace veskaro::platform {

/// The copies live in a folder that only the user may enter ("veskaro-XXXXXX" in
/// $TMPDIR, else /tmp), made at the first copy and removed with this object; each
/// copy is read-only and keeps its file's name (bytes outside printable ASCII
/// become "_"). They are never paths the user is shown as the installation's.
class PrivateCopies {
 public:
  /// Copies of files of `files`, which must outlive this object.
  explicit PrivateCopies(FileSystem& files);
  ~PrivateCopies();
  PrivateCopies(const PrivateCopies&) = delete;
  PrivateCopies& operator=(const PrivateCopies&) = delete;

  /// The host path of a fresh read-only copy of the file at `windows_path`, or empty
  /// text when the file cannot be read or copied.
  std::string CopyOf(std::string_view windows_path);

 private:
  FileSystem& files_;
  std::string folder_;  // empty until the first copy
  int count_ = 0;
};

}  // namespace veskaro::platform
