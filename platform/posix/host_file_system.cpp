#include "platform/posix/host_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/statfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/short_names.h"

namespace veskaro::platform {

// A failure while copying a file's bytes: its errno, whether reading failed, and
// what the source said of it when it is no host file.
struct CopyError {
  int error = 0;
  bool reading = false;
  std::string detail;
};

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

// What a folder listing tells of an entry: its name and, when the file system says,
// whether it is a regular file or a folder.
enum class EntryType : unsigned char { kUnknown, kFile, kFolder };
struct ListedEntry {
  std::string name;
  EntryType type = EntryType::kUnknown;
};

// Entries of a host folder, without "." and ".."; empty when it cannot be read.
std::vector<ListedEntry> ListEntries(const std::string& folder) {
  std::vector<ListedEntry> entries;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return entries;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    EntryType type = EntryType::kUnknown;
#ifdef DT_REG
    if (entry->d_type == DT_REG) type = EntryType::kFile;
    if (entry->d_type == DT_DIR) type = EntryType::kFolder;
#endif
    entries.push_back({std::string(name), type});
  }
  closedir(dir);
  return entries;
}

// Entry names of a host folder, without "." and ".."; empty when it cannot be read.
std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  for (ListedEntry& entry : ListEntries(folder)) names.push_back(std::move(entry.name));
  return names;
}

// The entries of one host folder, indexed the way MatchFolderEntry compares names.
class FolderIndex {
 public:
  explicit FolderIndex(const std::vector<ListedEntry>& entries) {
    for (const ListedEntry& entry : entries) Add(entry.name, entry.type);
  }

  void Add(const std::string& name, EntryType type) {
    const auto [it, added] = exact_.emplace(name, type);
    if (!added) {
      it->second = type;
      return;
    }
    const std::string key = LowerCase1252(name);
    folded_.emplace(key, name);  // of names equal ignoring case, the first one stays
    ++folded_count_[key];
    aliases_.clear();
    aliases_made_ = false;
  }

  void Remove(const std::string& name) {
    if (exact_.erase(name) == 0) return;
    const std::string key = LowerCase1252(name);
    if (--folded_count_[key] == 0) {
      folded_count_.erase(key);
      folded_.erase(key);
    } else if (folded_[key] == name) {
      for (const auto& [other, type] : exact_) {
        if (LowerCase1252(other) == key) folded_[key] = other;
      }
    }
    aliases_.clear();
    aliases_made_ = false;
  }

  // The exact name, else one equal ignoring case, else (for a name holding "~") the
  // name whose 8.3 alias it is; with its type.
  bool Find(std::string_view component, std::string* stored, EntryType* type) {
    if (component.empty() || !IsValidLongName(component)) return false;
    const auto found = [&](const std::string& name) {
      *stored = name;
      *type = exact_.at(name);
      return true;
    };
    if (exact_.count(std::string(component)) != 0) return found(std::string(component));
    const std::string key = LowerCase1252(component);
    if (const auto it = folded_.find(key); it != folded_.end()) {
      // Names that differ only in case (a case-sensitive host): the upper-case, then
      // the lower-case spelling, as the probes of ProbeCases would find them.
      if (folded_count_.at(key) > 1) {
        for (const std::string& spelling : {UpperCase1252(component), key}) {
          if (exact_.count(spelling) != 0) return found(spelling);
        }
      }
      return found(it->second);
    }
    if (component.find('~') == std::string_view::npos) return false;
    if (!aliases_made_) {
      std::vector<std::string> names;
      names.reserve(exact_.size());
      for (const auto& [name, type] : exact_) names.push_back(name);
      const std::vector<std::string> aliases = ShortAliases(names);
      for (std::size_t i = 0; i < aliases.size(); ++i) {
        aliases_.emplace(LowerCase1252(aliases[i]), names[i]);
      }
      aliases_made_ = true;
    }
    const auto alias = aliases_.find(LowerCase1252(component));
    if (alias == aliases_.end()) return false;
    return found(alias->second);
  }

