// A registry held in memory: the store behind REGEDIT4 and SYSTEM.DAT loading, and
// the registry of tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace veskaro::platform {

/// Keys with typed values and subkeys kept in insertion order. Names match
/// case-insensitively (code page 1252) and keep the spelling they were created with.
/// Open handles are counted so that a test can prove none is left open.
class MemoryRegistry : public Registry {
 public:
  struct Value {
    std::string name;  ///< empty: the unnamed default value
    std::uint32_t type = kRegSz;
    std::string data;  ///< raw bytes; REG_SZ data holds no terminating zero
  };
  struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> subkeys;
    Key* FindSubkey(std::string_view name) const;
    Value* FindValue(std::string_view name);
    const Value* FindValue(std::string_view name) const;
  };

  MemoryRegistry();
  ~MemoryRegistry() override;

  /// The key at backslash-separated `path` below `root`, created with its parents
  /// as needed. Empty path components are skipped.
  Key& CreateKey(RegKey root, std::string_view path);
  /// The key at `path` below `root`, or null.
  Key* FindKey(RegKey root, std::string_view path) const;
  /// Sets a value, creating the key as needed. REG_SZ data is stored without a
  /// terminating zero; the query adds one.
  void SetValue(RegKey root, std::string_view path, std::string_view name, std::uint32_t type,
                std::string_view data);
  void SetString(RegKey root, std::string_view path, std::string_view name,
                 std::string_view text) {
    SetValue(root, path, name, kRegSz, text);
  }
  void SetDword(RegKey root, std::string_view path, std::string_view name, std::uint32_t v);

  /// Number of handles opened and not yet closed.
  int open_handles() const { return static_cast<int>(handles_.size()); }

  long RegOpenKeyA(RegKey key, std::string_view sub_key, RegKey* result) override;
  long RegQueryValueExA(RegKey key, std::string_view value_name, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* size) override;
  long RegEnumKeyA(RegKey key, std::uint32_t index, char* name, std::uint32_t name_size) override;
  long RegCloseKey(RegKey key) override;

 private:
  Key* Root(RegKey root) const;
  Key* Resolve(RegKey handle) const;

  std::map<RegKey, std::unique_ptr<Key>> roots_;
  std::map<RegKey, Key*> handles_;
  RegKey next_handle_ = 0x1000;
};

}  // namespace veskaro::platform
