// The destination folders an INF's file lists are copied into.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace veskaro::drivers {

/// The resolved [DestinationDirs] section.
struct Destinations {
  /// key (as written) and full folder path (ending in "\"), in section order.
  std::vector<std::pair<std::string, std::string>> table;
  /// The folder of the last "DefaultDestDir" line; empty when there is none.
  std::string default_destination;
  /// The folder of the first line whose key equals `name` ignoring case; empty text
  /// when none does.
  std::string Lookup(std::string_view name) const;
};

/// What resolving [DestinationDirs] gave: every folder, or the number that stopped it.
struct ResolvedDestinations {
  Destinations destinations;  ///< whole only when `unrecognised_number` is empty
  /// The first directory number no folder belongs to, written as BASIC writes it
  /// ("99", "-14.5", "0" for text that is no number); empty when every number is known.
  std::string unrecognised_number;
  bool ok() const { return unrecognised_number.empty(); }
};

/// Resolves every line of the INF's [DestinationDirs] section against the Windows
/// folder `windows_folder` (ending in "\"), up to the first unrecognised directory
/// number. Lines without "=" are skipped.
/// @throws inf::FileReadError when the INF exists but cannot be read.
ResolvedDestinations ResolveDestinations(platform::FileSystem& fs, std::string_view inf_path,
                                         std::string_view windows_folder);

/// The folder of directory number `n`, or nullopt when the number is not known.
std::optional<std::string> FolderForNumber(double n, std::string_view windows_folder);

/// Reads the number `text` begins with as classic BASIC's Val does: blanks, tabs and
/// line feeds are skipped wherever they stand; then a sign, digits, decimal point and
/// exponent (E or D, with its own sign), or the prefixes &H (hexadecimal) and &O or a
/// bare & (octal), whose values up to 16 and 32 bits read as signed (&HFFFF is -1).
/// 0 when the text does not begin with a number; a decimal number too large for a
/// double gives an infinity (BASIC would stop with an overflow).
double BasicVal(std::string_view text);

/// Writes a number as BASIC writes it into text: integers below 1E+15 without a
/// decimal point or leading zeros, "-" when negative; other numbers with "." and up to
/// 15 significant digits, in E notation ("1E+15", "1E-05") outside 1E-05 to 1E+15;
/// an infinity as "1.#INF" or "-1.#INF".
std::string BasicNumberText(double n);

}  // namespace veskaro::drivers
