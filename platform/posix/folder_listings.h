// Finding the entry of a host folder that a Windows path component names, and the
// indexes of host folders kept for that between lookups (inotify tells every change).
// Host names are UTF-8; a component is text in the installation's code page, and
// each host name is compared through its code page spelling (HostNameToCodePage).
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veskaro::platform {

/// What a folder listing or an lstat tells of an entry's type.
enum class EntryType : unsigned char { kUnknown, kFile, kFolder };

/// One entry of a host folder: its name as stored, that name in the code page, and
/// what is known of its type (kUnknown for a symbolic link or when the file system
/// does not say).
struct FolderEntry {
  std::string host;  ///< the name the host folder stores
  std::string name;  ///< its code page spelling (HostNameToCodePage)
  EntryType type = EntryType::kUnknown;
};

/// The entries of host folder `folder`, without "." and "..", their names spelt in
/// code page `code_page`; empty when it cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder, int code_page);

/// The entry of host folder `folder`, whose stat is `folder_info`, that the path
/// component `component`, text in code page `code_page`, names, in the order of
/// MatchFolderEntryIn over the entries' code page spellings; nothing when there is
/// none or `component` is no valid name (IsValidLongName). Among host names of the
/// same spelling (a UTF-8 name and the same name stored in the code page's bytes),
/// the UTF-8 one is found.
///
/// A name stored as written costs one lstat. Other names need the folder's entries:
/// each folder looked up so is indexed once and the index kept while inotify reports
/// every change made to it (by any process); on file systems that may change unseen
/// (network, FUSE), or without inotify, the upper- and lower-case spellings are
/// tried first (one lstat each), then the folder is listed again. A lookup in a
/// watched folder thus costs no listing, however large the folder.
std::optional<FolderEntry> FindFolderEntry(const std::string& folder,
                                           const struct stat& folder_info,
                                           std::string_view component, int code_page);

}  // namespace veskaro::platform
