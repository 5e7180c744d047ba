#include "platform/image/fat_volume.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "platform/code_page.h"
#include "platform/short_names.h"

namespace veskaro::platform {
namespace {

constexpr std::size_t kSlotSize = 32;
constexpr std::uint8_t kLongNameSlot = 0x0F;
constexpr unsigned char kDeleted = 0xE5;
constexpr std::uint8_t kLowerBase = 0x08;  // Windows NT's case bits of an 8.3 name
constexpr std::uint8_t kLowerExtension = 0x10;

// One 32-byte directory entry that holds a file, folder or label (not a long-name
// part, not deleted, not "." or ".."), as Windows reads it.
struct Slot {
  std::string library_form;    // the 8.3 name exactly as The Sleuth Kit writes it
  std::string oem_name;        // the 8.3 name's bytes, "NAME.EXT"
  std::string oem_alias;       // the same without Windows NT's lower-case bits
  std::uint8_t case_bits = 0;  // those bits (kLowerBase, kLowerExtension)
  std::uint8_t attributes = 0;
  bool long_name = false;  // a long name whose checksum matches stands right before it
};

std::uint8_t ShortNameChecksum(const unsigned char* name) {
  std::uint8_t sum = 0;
  for (int i = 0; i < 11; ++i) {
    sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name[i]);
  }
  return sum;
}

// The 8.3 name as The Sleuth Kit forms it: blanks, 0x00 and 0xFF left out, a dot
// before a first extension byte, the case bits applied, and bytes above 0x7E
// replaced by "^". Matching on it pairs the library's entries with the raw ones.
std::string LibraryForm(const unsigned char* slot) {
  std::string out;
  const std::uint8_t lower = slot[12];
  auto keep = [](unsigned char c) { return c != 0x00 && c != 0xFF && c != 0x20; };
  auto put = [&](unsigned char c, bool lower_case) {
    if (lower_case && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    out += c > 0x7E ? '^' : static_cast<char>(c);
  };
  for (int b = 0; b < 8; ++b) {
    if (!keep(slot[b])) continue;
    if (b == 0 && slot[0] == kDeleted) {
      out += '_';
    } else {
      put(slot[b], (lower & kLowerBase) != 0);
    }
  }
  for (int b = 0; b < 3; ++b) {
    if (!keep(slot[8 + b])) continue;
    if (b == 0) out += '.';
    put(slot[8 + b], (lower & kLowerExtension) != 0);
  }
  return out;
}

// "NAME.EXT" from the 11 name bytes, trailing blanks dropped; 0x05 stands for a
// first byte 0xE5. With `case_bits`, Windows NT's lower-case bits are applied.
std::string OemName(const unsigned char* slot, bool case_bits) {
  auto part = [&](int from, int count, bool lower) {
    std::string text(reinterpret_cast<const char*>(slot + from), static_cast<std::size_t>(count));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (lower) {
      for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      }
    }
    return text;
  };
  std::string base = part(0, 8, case_bits && (slot[12] & kLowerBase) != 0);
  if (!base.empty() && base[0] == '\x05') base[0] = static_cast<char>(kDeleted);
  const std::string extension = part(8, 3, case_bits && (slot[12] & kLowerExtension) != 0);
  return extension.empty() ? base : base + "." + extension;
}

// An 8.3 name in code page 1252 with the parts that Windows NT's lower-case bits
// flag wholly in lower case: OemName lowers only A-Z of the DOS bytes, Windows NT
// shows "RÉSUMÉ.INF" flagged so as "résumé.inf".
std::string LowerFlaggedParts1252(std::string name, std::uint8_t case_bits) {
  const std::size_t dot = std::min(name.find('.'), name.size());
  if (case_bits & kLowerBase) {
    for (std::size_t i = 0; i < dot; ++i) name[i] = LowerCase1252(name[i]);
  }
  if (case_bits & kLowerExtension) {
    for (std::size_t i = dot; i < name.size(); ++i) name[i] = LowerCase1252(name[i]);
  }
  return name;
}

// The entries of a folder's content, in order, up to the first never-used slot.
std::vector<Slot> ReadSlots(const std::vector<unsigned char>& content, std::string* label) {
  std::vector<Slot> slots;
  bool after_long_name = false;
  std::uint8_t long_name_checksum = 0;
  for (std::size_t at = 0; at + kSlotSize <= content.size(); at += kSlotSize) {
    const unsigned char* slot = content.data() + at;
    if (slot[0] == 0x00) break;
    const bool previous_long = after_long_name;
    after_long_name = false;
    if (slot[0] == kDeleted) continue;
    const std::uint8_t attributes = slot[11];
    if ((attributes & 0x3F) == kLongNameSlot) {
      // The part stored last, right before the 8.3 entry, is number 1.
      after_long_name = (slot[0] & 0x1F) == 1;
      long_name_checksum = slot[13];
      continue;
    }
    if (slot[0] == '.') continue;
    if (attributes & kFatVolumeLabel) {
      if (label->empty()) {
        label->assign(reinterpret_cast<const char*>(slot), 11);
        while (!label->empty() && label->back() == ' ') label->pop_back();
      }
      continue;
    }
    Slot out;
    out.library_form = LibraryForm(slot);
    out.oem_name = OemName(slot, true);
    out.oem_alias = OemName(slot, false);
    out.case_bits = slot[12] & (kLowerBase | kLowerExtension);
    out.attributes = attributes;
    out.long_name = previous_long && long_name_checksum == ShortNameChecksum(slot);
    slots.push_back(std::move(out));
  }
  return slots;
}

bool IsDots(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

struct FileCloser {
  void operator()(TSK_FS_FILE* file) const { tsk_fs_file_close(file); }
};
struct DirCloser {
  void operator()(TSK_FS_DIR* dir) const { tsk_fs_dir_close(dir); }
};
using FilePtr = std::unique_ptr<TSK_FS_FILE, FileCloser>;
using DirPtr = std::unique_ptr<TSK_FS_DIR, DirCloser>;

// Checks that the clusters the library found for `file` hold all of its bytes and lie
// on the volume; a chain that loops or ends early leaves the file short.
bool ClustersCoverFile(TSK_FS_INFO* fs, TSK_FS_FILE* file, std::string* why) {
  const TSK_OFF_T size = file->meta->size;
  if (size == 0) return true;
  const TSK_FS_ATTR* attr = tsk_fs_file_attr_get(file);
  if (attr == nullptr) {
    *why = "its clusters cannot be found (" + TskErrorText() + ")";
    return false;
  }
  if ((attr->flags & TSK_FS_ATTR_NONRES) == 0) return true;
  std::uint64_t blocks = 0;
  for (const TSK_FS_ATTR_RUN* run = attr->nrd.run; run != nullptr; run = run->next) {
    if (run->flags & (TSK_FS_ATTR_RUN_FLAG_FILLER | TSK_FS_ATTR_RUN_FLAG_SPARSE)) continue;
    if (run->addr + run->len > fs->last_block + 1 || run->addr + run->len < run->addr) {
      *why = "its clusters lie beyond the end of the volume";
      return false;
    }
    blocks += run->len;
  }
  if (blocks * fs->block_size < static_cast<std::uint64_t>(size)) {
    *why = "its cluster chain ends before the end of the file (it loops or is cut short)";
    return false;
  }
  return true;
}

// A file of the volume, read in order through the library. A file whose clusters
// are damaged opens, as it exists, but its first read fails saying why.
class VolumeFileSource : public ByteSource {
 public:
  VolumeFileSource(FilePtr file, std::string path, std::string damage)
      : file_(std::move(file)),
        path_(std::move(path)),
        damage_(std::move(damage)),
        size_(file_->meta->size) {}

  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    if (!damage_.empty()) {
      if (error) *error = path_ + ": " + damage_;
      return -1;
    }
    if (offset_ >= size_ || capacity == 0) return 0;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<TSK_OFF_T>(size_ - offset_, capacity));
    const ssize_t got =
        tsk_fs_file_read(file_.get(), offset_, buffer, wanted, TSK_FS_FILE_READ_FLAG_NONE);
    if (got <= 0) {
      if (error) *error = path_ + ": " + TskErrorText("read error");
      return -1;
    }
    offset_ += got;
    return got;
  }

