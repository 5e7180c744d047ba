#include "platform/posix/host_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/posix/fd.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/open_beneath.h"
#include "platform/posix/safe_copy.h"
#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

std::string Join(const std::string& folder, std::string_view name) {
  std::string out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

#ifdef O_PATH
constexpr int kLookFlags = O_PATH;
#else
constexpr int kLookFlags = O_RDONLY | O_NONBLOCK;
#endif

// Host path `relative` below `root` followed by `name`.
std::string Below(const std::string& relative, std::string_view name) {
  return relative.empty() ? std::string(name) : relative + "/" + std::string(name);
}

// stat of what `relative` below host folder `root` is, reached without leaving it
// (OpenBeneath): false when it is nothing there.
bool StatBeneath(const std::string& root, int root_fd, const std::string& relative,
                 struct stat* info) {
  if (root == "/") return stat(Join(root, relative).c_str(), info) == 0;  // no outside
  const Fd fd(OpenBeneath(root, relative, kLookFlags, root_fd));
  return fd.get() >= 0 && fstat(fd.get(), info) == 0;
}

// stat of a folder below `root`: false when it is none.
bool StatFolder(const std::string& root, int root_fd, const std::string& relative,
                struct stat* info) {
  return StatBeneath(root, root_fd, relative, info) && S_ISDIR(info->st_mode);
}

class FdSource : public ByteSource {
 public:
  explicit FdSource(Fd fd) : fd_(std::move(fd)) {}

  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    for (;;) {
      const ssize_t got = read(fd_.get(), buffer, capacity);
      if (got >= 0) return got;
      if (errno == EINTR) continue;
      if (error) *error = std::strerror(errno);
      return -1;
    }
  }

 private:
  Fd fd_;
};

}  // namespace

struct HostFileSystem::Resolved {
  WindowsPath path;
  std::string root;            // host folder of the drive, never left
  int root_fd = -1;            // that folder opened (O_PATH), or -1
  std::string relative;        // the folder below `root` ("" for the root itself)
  std::string folder;          // host path of the folder holding the last component
  std::string folder_name;     // that folder's stored name ("X:\" for a drive root)
  struct stat folder_info {};  // that folder's stat
};

HostFileSystem::HostFileSystem(std::map<char, std::string> drives,
                               std::vector<std::string> protected_folders, int code_page)
    : code_page_(code_page) {
  for (auto& [letter, folder] : drives) {
    const char upper = UpperCase1252(letter);
#ifdef O_PATH
    // Each drive's folder is opened once: every lookup resolves from it.
    if (folder != "/")
      root_fds_[upper].Reset(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
#endif
    drives_[upper] = std::move(folder);
  }
  for (const std::string& folder : protected_folders) {
    if (char* real = realpath(folder.c_str(), nullptr)) {
      protected_.emplace_back(real);
      std::free(real);
    } else {
      protected_.push_back(folder);
    }
  }
}

HostFileSystem::~HostFileSystem() = default;

// Parses `path` and walks its folders: all components when `all_components`, else
// all but the last. False when the path is not a full path or a folder is missing.
bool HostFileSystem::ResolveFolder(std::string_view path, bool all_components,
                                   Resolved* out) const {
  if (!ParseWindowsPath(path, &out->path)) return false;
  auto drive = drives_.find(out->path.drive);
  if (drive == drives_.end()) return false;
  const std::vector<std::string>& parts = out->path.components;
  const std::size_t count = all_components || parts.empty() ? parts.size() : parts.size() - 1;
  out->root = drive->second;
  const auto opened = root_fds_.find(out->path.drive);
  out->root_fd = opened == root_fds_.end() ? -1 : opened->second.get();
  // Folders named as they are stored, the usual case, are settled by one stat: the
  // walk below would take the same exact names. Every folder is reached without
  // leaving the drive's folder.
  if (count > 0) {
    std::string exact;
    bool valid = true;
    for (std::size_t i = 0; i < count && valid; ++i) {
      const std::vector<std::string> spellings = HostSpellings(code_page_, parts[i]);
      valid = IsValidLongName(parts[i]) && !spellings.empty();
      if (valid) exact = Below(exact, spellings.front());
    }
    if (valid && StatFolder(out->root, out->root_fd, exact, &out->folder_info)) {
      out->folder = Join(out->root, exact);
      out->relative = std::move(exact);
      out->folder_name = parts[count - 1];
      return true;
    }
  }
  out->relative.clear();
  out->folder = out->root;
  out->folder_name = std::string(1, out->path.drive) + ":\\";
  if (!StatFolder(out->root, out->root_fd, out->relative, &out->folder_info)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<FolderEntry> entry =
        FindFolderEntry(out->folder, out->folder_info, parts[i], code_page_);
    if (!entry) return false;
    out->relative = Below(out->relative, entry->host);
    out->folder = Join(out->folder, entry->host);
    out->folder_name = entry->name;
    if (!StatFolder(out->root, out->root_fd, out->relative, &out->folder_info)) return false;
  }
  return true;
}

// The entry of the resolved folder that the path's last component names.
std::optional<FolderEntry> HostFileSystem::FindLast(const Resolved& resolved) const {
  if (resolved.path.components.empty()) return std::nullopt;
  return FindFolderEntry(resolved.folder, resolved.folder_info, resolved.path.components.back(),
                         code_page_);
}

// Whether `entry` of the resolved folder is a folder (`folder`) or a regular file.
// An entry of known type is no symbolic link and lies in the folder; any other is
// looked at through its links, which must not leave the drive's folder.
bool HostFileSystem::IsKind(const Resolved& resolved, const FolderEntry& entry, bool folder) const {
  if (entry.type != EntryType::kUnknown) return (entry.type == EntryType::kFolder) == folder;
  struct stat info;
  return StatBeneath(resolved.root, resolved.root_fd, Below(resolved.relative, entry.host),
                     &info) &&
         (folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode));
}

