// One FAT12/16/32 volume of a disk image, read through The Sleuth Kit. Each folder is
// read once, when first needed, into an index of its entries in directory order;
// files are read through the library on demand. Nothing is ever written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "platform/image/disk_image.h"
#include "platform/image/volume_names.h"

struct TSK_FS_INFO;

namespace veskaro::platform {

/// Limits that keep the reading of a damaged or hostile volume finite and small.
inline constexpr std::size_t kMaxFolderEntries = 65536;  ///< FAT's own limit per folder
inline constexpr std::size_t kMaxVolumeEntries = 1000000;
inline constexpr int kMaxFolderDepth = 128;  ///< a Windows path has at most 260 characters

/// FAT attribute bits.
enum FatAttribute : std::uint8_t {
  kFatReadOnly = 0x01,
  kFatHidden = 0x02,
  kFatSystem = 0x04,
  kFatVolumeLabel = 0x08,
  kFatFolder = 0x10,
  kFatArchive = 0x20,
};

class FatVolume {
 public:
  /// One entry of a folder: a file or a subfolder (never ".", "..", a deleted entry
  /// or the volume label).
  struct Entry {
    std::string name;   ///< the long name, else the 8.3 name, in the installation's code page
    std::string alias;  ///< the 8.3 alias stored beside a long name; empty for an 8.3 name
    std::uint64_t address = 0;  ///< the library's metadata address
    std::uint8_t attributes = 0;
    bool is_folder() const { return (attributes & kFatFolder) != 0; }
  };

  /// The entries of one folder in directory order, looked up by long name or by
  /// 8.3 alias ignoring code page 1252 letter case.
  class Folder {
   public:
    const std::vector<Entry>& entries() const { return entries_; }
    /// The entry that `component` names, or null. Of two entries that share a name
    /// (only a damaged folder has them) the first one counts.
    const Entry* Find(std::string_view component) const;
    /// The folder's path on its volume ("\WINDOWS\INF", "\" for the root).
    const std::string& path() const { return path_; }

   private:
    friend class FatVolume;
    void Add(Entry entry);

    std::string path_;
    int depth_ = 0;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::uint32_t> by_name_;  // folded name or alias -> entry
  };

  /// Opens the FAT volume that begins `offset` bytes into `image`; names are given in
  /// Windows code page `codepage`. Null, with `*error` saying why, when there is no
  /// FAT volume there.
  static std::unique_ptr<FatVolume> Open(std::shared_ptr<DiskImage> image, std::uint64_t offset,
                                         int codepage, std::string* error);
  ~FatVolume();
  FatVolume(const FatVolume&) = delete;
  FatVolume& operator=(const FatVolume&) = delete;

  /// The root folder, or null with `*error` saying what is damaged.
  const Folder* Root(std::string* error);
  /// The folder that `entry`, a folder entry of `parent`, stands for, read at its
  /// first use; null with `*error` saying what is damaged.
  const Folder* Subfolder(const Folder& parent, const Entry& entry, std::string* error);
  /// Reads every folder of the volume, so that damage anywhere in the tree is found
  /// now. False, with `*error` naming the folder and what is wrong.
  bool ReadAllFolders(std::string* error);
  /// Opens a file for reading; `*modified`, when asked for, is its last-write time
  /// (seconds since 1970, the volume's local time taken as the host's). Null, with
  /// `*error` saying why, for a folder. A file whose cluster chain is damaged (it
  /// loops, stops short or leaves the volume) opens, but reading it fails, saying so.
  std::unique_ptr<ByteSource> OpenFile(const Entry& entry, std::string* error,
                                       std::int64_t* modified = nullptr);

  /// "FAT12", "FAT16" or "FAT32".
  std::string type() const;
  /// The volume's size in bytes.
  std::uint64_t size() const;
  /// The volume label of the root folder (empty when there is none), in the code page.
  const std::string& label() const { return label_; }
  /// Where the volume's image is, for messages.
  const DiskImage& image() const { return *image_; }

 private:
  FatVolume(std::shared_ptr<DiskImage> image, TSK_FS_INFO* fs, int codepage);
  const Folder* Load(std::uint64_t address, const std::string& path, int depth,
                     std::string* error);

  std::shared_ptr<DiskImage> image_;
  TSK_FS_INFO* fs_;
  int codepage_;
  VolumeNames names_;
  std::string label_;
  std::vector<std::unique_ptr<Folder>> folders_;
  std::unordered_map<std::uint64_t, Folder*> by_address_;          // entry address -> folder
  std::unordered_map<std::uint64_t, std::string> folder_at_block_;  // first block -> path
  std::size_t total_entries_ = 0;
};

}  // namespace veskaro::platform
