#include "platform/posix/host_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <unordered_map>
#include <utility>

#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

std::string Join(const std::string& folder, std::string_view name) {
  std::string out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

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

// Entry names of a host folder, without "." and ".."; empty when it cannot be read.
std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  closedir(dir);
  return names;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// One listing of a host folder, with what identifies the folder's state when it was
// made, and the names indexed the way MatchFolderEntry compares them.
struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec changed{};
  std::vector<std::string> names;
  std::unordered_map<std::string, std::size_t> exact;   // name -> index
  std::unordered_map<std::string, std::size_t> folded;  // lower-case name -> first index
  bool aliases_made = false;
  std::unordered_map<std::string, std::size_t> aliases;  // lower-case 8.3 alias -> first index

  bool Describes(const struct stat& info) const {
    return info.st_dev == device && info.st_ino == inode && SameTime(info.st_mtim, modified) &&
           SameTime(info.st_ctim, changed);
  }
};

// Listings of host folders, kept between lookups while their folders stay unchanged.
//
// A lookup that the probes of FindEntry miss must compare its name with every entry
// of the folder, ignoring case. Listing a SYSTEM folder of thousands of files for
// each such lookup made an analysis spend most of its time in readdir, so a listing
// is used again as long as the folder is provably the same: same device and inode,
// and the same modification and status-change times, which the system sets to the
// current time whenever an entry is created, removed or renamed (the change time
// cannot be set back by any program). A listing is kept only when both times lie
// more than kSettledSeconds before the listing began, so that a change made after
// it always leaves times different from those kept, also on file systems whose
// times count in steps of up to two seconds (FAT). A folder changed within the last
// seconds is listed again at every lookup. Shared by all HostFileSystems; bounded.
class Listings {
 public:
  static constexpr time_t kSettledSeconds = 3;
  static constexpr std::size_t kMaxFolders = 512;

  // Finds the entry of `folder` that `component` names, as MatchFolderEntry does
  // over a fresh listing. False when there is none or the folder cannot be listed.
  bool Match(const std::string& folder, std::string_view component, std::string* stored) {
    struct stat before;
    if (stat(folder.c_str(), &before) != 0) return false;
    std::shared_ptr<const Listing> listing;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto it = kept_.find(folder);
      if (it != kept_.end() && it->second->Describes(before)) listing = it->second;
    }
    if (listing == nullptr) listing = List(folder, before);
    return Find(*listing, component, stored);
  }

 private:
  std::shared_ptr<const Listing> List(const std::string& folder, const struct stat& before) {
    timespec start{};
    clock_gettime(CLOCK_REALTIME, &start);
    auto listing = std::make_shared<Listing>();
    listing->names = ListNames(folder);
    for (std::size_t i = 0; i < listing->names.size(); ++i) {
      listing->exact.emplace(listing->names[i], i);
      listing->folded.emplace(LowerCase1252(listing->names[i]), i);
    }
    struct stat after;
    const bool settled = stat(folder.c_str(), &after) == 0 && after.st_dev == before.st_dev &&
                         after.st_ino == before.st_ino && SameTime(after.st_mtim, before.st_mtim) &&
                         SameTime(after.st_ctim, before.st_ctim) &&
                         after.st_mtim.tv_sec + kSettledSeconds < start.tv_sec &&
                         after.st_ctim.tv_sec + kSettledSeconds < start.tv_sec;
    listing->device = before.st_dev;
    listing->inode = before.st_ino;
    listing->modified = before.st_mtim;
    listing->changed = before.st_ctim;
    std::lock_guard<std::mutex> lock(mutex_);
    if (settled) {
      if (kept_.size() >= kMaxFolders) kept_.clear();
      kept_[folder] = listing;
    } else {
      kept_.erase(folder);
    }
    return listing;
  }

  // MatchFolderEntry over an indexed listing: the exact name, else the first entry
  // equal ignoring case, else (for a name holding "~") the first whose alias it is.
  bool Find(const Listing& listing, std::string_view component, std::string* stored) {
    if (component.empty()) return false;
    std::size_t index = kNoEntry;
    if (const auto it = listing.exact.find(std::string(component)); it != listing.exact.end()) {
      index = it->second;
    } else if (const auto folded = listing.folded.find(LowerCase1252(component));
               folded != listing.folded.end()) {
      index = folded->second;
    } else if (component.find('~') != std::string_view::npos) {
      std::lock_guard<std::mutex> lock(mutex_);
      auto& mutable_listing = const_cast<Listing&>(listing);
      if (!mutable_listing.aliases_made) {
        const std::vector<std::string> aliases = ShortAliases(listing.names);
        for (std::size_t i = 0; i < aliases.size(); ++i) {
          mutable_listing.aliases.emplace(LowerCase1252(aliases[i]), i);
        }
        mutable_listing.aliases_made = true;
      }
      const auto alias = listing.aliases.find(LowerCase1252(component));
      if (alias != listing.aliases.end()) index = alias->second;
    }
    if (index == kNoEntry) return false;
    *stored = listing.names[index];
    return true;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<const Listing>> kept_;
};