// Opens `entry` of the resolved folder for reading, without leaving the drive's
// folder; -1 with errno set when it cannot.
int HostFileSystem::OpenEntry(const Resolved& resolved, const FolderEntry& entry) const {
  return OpenBeneath(resolved.root, Below(resolved.relative, entry.host), O_RDONLY,
                     resolved.root_fd);
}

std::string HostFileSystem::FindFirst(std::string_view path, SearchKind kind) const {
  const bool want_folder = kind == SearchKind::kDirectory;
  WindowsPath parsed;
  if (!ParseWindowsPath(path, &parsed)) return {};
  Resolved resolved;
  if (parsed.components.empty() || parsed.trailing_separator) {
    // The path names a folder itself: only a folder search finds it.
    if (!want_folder || !ResolveFolder(path, true, &resolved)) return {};
    return resolved.folder_name;
  }
  if (!ResolveFolder(path, false, &resolved)) return {};
  const std::string& last = parsed.components.back();
  if (HasWildcard(last)) {
    std::vector<FolderEntry> entries = ListFolder(resolved.folder, code_page_);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
      const int folded = CompareIgnoreCase1252(a.name, b.name);
      return folded != 0 ? folded < 0 : a.name < b.name;
    });
    for (FolderEntry& entry : entries) {
      entry.type = EntryType::kUnknown;  // the listing's type may be stale
      if (MatchesWildcard(last, entry.name) && IsKind(resolved, entry, want_folder)) {
        return entry.name;
      }
    }
    return {};
  }
  const std::optional<FolderEntry> entry = FindLast(resolved);
  if (!entry) return {};
  return IsKind(resolved, *entry, want_folder) ? entry->name : std::string();
}

HostLocation HostFileSystem::LocateOnHost(std::string_view path) const {
  return HostLocation{ToHostPath(path), {}};
}

std::string HostFileSystem::ToHostPath(std::string_view windows_path) const {
  Resolved resolved;
  if (!ResolveFolder(windows_path, false, &resolved)) return {};
  if (resolved.path.components.empty()) return resolved.folder;
  const std::optional<FolderEntry> entry = FindLast(resolved);
  struct stat info;
  if (!entry ||
      !StatBeneath(resolved.root, resolved.root_fd, Below(resolved.relative, entry->host), &info)) {
    return {};
  }
  return Join(resolved.folder, entry->host);
}

