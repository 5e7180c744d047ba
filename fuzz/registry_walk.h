// Reads a loaded registry back through the four registry operations, the way the
// program does, and checks that they agree with what was loaded.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>

#include "drivers/driver_classes.h"
#include "fuzz/fuzz_support.h"
#include "platform/memory_registry.h"
#include "registry/registry_read.h"

namespace veskaro::fuzz {

namespace internal {

// Text of REG_SZ data up to its first zero byte.
inline std::string UpToZero(const std::string& data) { return data.substr(0, data.find('\0')); }

inline void WalkKey(platform::MemoryRegistry& reg, platform::RegKey root, const std::string& path,
                    std::unordered_set<const void*>* seen, std::size_t* budget) {
  using platform::MemoryRegistry;
  const MemoryRegistry::Key* key = reg.FindKey(root, path);
  Check(key != nullptr, "a listed subkey can be found by its path", path);
  if (!seen->insert(key).second || *budget == 0) return;
  --*budget;

  // Values: each REG_SZ value reads back as its text up to the first zero; other
  // types read as the fallback.
  for (const MemoryRegistry::Value& value : key->values) {
    if (key->FindValue(value.name) != &value) continue;  // shadowed by an earlier twin
    const std::string read = registry::QueryRegString(reg, root, path, value.name, "\x01");
    if (value.type == platform::kRegSz) {
      Check(read == UpToZero(value.data), "a REG_SZ value reads back as its text", path);
    } else {
      Check(read == "\x01", "a value of another type reads as the fallback", path);
    }
  }

  // Subkeys: the enumeration lists the names in order and stops at the first one that
  // does not fit the 255-character buffer with its terminating zero.
  const std::vector<std::string> names = registry::EnumRegKeys(reg, root, path);
  std::size_t expected = 0;
  while (expected < key->subkeys.size() && key->subkeys[expected]->name.size() < 255) ++expected;
  Check(names.size() == expected, "every subkey that fits is enumerated", path);
  for (std::size_t i = 0; i < names.size(); ++i) {
    Check(names[i] == UpToZero(key->subkeys[i]->name), "subkeys come in stored order", path);
    const std::string& name = key->subkeys[i]->name;
    // Names that a path cannot spell are read through the enumeration only.
    if (name.empty() || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos) {
      continue;
    }
    WalkKey(reg, root, path.empty() ? name : path + "\\" + name, seen, budget);
  }
}

}  // namespace internal

/// Walks up to `max_keys` keys below `root`; below HKEY_LOCAL_MACHINE, then lists
/// the driver classes and their entries as the main window does. No handle may be
/// left open.
inline void WalkRegistry(platform::MemoryRegistry& reg, platform::RegKey root,
                         std::size_t max_keys = 200) {
  std::unordered_set<const void*> seen;
  std::size_t budget = max_keys;
  if (reg.FindKey(root, "") != nullptr) internal::WalkKey(reg, root, "", &seen, &budget);
  Check(reg.open_handles() == 0, "no registry handle is left open");
  if (root != platform::kHKeyLocalMachine) return;

  if (const auto classes = drivers::ListClasses(reg, drivers::kClassRoot)) {
    std::size_t listed = 0;
    for (const drivers::ClassRow& row : *classes) {
      if (++listed > 30) break;
      for (const drivers::EntryRow& entry :
           drivers::ListEntries(reg, drivers::kClassRoot, row.key)) {
        Check(!entry.driver_desc.empty(), "listed entries have a DriverDesc", entry.key_path);
      }
    }
  }
  Check(reg.open_handles() == 0, "no registry handle is left open");
}

}  // namespace veskaro::fuzz