 private:
  std::unordered_map<std::string, EntryType> exact_;
  std::unordered_map<std::string, std::string> folded_;  // lower-case name -> a stored name
  std::unordered_map<std::string, int> folded_count_;
  bool aliases_made_ = false;
  std::unordered_map<std::string, std::string> aliases_;  // lower-case alias -> stored name
};

// Listing a folder costs time in proportion to its size, so where no index is kept
// the spellings that FAT folders and INF texts mostly use are tried first, one lstat
// each: the name in upper case, then in lower case. Two entries that differ only in
// letter case exist only on a case-sensitive host; there these spellings are taken
// before the others, here and by FolderIndex alike.
bool ProbeCases(const std::string& folder, std::string_view component, std::string* stored) {
  std::string path = Join(folder, component);
  const std::size_t base = path.size() - component.size();
  char (*const converts[])(char) = {&UpperCase1252, &LowerCase1252};
  for (char (*convert)(char) : converts) {
    bool changed = false;
    for (std::size_t i = 0; i < component.size(); ++i) {
      path[base + i] = convert(component[i]);
      changed = changed || path[base + i] != component[i];
    }
    struct stat info;
    if (changed && lstat(path.c_str(), &info) == 0) {
      *stored = path.substr(base);
      return true;
    }
  }
  return false;
}

#ifdef __linux__
// Whether a file system reports every change to this kernel's inotify: those kept on
// local disks and in memory. Network and user-space file systems can change behind
// the kernel's back and are listed afresh at every lookup.
bool IsLocalFileSystem(const std::string& folder) {
  struct statfs info;
  if (statfs(folder.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // XFS
    case 0x9123683E:  // Btrfs
    case 0x01021994:  // tmpfs
    case 0xF2F52010:  // F2FS
    case 0x4D44:      // FAT
    case 0x2011BAB0:  // exFAT
    case 0x7366746E:  // NTFS (ntfs3)
      return true;
    default:
      return false;
  }
}
#endif

// Indexes of host folders, kept between lookups while inotify tells every change.
//
// A lookup of a name not stored under that exact name must compare it with every
// entry of the folder ignoring case. Listing a SYSTEM folder of thousands of files
// for each such lookup, or a copy's target folder for each file copied into it, made
// the analysis and the copy spend most of their time in readdir. So a folder's index is
// kept, and the folder watched with inotify, which reports every entry created,
// removed or renamed in it, by any process, before that change returns to the one
// that made it. The events are applied to the index before every use; a lost event
// (queue overflow), a folder removed or moved, or a path that now names another
// folder (checked by device and inode) drops it. Without inotify, or on a file
// system that may change unseen (network, FUSE), every lookup lists the folder. At
// most kMaxFolders folders are watched (watches are a per-user resource): a folder
// beyond that drops all the others first, as the folders in use are few at any time
// and are listed again when next needed. One mutex guards it all.
class Listings {
 public:
  static constexpr std::size_t kMaxFolders = 4096;

  ~Listings() {
#ifdef __linux__
    if (fd_ >= 0) close(fd_);
#endif
  }

  // Looks `component` up in the kept index of the folder whose stat is `folder_info`:
  // 1 found, 0 not there, -1 no index is kept for that folder.
  int Lookup(const struct stat& folder_info, std::string_view component, std::string* stored,
             EntryType* type) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(mutex_);
    Drain();
    const auto it = kept_.find(Key{folder_info.st_dev, folder_info.st_ino});
    if (it == kept_.end()) return -1;
    return it->second.index.Find(component, stored, type) ? 1 : 0;
#else
    (void)folder_info, (void)component, (void)stored, (void)type;
    return -1;
#endif
  }

  // Finds the entry of `folder` that `component` names, when it is not stored under
  // that exact name, as FindEntry describes; starts keeping an index of the folder
  // when it can. `folder_info`, when given, is the folder's stat taken by the caller.
  // False when there is none or the folder cannot be listed.
  bool Match(const std::string& folder, const struct stat* folder_info, std::string_view component,
             std::string* stored, EntryType* type) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(mutex_);
    struct stat info;
    if (folder_info != nullptr) {
      info = *folder_info;
    } else if (stat(folder.c_str(), &info) != 0) {
      return false;
    }
    Drain();
    const Key key{info.st_dev, info.st_ino};
    if (auto it = kept_.find(key); it != kept_.end()) {
      return it->second.index.Find(component, stored, type);
    }
    const int wd = Watch(folder, info);
    if (wd >= 0) {
      kept_.emplace(key, Kept{wd, FolderIndex(ListEntries(folder))});
      watches_[wd] = key;
      Drain();  // changes made while the folder was listed
      if (auto it = kept_.find(key); it != kept_.end()) {
        return it->second.index.Find(component, stored, type);
      }
    }
#else
    (void)folder_info;
#endif
    // Not kept: the usual spellings first, one lstat each, then a fresh listing.
    *type = EntryType::kUnknown;
    if (ProbeCases(folder, component, stored)) return true;
    return FolderIndex(ListEntries(folder)).Find(component, stored, type);
  }

 private:
