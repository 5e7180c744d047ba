// Finding the INF file of a chosen driver entry.
#pragma once

#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace veskaro::drivers {

/// What locating an entry's INF recorded. The first four fields are the main
/// window's state fields of the same meaning.
struct InfLocation {
  bool located = false;
  std::string entry_key;        ///< class key + "\" + entry key
  std::string registry_text;    ///< the "InfPath" text as the registry holds it
  std::string inf_file_name;    ///< registry text, then (located) the name as stored
  std::string inf_folder;       ///< "%windir%\INF\" or "%windir%\INF\OTHER\"
  std::string install_section;  ///< the "InfSection" text
  std::string windows_folder;   ///< "%windir%" + "\"
  std::string source_name;      ///< the vendor-disk name, only for a "~" InfPath
  std::string InfPath() const { return inf_folder + inf_file_name; }
};

/// Reads "InfPath" and "InfSection" of `entry_key` below `class_root`, finds the INF
/// in "%windir%\INF\" or else "%windir%\INF\OTHER\", and resolves its stored name
/// (and, for a short "~" name, the source name). When it is in neither folder,
/// returns located == false with inf_file_name holding the registry text and
/// inf_folder the OTHER folder.
InfLocation LocateInf(platform::Registry& reg, platform::FileSystem& fs,
                      const platform::Environment& env, std::string_view class_root,
                      std::string_view entry_key);

/// The name an INF had on the vendor's disk, derived from its stored long name: the
/// last 12 characters, from just after the right-most of their first 8 characters
/// whose code is above 91 ("[").
std::string SourceNameFromLongName(std::string_view long_name);

}  // namespace veskaro::drivers
