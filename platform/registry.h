// The four registry operations the program reads the driver database with.
#pragma once

#include <cstdint>
#include <string_view>

namespace veskaro::platform {

/// A registry key handle. 0 is never a valid handle.
using RegKey = std::uintptr_t;

// Win32 conventions, spelled as constants so that no OS header is needed.
inline constexpr RegKey kHKeyLocalMachine = 0x80000002u;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

/// Read access to a registry, with the status, type and size conventions of the
/// 8-bit Win32 functions of the same names. Key and value names match
/// case-insensitively. Implementations never write the registry.
class Registry {
 public:
  virtual ~Registry() = default;

  /// Opens `sub_key` (backslash-separated, relative to `key`; empty opens `key`
  /// itself again) and stores the new handle in `*result`.
  /// @return kErrorSuccess, kErrorFileNotFound when the key does not exist, or
  ///         kErrorInvalidHandle when `key` is not an open handle or a root.
  ///         On failure `*result` is left unchanged.
  virtual long RegOpenKeyA(RegKey key, std::string_view sub_key, RegKey* result) = 0;

  /// Reads value `value_name` of `key` (empty name: the unnamed default value).
  /// `type` may be null. When `data` is null only the type and the size in bytes
  /// are reported. Otherwise `*size` is the buffer's capacity in bytes; the data is
  /// copied when it fits (kErrorSuccess), else kErrorMoreData and `*size` is set to
  /// the size needed. REG_SZ sizes count the terminating zero byte.
  /// @return kErrorSuccess, kErrorFileNotFound, kErrorInvalidHandle or kErrorMoreData.
  virtual long RegQueryValueExA(RegKey key, std::string_view value_name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) = 0;

  /// Copies the name of subkey number `index` of `key`, with a terminating zero, into
  /// `name` (capacity `name_size` characters), in the registry's enumeration order.
  /// @return kErrorSuccess, kErrorNoMoreItems past the last subkey, kErrorMoreData
  ///         when the name and its zero do not fit, or kErrorInvalidHandle.
  virtual long RegEnumKeyA(RegKey key, std::uint32_t index, char* name,
                           std::uint32_t name_size) = 0;

  /// Closes a handle returned by RegOpenKeyA.
  /// @return kErrorSuccess, or kErrorInvalidHandle for anything else (roots included
  ///         are accepted and ignored).
  virtual long RegCloseKey(RegKey key) = 0;
};

}  // namespace veskaro::platform
