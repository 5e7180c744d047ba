// The destination folders an INF's file lists are copied into.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_boxes.h"

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

/// Resolves every line of the INF's [DestinationDirs] section against the Windows
/// folder `windows_folder` (ending in "\"). On an unrecognised directory number shows
/// "Unrecognized File Destination Number <n>" and returns nullopt. Lines without "="
/// are skipped.
/// @throws inf::FileReadError when the INF exists but cannot be read.
std::optional<Destinations> ResolveDestinations(platform::FileSystem& fs,
                                                std::string_view inf_path,
                                                std::string_view windows_folder,
                                                platform::MessageBoxes& boxes);

/// The folder of directory number `n`, or nullopt when the number is not known.
std::optional<std::string> FolderForNumber(double n, std::string_view windows_folder);

/// Reads the number `text` begins with as classic BASIC's Val does: leading blanks,
/// sign, digits with blanks between them, decimal point, exponent (E or D), and the
/// prefixes &H and &O; 0 when the text does not begin with a number.
double BasicVal(std::string_view text);

/// Writes a number as BASIC's Str$ does without its leading blank: integers without a
/// decimal point or leading zeros, "-" when negative, fractions with "." and up to 15
/// significant digits.
std::string BasicNumberText(double n);

}  // namespace veskaro::drivers
