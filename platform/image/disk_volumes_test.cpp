// Opening disk images and finding their FAT volumes: formats told by content,
// partitions numbered as Linux numbers them, and clear refusals.
#include "platform/image/disk_volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/image/image_test_support.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using image_test::ImagePath;
using image_test::Volumes;

TEST(DiskVolumesTest, FormatsAndPartitionsOfTheSampleImages) {
  for (const auto& [name, format] :
       std::vector<std::pair<std::string, std::string>>{{"sample-fat16.img", "raw"},
                                                        {"sample-fat32.vhd", "VHD"},
                                                        {"sample-fat32.vmdk", "VMDK"},
                                                        {"sample-fat32.qcow2", "qcow2"}}) {
    std::string error;
    const auto image = OpenDiskImage(ImagePath(name), &error);
    ASSERT_NE(image, nullptr) << error;
    EXPECT_EQ(image->format(), format) << name;
  }

  auto describe = [](const std::vector<DiskVolume>& volumes) {
    std::string out;
    for (const auto& v : volumes) out += DescribeVolume(v) + " at " + std::to_string(v.offset) + ";";
    return out;
  };
  EXPECT_EQ(describe(Volumes("sample-fat16.img")), "1 (FAT16, 16.0 MB, label WIN98) at 0;");
  EXPECT_EQ(describe(Volumes("sample-fat32.qcow2")), "1 (FAT32, 47.0 MB, label WIN98) at 1048576;");
  // The logical drive is number 5, whatever the slots of the chain.
  EXPECT_EQ(describe(Volumes("sample-logical.img")),
            "1 (FAT12, 2.0 MB, label DATA) at 1048576;5 (FAT16, 20.0 MB, label WIN98) at 4194304;");
  EXPECT_EQ(describe(Volumes("two-windows.img")),
            "1 (FAT16, 16.0 MB, label FIRST) at 1048576;"
            "2 (FAT16, 17.0 MB, label SECOND) at 17825792;");
}

TEST(DiskVolumesTest, WhatCannotBeReadIsSaidClearly) {
  const fs::path scratch = fs::path(VESKARO_TEST_IMAGES) / "scratch-volumes";
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(scratch / name, std::ios::binary) << bytes;
    return (scratch / name).string();
  };
  auto open_error = [](const std::string& path) {
    std::string error;
    EXPECT_EQ(OpenDiskImage(path, &error), nullptr) << path;
    return error;
  };

  std::string vdi(4096, '\0');
  vdi.replace(0, 40, "<<< Oracle VM VirtualBox Disk Image >>>\n");
  vdi.replace(0x40, 4, "\x7f\x10\xda\xbe");
  const std::string vdi_path = write("old.vdi", vdi);
  EXPECT_EQ(open_error(vdi_path),
            "The disk image " + vdi_path +
                " is a VirtualBox disk image (VDI), which cannot be read. Convert it to a VHD "
                "image first: qemu-img convert -O vpc " +
                vdi_path + " " + (scratch / "old").string() + ".vhd");
  EXPECT_NE(open_error(write("new.vhdx", "vhdxfile" + std::string(4096, 'x')))
                .find("Hyper-V disk image (VHDX)"),
            std::string::npos);
  EXPECT_EQ(open_error(scratch.string()),
            scratch.string() +
                " is a folder, not a disk image. Give a folder as the installation's drive C: "
                "with --root instead.");
  EXPECT_EQ(open_error((scratch / "missing.img").string()),
            "The disk image " + (scratch / "missing.img").string() +
                " cannot be opened: No such file or directory.");
  EXPECT_EQ(open_error(write("empty.img", "")),
            "The disk image " + (scratch / "empty.img").string() + " is empty.");

  // Bytes that are no disk at all are read as a raw disk, which holds nothing.
  const std::string noise_path = write("noise.img", std::string(65536, '\x5a'));
  std::string error;
  const std::shared_ptr<DiskImage> noise = OpenDiskImage(noise_path, &error);
  ASSERT_NE(noise, nullptr) << error;
  std::vector<DiskVolume> volumes;
  EXPECT_FALSE(FindDiskVolumes(noise, 1252, &volumes, &error));
  EXPECT_EQ(error.rfind("The disk image " + noise_path +
                            " holds neither a FAT volume nor a DOS partition table (",
                        0),
            0u)
      << error;
}

}  // namespace
}  // namespace veskaro::platform
