// Disk images: the partition table and the FAT volumes as The Sleuth Kit reads
// them, the folder index, every file's bytes and the installation found on them
// (its drive C: and Windows folder), on mutated small images (a bare FAT12 volume, a
// primary partition and a logical drive made from the sample). Each input is a raw
// disk in memory, handed to the library as an external image whose structure (it
// holds a 2 MB read cache) is made once and reused, its cache emptied between inputs.
#include <sys/mman.h>
#include <tsk/libtsk.h>
#include <unistd.h>

#include <cstring>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/image/disk_volumes.h"
#include "platform/image/image_file_system.h"
#include "platform/offline/image_installation.h"

namespace {

using namespace veskaro;

struct MemoryImage {
  TSK_IMG_INFO img;  // first, as the library requires
  const std::uint8_t* data;
  std::size_t size;
};

ssize_t ReadMemory(TSK_IMG_INFO* img, TSK_OFF_T offset, char* buffer, size_t length) {
  const auto* image = reinterpret_cast<const MemoryImage*>(img);
  fuzz::Check(offset >= 0, "the library reads at no negative offset");
  if (static_cast<std::size_t>(offset) >= image->size) return 0;
  const std::size_t n = std::min(length, image->size - static_cast<std::size_t>(offset));
  std::memcpy(buffer, image->data + offset, n);
  return static_cast<ssize_t>(n);
}
void KeepMemory(TSK_IMG_INFO*) {}
void StatMemory(TSK_IMG_INFO*, FILE*) {}

// The input as a disk image named `name`.
std::shared_ptr<platform::DiskImage> OpenInput(const std::uint8_t* data, std::size_t size,
                                               const std::string& name) {
  static MemoryImage* const image = static_cast<MemoryImage*>(std::calloc(1, sizeof(MemoryImage)));
  std::memset(image->img.cache_len, 0, sizeof image->img.cache_len);
  std::memset(image->img.cache_age, 0, sizeof image->img.cache_age);
  image->data = data;
  image->size = size;
  TSK_IMG_INFO* info = tsk_img_open_external(image, static_cast<TSK_OFF_T>(size), 512, ReadMemory,
                                             KeepMemory, StatMemory);
  fuzz::Check(info != nullptr, "a memory image opens");
  return std::make_shared<platform::DiskImage>(info, name, "raw");
}

// An empty REGEDIT4 export: the installation is then opened with its registry
// from elsewhere, so that each input spends its time on the image rather than on
// the hive reader, which the creg target covers (the image's hive is still read,
// as every file is).
const std::string& EmptyExport() {
  static const std::string path = [] {
    const int fd = memfd_create("fuzz-export", MFD_CLOEXEC);
    const std::string text = "REGEDIT4\r\n";
    fuzz::Check(fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
                "the export can be written to a memory file");
    return "/proc/self/fd/" + std::to_string(fd);
  }();
  return path;
}

// Reads every folder and file of `volume` it can, within a budget of bytes; what it
// finds in a folder is found again by its name and alias.
void WalkVolume(platform::FatVolume& volume) {
  std::string error;
  const platform::FatVolume::Folder* root = volume.Root(&error);
  fuzz::Check(root != nullptr, "an opened volume has a root folder", error);
  std::vector<const platform::FatVolume::Folder*> pending{root};
  std::size_t budget = 4 << 20;
  char buffer[4096];
  while (!pending.empty()) {
    const platform::FatVolume::Folder* folder = pending.back();
    pending.pop_back();
    for (const platform::FatVolume::Entry& entry : folder->entries()) {
      fuzz::Check(folder->Find(entry.name) != nullptr, "an entry is found by its name",
                  entry.name);
      fuzz::Check(entry.alias.empty() || folder->Find(entry.alias) != nullptr,
                  "an entry is found by its alias", entry.alias);
      if (entry.is_folder()) {
        if (const auto* sub = volume.Subfolder(*folder, entry, &error)) pending.push_back(sub);
        continue;
      }
      auto source = volume.OpenFile(entry, &error);
      fuzz::Check(source != nullptr, "a file entry opens", error);
      for (std::ptrdiff_t got = 1; got > 0 && budget > 0;) {
        got = source->Read(buffer, sizeof buffer, &error);
        fuzz::Check(got <= static_cast<std::ptrdiff_t>(sizeof buffer), "reads stay in the buffer");
        if (got > 0) budget -= std::min<std::size_t>(budget, static_cast<std::size_t>(got));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string path = "fuzz.img";
  std::shared_ptr<platform::DiskImage> image = OpenInput(data, size, path);
  std::string error;
  std::vector<platform::DiskVolume> volumes;
  const bool found = platform::FindDiskVolumes(image, 1252, &volumes, &error);
  fuzz::Check(found == !volumes.empty(), "volumes are found or the image is refused", error);
  fuzz::Check(found || error.find(path) != std::string::npos, "a refusal names the image", error);
  for (platform::DiskVolume& volume : volumes) WalkVolume(*volume.volume);
  volumes.clear();

  platform::InstallationOptions options;
  options.image = path;
  options.registry_file = EmptyExport();
  error.clear();
  const auto installation = platform::OpenImageInstallation(image, options, &error);
  fuzz::Check((installation != nullptr) == error.empty(), "an installation opens or says why",
              error);
  fuzz::Check(installation != nullptr || error.find(path) != std::string::npos,
              "an installation that does not open names the image", error);
  if (installation != nullptr) {
    installation->files->FindFirst(installation->windir + "\\INF\\*.INF",
                                   platform::SearchKind::kNormal);
  }
  return 0;
}