Listings& FolderListings() {
  static Listings listings;
  return listings;
}

// The stored name of the entry of host folder `folder` that `component` names.
//
// Listing a folder costs time in proportion to its size (a Windows SYSTEM folder
// holds thousands of files), so the names that FAT folders and INF texts mostly use
// are tried first, one lstat each: the exact name, then the name in upper case and
// in lower case. Only when none of them exists is the folder's listing searched.
// Two entries that differ only in letter case can exist only on a case-sensitive
// host; there an upper-case or lower-case spelling is taken before the others.
bool FindEntry(const std::string& folder, std::string_view component, std::string* stored) {
  if (!IsValidLongName(component)) return false;
  struct stat info;
  std::string path = Join(folder, component);
  if (lstat(path.c_str(), &info) == 0) {
    *stored = std::string(component);
    return true;
  }
  const std::size_t base = path.size() - component.size();
  char (*const converts[])(char) = {&UpperCase1252, &LowerCase1252};
  for (char (*convert)(char) : converts) {
    bool changed = false;
    for (std::size_t i = 0; i < component.size(); ++i) {
      path[base + i] = convert(component[i]);
      changed = changed || path[base + i] != component[i];
    }
    if (changed && lstat(path.c_str(), &info) == 0) {
      *stored = path.substr(base);
      return true;
    }
  }
  return FolderListings().Match(folder, component, stored);
}

