#include "registry/registry_read.h"

#include <cstdint>

namespace veskaro::registry {
namespace {

// Text of a space-filled buffer up to its first zero character (all of it when
// there is none).
std::string UpToZero(const std::string& buffer) {
  const std::size_t zero = buffer.find('\0');
  return zero == std::string::npos ? buffer : buffer.substr(0, zero);
}

}  // namespace

std::string QueryRegString(platform::Registry& reg, platform::RegKey root, std::string_view path,
                           std::string_view name, std::string_view fallback) {
  std::string result(fallback);
  platform::RegKey key = 0;  // a failed open leaves the invalid handle 0
  reg.RegOpenKeyA(root, path, &key);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (reg.RegQueryValueExA(key, name, &type, nullptr, &size) == platform::kErrorSuccess &&
      type == platform::kRegSz) {
    std::string buffer(size, ' ');
    std::uint32_t length = size;
    reg.RegQueryValueExA(key, name, &type, reinterpret_cast<std::uint8_t*>(buffer.data()),
                         &length);
    result = UpToZero(buffer);
  }
  reg.RegCloseKey(key);
  return result;
}

std::vector<std::string> EnumRegKeys(platform::Registry& reg, platform::RegKey root,
                                     std::string_view path) {
  constexpr std::uint32_t kNameSize = 255;
  std::vector<std::string> names;
  platform::RegKey key = 0;
  reg.RegOpenKeyA(root, path, &key);
  for (std::uint32_t i = 0;; ++i) {
    std::string buffer(kNameSize, ' ');
    if (reg.RegEnumKeyA(key, i, buffer.data(), kNameSize) != platform::kErrorSuccess) break;
    names.push_back(UpToZero(buffer));
  }
  reg.RegCloseKey(key);
  return names;
}

bool IsEmptyKeyList(const std::vector<std::string>& keys) {
  for (const auto& k : keys) {
    if (!k.empty()) return false;
  }
  return true;
}

}  // namespace veskaro::registry
