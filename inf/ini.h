// Reading INF files (and any text laid out in [section] and key=value lines) by
// plain sequential reading. Every call opens, reads and closes its file; nothing is
// cached, so a file changed between two calls is seen.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace veskaro::inf {

/// A list result that tells "no result" (nullopt) apart from an empty list.
using IniList = std::optional<std::vector<std::string>>;

/// Thrown when a file exists but cannot be opened or read to its end. The readers
/// never return a partial result as if it were whole; the caller ends what it was
/// doing and names the file to the user.
class FileReadError : public std::runtime_error {
 public:
  FileReadError(std::string path, std::string reason);
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

/// Normalises one raw line: drops the comment from the first ";", turns tabs into
/// spaces, trims spaces; a "[...]" line is returned as it is; otherwise the spaces
/// around the first "=" and around every "," are removed.
std::string CleanIniLine(std::string_view raw);

/// Cleans `raw` into `*out`, reusing its storage. Same result as CleanIniLine.
void CleanIniLineInto(std::string_view raw, std::string* out);

/// Section headers: a cleaned line "[name]" heads the section `name` when it equals
/// "[" + name + "]" ignoring code page 1252 letter case, as Windows matches section
/// names; spaces inside the brackets still count.
///
/// The non-empty cleaned lines of the first section headed "[section]", in file
/// order; an empty list when the section is missing or empty; nullopt when no file
/// is found at `path`.
/// @throws FileReadError when the file exists but cannot be read.
IniList GetIniSection(platform::FileSystem& fs, std::string_view path, std::string_view section);

/// The value of `key` (matched case-insensitively at the start of a line) in the
/// section "[section]"; within one body the first key line wins, and a later
/// occurrence of the section that holds the key replaces the result. Empty text when
/// the file is absent, the section is missing or the key is not in it. With
/// `section_found`, also tells whether the file has the section at all.
/// @throws FileReadError when the file exists but cannot be read.
std::string GetIniValue(platform::FileSystem& fs, std::string_view path, std::string_view section,
                        std::string_view key, bool* section_found = nullptr);

/// The values of every line for `key` in the whole file, sections ignored, in file
/// order. nullopt when the file is absent or no line matches; an empty list when the
/// only match has an empty value. A value holding "||||" is split there.
/// @throws FileReadError when the file exists but cannot be read.
IniList FindIniValues(platform::FileSystem& fs, std::string_view path, std::string_view key);

}  // namespace veskaro::inf
