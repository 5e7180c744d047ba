// Names used by the copy command, made safe for the folder they are written into.
#pragma once

#include <string>
#include <string_view>

namespace veskaro::app {

/// The driver folder name for an entry text: each of / \ : * ? " < > | becomes "_".
/// A name made only of dots and blanks (".", "..", or empty) would name the target
/// folder or its parent, so each of its characters becomes "_" as well ("_" when
/// empty).
std::string DriverFolderName(std::string_view entry_text);

/// The name a file is stored under in its driver folder: the vendor-disk name when
/// the companion row gives one, else the file's own name. A vendor-disk name from
/// the INF is reduced to its last path component (after any "\", "/" or drive
/// colon); when nothing usable is left the file's own name is used, so a write never
/// leaves the driver folder. The own name is the last component of `source_path`;
/// when that is only dots and blanks (a file line "x/.." or "x/."), the copy stores
/// the file under the name the directory search finds for it instead.
std::string StoredName(std::string_view source_path, const std::string* vendor_name);

}  // namespace veskaro::app