#ifdef __linux__
  struct Key {
    dev_t device;
    ino_t inode;
    bool operator==(const Key& other) const {
      return device == other.device && inode == other.inode;
    }
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(key.inode) * 31 +
                                        static_cast<std::uint64_t>(key.device));
    }
  };
  struct Kept {
    int wd;
    FolderIndex index;
  };

  // Starts watching `folder`; -1 when it cannot or should not be watched.
  int Watch(const std::string& folder, const struct stat& info) {
    if (fd_ == -2) fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0 || !IsLocalFileSystem(folder)) return -1;
    if (kept_.size() >= kMaxFolders) DropAll();
    const int wd = inotify_add_watch(fd_, folder.c_str(),
                                     IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                         IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (wd < 0) return -1;
    // The watch must be on the folder that was looked at, and on no other kept one.
    struct stat now;
    if (stat(folder.c_str(), &now) != 0 || now.st_dev != info.st_dev || now.st_ino != info.st_ino ||
        watches_.count(wd) != 0) {
      if (watches_.count(wd) == 0) inotify_rm_watch(fd_, wd);
      return -1;
    }
    return wd;
  }

  void Forget(int wd, bool remove_watch) {
    const auto watch = watches_.find(wd);
    if (watch == watches_.end()) return;
    kept_.erase(watch->second);
    watches_.erase(watch);
    if (remove_watch) inotify_rm_watch(fd_, wd);
  }

  // Applies every event waiting in the queue.
  void Drain() {
    if (fd_ < 0) return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      const ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno != EAGAIN) DropAll();
        return;
      }
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) {
          DropAll();
          continue;
        }
        if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
          Forget(event->wd, !(event->mask & IN_IGNORED));
          continue;
        }
        const auto watch = watches_.find(event->wd);
        if (watch == watches_.end() || event->len == 0) continue;
        FolderIndex& index = kept_.at(watch->second).index;
        const std::string name(event->name);
        // A name created or moved in may be anything but a folder: its type is asked
        // for when it matters.
        if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
          index.Add(name, event->mask & IN_ISDIR ? EntryType::kFolder : EntryType::kUnknown);
        }
        if (event->mask & (IN_DELETE | IN_MOVED_FROM)) index.Remove(name);
      }
    }
  }

  void DropAll() {
    for (const auto& [wd, key] : watches_) inotify_rm_watch(fd_, wd);
    watches_.clear();
    kept_.clear();
  }

  std::mutex mutex_;
  int fd_ = -2;  // -2: not opened yet
  std::unordered_map<Key, Kept, KeyHash> kept_;
  std::unordered_map<int, Key> watches_;
#endif
};

Listings& FolderListings() {
  static Listings listings;
  return listings;
}

