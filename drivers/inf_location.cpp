#include "drivers/inf_location.h"

#include "registry/registry_read.h"

namespace veskaro::drivers {
namespace {

// The directory search the program uses as its existence test: the stored name of
// the file at `path`, or empty text.
std::string Search(const platform::FileSystem& fs, const std::string& path) {
  return fs.FindFirst(path, platform::SearchKind::kNormal);
}

}  // namespace

InfLocation LocateInf(platform::Registry& reg, platform::FileSystem& fs,
                      const platform::Environment& env, std::string_view class_root,
                      std::string_view entry_key) {
  InfLocation loc;
  loc.entry_key = std::string(entry_key);
  const std::string key = std::string(class_root) + loc.entry_key;
  loc.registry_text =
      registry::QueryRegString(reg, platform::kHKeyLocalMachine, key, "InfPath", "");
  loc.inf_file_name = loc.registry_text;
  loc.install_section =
      registry::QueryRegString(reg, platform::kHKeyLocalMachine, key, "InfSection", "");
  loc.windows_folder = env.Get("windir") + "\\";
  loc.inf_folder = loc.windows_folder + "INF\\";

  // An entry without an INF name is not found: searching the bare folder path would
  // find no file, or (on some hosts) an unrelated one.
  bool found = !loc.inf_file_name.empty() && !Search(fs, loc.InfPath()).empty();
  if (!found) {
    loc.inf_folder += "OTHER\\";
    found = !loc.inf_file_name.empty() && !Search(fs, loc.InfPath()).empty();
    if (!found) return loc;
  }

  if (loc.inf_file_name.find('~') != std::string::npos) {
    // A short alias: the source name comes from the file's long name.
    loc.inf_file_name = Search(fs, loc.InfPath());
    loc.source_name = SourceNameFromLongName(loc.inf_file_name);
  }
  // The name in the letter case in which the file is stored.
  loc.inf_file_name = Search(fs, loc.InfPath());
  loc.located = true;
  return loc;
}

std::string SourceNameFromLongName(std::string_view long_name) {
  const std::string_view tail =
      long_name.size() > 12 ? long_name.substr(long_name.size() - 12) : long_name;
  // Positions count from 1. The right-most of positions 1 to 8 holding a character
  // above "[" (code 91) starts the name just after it; positions past the end of a
  // short tail hold nothing and never match.
  std::size_t start = 1;
  for (std::size_t i = 8; i >= 1; --i) {
    if (i <= tail.size() && static_cast<unsigned char>(tail[i - 1]) > 91) {
      start = i + 1;
      break;
    }
  }
  return std::string(tail.substr(start - 1));
}

}  // namespace veskaro::drivers
