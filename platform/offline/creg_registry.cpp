#include "platform/offline/creg_registry.h"

#include <libcreg.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <unordered_set>
#include <vector>

namespace veskaro::platform {
namespace {

// Hives of Windows 9x stay far below this; anything larger is not one.
constexpr std::size_t kMaxFileSize = 256u * 1024 * 1024;

constexpr std::size_t kRgknOffset = 0x20;  // the key table follows the 32-byte file header
constexpr std::size_t kRgknHeaderSize = 0x20;
constexpr std::size_t kKeyEntrySize = 28;
constexpr std::size_t kBlockHeaderSize = 0x20;
// The hive library maps the key entries onto the key table minus its header, so an
// entry ending in the table's last 32 bytes cannot be read.
constexpr std::size_t kRgknTail = 32;

constexpr std::array<int, 32> kCodepages = {20127, 28591, 28592, 28593, 28594, 28595, 28596, 28597,
                                            28598, 28599, 28600, 28601, 28603, 28604, 28605, 28606,
                                            20866, 21866, 874,   932,   936,   949,   950,   1250,
                                            1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258};

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::string Hex(std::uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
  return text;
}

// The innermost cause of a hive library error, without the function name that
// prefixes each of its lines.
std::string Cause(libcreg_error_t* error) {
  if (error == nullptr) return "no detail given";
  std::array<char, 4096> text{};
  libcreg_error_backtrace_sprint(error, text.data(), text.size());
  std::string first(text.data(), std::strcspn(text.data(), "\r\n"));
  std::size_t colon = first.find(": ");
  if (colon != std::string::npos) first.erase(0, colon + 2);
  while (!first.empty() && (first.back() == '.' || first.back() == ' ')) first.pop_back();
  return first.empty() ? "no detail given" : first;
}

// Checks what the hive library cannot survive: the file's overall layout, and the
// key tree's links, which it follows without limit (a loop among the subkeys of one
// key makes it allocate until memory runs out). Every link is followed once from
// the root, as the library will follow it; `detail` says what is wrong.
bool CheckLayout(const std::vector<std::uint8_t>& bytes, std::string* detail) {
  if (bytes.size() < kRgknOffset + kRgknHeaderSize) {
    *detail = "the file is too short to hold a key table";
    return false;
  }
  if (std::memcmp(bytes.data() + kRgknOffset, "RGKN", 4) != 0) {
    *detail = "its key table (RGKN) is missing";
    return false;
  }
  const std::uint32_t table_size = Read32(bytes, kRgknOffset + 4);
  if (table_size < kRgknHeaderSize || kRgknOffset + table_size > bytes.size()) {
    *detail = "the file ends inside its key table";
    return false;
  }

  // Data blocks follow one another up to the end of the file.
  std::size_t block_offset = Read32(bytes, 8);
  if (block_offset < kRgknOffset + table_size) {
    *detail = "its data blocks overlap its key table";
    return false;
  }
  for (int number = 0; block_offset < bytes.size(); ++number) {
    if (bytes.size() - block_offset < kBlockHeaderSize) {
      *detail = "the file ends inside data block " + std::to_string(number);
      return false;
    }
    if (std::memcmp(bytes.data() + block_offset, "RGDB", 4) != 0) {
      *detail = "data block " + std::to_string(number) + " at offset " + Hex(block_offset) +
                " has no RGDB signature";
      return false;
    }
    const std::uint32_t size = Read32(bytes, block_offset + 4);
    if (size < kBlockHeaderSize) {
      *detail = "data block " + std::to_string(number) + " has an impossible size";
      return false;
    }
    if (size > bytes.size() - block_offset) {
      *detail = "the file ends inside data block " + std::to_string(number);
      return false;
    }
    block_offset += size;
  }

  // Key entries are addressed relative to the key table.
  auto valid_entry = [&](std::uint32_t offset) {
    return offset >= kRgknHeaderSize && offset <= table_size &&
           table_size - offset >= kKeyEntrySize + kRgknTail;
  };
  auto entry_field = [&](std::uint32_t offset, std::size_t field) {
    return Read32(bytes, kRgknOffset + offset + field);
  };
  // The library ends a chain only at a negative 32-bit offset (normally -1); it
  // follows 0 like any other link, so 0 must be checked as one.
  auto none = [](std::uint32_t offset) { return static_cast<std::int32_t>(offset) < 0; };

  // The library takes this field as the file offset where key entry offsets count
  // from, and the root as the entry 0x20 bytes further; every hive has 0x20 here,
  // which makes offsets relative to the key table. Any other value shifts them all.
  const std::uint32_t entries_base = Read32(bytes, kRgknOffset + 8);
  if (entries_base != kRgknOffset) {
    *detail =
        "its key table header is damaged (entries counted from offset " + Hex(entries_base) + ")";
    return false;
  }
  const std::uint32_t root = kRgknHeaderSize;
  struct Pending {
    std::uint32_t offset;
    int depth;
  };
  std::vector<Pending> pending;
  std::unordered_set<std::uint32_t> seen{root};
  if (!none(entry_field(root, 16))) pending.push_back({entry_field(root, 16), 1});
  while (!pending.empty()) {
    const Pending key = pending.back();
    pending.pop_back();
    if (!valid_entry(key.offset)) {
      *detail = "a key link points outside the key table (offset " + Hex(key.offset) + ")";
      return false;
    }
    if (!seen.insert(key.offset).second) {
      *detail = "the key tree loops back on itself at offset " + Hex(key.offset);
      return false;
    }
    if (key.depth > kCregMaxDepth) {
      *detail = "keys are nested more than " + std::to_string(kCregMaxDepth) + " levels deep";
      return false;
    }
    if (seen.size() - 1 > kCregMaxKeys) {
      *detail = "it holds more than " + std::to_string(kCregMaxKeys) + " keys";
      return false;
    }
    const std::uint32_t next = entry_field(key.offset, 20);
    const std::uint32_t child = entry_field(key.offset, 16);
    if (!none(next)) pending.push_back({next, key.depth});
    if (!none(child)) pending.push_back({child, key.depth + 1});
  }
  return true;
}

// Owners of the hive library's objects.
struct FileCloser {
  void operator()(libcreg_file_t* file) const {
    libcreg_file_close(file, nullptr);
    libcreg_file_free(&file, nullptr);
  }
};
struct KeyFree {
  void operator()(libcreg_key_t* key) const { libcreg_key_free(&key, nullptr); }
};
struct ValueFree {
  void operator()(libcreg_value_t* value) const { libcreg_value_free(&value, nullptr); }
};
struct RangeFree {
  void operator()(libbfio_handle_t* handle) const { libbfio_handle_free(&handle, nullptr); }
};
// An error slot for one library call, freed with its owner.
struct ErrorSlot {
  ErrorSlot() = default;
  ErrorSlot(const ErrorSlot&) = delete;
  ErrorSlot& operator=(const ErrorSlot&) = delete;
  ~ErrorSlot() {
    if (error != nullptr) libcreg_error_free(&error);
  }
  libcreg_error_t* error = nullptr;
};
using KeyPtr = std::unique_ptr<libcreg_key_t, KeyFree>;
using ValuePtr = std::unique_ptr<libcreg_value_t, ValueFree>;

// Copies the hive library's keys into memory, depth first. CheckLayout has already
// ruled out loops and deep nesting; the copy checks both again, by the offsets of
// the keys' name entries, so that it stays finite whatever the library reports.
class TreeCopier {
 public:
  explicit TreeCopier(std::string* detail) : detail_(detail) {}
  ~TreeCopier() {
    if (error_ != nullptr) libcreg_error_free(&error_);
  }
  TreeCopier(const TreeCopier&) = delete;
  TreeCopier& operator=(const TreeCopier&) = delete;

