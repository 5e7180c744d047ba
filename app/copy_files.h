// Names used by the copy command, made safe for the folder they are written into.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace veskaro::app {

/// What one "Copy" did, for front-ends that report it.
struct CopyResult {
  bool ran = false;        ///< false: no rows to copy, or the folder picker was cancelled
  int files_copied = 0;    ///< files copied whole into their driver folders
  int driver_folders = 0;  ///< driver folders that received at least one file
  int failures = 0;        ///< steps that failed: a folder not made, a file not copied
  bool cut_short = false;  ///< a failure ended the copy before the last row
};

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

/// The name the copy stores the listed file `row` under, given its companion row
/// (path "||" entry text ["||" vendor-disk name]): StoredName, except that a name of
/// dots and blanks only ("x/..", "x/.") gives way to the name the directory search
/// finds for the file, so that the copy never aims at a folder.
std::string StoredNameOfRow(const platform::FileSystem& files, std::string_view row,
                            std::string_view companion);

}  // namespace veskaro::app
