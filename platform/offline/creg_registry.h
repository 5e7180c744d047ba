// Reading a Windows 95/98/Me registry hive (SYSTEM.DAT, "CREG" format) into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_registry.h"

namespace veskaro::platform {

/// Code page of the key and value names of a hive unless the caller picks another.
inline constexpr int kCregDefaultCodepage = 1252;
/// Deepest key nesting accepted below the hive's root.
inline constexpr int kCregMaxDepth = 512;
/// Most keys accepted in one hive (real SYSTEM.DAT files hold a few thousand).
inline constexpr std::size_t kCregMaxKeys = 1000000;

/// True when `head`, the first bytes of a file, begins like a hive ("CREG").
bool LooksLikeCreg(std::string_view head);

/// True when `codepage` is one that the hive reader accepts (the Windows and ISO
/// code pages it knows, e.g. 1250 to 1258, 874, 932, 936, 949, 950, 28591...).
bool IsSupportedCregCodepage(int codepage);

/// Loads the hive at host path `host_path` below HKEY_LOCAL_MACHINE of `out`
/// (a SYSTEM.DAT holds that root). Key and value names and REG_SZ data are kept as
/// the raw 8-bit text the hive stores, in the installation's own code page;
/// `codepage` names that code page for the hive library (it must satisfy
/// IsSupportedCregCodepage). REG_SZ and REG_EXPAND_SZ data lose one terminating
/// zero byte if they have one; all other values keep their type code and bytes.
/// Subkeys and values keep the hive's order. The file is only read.
///
/// A damaged hive never crashes or hangs the reader: before the hive library walks
/// the key tree, its links are checked to stay inside the key table, to form no
/// loop, to nest at most kCregMaxDepth deep and to hold at most kCregMaxKeys keys.
/// @return false, with `*error` one clear sentence naming the file and what is wrong,
///         when the file cannot be read, is no hive or is damaged; `out` may then
///         hold part of the keys.
bool LoadCregFile(const std::string& host_path, int codepage, MemoryRegistry& out,
                  std::string* error);

/// LoadCregFile on a hive held in memory (`bytes`), for one read from a disk image;
/// `name` stands for the file in messages.
bool LoadCregBytes(std::vector<std::uint8_t> bytes, const std::string& name, int codepage,
                   MemoryRegistry& out, std::string* error);

}  // namespace veskaro::platform
