#include "platform/posix/folder_listings.h"

#include <dirent.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/statfs.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/short_names.h"

namespace veskaro::platform {

std::vector<FolderEntry> ListFolder(const std::string& folder, int code_page) {
  std::vector<FolderEntry> entries;
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
    entries.push_back({std::string(name), HostNameToCodePage(code_page, name), type});
  }
  closedir(dir);
  return entries;
}

namespace {

// The entries of one host folder, indexed to answer the questions of
// MatchFolderEntryIn over their code page spellings at once: by exact spelling, by
// spelling ignoring case (the first one listed), and by 8.3 alias (worked out when
// first asked for). Host names of one spelling are kept UTF-8 first.
class FolderIndex {
 public:
  FolderIndex(int code_page, const std::vector<FolderEntry>& entries) : code_page_(code_page) {
    for (const FolderEntry& entry : entries) Add(entry.host, entry.type, entry.name);
  }

  void Add(const std::string& host, EntryType type) {
    Add(host, type, HostNameToCodePage(code_page_, host));
  }

  void Remove(const std::string& host) {
    const auto it = entries_.find(host);
    if (it == entries_.end()) return;
    const std::string name = it->second.name;
    entries_.erase(it);
    Unlist(&by_name_, name, host);
    Unlist(&folded_, LowerCase1252(name), host);
    aliases_.reset();
  }

  std::optional<FolderEntry> Exact(std::string_view name) const {
    return Entry(by_name_, std::string(name));
  }

  std::optional<FolderEntry> IgnoringCase(std::string_view name) const {
    return Entry(folded_, LowerCase1252(name));
  }

  std::optional<FolderEntry> ByAlias(std::string_view alias) {
    if (!aliases_) {
      std::vector<std::string> hosts, names;
      hosts.reserve(entries_.size());
      names.reserve(entries_.size());
      for (const auto& [host, entry] : entries_) {
        hosts.push_back(host);
        names.push_back(entry.name);
      }
      const std::vector<std::string> aliases = ShortAliases(names);
      aliases_.emplace();
      for (std::size_t i = 0; i < aliases.size(); ++i) {
        (*aliases_)[LowerCase1252(aliases[i])].push_back(hosts[i]);
      }
    }
    return Entry(*aliases_, LowerCase1252(alias));
  }

 private:
  struct Stored {
    std::string name;  // the code page spelling
    EntryType type;
  };
  // Key -> host names, the one to find first.
  using Lists = std::unordered_map<std::string, std::vector<std::string>>;

  void Add(const std::string& host, EntryType type, std::string name) {
    const auto [it, added] = entries_.try_emplace(host, Stored{name, type});
    if (!added) {
      it->second.type = type;
      return;
    }
    // A host name spelt other than itself is UTF-8: it comes before one stored in
    // the code page's bytes.
    std::vector<std::string>& same = by_name_[name];
    same.insert(host != name ? same.begin() : same.end(), host);
    folded_[LowerCase1252(name)].push_back(host);  // of names equal ignoring case, the first
    aliases_.reset();
  }

  static void Unlist(Lists* lists, const std::string& key, const std::string& host) {
    const auto it = lists->find(key);
    if (it == lists->end()) return;
    std::erase(it->second, host);
    if (it->second.empty()) lists->erase(it);
  }

  std::optional<FolderEntry> Entry(const Lists& lists, const std::string& key) const {
    const auto it = lists.find(key);
    if (it == lists.end()) return std::nullopt;
    const std::string& host = it->second.front();
    const Stored& stored = entries_.at(host);
    return FolderEntry{host, stored.name, stored.type};
  }

  int code_page_;
  std::unordered_map<std::string, Stored> entries_;  // host name -> its spelling, type
  Lists by_name_;                                    // spelling -> host names
  Lists folded_;                                     // lower-case spelling -> host names
  std::optional<Lists> aliases_;                     // lower-case alias -> host names
};

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

