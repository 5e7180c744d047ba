// Name rules of FAT folders as Windows 95 applies them: 8.3 short aliases of long
// names, wildcard patterns and the order in which a name finds a folder entry
// (letter case is code page 1252's, see code_page.h). Shared by the file systems
// that present a folder tree through Windows paths.
#pragma once

#include <cstddef>
#include <optional>
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

inline constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

/// The order in which a path component finds an entry of a folder: the one rule of
/// every file system that presents folders through Windows paths.
///  1. The entry stored under exactly that name.
///  2. The entry stored under its code page 1252 upper-case spelling, then the one
///     under its lower-case spelling. Two entries differ only in letter case only on
///     a case-sensitive host; there these spellings, the ones FAT folders and INF
///     texts mostly use, are taken before the others.
///  3. The first entry equal to it ignoring code page 1252 letter case.
///  4. When it contains "~": the entry whose 8.3 alias (ShortAliases) it is,
///     ignoring letter case.
/// An empty component finds nothing.
///
/// `folder` answers the three questions of these steps, each with an entry or
/// nothing (a std::optional), however it keeps its names, so that an indexed folder
/// answers each at once and a plain list by a scan:
///   `folder.Exact(name)`, `folder.IgnoringCase(name)`, `folder.ByAlias(name)`.
template <typename Folder>
auto MatchFolderEntryIn(Folder& folder, std::string_view component)
    -> decltype(folder.Exact(component)) {
  if (component.empty()) return {};
  if (auto found = folder.Exact(component)) return found;
  const std::string upper = UpperCase1252(component);
  if (upper != component) {
    if (auto found = folder.Exact(upper)) return found;
  }
  const std::string lower = LowerCase1252(component);
  if (lower != component && lower != upper) {
    if (auto found = folder.Exact(lower)) return found;
  }
  if (auto found = folder.IgnoringCase(component)) return found;
  if (component.find('~') == std::string_view::npos) return {};
  return folder.ByAlias(component);
}

/// MatchFolderEntryIn over a plain list of `count` entries whose names `name_of(i)`
/// gives, in folder order. Returns the index of the entry, or kNoEntry. Names are
/// copied into a list only when an 8.3 alias must be worked out.
template <typename NameOf>
std::size_t MatchFolderEntryBy(std::size_t count, NameOf name_of, std::string_view component) {
  struct Listed {
    std::size_t count;
    NameOf& name_of;
    std::optional<std::size_t> Exact(std::string_view name) const {
      for (std::size_t i = 0; i < count; ++i) {
        if (std::string_view(name_of(i)) == name) return i;
      }
      return std::nullopt;
    }
    std::optional<std::size_t> IgnoringCase(std::string_view name) const {
      for (std::size_t i = 0; i < count; ++i) {
        if (EqualsIgnoreCase1252(name_of(i), name)) return i;
      }
      return std::nullopt;
    }
    std::optional<std::size_t> ByAlias(std::string_view alias) const {
      std::vector<std::string> names;
      names.reserve(count);
      for (std::size_t i = 0; i < count; ++i) names.emplace_back(name_of(i));
      const std::vector<std::string> aliases = ShortAliases(names);
      for (std::size_t i = 0; i < aliases.size(); ++i) {
        if (EqualsIgnoreCase1252(aliases[i], alias)) return i;
      }
      return std::nullopt;
    }
  };
  Listed listed{count, name_of};
  return MatchFolderEntryIn(listed, component).value_or(kNoEntry);
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
