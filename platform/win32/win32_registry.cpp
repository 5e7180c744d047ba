#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>

namespace veskaro::platform {
namespace {

bool IsPredefinedRoot(RegKey key) { return key >= 0x80000000u && key <= 0x80000006u; }

// The predefined roots are 32-bit values; a 64-bit HKEY holds them sign-extended.
HKEY ToHkey(RegKey key) {
  if (IsPredefinedRoot(key)) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key & 0xFFFFFFFFu))));
  }
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

Win32Registry::~Win32Registry() {
  for (RegKey key : open_) ::RegCloseKey(ToHkey(key));
}

long Win32Registry::RegOpenKeyA(RegKey key, std::string_view sub_key, RegKey* result) {
  std::string name(sub_key);
  HKEY opened = nullptr;
  // RegOpenKeyA hands back the same handle for an empty name; a second handle of
  // its own, as the interface promises, comes from RegOpenKeyExA.
  LONG status = name.empty() ? ::RegOpenKeyExA(ToHkey(key), "", 0, KEY_READ, &opened)
                             : ::RegOpenKeyA(ToHkey(key), name.c_str(), &opened);
  if (status != ERROR_SUCCESS) return status;
  *result = reinterpret_cast<RegKey>(opened);
  open_.insert(*result);
  return ERROR_SUCCESS;
}

long Win32Registry::RegQueryValueExA(RegKey key, std::string_view value_name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
  std::string name(value_name);
  DWORD value_type = 0;
  DWORD byte_count = size != nullptr ? *size : 0;
  LONG status = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &value_type, data,
                                   size != nullptr ? &byte_count : nullptr);
  if (type != nullptr) *type = value_type;
  if (size != nullptr) *size = byte_count;
  return status;
}

long Win32Registry::RegEnumKeyA(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t name_size) {
  return ::RegEnumKeyA(ToHkey(key), index, name, name_size);
}

long Win32Registry::RegCloseKey(RegKey key) {
  if (IsPredefinedRoot(key)) return ERROR_SUCCESS;
  auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  open_.erase(it);
  return ::RegCloseKey(ToHkey(key));
}

}  // namespace veskaro::platform
