// Reading a hive with libcreg alone, as an independent check of the hive writer and
// of the program's guarded hive reader. For tests only: it trusts the file, so a
// damaged hive may make it fail, loop or exhaust memory.
#pragma once

#include <string>

#include "platform/memory_registry.h"

namespace veskaro::tools {

/// Copies every key and value of the hive at `path` into `root` (which should be
/// empty): names and data exactly as libcreg returns them, nothing stripped, in
/// libcreg's order.
/// @return false with `*error` (libcreg's own message) on the first failure.
bool DumpCreg(const std::string& path, platform::MemoryRegistry::Key* root, std::string* error);

}  // namespace veskaro::tools