  bool Copy(libcreg_key_t* key, MemoryRegistry::Key& into, const std::string& path, int depth) {
    off64_t offset = 0;
    if (libcreg_key_get_offset(key, &offset, Err()) != 1) return Fail(path, "cannot be located");
    if (!seen_.insert(offset).second) {
      *detail_ = "the key tree reaches key " + Shown(path) + " twice";
      return false;
    }
    if (depth > kCregMaxDepth) {
      *detail_ = "keys are nested more than " + std::to_string(kCregMaxDepth) + " levels deep";
      return false;
    }
    if (seen_.size() > kCregMaxKeys + 1) {
      *detail_ = "it holds more than " + std::to_string(kCregMaxKeys) + " keys";
      return false;
    }
    if (!CopyValues(key, into, path)) return false;

    int count = 0;
    if (libcreg_key_get_number_of_sub_keys(key, &count, Err()) != 1) {
      return Fail(path, "has subkeys that cannot be read");
    }
    for (int i = 0; i < count; ++i) {
      libcreg_key_t* raw = nullptr;
      if (libcreg_key_get_sub_key_by_index(key, i, &raw, Err()) != 1) {
        return Fail(path, "has a subkey that cannot be read");
      }
      KeyPtr sub(raw);
      std::size_t size = 0;
      if (libcreg_key_get_name_size(sub.get(), &size, Err()) != 1) {
        return Fail(path, "has a subkey whose name cannot be read");
      }
      std::string name(size, '\0');
      if (size > 0 && libcreg_key_get_name(sub.get(), reinterpret_cast<std::uint8_t*>(name.data()),
                                           size, Err()) != 1) {
        return Fail(path, "has a subkey whose name cannot be read");
      }
      into.subkeys.push_back(std::make_unique<MemoryRegistry::Key>());
      MemoryRegistry::Key& child = *into.subkeys.back();
      child.name = std::move(name);
      if (!Copy(sub.get(), child, path + "\\" + child.name, depth + 1)) return false;
    }
    return true;
  }

