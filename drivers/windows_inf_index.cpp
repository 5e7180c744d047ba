#include "drivers/windows_inf_index.h"

#include "inf/ini.h"
#include "inf/text.h"

namespace veskaro::drivers {

std::string BuildWindowsInfIndex(platform::FileSystem& fs, const platform::Environment& env) {
  const std::string folder = env.Get("windir") + "\\INF\\";
  std::string index = "|";
  for (const char* layout : {"layout.inf", "layout1.inf", "layout2.inf"}) {
    const std::string path = folder + layout;
    if (fs.FindFirst(path, platform::SearchKind::kNormal).empty()) continue;
    const inf::IniList lines = inf::GetIniSection(fs, path, "SourceDisksFiles");
    if (!lines) continue;
    for (const std::string& line : *lines) {
      std::string key = inf::LowerCase(line.substr(0, line.find('=')));
      if (key.size() >= 3 && key.compare(key.size() - 3, 3, "inf") == 0) {
        index += key;
        index += '|';
      }
    }
  }
  return index;
}

bool IsWindowsInf(std::string_view index, std::string_view inf_name) {
  std::string wanted = "|";
  wanted += inf::LowerCase(inf_name);
  wanted += '|';
  return index.find(wanted) != std::string_view::npos;
}

}  // namespace veskaro::drivers
