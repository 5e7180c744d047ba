#include "tools/creg/creg_writer.h"

#include <fstream>
#include <limits>
#include <vector>

namespace veskaro::tools {
namespace {

using Key = platform::MemoryRegistry::Key;

constexpr std::uint32_t kNone = 0xffffffffu;
constexpr std::size_t kBlockHeaderSize = 0x20;
constexpr std::size_t kKeyNameEntryHeader = 20;
constexpr std::size_t kValueEntryHeader = 12;
constexpr std::size_t kFreeEntryMinimum = kKeyNameEntryHeader;
// Windows keeps its data blocks at most this large; a key entry too large for one
// gets a block of its own.
constexpr std::size_t kBlockTarget = 0xf000;
// libcreg maps the key entries to the RGKN area minus its 32-byte header, so an entry
// ending in the area's last 32 bytes cannot be read: keep at least that much spare.
constexpr std::size_t kRgknSpare = 32;
// Block numbers are read as signed 16-bit values.
constexpr std::size_t kMaxBlocks = 0x7fff;

void Put16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xff);
  out[at + 1] = static_cast<char>((v >> 8) & 0xff);
}

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v & 0xffff);
  Put16(out, at + 2, v >> 16);
}

void Append16(std::string& out, std::uint32_t v) {
  out.append(2, '\0');
  Put16(out, out.size() - 2, v);
}

void Append32(std::string& out, std::uint32_t v) {
  out.append(4, '\0');
  Put32(out, out.size() - 4, v);
}

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// One key in pre-order, with where its navigation entry and name entry go.
struct Slot {
  const Key* key = nullptr;
  std::uint32_t parent = kNone;
  std::uint32_t child = kNone;
  std::uint32_t next = kNone;
  std::uint16_t id = 0xffff;
  std::uint16_t block = 0xffff;
};

// Flattens the tree in pre-order, iteratively so that deep trees cannot exhaust the
// stack, filling in the parent, first-child and next-sibling links.
void Flatten(const Key& root, std::vector<Slot>& slots) {
  struct Frame {
    const Key* key;
    std::size_t index;  // slot of `key`
    std::size_t next_child = 0;
    std::size_t last_child_slot = 0;
  };
  slots.push_back(Slot{&root});
  std::vector<Frame> stack{{&root, 0}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_child == top.key->subkeys.size()) {
      stack.pop_back();
      continue;
    }
    const Key* child = top.key->subkeys[top.next_child].get();
    std::size_t index = slots.size();
    Slot slot{child};
    slot.parent = CregKeyOffset(top.index);
    slots.push_back(slot);
    if (top.next_child == 0) {
      slots[top.index].child = CregKeyOffset(index);
    } else {
      slots[top.last_child_slot].next = CregKeyOffset(index);
    }
    top.last_child_slot = index;
    ++top.next_child;
    stack.push_back(Frame{child, index});
  }
}

bool CheckSizes(const Key& key, std::string* error) {
  constexpr std::size_t kMax16 = 0xffff;
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  if (key.name.size() > kMax16) return fail("key name longer than 65535 bytes: " + key.name);
  if (key.values.size() > kMax16) return fail("key with more than 65535 values: " + key.name);
  for (const auto& value : key.values) {
    if (value.name.size() > kMax16) {
      return fail("value name longer than 65535 bytes in key " + key.name);
    }
    if (value.data.size() > kMax16) {
      return fail("value data longer than 65535 bytes: " + key.name + " " + value.name);
    }
  }
  return true;
}

// The key name entry of one key: header, name, then its values in stored order.
std::string KeyNameEntry(const Key& key, std::uint16_t id, std::uint16_t block) {
  std::size_t size = kKeyNameEntryHeader + key.name.size();
  for (const auto& value : key.values) {
    size += kValueEntryHeader + value.name.size() + value.data.size();
  }
  std::string out;
  out.reserve(size);
  Append32(out, static_cast<std::uint32_t>(size));
  Append16(out, id);
  Append16(out, block);
  Append32(out, static_cast<std::uint32_t>(size));  // used size
  Append16(out, static_cast<std::uint32_t>(key.name.size()));
  Append16(out, static_cast<std::uint32_t>(key.values.size()));
  Append32(out, 0);
  out += key.name;
  for (const auto& value : key.values) {
    Append32(out, value.type);
    Append32(out, kNone);
    Append16(out, static_cast<std::uint32_t>(value.name.size()));
    Append16(out, static_cast<std::uint32_t>(value.data.size()));
    out += value.name;
    out += value.data;
  }
  return out;
}