 private:
  bool CopyValues(libcreg_key_t* key, MemoryRegistry::Key& into, const std::string& path) {
    int count = 0;
    if (libcreg_key_get_number_of_values(key, &count, Err()) != 1) {
      return Fail(path, "has values that cannot be read");
    }
    into.values.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      libcreg_value_t* raw = nullptr;
      if (libcreg_key_get_value_by_index(key, i, &raw, Err()) != 1) {
        return Fail(path, "has a value that cannot be read");
      }
      ValuePtr value(raw);
      MemoryRegistry::Value out;
      std::size_t size = 0;
      if (libcreg_value_get_name_size(value.get(), &size, Err()) != 1) {
        return Fail(path, "has a value whose name cannot be read");
      }
      out.name.resize(size);
      if (size > 0 &&
          libcreg_value_get_name(value.get(), reinterpret_cast<std::uint8_t*>(out.name.data()),
                                 size, Err()) != 1) {
        return Fail(path, "has a value whose name cannot be read");
      }
      if (libcreg_value_get_value_type(value.get(), &out.type, Err()) != 1 ||
          libcreg_value_get_value_data_size(value.get(), &size, Err()) != 1) {
        return Fail(path, "has a value whose data cannot be read");
      }
      out.data.resize(size);
      if (size > 0 &&
          libcreg_value_get_value_data(
              value.get(), reinterpret_cast<std::uint8_t*>(out.data.data()), size, Err()) != 1) {
        return Fail(path, "has a value whose data cannot be read");
      }
      // Text is held without its terminating zero, which some hives store.
      if ((out.type == kRegSz || out.type == kRegExpandSz) && !out.data.empty() &&
          out.data.back() == '\0') {
        out.data.pop_back();
      }
      into.values.push_back(std::move(out));
    }
    return true;
  }

  static std::string Shown(const std::string& path) { return path.empty() ? "(root)" : path; }

  bool Fail(const std::string& path, const std::string& what) {
    *detail_ = "key " + Shown(path) + " " + what + " (" + Cause(error_) + ")";
    return false;
  }

  // The error slot for the next library call; an earlier error is dropped.
  libcreg_error_t** Err() {
    if (error_ != nullptr) libcreg_error_free(&error_);
    return &error_;
  }