bool IsFolder(const std::string& host_path) {
  struct stat info;
  return stat(host_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& host_path) {
  struct stat info;
  return stat(host_path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

class FdSource : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  ~FdSource() override { close(fd_); }
  FdSource(const FdSource&) = delete;
  FdSource& operator=(const FdSource&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    for (;;) {
      const ssize_t got = read(fd_, buffer, capacity);
      if (got >= 0) return got;
      if (errno == EINTR) continue;
      if (error) *error = std::strerror(errno);
      return -1;
    }
  }

 private:
  int fd_;
};

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports close()'s own result (0, or -1 with errno set).
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

struct HostFileSystem::Resolved {
  WindowsPath path;
  std::string folder;       // host path of the folder holding the last component
  std::string folder_name;  // that folder's stored name ("X:\" for a drive root)
};

HostFileSystem::HostFileSystem(std::map<char, std::string> drives,
                               std::vector<std::string> protected_folders) {
  for (auto& [letter, folder] : drives) drives_[UpperCase1252(letter)] = std::move(folder);
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
  // Folders named as they are stored, the usual case, are settled by one stat: the
  // walk below would take the same exact names.
  if (count > 0) {
    std::string exact = drive->second;
    bool valid = true;
    for (std::size_t i = 0; i < count && valid; ++i) {
      valid = IsValidLongName(parts[i]);
      exact = Join(exact, parts[i]);
    }
    if (valid && IsFolder(exact)) {
      out->folder = std::move(exact);
      out->folder_name = parts[count - 1];
      return true;
    }
  }
  out->folder = drive->second;
  out->folder_name = std::string(1, out->path.drive) + ":\\";
  if (!IsFolder(out->folder)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    std::string stored;
    if (!FindEntry(out->folder, parts[i], &stored)) return false;
    out->folder = Join(out->folder, stored);
    out->folder_name = stored;
    if (!IsFolder(out->folder)) return false;
  }
  return true;
}

FsStatus HostFileSystem::CheckWritable(const std::string& host_folder,
                                       std::string_view path) const {
  char* real = realpath(host_folder.c_str(), nullptr);
  if (!real) return FailErrno(errno, "Cannot write " + std::string(path));
  const std::string folder = real;
  std::free(real);
  for (const std::string& guarded : protected_) {
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
  auto fits = [&](const std::string& host) {
    return want_folder ? IsFolder(host) : IsRegularFile(host);
  };
  const std::string& last = parsed.components.back();
  if (HasWildcard(last)) {
    std::vector<std::string> names = ListNames(resolved.folder);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      const std::string fa = LowerCase1252(a), fb = LowerCase1252(b);
      return fa != fb ? fa < fb : a < b;
    });
    for (const std::string& name : names) {
      if (MatchesWildcard(last, name) && fits(Join(resolved.folder, name))) return name;
    }
    return {};
  }
  std::string stored;
  if (!FindEntry(resolved.folder, last, &stored)) return {};
  return fits(Join(resolved.folder, stored)) ? stored : std::string();
}

std::string HostFileSystem::ToHostPath(std::string_view windows_path) const {
  Resolved resolved;
  if (!ResolveFolder(windows_path, false, &resolved)) return {};
  if (resolved.path.components.empty()) return resolved.folder;
  std::string stored;
  if (!FindEntry(resolved.folder, resolved.path.components.back(), &stored)) return {};
  return Join(resolved.folder, stored);
}

std::unique_ptr<ByteSource> HostFileSystem::OpenRead(std::string_view path, std::string* error) {
  auto fail = [&](std::string why) -> std::unique_ptr<ByteSource> {
    if (error) *error = std::move(why);
    return nullptr;
  };
  Resolved resolved;
  std::string stored;
  if (!ResolveFolder(path, false, &resolved) || resolved.path.components.empty() ||
      resolved.path.trailing_separator ||
      !FindEntry(resolved.folder, resolved.path.components.back(), &stored)) {
    return fail("File not found: " + std::string(path));
  }
  const std::string host = Join(resolved.folder, stored);
  Fd fd(open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return fail(std::string(path) + ": " + std::strerror(errno));
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return fail(std::string(path) + ": " + std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return fail(std::string(path) + ": is a folder");
  return std::make_unique<FdSource>(fd.Release());
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
  if (!IsValidLongName(name)) {
    return Fail(FsError::kOther, "Invalid folder name: " + std::string(path));
  }
  if (FsStatus status = CheckWritable(resolved.folder, path); !status.ok()) return status;
  std::string stored;
  if (FindEntry(resolved.folder, name, &stored)) {
    return Fail(FsError::kOther, "A file or folder of that name exists: " + std::string(path));
  }
  if (mkdir(Join(resolved.folder, name).c_str(), 0777) != 0) {
    return FailErrno(errno, "Cannot create folder " + std::string(path));
  }
  return {};
}

FsStatus HostFileSystem::CopyFile(std::string_view from, std::string_view to) {
  // The source.
  Resolved source;
  if (!ResolveFolder(from, false, &source)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(from));
  }
  std::string source_name;
  if (source.path.components.empty() || source.path.trailing_separator ||
      !FindEntry(source.folder, source.path.components.back(), &source_name)) {
    return Fail(FsError::kOther, "File not found: " + std::string(from));
  }
  const std::string source_host = Join(source.folder, source_name);

  // The target: its folder must exist; an entry of the same name is replaced.
  Resolved target;
  if (!ResolveFolder(to, false, &target)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(to));
  }
  if (target.path.components.empty() || target.path.trailing_separator ||
      !IsValidLongName(target.path.components.back())) {
    return Fail(FsError::kOther, "Invalid file name: " + std::string(to));
  }
  if (FsStatus status = CheckWritable(target.folder, to); !status.ok()) return status;
  std::string target_name = target.path.components.back();
  std::string stored;
  if (FindEntry(target.folder, target_name, &stored)) target_name = stored;
  const std::string target_host = Join(target.folder, target_name);
  struct stat target_info;
  const bool target_exists = stat(target_host.c_str(), &target_info) == 0;
  if (target_exists && S_ISDIR(target_info.st_mode)) {
    return Fail(FsError::kOther, "Is a folder: " + std::string(to));
  }

  Fd input(open(source_host.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.get() < 0) {
    return Fail(FsError::kOther, "Cannot read " + std::string(from) + ": " + std::strerror(errno));
  }
  struct stat source_info;
  if (fstat(input.get(), &source_info) != 0 || S_ISDIR(source_info.st_mode)) {
    return Fail(FsError::kOther, "Not a readable file: " + std::string(from));
  }
  if (target_exists && target_info.st_dev == source_info.st_dev &&
      target_info.st_ino == source_info.st_ino) {
    return Fail(FsError::kOther, "A file cannot be copied onto itself: " + std::string(to));
  }

  // Write a temporary beside the target, then rename it over the target.
  std::string temporary;
  Fd output;
  for (int attempt = 0; attempt < 100 && output.get() < 0; ++attempt) {
    temporary = Join(target.folder, TemporaryName());
    output.Reset(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (output.get() < 0 && errno != EEXIST) {
      return FailErrno(errno, "Cannot write " + std::string(to));
    }
  }
  if (output.get() < 0)
    return Fail(FsError::kOther, "No temporary name free for " + std::string(to));
  auto abandon = [&](FsStatus status) {
    output.Close();
    unlink(temporary.c_str());
    return status;
  };
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = read(input.get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return abandon(
          Fail(FsError::kOther, "Cannot read " + std::string(from) + ": " + std::strerror(errno)));
    }
    if (got == 0) break;
    if (!WriteAll(output.get(), buffer.data(), static_cast<std::size_t>(got))) {
      return abandon(FailErrno(errno, "Cannot write " + std::string(to)));
    }
  }
  // Keep the source's last-write time, as a Windows copy does; failing that is harmless.
  const timespec times[2] = {source_info.st_atim, source_info.st_mtim};
  futimens(output.get(), times);
  if (output.Close() != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return FailErrno(error, "Cannot write " + std::string(to));
  }
  if (rename(temporary.c_str(), target_host.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return FailErrno(error, "Cannot write " + std::string(to));
  }
  return {};
}

std::string HostToWindowsPath(const std::string& host_abs_path) {
  if (host_abs_path.empty() || host_abs_path.front() != '/' ||
      host_abs_path.find('\\') != std::string::npos) {
    return {};
  }
  std::string out = "Z:";
  std::size_t start = 0;
  while (start < host_abs_path.size()) {
    std::size_t end = host_abs_path.find('/', start);
    if (end == std::string::npos) end = host_abs_path.size();
    if (end > start) out += "\\" + host_abs_path.substr(start, end - start);
    start = end + 1;
  }
  if (out.size() == 2) out += "\\";
  return out;
}

std::string WindowsToHostPath(std::string_view windows_path) {
  WindowsPath parsed;
  if (!ParseWindowsPath(windows_path, &parsed) || parsed.drive != 'Z') return {};
  std::string out;
  for (const std::string& part : parsed.components) out += "/" + part;
  return out.empty() ? "/" : out;
}

}  // namespace veskaro::platform
