// Loading a REGEDIT4 export (what `regedit /e` writes on Windows 9x) into memory.
#pragma once

#include <string>
#include <string_view>

#include "platform/memory_registry.h"

namespace veskaro::platform {

/// Outcome of a load: empty `error` on success, else one clear sentence naming the
/// file and, for malformed text, the line.
struct Regedit4Result {
  std::string error;
  bool ok() const { return error.empty(); }
};

/// Parses REGEDIT4 `text` into `registry`. `file_name` is used in messages only.
/// Keys below HKEY_LOCAL_MACHINE land below kHKeyLocalMachine; keys of other roots
/// are kept apart under their own root handles (see the implementation). On error
/// the registry may hold the keys read before the faulty line.
Regedit4Result LoadRegedit4(std::string_view text, std::string_view file_name,
                            MemoryRegistry& registry);

/// Reads the file at host path `host_path` and loads it as above.
Regedit4Result LoadRegedit4File(const std::string& host_path, MemoryRegistry& registry);

}  // namespace veskaro::platform
