// The registry of the running Windows system, read through advapi32.
#pragma once

#include <cstdint>
#include <set>
#include <string_view>

#include "platform/registry.h"

namespace veskaro::platform {

/// The four registry operations passed to the 8-bit advapi32 functions of the same
/// names, with their status codes, types and sizes unchanged. RegKey values are
/// HKEYs; the predefined roots (0x80000000 to 0x80000006, kHKeyLocalMachine among
/// them) are accepted as the 32-bit constants and widened as a 64-bit HKEY needs.
/// Handles opened through this object are counted, and only they are closed.
class Win32Registry : public Registry {
 public:
  ~Win32Registry() override;

  long RegOpenKeyA(RegKey key, std::string_view sub_key, RegKey* result) override;
  long RegQueryValueExA(RegKey key, std::string_view value_name, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* size) override;
  long RegEnumKeyA(RegKey key, std::uint32_t index, char* name, std::uint32_t name_size) override;
  long RegCloseKey(RegKey key) override;

  /// Number of handles opened through this object and not yet closed.
  int open_handles() const { return static_cast<int>(open_.size()); }

 private:
  std::set<RegKey> open_;
};

}  // namespace veskaro::platform