 private:
  FilePtr file_;
  std::string path_;
  std::string damage_;
  TSK_OFF_T size_;
  TSK_OFF_T offset_ = 0;
};

}  // namespace

void FatVolume::Folder::Add(Entry entry) {
  const auto index = static_cast<std::uint32_t>(entries_.size());
  by_name_.emplace(LowerCase1252(entry.name), index);
  if (!entry.alias.empty()) by_name_.emplace(LowerCase1252(entry.alias), index);
  entries_.push_back(std::move(entry));
}

const FatVolume::Entry* FatVolume::Folder::Find(std::string_view component) const {
  const auto it = by_name_.find(LowerCase1252(component));
  return it == by_name_.end() ? nullptr : &entries_[it->second];
}

FatVolume::FatVolume(std::shared_ptr<DiskImage> image, TSK_FS_INFO* fs, int codepage)
    : image_(std::move(image)), fs_(fs), codepage_(codepage), names_(codepage) {}

FatVolume::~FatVolume() { tsk_fs_close(fs_); }

std::unique_ptr<FatVolume> FatVolume::Open(std::shared_ptr<DiskImage> image, std::uint64_t offset,
                                           int codepage, std::string* error) {
  tsk_error_reset();
  TSK_FS_INFO* fs =
      tsk_fs_open_img(image->info(), static_cast<TSK_OFF_T>(offset), TSK_FS_TYPE_FAT_DETECT);
  if (fs == nullptr) {
    if (error) *error = TskErrorText("no FAT file system");
    return nullptr;
  }
  std::unique_ptr<FatVolume> volume(new FatVolume(std::move(image), fs, codepage));
  std::string why;
  if (volume->Root(&why) == nullptr) {
    if (error) *error = why;
    return nullptr;
  }
  return volume;
}