  // Calls `use(index)` on the kept index of the folder whose stat is `folder_info`,
  // spelt in code page `code_page`, after applying the changes reported since.
  // False, without calling it, when no index is kept for that folder.
  template <typename Use>
  bool IfKept(const struct stat& folder_info, int code_page, Use use) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(mutex_);
    Drain();
    const auto it = kept_.find(Key{folder_info.st_dev, folder_info.st_ino, code_page});
    if (it == kept_.end()) return false;
    use(it->second.index);
    return true;
#else
    (void)folder_info, (void)code_page, (void)use;
    return false;
#endif
  }

  // Calls `use(index)` on an index of `folder`, whose stat is `folder_info`: the
  // kept one, else a new one that is kept from now on when the folder can be
  // watched. False, without calling it, when the folder cannot be watched: the
  // caller lists it itself.
  template <typename Use>
  bool WithIndex(const std::string& folder, const struct stat& folder_info, int code_page,
                 Use use) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(mutex_);
    Drain();
    const Key key{folder_info.st_dev, folder_info.st_ino, code_page};
    if (auto it = kept_.find(key); it != kept_.end()) {
      use(it->second.index);
      return true;
    }
    const int wd = Watch(folder, folder_info);
    if (wd < 0) return false;
    kept_.emplace(key, Kept{wd, FolderIndex(code_page, ListFolder(folder, code_page))});
    watches_[wd] = key;
    Drain();  // changes made while the folder was listed
    if (auto it = kept_.find(key); it != kept_.end()) {
      use(it->second.index);
      return true;
    }
#else
    (void)folder, (void)folder_info, (void)code_page, (void)use;
#endif
    return false;
  }

 private:
#ifdef __linux__
  struct Key {
    dev_t device;
    ino_t inode;
    int code_page;
    bool operator==(const Key& other) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      return std::hash<std::uint64_t>()(
          (static_cast<std::uint64_t>(key.inode) * 31 + static_cast<std::uint64_t>(key.device)) *
              31 +
          static_cast<std::uint64_t>(key.code_page));
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

std::string Join(const std::string& folder, std::string_view name) {
  std::string out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

EntryType TypeOf(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return EntryType::kFile;
  if (S_ISDIR(info.st_mode)) return EntryType::kFolder;
  return EntryType::kUnknown;
}

// A host folder without a kept index, as MatchFolderEntryIn asks it: exact names by
// lstat, names ignoring case and aliases from an index, kept from now on when the
// folder can be watched, else made from a listing for this lookup alone.
class UnindexedFolder {
 public:
  UnindexedFolder(const std::string& folder, const struct stat& info, int code_page)
      : folder_(folder), info_(info), code_page_(code_page) {}

  std::optional<FolderEntry> Exact(std::string_view name) const {
    for (std::string& host : HostSpellings(code_page_, name)) {
      struct stat entry;
      if (lstat(Join(folder_, host).c_str(), &entry) == 0) {
        return FolderEntry{std::move(host), std::string(name), TypeOf(entry)};
      }
    }
    return std::nullopt;
  }
  std::optional<FolderEntry> IgnoringCase(std::string_view name) {
    return Ask([&](FolderIndex& index) { return index.IgnoringCase(name); });
  }
  std::optional<FolderEntry> ByAlias(std::string_view alias) {
    return Ask([&](FolderIndex& index) { return index.ByAlias(alias); });
  }

 private:
  template <typename Question>
  std::optional<FolderEntry> Ask(Question question) {
    std::optional<FolderEntry> answer;
    if (FolderListings().WithIndex(folder_, info_, code_page_,
                                   [&](FolderIndex& index) { answer = question(index); })) {
      return answer;
    }
    if (!listed_) listed_.emplace(code_page_, ListFolder(folder_, code_page_));
    return question(*listed_);
  }

  const std::string& folder_;
  const struct stat& info_;
  int code_page_;
  std::optional<FolderIndex> listed_;
};

}  // namespace

std::optional<FolderEntry> FindFolderEntry(const std::string& folder,
                                           const struct stat& folder_info,
                                           std::string_view component, int code_page) {
  if (!IsValidLongName(component)) return std::nullopt;
  std::optional<FolderEntry> found;
  if (FolderListings().IfKept(folder_info, code_page, [&](FolderIndex& index) {
        found = MatchFolderEntryIn(index, component);
      })) {
    return found;
  }
  UnindexedFolder unindexed(folder, folder_info, code_page);
  return MatchFolderEntryIn(unindexed, component);
}

}  // namespace veskaro::platform
