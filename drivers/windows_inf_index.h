// The index of INF files that ship with Windows, read from the setup layout files.
#pragma once

#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/file_system.h"

namespace veskaro::drivers {

/// Builds the index text: "|" followed by every lower-case key ending in "inf" of the
/// [SourceDisksFiles] sections of layout.inf, layout1.inf and layout2.inf in
/// "%windir%\INF\", in that order, each followed by "|". Missing files contribute
/// nothing; with none the index is "|".
/// @throws inf::FileReadError when a layout file exists but cannot be read.
std::string BuildWindowsInfIndex(platform::FileSystem& fs, const platform::Environment& env);

/// Whether INF file `inf_name` is listed in `index` (compared in lower case, the
/// whole name between two "|").
bool IsWindowsInf(std::string_view index, std::string_view inf_name);

}  // namespace veskaro::drivers