// The stored name of the entry of host folder `folder` that `component` names: from
// the folder's kept index when there is one (see Listings), else the exact name (one
// lstat), else as Listings::Match finds it. `folder_info` is the folder's stat when
// the caller has it. `entry_info` receives what is known of the entry's type as an
// lstat would give it (st_mode), or a zero st_mode.
bool FindEntry(const std::string& folder, std::string_view component, std::string* stored,
               const struct stat* folder_info = nullptr, struct stat* entry_info = nullptr) {
  if (!IsValidLongName(component)) return false;
  EntryType type = EntryType::kUnknown;
  auto known = [&](bool found) {
    if (entry_info != nullptr) {
      entry_info->st_mode = type == EntryType::kFile     ? S_IFREG
                            : type == EntryType::kFolder ? S_IFDIR
                                                         : 0;
    }
    return found;
  };
  if (folder_info != nullptr) {
    const int kept = FolderListings().Lookup(*folder_info, component, stored, &type);
    if (kept >= 0) return known(kept == 1);
  }
  struct stat info;
  if (lstat(Join(folder, component).c_str(), &info) == 0) {
    *stored = std::string(component);
    if (entry_info != nullptr) *entry_info = info;
    return true;
  }
  return known(FolderListings().Match(folder, folder_info, component, stored, &type));
}

// Whether the entry `host_path`, of which `entry_info` may hold the lstat, is a
// folder (`folder`) or a regular file; symbolic links are followed.
bool IsKind(const std::string& host_path, const struct stat& entry_info, bool folder) {
  if (entry_info.st_mode != 0 && !S_ISLNK(entry_info.st_mode)) {
    return folder ? S_ISDIR(entry_info.st_mode) : S_ISREG(entry_info.st_mode);
  }
  struct stat info;
  return stat(host_path.c_str(), &info) == 0 &&
         (folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode));
}

// stat of a folder: false when it is none.
bool StatFolder(const std::string& host_path, struct stat* info) {
  return stat(host_path.c_str(), info) == 0 && S_ISDIR(info->st_mode);
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


// Copies the rest of `in` to `out`. The system copies the bytes itself
// (copy_file_range) as long as it can for these two files; the rest goes through a
// buffer, read and written, which also tells a read failure from a write failure.
// A file that reports the size 0 is always read: pseudo files do, whatever they hold.
CopyError CopyData(int in, int out, off_t size) {
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
  std::string folder;          // host path of the folder holding the last component
  std::string folder_name;     // that folder's stored name ("X:\" for a drive root)
  struct stat folder_info {};  // that folder's stat
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
    if (valid && StatFolder(exact, &out->folder_info)) {
      out->folder = std::move(exact);
      out->folder_name = parts[count - 1];
      return true;
    }
  }
  out->folder = drive->second;
  out->folder_name = std::string(1, out->path.drive) + ":\\";
  if (!StatFolder(out->folder, &out->folder_info)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    std::string stored;
    if (!FindEntry(out->folder, parts[i], &stored, &out->folder_info)) return false;
    out->folder = Join(out->folder, stored);
    out->folder_name = stored;
    if (!StatFolder(out->folder, &out->folder_info)) return false;
  }
  return true;
}

FsStatus HostFileSystem::CheckWritable(const std::string& host_folder,
                                       std::string_view path) const {
  Fd folder(open(host_folder.c_str(), kFolderOpenFlags));
  std::string real;
  if (folder.get() < 0 || !RealPathOf(folder.get(), host_folder, &real)) {
    return FailErrno(errno, "Cannot write " + std::string(path));
  }
  return RefuseInside(real, protected_, path);
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
  struct stat entry_info;
  if (!FindEntry(resolved.folder, last, &stored, &resolved.folder_info, &entry_info)) return {};
  return IsKind(Join(resolved.folder, stored), entry_info, want_folder) ? stored : std::string();
}

std::string HostFileSystem::ToHostPath(std::string_view windows_path) const {
  Resolved resolved;
  if (!ResolveFolder(windows_path, false, &resolved)) return {};
  if (resolved.path.components.empty()) return resolved.folder;
  std::string stored;
  if (!FindEntry(resolved.folder, resolved.path.components.back(), &stored,
                 &resolved.folder_info)) {
    return {};
  }
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
      !FindEntry(resolved.folder, resolved.path.components.back(), &stored,
                 &resolved.folder_info)) {
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
  if (FindEntry(resolved.folder, name, &stored, &resolved.folder_info)) {
    return Fail(FsError::kOther, "A file or folder of that name exists: " + std::string(path));
  }
  if (mkdir(Join(resolved.folder, name).c_str(), 0777) != 0) {
    return FailErrno(errno, "Cannot create folder " + std::string(path));
  }
  return {};
}