std::string FatVolume::type() const {
  switch (fs_->ftype) {
    case TSK_FS_TYPE_FAT12:
      return "FAT12";
    case TSK_FS_TYPE_FAT16:
      return "FAT16";
    default:
      return "FAT32";
  }
}

std::uint64_t FatVolume::size() const {
  return static_cast<std::uint64_t>(fs_->block_count) * fs_->block_size;
}

const FatVolume::Folder* FatVolume::Root(std::string* error) {
  return Load(fs_->root_inum, "\\", 0, error);
}

const FatVolume::Folder* FatVolume::Subfolder(const Folder& parent, const Entry& entry,
                                              std::string* error) {
  const std::string path =
      parent.path_ == "\\" ? "\\" + entry.name : parent.path_ + "\\" + entry.name;
  return Load(entry.address, path, parent.depth_ + 1, error);
}

const FatVolume::Folder* FatVolume::Load(std::uint64_t address, const std::string& path, int depth,
                                         std::string* error) {
  const auto known = by_address_.find(address);
  if (known != by_address_.end()) return known->second;
  auto fail = [&](const std::string& what) -> const Folder* {
    if (error) *error = "the folder " + path + " " + what;
    return nullptr;
  };
  if (depth > kMaxFolderDepth) {
    return fail("lies more than " + std::to_string(kMaxFolderDepth) + " folders deep");
  }
  // The library reads a folder whole, at the size its cluster chain gives: a chain
  // far longer than any folder is refused before that.
  tsk_error_reset();
  {
    FilePtr probe(tsk_fs_file_open_meta(fs_, nullptr, address));
    if (probe == nullptr || probe->meta == nullptr) {
      return fail("cannot be read (" + TskErrorText() + ")");
    }
    if (probe->meta->size < 0 ||
        static_cast<std::uint64_t>(probe->meta->size) > kMaxFolderEntries * kSlotSize) {
      return fail("is larger than a FAT folder can be");
    }
  }
  DirPtr dir(tsk_fs_dir_open_meta(fs_, address));
  if (dir == nullptr || dir->fs_file == nullptr || dir->fs_file->meta == nullptr) {
    return fail("cannot be read (" + TskErrorText() + ")");
  }
  TSK_FS_FILE* file = dir->fs_file;
  const TSK_OFF_T size = file->meta->size;
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxFolderEntries * kSlotSize) {
    return fail("is larger than a FAT folder can be");
  }

  // The content, for the attribute bytes and the stored 8.3 names.
  std::vector<unsigned char> content(static_cast<std::size_t>(size));
  if (size > 0) {
    const TSK_FS_ATTR* attr = tsk_fs_file_attr_get(file);
    if (attr != nullptr && (attr->flags & TSK_FS_ATTR_NONRES) && attr->nrd.run != nullptr) {
      // Two folders never share clusters; one that does is a folder that contains
      // itself or a cross-linked one, and following it would never end.
      const auto [at, added] = folder_at_block_.emplace(attr->nrd.run->addr, path);
      if (!added) {
        const std::string& other = at->second;
        const bool inside = other == "\\" || path.rfind(other + "\\", 0) == 0;
        return fail(inside ? "contains itself (it is stored where " + other + " is)"
                           : "is stored where " + other + " is (the two are cross-linked)");
      }
    }
    const ssize_t got = tsk_fs_file_read(file, 0, reinterpret_cast<char*>(content.data()),
                                         content.size(), TSK_FS_FILE_READ_FLAG_NONE);
    if (got != size) return fail("cannot be read (" + TskErrorText("short read") + ")");
  }
  std::string label;
  const std::vector<Slot> slots = ReadSlots(content, &label);

  // The library's entries in order, each paired with the next raw entry of the same
  // 8.3 name: that gives the attribute byte, the stored bytes of the 8.3 name, and
  // whether Windows would see the long name at all.
  std::map<std::string_view, std::deque<std::size_t>> by_form;
  for (std::size_t i = 0; i < slots.size(); ++i) by_form[slots[i].library_form].push_back(i);
  auto folder = std::make_unique<Folder>();
  folder->path_ = path;
  folder->depth_ = depth;
  std::size_t next_slot = 0;
  const std::size_t count = tsk_fs_dir_getsize(dir.get());
  for (std::size_t i = 0; i < count; ++i) {
    const TSK_FS_NAME* name = tsk_fs_dir_get_name(dir.get(), i);
    if (name == nullptr || name->name == nullptr || (name->flags & TSK_FS_NAME_FLAG_ALLOC) == 0 ||
        (name->type != TSK_FS_NAME_TYPE_REG && name->type != TSK_FS_NAME_TYPE_DIR) ||
        IsDots(name->name)) {
      continue;
    }
    const bool has_long = name->shrt_name != nullptr && name->shrt_name[0] != '\0';
    const auto candidates = by_form.find(has_long ? name->shrt_name : name->name);
    if (candidates == by_form.end()) continue;
    auto& queue = candidates->second;
    while (!queue.empty() && queue.front() < next_slot) queue.pop_front();
    if (queue.empty()) continue;
    const Slot& slot = slots[queue.front()];
    next_slot = queue.front() + 1;
    queue.pop_front();

    if (folder->entries_.size() >= kMaxFolderEntries) return fail("holds too many entries");
    if (++total_entries_ > kMaxVolumeEntries) {
      return fail("takes the volume beyond " + std::to_string(kMaxVolumeEntries) + " entries");
    }
    Entry entry;
    if (has_long && slot.long_name) {
      entry.name = names_.FromUtf8(name->name);
      entry.alias = names_.FromOem(slot.oem_alias);
    } else {
      entry.name = names_.FromOem(slot.oem_name);
      if (codepage_ == 1252) entry.name = LowerFlaggedParts1252(entry.name, slot.case_bits);
    }
    entry.address = name->meta_addr;
    entry.attributes = slot.attributes;
    folder->Add(std::move(entry));
  }
  if (address == fs_->root_inum) label_ = names_.FromOem(label);
  Folder* loaded = folder.get();
  folders_.push_back(std::move(folder));
  by_address_.emplace(address, loaded);
  return loaded;
}

