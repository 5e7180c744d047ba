// Writing on a POSIX host so that a failure leaves nothing damaged: copies go to a
// temporary file that is renamed over the target only when complete, failures are
// classified from errno, and protected folders are never written.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/fd.h"

namespace veskaro::platform {

/// The failure class of errno `error`: ENOENT and ENOTDIR -> kPathNotFound, ENOSPC
/// and EDQUOT -> kDiskFull, ENOMEDIUM and ENXIO -> kNotReady, anything else (EACCES,
/// EROFS, ...) -> kOther.
FsError ClassifyErrno(int error);

/// A failure of class `error` with `detail`.
FsStatus Fail(FsError error, std::string detail);

/// The failure that errno `error` means for `what`, with strerror's text.
FsStatus FailErrno(int error, std::string_view what);

/// Opens host folder `host_folder` to write into it as part of writing Windows path
/// `path`, after checking that its real path (links resolved) lies in none of the
/// real paths `protected_folders`: a write inside one is refused with kOther before
/// anything is created. Every write then goes through `*folder`, so the folder
/// checked is the folder written.
FsStatus OpenFolderToWrite(const std::string& host_folder,
                           const std::vector<std::string>& protected_folders, std::string_view path,
                           Fd* folder);

/// A failure while filling a copy: its errno, whether reading failed, and what the
/// source said of it when it is no host file.
struct CopyError {
  int error = 0;
  bool reading = false;
  std::string detail;
};

/// Writes a file into the folder `folder` under `target_name`, replacing a file of
/// that name: `fill(out)` writes the bytes to a temporary "~vsk<random>.tmp" beside
/// the target, which takes `*modified` as its last-write time (when given) and is
/// renamed over the target only when complete; on any failure it is removed, so the
/// target is untouched. A failure to read the source is kOther; writing fails by
/// ClassifyErrno. `from` and `to` name the two files in the details.
FsStatus CopyThroughTemporary(int folder, const std::string& target_name, std::string_view from,
                              std::string_view to, const std::function<CopyError(int out)>& fill,
                              const timespec* modified);

/// Fills a copy with the rest of host file `in`, whose size is `size`: the system
/// copies the bytes itself (copy_file_range) as long as it can, the rest goes
/// through a buffer.
CopyError CopyHostData(int in, int out, off_t size);

/// Fills a copy with the rest of `source`, a file of another file system.
CopyError CopySourceData(ByteSource& source, int out);

}  // namespace veskaro::platform
