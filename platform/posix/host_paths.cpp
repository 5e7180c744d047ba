#include "platform/posix/host_paths.h"

#include <cstdlib>

namespace veskaro::platform {

std::map<char, std::string> HostDrives(const std::string& c_root) {
  std::map<char, std::string> drives{{kHostRootDrive, "/"}};
  if (!c_root.empty()) drives['C'] = c_root;
  return drives;
}

std::string HostToWindowsPath(const std::string& host_abs_path, int code_page) {
  if (host_abs_path.empty() || host_abs_path.front() != '/' ||
      host_abs_path.find('\\') != std::string::npos) {
    return {};
  }
  std::string out{kHostRootDrive, ':'};
  std::size_t start = 0;
  while (start < host_abs_path.size()) {
    std::size_t end = host_abs_path.find('/', start);
    if (end == std::string::npos) end = host_abs_path.size();
    if (end > start) {
      out += "\\" + HostNameToCodePage(code_page,
                                       std::string_view(host_abs_path).substr(start, end - start));
    }
    start = end + 1;
  }
  if (out.size() == 2) out += "\\";
  return out;
}

std::optional<std::string> HostPathToWindowsPath(const std::string& host_path, int code_page) {
  char* real = realpath(host_path.c_str(), nullptr);
  if (real == nullptr) return std::nullopt;
  std::string host(real);
  std::free(real);
  return HostToWindowsPath(host, code_page);
}

}  // namespace veskaro::platform
