// Opening the disk images that testing/make_disk_images.sh writes of the sample.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/image/disk_volumes.h"
#include "platform/image/image_file_system.h"

namespace veskaro::platform::image_test {

inline std::string ImagePath(const std::string& name) {
  return std::string(VESKARO_TEST_IMAGES) + "/" + name;
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// Every byte of `source`, or "<error: ...>".
inline std::string ReadAll(ByteSource& source) {
  std::string out;
  char buffer[1000];  // not a power of two: reads end inside clusters
  for (;;) {
    std::string error;
    const std::ptrdiff_t got = source.Read(buffer, sizeof buffer, &error);
    if (got < 0) return "<error: " + error + ">";
    if (got == 0) return out;
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

/// The FAT volumes of an image of the test set; fails the test when there are none.
inline std::vector<DiskVolume> Volumes(const std::string& name) {
  std::string error;
  std::shared_ptr<DiskImage> image = OpenDiskImage(ImagePath(name), &error);
  std::vector<DiskVolume> volumes;
  if (image == nullptr || !FindDiskVolumes(image, 1252, &volumes, &error)) {
    ADD_FAILURE() << name << ": " << error;
  }
  return volumes;
}

/// The file system whose drive C: is the volume of the image that holds the sample
/// (the last FAT volume of the images with more than one).
inline std::unique_ptr<ImageFileSystem> SampleDrive(const std::string& name) {
  std::vector<DiskVolume> volumes = Volumes(name);
  if (volumes.empty()) return nullptr;
  return std::make_unique<ImageFileSystem>(
      std::map<char, std::shared_ptr<FatVolume>>{{'C', volumes.back().volume}});
}

}  // namespace veskaro::platform::image_test
