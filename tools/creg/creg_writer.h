// Writing registry hives in the Windows 95/98/Me format (SYSTEM.DAT, "CREG"), for
// test fixtures and test-data tools. The programs themselves never write a hive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/memory_registry.h"

namespace veskaro::tools {

// Layout facts of the hives this writer produces. Tests use them to damage a hive on
// purpose; readers must not rely on them.
inline constexpr std::size_t kCregHeaderSize = 0x20;       ///< file header; the RGKN area follows
inline constexpr std::size_t kCregRgknOffset = 0x20;       ///< file offset of the RGKN area
inline constexpr std::size_t kCregKeyEntrySize = 28;       ///< one key navigation entry
inline constexpr std::uint32_t kCregRootKeyOffset = 0x20;  ///< RGKN-relative offset of the root
/// Field offsets inside a key navigation entry.
inline constexpr std::size_t kCregParentField = 12;
inline constexpr std::size_t kCregChildField = 16;
inline constexpr std::size_t kCregNextField = 20;
/// Most key name entries that one data block (RGDB) holds, as in hives Windows writes.
inline constexpr std::size_t kCregMaxEntriesPerBlock = 255;
/// Windows pads the key navigation area and each data block to whole pages of this size.
inline constexpr std::size_t kCregPage = 0x1000;

/// RGKN-relative offset of the key navigation entry of key number `index`, counting
/// the keys in depth-first pre-order with the root as number 0 (the order in which
/// WriteCreg lays them out). Add kCregRgknOffset for the file offset.
inline constexpr std::uint32_t CregKeyOffset(std::size_t index) {
  return kCregRootKeyOffset + static_cast<std::uint32_t>(index * kCregKeyEntrySize);
}

/// The key-name hash stored in a navigation entry: the sum of the bytes of the
/// ASCII-upper-cased name that are below 0x80.
std::uint32_t CregNameHash(std::string_view name);

/// Serialises the tree below `root` as a hive: the subkeys of `root` become the
/// hive's top-level keys (for SYSTEM.DAT the keys below HKEY_LOCAL_MACHINE), in
/// their stored order; values keep their type codes and raw bytes (REG_SZ data as
/// stored, normally without a terminating zero). Keys are laid out in depth-first
/// pre-order; data blocks hold at most kCregMaxEntriesPerBlock key entries.
/// @return false, with `*error` saying why, when the tree does not fit the format:
///         values on the root key, a name or value data longer than 65535 bytes, more
///         than 65535 values on one key, or more keys than the format can number.
/// The key navigation area and each data block are padded to whole multiples of
/// `page` bytes (a power of two of at least 4): kCregPage as Windows does, or a
/// small value for compact hives (small fuzz seeds load several times faster).
bool WriteCreg(const platform::MemoryRegistry::Key& root, std::string* out, std::string* error,
               std::size_t page = kCregPage);

/// WriteCreg into the host file `path` (replaced when it exists).
bool WriteCregFile(const platform::MemoryRegistry::Key& root, const std::string& path,
                   std::string* error, std::size_t page = kCregPage);

}  // namespace veskaro::tools