std::unique_ptr<ByteSource> HostFileSystem::OpenRead(std::string_view path, std::string* error) {
  auto fail = [&](std::string why) -> std::unique_ptr<ByteSource> {
    if (error) *error = std::move(why);
    return nullptr;
  };
  Resolved resolved;
  std::optional<FolderEntry> entry;
  if (!ResolveFolder(path, false, &resolved) || resolved.path.trailing_separator ||
      !(entry = FindLast(resolved))) {
    return fail("File not found: " + std::string(path));
  }
  Fd fd(OpenEntry(resolved, *entry));
  if (fd.get() < 0 && errno == EXDEV) return fail("File not found: " + std::string(path));
  if (fd.get() < 0) return fail(std::string(path) + ": " + std::strerror(errno));
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return fail(std::string(path) + ": " + std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return fail(std::string(path) + ": is a folder");
  return std::make_unique<FdSource>(std::move(fd));
}

FsStatus HostFileSystem::MakeDirectory(std::string_view path) {
  Resolved resolved;
  if (!ResolveFolder(path, false, &resolved)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(path));
  }
  if (resolved.path.components.empty()) {
    return Fail(FsError::kOther, "A drive root cannot be created: " + std::string(path));
  }
  const std::string& name = resolved.path.components.back();
  const std::vector<std::string> spellings = HostSpellings(code_page_, name);
  if (!IsValidLongName(name) || spellings.empty()) {
    return Fail(FsError::kOther, "Invalid folder name: " + std::string(path));
  }
  Fd folder;
  if (FsStatus status = OpenFolderToWrite(resolved.folder, protected_, path, &folder);
      !status.ok()) {
    return status;
  }
  if (FindLast(resolved)) {
    return Fail(FsError::kOther, "A file or folder of that name exists: " + std::string(path));
  }
  if (mkdirat(folder.get(), spellings.front().c_str(), 0777) != 0) {
    return FailErrno(errno, "Cannot create folder " + std::string(path));
  }
  return {};
}

// The folder a copy writes into, opened and checked, and the target's name and
// state there.
struct HostFileSystem::CopyTarget {
  Fd folder;
  std::string name;
  bool exists = false;
  struct stat info {};
};

FsStatus HostFileSystem::OpenCopyTarget(std::string_view to, CopyTarget* target) const {
  // Its folder must exist; an entry of the same name is replaced.
  Resolved resolved;
  if (!ResolveFolder(to, false, &resolved)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(to));
  }
  const std::vector<std::string> spellings =
      resolved.path.components.empty() ? std::vector<std::string>()
                                       : HostSpellings(code_page_, resolved.path.components.back());
  if (spellings.empty() || resolved.path.trailing_separator ||
      !IsValidLongName(resolved.path.components.back())) {
    return Fail(FsError::kOther, "Invalid file name: " + std::string(to));
  }
  if (FsStatus status = OpenFolderToWrite(resolved.folder, protected_, to, &target->folder);
      !status.ok()) {
    return status;
  }
  const std::optional<FolderEntry> existing = FindLast(resolved);
  target->name = existing ? existing->host : spellings.front();
  target->exists =
      existing && fstatat(target->folder.get(), target->name.c_str(), &target->info, 0) == 0;
  if (target->exists && S_ISDIR(target->info.st_mode)) {
    return Fail(FsError::kOther, "Is a folder: " + std::string(to));
  }
  return {};
}

FsStatus HostFileSystem::CopyFile(std::string_view from, std::string_view to) {
  // The source.
  Resolved source;
  if (!ResolveFolder(from, false, &source)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(from));
  }
  std::optional<FolderEntry> source_entry;
  if (source.path.trailing_separator || !(source_entry = FindLast(source))) {
    return Fail(FsError::kOther, "File not found: " + std::string(from));
  }

  CopyTarget target;
  if (FsStatus status = OpenCopyTarget(to, &target); !status.ok()) return status;

  Fd input(OpenEntry(source, *source_entry));
  if (input.get() < 0 && errno == EXDEV) {
    return Fail(FsError::kOther, "File not found: " + std::string(from));
  }
  if (input.get() < 0) {
    return Fail(FsError::kOther, "Cannot read " + std::string(from) + ": " + std::strerror(errno));
  }
  struct stat source_info;
  if (fstat(input.get(), &source_info) != 0 || S_ISDIR(source_info.st_mode)) {
    return Fail(FsError::kOther, "Not a readable file: " + std::string(from));
  }
  if (target.exists && target.info.st_dev == source_info.st_dev &&
      target.info.st_ino == source_info.st_ino) {
    return Fail(FsError::kOther, "A file cannot be copied onto itself: " + std::string(to));
  }
  return CopyThroughTemporary(
      target.folder.get(), target.name, from, to,
      [&](int out) { return CopyHostData(input.get(), out, source_info.st_size); },
      &source_info.st_mtim);
}

FsStatus HostFileSystem::CopyIn(ByteSource& source, std::string_view from, std::string_view to,
                                std::optional<std::int64_t> modified) {
  CopyTarget target;
  if (FsStatus status = OpenCopyTarget(to, &target); !status.ok()) return status;
  const timespec time{static_cast<time_t>(modified.value_or(0)), 0};
  return CopyThroughTemporary(
      target.folder.get(), target.name, from, to,
      [&](int out) { return CopySourceData(source, out); }, modified ? &time : nullptr);
}

}  // namespace veskaro::platform
