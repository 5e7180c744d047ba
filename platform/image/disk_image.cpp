#include "platform/image/disk_image.h"

#include <fcntl.h>
#include <libqcow.h>
#include <sys/stat.h>
#include <tsk/libtsk.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veskaro::platform {
namespace {

// The first bytes of an image, and its last sector (where a fixed VHD keeps its
// footer), as far as the file has them.
struct Head {
  std::string first;
  std::string last;
};

bool ReadHead(const std::string& path, Head* head, std::string* why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  std::array<char, 512> buffer{};
  ssize_t got = pread(fd, buffer.data(), buffer.size(), 0);
  head->first.assign(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
  const off_t end = lseek(fd, 0, SEEK_END);
  if (end >= 1024) {
    got = pread(fd, buffer.data(), buffer.size(), end - 512);
    head->last.assign(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  close(fd);
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The sentence for a format that is recognised but cannot be read.
std::string Unreadable(const std::string& path, const std::string& format) {
  std::string stem = path;
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string::npos && stem.find('/', dot) == std::string::npos) stem.erase(dot);
  return "The disk image " + path + " is a " + format +
         ", which cannot be read. Convert it to a VHD image first: qemu-img convert -O vpc " +
         path + " " + stem + ".vhd";
}

// The Sleuth Kit's image type for a format told by its first or last bytes; anything
// else is a raw disk. (The library's own detection is not used: it leaks the handles
// of the readers it tries.) `unreadable` is set for formats no reader here knows.
TSK_IMG_TYPE_ENUM Sniff(const std::string& path, const Head& head, std::string* unreadable,
                        bool* qcow) {
  const std::string_view first = head.first;
  if (StartsWith(first, "QFI\xfb")) {
    *qcow = true;
    return TSK_IMG_TYPE_EXTERNAL;
  }
  if (first.size() >= 0x44 && first.substr(0x40, 4) == std::string_view("\x7f\x10\xda\xbe", 4)) {
    *unreadable = Unreadable(path, "VirtualBox disk image (VDI)");
  } else if (StartsWith(first, "vhdxfile")) {
    *unreadable = Unreadable(path, "Hyper-V disk image (VHDX)");
  } else if (first.size() >= 0x14 && (first.substr(0x04, 16) == "WithoutFreeSpace" ||
                                      first.substr(0x04, 16) == "WithouFreSpacExt")) {
    *unreadable = Unreadable(path, "Parallels disk image");
  } else if (StartsWith(first, "conectix") || StartsWith(head.last, "conectix")) {
    return TSK_IMG_TYPE_VHD_VHD;
  } else if (StartsWith(first, "KDMV") || StartsWith(first, "COWD") ||
             StartsWith(first, "# Disk DescriptorFile")) {
    return TSK_IMG_TYPE_VMDK_VMDK;
  } else if (StartsWith(first, std::string_view("EVF\x09\x0d\x0a\xff\x00", 8))) {
    return TSK_IMG_TYPE_EWF_EWF;
  }
  return TSK_IMG_TYPE_RAW;
}

// A single-file VMDK holds a descriptor that names the file with its data by the
// name the image was made with; once renamed, the image no longer finds its data.
// Returns that name when such a file is missing beside `path`, else empty text.
std::string MissingVmdkData(const std::string& path, const std::string& first) {
  if (!StartsWith(first, "KDMV") || first.size() < 44) return {};
  auto u64 = [&](std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(first[at + i]);
    return v;
  };
  const std::uint64_t offset = u64(28) * 512;
  const std::uint64_t size = std::min<std::uint64_t>(u64(36) * 512, 65536);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  const ssize_t got = pread(fd, text.data(), text.size(), static_cast<off_t>(offset));
  close(fd);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  const std::string folder = path.find('/') == std::string::npos
                                 ? std::string(".")
                                 : path.substr(0, path.rfind('/'));
  // Extent lines: RW 98304 SPARSE "name.vmdk"
  for (std::size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 1)) {
    const std::size_t end = text.find('"', at + 1);
    if (end == std::string::npos) break;
    const std::size_t line = text.rfind('\n', at);
    const std::string head = text.substr(line == std::string::npos ? 0 : line + 1, 2);
    const std::string name = text.substr(at + 1, end - at - 1);
    at = end;
    if (head != "RW" && head != "RD" && head != "NO") continue;
    struct stat info;
    if (!name.empty() && name.find('/') == std::string::npos &&
        stat((folder + "/" + name).c_str(), &info) != 0) {
      return name;
    }
  }
  return {};
}

// ---- qcow2 through libqcow, as an external image of The Sleuth Kit ----

// The library's image structure comes first, so that the library's pointer to it is
// a pointer to the whole.
struct QcowImage {
  TSK_IMG_INFO img;
  libqcow_file_t* file;
};

std::string QcowCause(libqcow_error_t* error) {
  if (error == nullptr) return "no detail given";
  std::array<char, 1024> text{};
  libqcow_error_sprint(error, text.data(), text.size());
  std::string cause(text.data(), std::strcspn(text.data(), "\r\n"));
  const std::size_t colon = cause.find(": ");
  if (colon != std::string::npos) cause.erase(0, colon + 2);
  while (!cause.empty() && (cause.back() == '.' || cause.back() == ' ')) cause.pop_back();
  libqcow_error_free(&error);
  return cause.empty() ? "no detail given" : cause;
}

ssize_t QcowRead(TSK_IMG_INFO* img, TSK_OFF_T offset, char* buffer, size_t length) {
  auto* image = reinterpret_cast<QcowImage*>(img);
  libqcow_error_t* error = nullptr;
  const ssize_t got =
      libqcow_file_read_buffer_at_offset(image->file, buffer, length, offset, &error);
  if (got < 0) {
    const std::string cause = QcowCause(error);
    tsk_error_reset();
    tsk_error_set_errno(TSK_ERR_IMG_READ);
    tsk_error_set_errstr("qcow2 read at offset %lld: %s", static_cast<long long>(offset),
                         cause.c_str());
  }
  return got;
}

void QcowClose(TSK_IMG_INFO* img) {
  auto* image = reinterpret_cast<QcowImage*>(img);
  libqcow_file_close(image->file, nullptr);
  libqcow_file_free(&image->file, nullptr);
  std::free(image);
}

void QcowStat(TSK_IMG_INFO*, FILE* stream) { std::fputs("Image Type: qcow2\n", stream); }

TSK_IMG_INFO* OpenQcow(const std::string& path, std::string* error) {
  libqcow_file_t* file = nullptr;
  libqcow_error_t* qerror = nullptr;
  if (libqcow_file_initialize(&file, &qerror) != 1) {
    *error = "The disk image " + path + " cannot be opened: " + QcowCause(qerror) + ".";
    return nullptr;
  }
  auto fail = [&](const std::string& text) -> TSK_IMG_INFO* {
    libqcow_file_close(file, nullptr);
    libqcow_file_free(&file, nullptr);
    *error = text;
    return nullptr;
  };
  if (libqcow_file_open(file, path.c_str(), LIBQCOW_OPEN_READ, &qerror) != 1) {
    return fail("The qcow2 disk image " + path + " is damaged: " + QcowCause(qerror) + ".");
  }
  uint32_t encryption = 0;
  if (libqcow_file_get_encryption_method(file, &encryption, nullptr) == 1 && encryption != 0) {
    return fail("The qcow2 disk image " + path +
                " is encrypted, which cannot be read. Decrypt it with qemu-img convert first.");
  }
  std::size_t backing = 0;
  if (libqcow_file_get_utf8_backing_filename_size(file, &backing, nullptr) == 1 && backing > 1) {
    return fail("The qcow2 disk image " + path +
                " holds only the changes to a backing image. Merge the two into one first: "
                "qemu-img convert -O qcow2 " +
                path + " whole.qcow2");
  }
  size64_t size = 0;
  if (libqcow_file_get_media_size(file, &size, &qerror) != 1) {
    return fail("The qcow2 disk image " + path + " is damaged: " + QcowCause(qerror) + ".");
  }
  auto* image = static_cast<QcowImage*>(std::calloc(1, sizeof(QcowImage)));
  if (image == nullptr) return fail("The disk image " + path + " cannot be opened: out of memory.");
  image->file = file;
  TSK_IMG_INFO* info = tsk_img_open_external(image, static_cast<TSK_OFF_T>(size), 512, QcowRead,
                                             QcowClose, QcowStat);
  if (info == nullptr) {
    std::free(image);
    return fail("The disk image " + path + " cannot be opened: " + TskErrorText() + ".");
  }
  return info;
}

// ---- A larger read cache in front of the format libraries ----

// The library keeps 2 MB of an image in its own cache. Behind it, a raw image is
// read from the page cache, but a VHD, VMDK, EWF or qcow2 image goes through its
// format library, which costs far more per read (libvhdi walks its sector ranges
// for each one). This cache of 512 blocks of 64 KB holds what a gather keeps
// reading (the INF files, the FAT, the folders), so that the format library reads
// each block about once; it is the same 32 MB whatever the image's size.
constexpr std::size_t kCacheBlock = 64 * 1024;
constexpr std::size_t kCacheBlocks = 512;

struct BlockCache {
  TSK_IMG_INFO* inner = nullptr;
  std::vector<char> bytes = std::vector<char>(kCacheBlock * kCacheBlocks);
  std::vector<std::int64_t> block_of = std::vector<std::int64_t>(kCacheBlocks, -1);
  std::vector<std::size_t> length_of = std::vector<std::size_t>(kCacheBlocks, 0);
  std::vector<std::uint64_t> used = std::vector<std::uint64_t>(kCacheBlocks, 0);
  std::unordered_map<std::int64_t, std::size_t> slot_of;  // block -> slot
  std::uint64_t clock = 0;

  // The bytes of block `block`, read from the inner image when missing; null on a
  // read error (the library's error is then set).
  const char* Block(std::int64_t block, std::size_t* length) {
    const auto known = slot_of.find(block);
    if (known != slot_of.end()) {
      used[known->second] = ++clock;
      *length = length_of[known->second];
      return bytes.data() + known->second * kCacheBlock;
    }
    // The least recently used slot makes room.
    const std::size_t slot =
        static_cast<std::size_t>(std::min_element(used.begin(), used.end()) - used.begin());
    const TSK_OFF_T offset = static_cast<TSK_OFF_T>(block) * static_cast<TSK_OFF_T>(kCacheBlock);
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<TSK_OFF_T>(inner->size - offset, kCacheBlock));
    char* into = bytes.data() + slot * kCacheBlock;
    const ssize_t got = tsk_img_read(inner, offset, into, wanted);
    if (got < 0) return nullptr;
    if (block_of[slot] >= 0) slot_of.erase(block_of[slot]);
    block_of[slot] = block;
    slot_of[block] = slot;
    length_of[slot] = static_cast<std::size_t>(got);
    used[slot] = ++clock;
    *length = length_of[slot];
    return into;
  }
};

struct CachedImage {
  TSK_IMG_INFO img;  // first, so that the library's pointer is one to the whole
  BlockCache* cache;
};

ssize_t CachedRead(TSK_IMG_INFO* img, TSK_OFF_T offset, char* buffer, size_t length) {
  BlockCache& cache = *reinterpret_cast<CachedImage*>(img)->cache;
  std::size_t done = 0;
  while (done < length && offset + static_cast<TSK_OFF_T>(done) < img->size) {
    const TSK_OFF_T at = offset + static_cast<TSK_OFF_T>(done);
    const std::int64_t block = at / static_cast<TSK_OFF_T>(kCacheBlock);
    const std::size_t within = static_cast<std::size_t>(at % static_cast<TSK_OFF_T>(kCacheBlock));
    std::size_t available = 0;
    const char* bytes = cache.Block(block, &available);
    if (bytes == nullptr) return done > 0 ? static_cast<ssize_t>(done) : -1;
    if (within >= available) break;
    const std::size_t n = std::min(length - done, available - within);
    std::memcpy(buffer + done, bytes + within, n);
    done += n;
  }
  return static_cast<ssize_t>(done);
}

void CachedClose(TSK_IMG_INFO* img) {
  auto* image = reinterpret_cast<CachedImage*>(img);
  tsk_img_close(image->cache->inner);
  delete image->cache;
  std::free(image);
}

void CachedStat(TSK_IMG_INFO* img, FILE* stream) {
  auto* image = reinterpret_cast<CachedImage*>(img);
  image->cache->inner->imgstat(image->cache->inner, stream);
}

// `inner` behind the block cache; the result owns it. Null when out of memory.
TSK_IMG_INFO* WithBlockCache(TSK_IMG_INFO* inner) {
  auto* image = static_cast<CachedImage*>(std::calloc(1, sizeof(CachedImage)));
  if (image == nullptr) return nullptr;
  image->cache = new BlockCache;
  image->cache->inner = inner;
  TSK_IMG_INFO* outer = tsk_img_open_external(image, inner->size, inner->sector_size, CachedRead,
                                              CachedClose, CachedStat);
  if (outer == nullptr) {
    delete image->cache;
    std::free(image);
  }
  return outer;
}

const char* FormatName(TSK_IMG_TYPE_ENUM type) {
  switch (type) {
    case TSK_IMG_TYPE_VHD_VHD:
      return "VHD";
    case TSK_IMG_TYPE_VMDK_VMDK:
      return "VMDK";
    case TSK_IMG_TYPE_EWF_EWF:
      return "EWF";
    case TSK_IMG_TYPE_EXTERNAL:
      return "qcow2";
    default:
      return "raw";
  }
}

}  // namespace

DiskImage::DiskImage(TSK_IMG_INFO* info, std::string path, std::string format)
    : info_(info), path_(std::move(path)), format_(std::move(format)) {}

DiskImage::~DiskImage() { tsk_img_close(info_); }

std::uint64_t DiskImage::size() const { return static_cast<std::uint64_t>(info_->size); }

std::string TskErrorText(const std::string& fallback) {
  const char* text = tsk_error_get();
  std::string out = text != nullptr ? text : "";
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
  tsk_error_reset();
  return out.empty() ? fallback : out;
}

std::unique_ptr<DiskImage> OpenDiskImage(const std::string& path, std::string* error) {
  auto fail = [&](std::string text) -> std::unique_ptr<DiskImage> {
    if (error) *error = std::move(text);
    return nullptr;
  };
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    return fail("The disk image " + path + " cannot be opened: " + std::strerror(errno) + ".");
  }
  if (S_ISDIR(info.st_mode)) {
    return fail(path + " is a folder, not a disk image. Give a folder as the installation's "
                       "drive C: with --root instead.");
  }
  Head head;
  std::string why;
  if (!ReadHead(path, &head, &why)) {
    return fail("The disk image " + path + " cannot be opened: " + why + ".");
  }
  std::string unreadable;
  bool qcow = false;
  const TSK_IMG_TYPE_ENUM type = Sniff(path, head, &unreadable, &qcow);
  if (!unreadable.empty()) return fail(unreadable);
  tsk_error_reset();
  TSK_IMG_INFO* img = nullptr;
  if (qcow) {
    img = OpenQcow(path, &why);
    if (img == nullptr) return fail(why);
  } else {
    // (Checked first: the library's VMDK reader does not free what it made when it
    // fails to open.)
    const std::string missing =
        type == TSK_IMG_TYPE_VMDK_VMDK ? MissingVmdkData(path, head.first) : "";
    if (!missing.empty()) {
      return fail("The VMDK image " + path + " keeps its data under the name it was made with, " +
                  missing + ", and no such file is beside it. Give the image that name again.");
    }
    img = tsk_img_open_utf8_sing(path.c_str(), type, 0);
    if (img == nullptr) {
      return fail("The " + std::string(FormatName(type)) + " image " + path +
                  " cannot be read: " + TskErrorText() + ".");
    }
  }
  if (img->size <= 0) {
    tsk_img_close(img);
    return fail("The disk image " + path + " is empty.");
  }
  const std::string format = qcow ? "qcow2" : FormatName(type);
  if (format != "raw") {
    TSK_IMG_INFO* cached = WithBlockCache(img);
    if (cached == nullptr) {
      tsk_img_close(img);
      return fail("The disk image " + path + " cannot be opened: out of memory.");
    }
    img = cached;
  }
  return std::make_unique<DiskImage>(img, path, format);
}

}  // namespace veskaro::platform
