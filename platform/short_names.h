// Name rules of FAT folders as Windows 95 applies them: 8.3 short aliases of long
// names, wildcard patterns and the order in which a name finds a folder entry
// (letter case is code page 1252's, see code_page.h). Shared by the file systems
// that present a folder tree through Windows paths.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace veskaro::platform {

/// True when `name` is a valid 8.3 short name as a FAT folder stores it: 1 to 8
/// characters, optionally a dot and 1 to 3 more, no spaces, no lower-case letters
/// and none of the characters that short names exclude (`+ , ; = [ ]` besides the
/// ones no name may hold).
bool IsShortName(std::string_view name);

/// True when `name` can name a file or folder on Windows: not empty, not "." or "..",
/// and free of control characters and of `" * / : < > ? \ |`.
bool IsValidLongName(std::string_view name);

/// The 8.3 aliases of the entries of one folder, one per name and in the same order.
///
/// A name that is a valid short name once upper-cased is its own (upper-case) alias.
/// For any other name the basis is formed the way Windows 95 does: upper-case,
/// leading dots and all spaces removed, every dot but the last removed, characters
/// excluded from short names replaced by "_"; the primary part is the first 8
/// characters before the last dot, the extension the first 3 after it. The alias is
/// then the primary part shortened to make room for a numeric tail "~N" (6
/// characters + "~1" ... "~9", 5 + "~10" ...) plus the extension, N being the
/// smallest number not taken by an alias already given.
///
/// Names get their tails in name order (sorted ignoring case), because the order in
/// which the files were created is not known here. This is an approximation of what
/// a real FAT volume holds: there the tail numbers depend on the creation order and
/// on names deleted since, so a folder with several long names of the same basis may
/// have them numbered differently. A name that yields no basis at all (only dots and
/// spaces) gets an empty alias.
std::vector<std::string> ShortAliases(const std::vector<std::string>& names_in_folder);

/// The name (as stored) among `names_in_folder` whose alias, computed as above, is
/// `component` (ignoring case), or empty text when there is none.
std::string ResolveAlias(const std::vector<std::string>& names_in_folder,
                         std::string_view component);

inline constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

/// Finds the folder entry that a path component names, as a FAT folder does: an
/// exact match first, then a match ignoring code page 1252 letter case, then, when
/// the component contains "~", the entry whose 8.3 alias it is. Returns the index
/// into `names_in_folder`, or kNoEntry.
std::size_t MatchFolderEntry(const std::vector<std::string>& names_in_folder,
                             std::string_view component);

/// MatchFolderEntry over `count` entries whose names `name_of(i)` gives, for
/// callers that keep names elsewhere: they are copied into a list only when an 8.3
/// alias must be worked out.
template <typename NameOf>
std::size_t MatchFolderEntryBy(std::size_t count, NameOf name_of, std::string_view component) {
  if (component.empty()) return kNoEntry;
  for (std::size_t i = 0; i < count; ++i) {
    if (std::string_view(name_of(i)) == component) return i;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (EqualsIgnoreCase1252(name_of(i), component)) return i;
  }
  if (component.find('~') == std::string_view::npos) return kNoEntry;
  std::vector<std::string> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) names.emplace_back(name_of(i));
  const std::vector<std::string> aliases = ShortAliases(names);
  for (std::size_t i = 0; i < aliases.size(); ++i) {
    if (EqualsIgnoreCase1252(aliases[i], component)) return i;
  }
  return kNoEntry;
}

/// True when `pattern` contains a wildcard ("*" or "?").
bool HasWildcard(std::string_view pattern);

/// Windows wildcard matching ignoring code page 1252 letter case: "*" matches any
/// run of characters, "?" any one character. As in a directory search, a pattern
/// ending in ".*" also matches a name without that dot ("*.*" matches every name).
bool MatchesWildcard(std::string_view pattern, std::string_view name);

/// A Windows path split into its parts: "C:\A\B" gives drive 'C' and {"A", "B"}.
struct WindowsPath {
  char drive = 0;                       ///< upper-case drive letter
  std::vector<std::string> components;  ///< "." removed, ".." applied, no empty parts
  bool trailing_separator = false;      ///< the text ended in "\" (a drive root counts)
};

/// Splits `path`, which must begin with a drive letter and ":", at "\" and "/".
/// Runs of separators count as one; "." parts are dropped and ".." removes the part
/// before it (never climbing above the drive root). Returns false for a path without
/// a drive, or one holding a NUL byte.
bool ParseWindowsPath(std::string_view path, WindowsPath* result);

}  // namespace veskaro::platform