// The folder a copy writes into, checked, and the target's name and state there.
struct HostFileSystem::CopyTarget {
  Fd folder;
  std::string name;
  bool exists = false;
  struct stat info {};
};

FsStatus HostFileSystem::OpenCopyTarget(std::string_view to, CopyTarget* target) const {
  // The target: its folder must exist; an entry of the same name is replaced.
  Resolved resolved;
  if (!ResolveFolder(to, false, &resolved)) {
    return Fail(FsError::kPathNotFound, "Path not found: " + std::string(to));
  }
  if (resolved.path.components.empty() || resolved.path.trailing_separator ||
      !IsValidLongName(resolved.path.components.back())) {
    return Fail(FsError::kOther, "Invalid file name: " + std::string(to));
  }
  // The target folder is opened once: it is checked through that handle and every
  // write goes through it, so the folder checked is the folder written.
  target->folder.Reset(open(resolved.folder.c_str(), kFolderOpenFlags));
  std::string real;
  if (target->folder.get() < 0 || !RealPathOf(target->folder.get(), resolved.folder, &real)) {
    return FailErrno(errno, "Cannot write " + std::string(to));
  }
  if (FsStatus status = RefuseInside(real, protected_, to); !status.ok()) return status;
  target->name = resolved.path.components.back();
  std::string stored;
  const bool found =
      FindEntry(resolved.folder, target->name, &stored, &resolved.folder_info);
  if (found) target->name = stored;
  target->exists =
      found && fstatat(target->folder.get(), target->name.c_str(), &target->info, 0) == 0;
  if (target->exists && S_ISDIR(target->info.st_mode)) {
    return Fail(FsError::kOther, "Is a folder: " + std::string(to));
  }
  return {};
}

// Writes a temporary beside the target with `fill`, then renames it over the target;
// on any failure the temporary is removed. `modified`: the time to keep, if any.
FsStatus HostFileSystem::WriteCopy(CopyTarget& target, std::string_view from, std::string_view to,
                                   const std::function<CopyError(int out)>& fill,
                                   const timespec* modified) const {
  const int folder = target.folder.get();
  std::string temporary;
  Fd output;
  for (int attempt = 0; attempt < 100 && output.get() < 0; ++attempt) {
    temporary = TemporaryName();
    output.Reset(
        openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (output.get() < 0 && errno != EEXIST) {
      return FailErrno(errno, "Cannot write " + std::string(to));
    }
  }
  if (output.get() < 0)
    return Fail(FsError::kOther, "No temporary name free for " + std::string(to));
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
  if (renameat(folder, temporary.c_str(), folder, target.name.c_str()) != 0) {
    const int error = errno;
    unlinkat(folder, temporary.c_str(), 0);
    return FailErrno(error, "Cannot write " + std::string(to));
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
      !FindEntry(source.folder, source.path.components.back(), &source_name, &source.folder_info)) {
    return Fail(FsError::kOther, "File not found: " + std::string(from));
  }
  const std::string source_host = Join(source.folder, source_name);

  CopyTarget target;
  if (FsStatus status = OpenCopyTarget(to, &target); !status.ok()) return status;

  Fd input(open(source_host.c_str(), O_RDONLY | O_CLOEXEC));
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
  return WriteCopy(
      target, from, to,
      [&](int out) { return CopyData(input.get(), out, source_info.st_size); },
      &source_info.st_mtim);
}

FsStatus HostFileSystem::CopyIn(ByteSource& source, std::string_view from, std::string_view to,
                                std::optional<std::int64_t> modified) {
  CopyTarget target;
  if (FsStatus status = OpenCopyTarget(to, &target); !status.ok()) return status;
  const timespec time{static_cast<time_t>(modified.value_or(0)), 0};
  return WriteCopy(
      target, from, to,
      [&](int out) {
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
          if (got == 0) return CopyError{};
          if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(got))) {
            return CopyError{errno, false, {}};
          }
        }
      },
      modified ? &time : nullptr);
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