// Closes a data block: header, the entries, and one free entry over the rest of the
// block, which is padded to whole multiples of `page` bytes.
std::string FinishBlock(std::size_t number, const std::vector<std::string>& entries,
                        std::size_t page) {
  std::size_t used = kBlockHeaderSize;
  for (const auto& entry : entries) used += entry.size();
  std::size_t size = RoundUp(used, page);
  if (size != used && size - used < kFreeEntryMinimum) size = RoundUp(used + kFreeEntryMinimum, page);
  std::size_t free_bytes = size - used;

  std::string out;
  out.reserve(size);
  out += "RGDB";
  Append32(out, static_cast<std::uint32_t>(size));
  Append32(out, static_cast<std::uint32_t>(free_bytes));
  Append16(out, 8);
  Append16(out, static_cast<std::uint32_t>(number));
  Append32(out, free_bytes ? static_cast<std::uint32_t>(used) : kNone);  // first free entry
  Append16(out, static_cast<std::uint32_t>(entries.size() - 1));         // highest id in use
  Append16(out, static_cast<std::uint32_t>(entries.size()));             // next free id
  out.append(8, '\0');
  for (const auto& entry : entries) out += entry;
  if (free_bytes) {
    Append32(out, static_cast<std::uint32_t>(free_bytes));
    Append32(out, kNone);  // id and block: free
    Append32(out, kNone);  // no further free entry
    out.append(free_bytes - 12, '\0');
  }
  return out;
}

}  // namespace

std::uint32_t CregNameHash(std::string_view name) {
  std::uint32_t hash = 0;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') byte = static_cast<unsigned char>(byte - 'a' + 'A');
    if (byte < 0x80) hash += byte;
  }
  return hash;
}

bool WriteCreg(const Key& root, std::string* out, std::string* error, std::size_t page) {
  if (page < 4 || (page & (page - 1)) != 0) {
    if (error) *error = "the page size must be a power of two of at least 4";
    return false;
  }
  if (!root.values.empty()) {
    if (error) *error = "the root key of a hive cannot hold values";
    return false;
  }
  std::vector<Slot> slots;
  Flatten(root, slots);
  for (std::size_t i = 1; i < slots.size(); ++i) {
    if (!CheckSizes(*slots[i].key, error)) return false;
  }

  // Data blocks: key name entries of every key but the root, in pre-order.
  std::vector<std::string> blocks;
  std::vector<std::string> entries;
  std::size_t block_bytes = kBlockHeaderSize;
  for (std::size_t i = 1; i < slots.size(); ++i) {
    std::string entry = KeyNameEntry(*slots[i].key, 0, 0);
    bool full = entries.size() == kCregMaxEntriesPerBlock ||
                block_bytes + entry.size() + kFreeEntryMinimum > kBlockTarget;
    if (!entries.empty() && full) {
      blocks.push_back(FinishBlock(blocks.size(), entries, page));
      entries.clear();
      block_bytes = kBlockHeaderSize;
    }
    if (blocks.size() >= kMaxBlocks) {
      if (error) *error = "too many keys for one hive";
      return false;
    }
    auto id = static_cast<std::uint16_t>(entries.size());
    auto block = static_cast<std::uint16_t>(blocks.size());
    Put16(entry, 4, id);
    Put16(entry, 6, block);
    slots[i].id = id;
    slots[i].block = block;
    block_bytes += entry.size();
    entries.push_back(std::move(entry));
  }
  if (!entries.empty()) blocks.push_back(FinishBlock(blocks.size(), entries, page));
  if (blocks.empty()) blocks.push_back(FinishBlock(0, {}, page));

  // Key navigation area (RGKN): header, one entry per key, then free space with at
  // least kRgknSpare bytes, described by one free entry.
  std::size_t used = kCregRootKeyOffset + slots.size() * kCregKeyEntrySize;
  if (used > std::numeric_limits<std::uint32_t>::max() / 2) {
    if (error) *error = "too many keys for one hive";
    return false;
  }
  std::size_t rgkn_size = RoundUp(used + kRgknSpare, page);
  std::string rgkn;
  rgkn.reserve(rgkn_size);
  rgkn += "RGKN";
  Append32(rgkn, static_cast<std::uint32_t>(rgkn_size));
  Append32(rgkn, kCregRootKeyOffset);
  Append32(rgkn, static_cast<std::uint32_t>(used));  // first free entry
  Append32(rgkn, 8);
  Append32(rgkn, 0);
  rgkn.append(8, '\0');
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const Slot& slot = slots[i];
    Append32(rgkn, 0);
    Append32(rgkn, i == 0 ? 0 : CregNameHash(slot.key->name));
    Append32(rgkn, kNone);
    Append32(rgkn, slot.parent);
    Append32(rgkn, slot.child);
    Append32(rgkn, slot.next);
    Append16(rgkn, slot.id);
    Append16(rgkn, slot.block);
  }
  Append32(rgkn, 0x80000000u);  // free entry
  Append32(rgkn, static_cast<std::uint32_t>(rgkn_size - used));
  Append32(rgkn, kNone);
  rgkn.append(rgkn_size - rgkn.size(), '\0');

  std::string& file = *out;
  file.clear();
  file += "CREG";
  Append16(file, 0);                                                        // minor version
  Append16(file, 1);                                                        // major version
  Append32(file, static_cast<std::uint32_t>(kCregHeaderSize + rgkn_size));  // first data block
  Append32(file, 0);
  Append16(file, static_cast<std::uint32_t>(blocks.size()));  // number of data blocks
  Append16(file, 0x20);
  Append16(file, 0);
  Append16(file, 1);
  file.append(8, '\0');
  file += rgkn;
  for (const auto& block : blocks) file += block;
  return true;
}

bool WriteCregFile(const Key& root, const std::string& path, std::string* error,
                   std::size_t page) {
  std::string bytes;
  if (!WriteCreg(root, &bytes, error, page)) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    if (error) *error = "cannot create " + path;
    return false;
  }
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace veskaro::tools
