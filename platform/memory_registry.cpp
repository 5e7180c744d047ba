#include "platform/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"

namespace veskaro::platform {
namespace {

// Calls `f` for each non-empty backslash-separated component of `path`. Empty
// components (a leading, trailing or doubled backslash) are skipped, as the
// Windows registry does.
template <typename F>
bool ForEachComponent(std::string_view path, F f) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start && !f(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

MemoryRegistry::Key* MemoryRegistry::Key::FindSubkey(std::string_view n) const {
  for (const auto& k : subkeys) {
    if (EqualsIgnoreCase1252(k->name, n)) return k.get();
  }
  return nullptr;
}

MemoryRegistry::Value* MemoryRegistry::Key::FindValue(std::string_view n) {
  for (auto& v : values) {
    if (EqualsIgnoreCase1252(v.name, n)) return &v;
  }
  return nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::Key::FindValue(std::string_view n) const {
  for (const auto& v : values) {
    if (EqualsIgnoreCase1252(v.name, n)) return &v;
  }
  return nullptr;
}

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Root(RegKey root) const {
  // The predefined roots are 0x80000000 to 0x80000006.
  if (root < 0x80000000u || root > 0x80000006u) return nullptr;
  auto it = roots_.find(root);
  if (it == roots_.end()) {
    auto& self = const_cast<MemoryRegistry&>(*this);
    auto key = std::make_unique<Key>();
    Key* raw = key.get();
    self.roots_.emplace(root, std::move(key));
    return raw;
  }
  return it->second.get();
}

MemoryRegistry::Key* MemoryRegistry::Resolve(RegKey handle) const {
  if (handle == 0) return nullptr;
  auto it = handles_.find(handle);
  if (it != handles_.end()) return it->second;
  return Root(handle);
}

MemoryRegistry::Key& MemoryRegistry::CreateKey(RegKey root, std::string_view path) {
  Key* key = Root(root);
  ForEachComponent(path, [&key](std::string_view part) {
    Key* sub = key->FindSubkey(part);
    if (sub == nullptr) {
      key->subkeys.push_back(std::make_unique<Key>());
      sub = key->subkeys.back().get();
      sub->name = std::string(part);
    }
    key = sub;
    return true;
  });
  return *key;
}

MemoryRegistry::Key* MemoryRegistry::FindKey(RegKey root, std::string_view path) const {
  Key* key = Resolve(root);
  if (key == nullptr) return nullptr;
  const bool found = ForEachComponent(path, [&key](std::string_view part) {
    key = key->FindSubkey(part);
    return key != nullptr;
  });
  return found ? key : nullptr;
}

void MemoryRegistry::SetValue(RegKey root, std::string_view path, std::string_view name,
                              std::uint32_t type, std::string_view data) {
  Key& key = CreateKey(root, path);
  Value* value = key.FindValue(name);
  if (value == nullptr) {
    key.values.push_back(Value{std::string(name), type, {}});
    value = &key.values.back();
  }
  value->type = type;
  value->data.assign(data.data(), data.size());
}

void MemoryRegistry::SetDword(RegKey root, std::string_view path, std::string_view name,
                              std::uint32_t v) {
  char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                   static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  SetValue(root, path, name, kRegDword, std::string_view(bytes, 4));
}

long MemoryRegistry::RegOpenKeyA(RegKey key, std::string_view sub_key, RegKey* result) {
  if (Resolve(key) == nullptr) return kErrorInvalidHandle;
  Key* found = FindKey(key, sub_key);
  if (found == nullptr) return kErrorFileNotFound;
  const RegKey handle = next_handle_;
  next_handle_ += 4;
  handles_.emplace(handle, found);
  *result = handle;
  return kErrorSuccess;
}

long MemoryRegistry::RegQueryValueExA(RegKey key, std::string_view value_name, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size) {
  const Key* k = Resolve(key);
  if (k == nullptr) return kErrorInvalidHandle;
  const Value* value = k->FindValue(value_name);
  if (value == nullptr) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  const bool text = value->type == kRegSz || value->type == kRegExpandSz;
  const auto needed = static_cast<std::uint32_t>(value->data.size() + (text ? 1 : 0));
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (size == nullptr) return kErrorInvalidHandle;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  std::memcpy(data, value->data.data(), value->data.size());
  if (text) data[value->data.size()] = 0;
  *size = needed;
  return kErrorSuccess;
}

long MemoryRegistry::RegEnumKeyA(RegKey key, std::uint32_t index, char* name,
                                 std::uint32_t name_size) {
  const Key* k = Resolve(key);
  if (k == nullptr) return kErrorInvalidHandle;
  if (index >= k->subkeys.size()) return kErrorNoMoreItems;
  const std::string& n = k->subkeys[index]->name;
  if (name == nullptr || n.size() + 1 > name_size) return kErrorMoreData;
  std::memcpy(name, n.data(), n.size());
  name[n.size()] = 0;
  return kErrorSuccess;
}

long MemoryRegistry::RegCloseKey(RegKey key) {
  if (handles_.erase(key) == 1) return kErrorSuccess;
  return Root(key) != nullptr ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace veskaro::platform