bool FatVolume::ReadAllFolders(std::string* error) {
  std::vector<const Folder*> pending;
  const Folder* root = Root(error);
  if (root == nullptr) return false;
  pending.push_back(root);
  while (!pending.empty()) {
    const Folder* folder = pending.back();
    pending.pop_back();
    for (const Entry& entry : folder->entries()) {
      if (!entry.is_folder()) continue;
      const Folder* sub = Subfolder(*folder, entry, error);
      if (sub == nullptr) return false;
      pending.push_back(sub);
    }
  }
  return true;
}

std::unique_ptr<ByteSource> FatVolume::OpenFile(const Entry& entry, std::string* error,
                                                std::int64_t* modified) {
  auto fail = [&](const std::string& text) -> std::unique_ptr<ByteSource> {
    if (error) *error = text;
    return nullptr;
  };
  if (entry.is_folder()) return fail(entry.name + ": is a folder");
  tsk_error_reset();
  FilePtr file(tsk_fs_file_open_meta(fs_, nullptr, entry.address));
  if (file == nullptr || file->meta == nullptr) {
    return fail(entry.name + ": cannot be opened (" + TskErrorText() + ")");
  }
  std::string damage;
  ClustersCoverFile(fs_, file.get(), &damage);
  if (modified != nullptr) *modified = file->meta->mtime;
  return std::make_unique<VolumeFileSource>(std::move(file), entry.name, std::move(damage));
}

}  // namespace veskaro::platform