  std::string* detail_;
  libcreg_error_t* error_ = nullptr;
  std::unordered_set<off64_t> seen_;
};

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* why) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *why = std::strerror(errno);
    return false;
  }
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0) {
    *why = "its size cannot be determined";
    return false;
  }
  if (static_cast<std::uint64_t>(size) > kMaxFileSize) {
    *why = "it is far larger than any registry file";
    return false;
  }
  file.seekg(0, std::ios::beg);
  bytes->resize(static_cast<std::size_t>(size));
  if (size > 0 && !file.read(reinterpret_cast<char*>(bytes->data()), size)) {
    *why = "reading it failed";
    return false;
  }
  return true;
}

}  // namespace

bool LooksLikeCreg(std::string_view head) { return head.substr(0, 4) == "CREG"; }

bool IsSupportedCregCodepage(int codepage) {
  for (int known : kCodepages) {
    if (known == codepage) return true;
  }
  return false;
}

bool LoadCregFile(const std::string& host_path, int codepage, MemoryRegistry& out,
                  std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (IsSupportedCregCodepage(codepage) && !ReadWholeFile(host_path, &bytes, &why)) {
    if (error) *error = "Cannot read the registry file " + host_path + ": " + why + ".";
    return false;
  }
  return LoadCregBytes(std::move(bytes), host_path, codepage, out, error);
}

bool LoadCregBytes(std::vector<std::uint8_t> bytes, const std::string& name, int codepage,
                   MemoryRegistry& out, std::string* error) {
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return false;
  };
  if (!IsSupportedCregCodepage(codepage)) {
    return fail("Code page " + std::to_string(codepage) +
                " is not supported for the names of a registry file.");
  }
  if (bytes.size() > kMaxFileSize) {
    return fail("Cannot read the registry file " + name +
                ": it is far larger than any registry file.");
  }
  if (!LooksLikeCreg(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                      std::min<std::size_t>(bytes.size(), 4)))) {
    return fail(name +
                " is not a Windows 95/98/Me registry file (it does not begin with \"CREG\").");
  }
  std::string why;
  const std::string damaged = "The registry file " + name + " is damaged: ";
  if (!CheckLayout(bytes, &why)) return fail(damaged + why + ".");

  libbfio_handle_t* raw_range = nullptr;
  if (libbfio_memory_range_initialize(&raw_range, nullptr) != 1) {
    return fail("Cannot read the registry file " + name + ": out of memory.");
  }
  std::unique_ptr<libbfio_handle_t, RangeFree> range(raw_range);
  if (libbfio_memory_range_set(range.get(), bytes.data(), bytes.size(), nullptr) != 1) {
    return fail("Cannot read the registry file " + name + ".");
  }
  libcreg_file_t* raw_file = nullptr;
  if (libcreg_file_initialize(&raw_file, nullptr) != 1) {
    return fail("Cannot read the registry file " + name + ": out of memory.");
  }
  // Closes the file before the memory range it reads goes away.
  std::unique_ptr<libcreg_file_t, FileCloser> file(raw_file);
  if (libcreg_file_set_ascii_codepage(file.get(), codepage, nullptr) != 1) {
    return fail("Code page " + std::to_string(codepage) +
                " is not supported for the names of a registry file.");
  }
  ErrorSlot opening;
  if (libcreg_file_open_file_io_handle(file.get(), range.get(), LIBCREG_OPEN_READ,
                                       &opening.error) != 1) {
    return fail(damaged + "it cannot be opened (" + Cause(opening.error) + ").");
  }
  ErrorSlot rooting;
  libcreg_key_t* raw_root = nullptr;
  if (libcreg_file_get_root_key(file.get(), &raw_root, &rooting.error) != 1 ||
      raw_root == nullptr) {
    return fail(damaged + "its root key cannot be read (" + Cause(rooting.error) + ").");
  }
  KeyPtr root(raw_root);
  TreeCopier copier(&why);
  if (!copier.Copy(root.get(), out.CreateKey(kHKeyLocalMachine, ""), "", 0)) {
    return fail(damaged + why + ".");
  }
  return true;
}

}  // namespace veskaro::platform
