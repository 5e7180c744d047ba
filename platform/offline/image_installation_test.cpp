// An installation on a disk image of the sample: drive C: is the partition with
// Windows, the other FAT partitions follow, Z: is the host, copies leave the image,
// and host programs get private read-only copies of its files.
#include "platform/offline/image_installation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/host_file_system.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ImageInstallationTest, LogicalDriveWithWindowsIsDriveC) {
  const fs::path scratch = fs::path(VESKARO_TEST_IMAGES) / "scratch-installation";
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  InstallationOptions options;
  options.image = std::string(VESKARO_TEST_IMAGES) + "/sample-logical.img";
  std::string error;
  auto installation = OpenInstallation(options, &error);
  ASSERT_NE(installation, nullptr) << error;
  EXPECT_EQ(installation->windir, "C:\\WINDOWS");
  EXPECT_EQ(installation->registry_description,
            "C:\\WINDOWS\\SYSTEM.DAT on partition 5 of the disk image " + options.image +
                " (Windows 95/98/Me registry hive)");
  FileSystem& files = *installation->files;
  EXPECT_EQ(files.FindFirst("D:\\data.txt", SearchKind::kNormal), "DATA.TXT");
  EXPECT_EQ(files.FindFirst("Z:" + scratch.string(), SearchKind::kDirectory),
            scratch.filename().string());

  // A report names the image and the place inside it, in stored names.
  const HostLocation sys = files.LocateOnHost("c:\\windows\\system\\zenaud.sys");
  EXPECT_EQ(sys.path, options.image);
  EXPECT_EQ(sys.inside, "partition 5:\\WINDOWS\\SYSTEM\\ZENAUD.SYS");
  EXPECT_EQ(files.LocateOnHost("C:\\").inside, "partition 5:\\");
  EXPECT_TRUE(files.LocateOnHost("C:\\WINDOWS\\SYSTEM\\NONE.SYS").empty());
  const HostLocation host = files.LocateOnHost("Z:" + scratch.string());
  EXPECT_EQ(host.path, scratch.string());
  EXPECT_EQ(host.inside, "");

  // A copy out of the image is the file, written on the host.
  const fs::path sample = fs::path(VESKARO_SAMPLE_DIR) / "drive_c" / "WINDOWS";
  const std::string target = "Z:" + (scratch / "ZENAUD.SYS").string();
  EXPECT_TRUE(files.CopyFile("C:\\WINDOWS\\SYSTEM\\ZENAUD.SYS", target).ok());
  EXPECT_EQ(Slurp(scratch / "ZENAUD.SYS"), Slurp(sample / "SYSTEM" / "ZENAUD.SYS"));
  EXPECT_EQ(
      files.CopyFile("C:\\WINDOWS\\SYSTEM\\ZENAUD.SYS", "Z:" + (scratch / "no/x").string()).error,
      FsError::kPathNotFound);
  EXPECT_EQ(files.CopyFile("C:\\WINDOWS\\SYSTEM\\NONE.SYS", target).error, FsError::kOther);
  EXPECT_EQ(files.CopyFile(target, "C:\\ZENAUD.SYS").error, FsError::kOther);
  EXPECT_EQ(fs::directory_iterator(scratch)->path().filename(), "ZENAUD.SYS");

  // Host programs get a private read-only copy, gone with the installation.
  const std::string copy = installation->host_file_of("C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF");
  ASSERT_FALSE(copy.empty());
  EXPECT_EQ(Slurp(copy), Slurp(sample / "INF" / "OTHER" / "ZENAUDIO.INF"));
  EXPECT_EQ(fs::path(copy).filename(), "ZENAUDIO.INF");
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms::owner_read);
  EXPECT_EQ(fs::status(fs::path(copy).parent_path().parent_path()).permissions(),
            fs::perms::owner_all);
  EXPECT_EQ(installation->host_file_of("C:\\WINDOWS\\INF\\NONE.INF"), "");
  installation.reset();
  EXPECT_FALSE(fs::exists(copy));
}

TEST(ImageInstallationTest, ImageAndFolderOptionsDoNotMix) {
  InstallationOptions options;
  options.image = std::string(VESKARO_TEST_IMAGES) + "/sample-fat16.img";
  options.root = VESKARO_SAMPLE_DIR;
  std::string error;
  EXPECT_EQ(OpenInstallation(options, &error), nullptr);
  EXPECT_EQ(error, "Give either the installation's folder or a disk image, not both.");
  options.image.clear();
  options.partition = 1;
  EXPECT_EQ(OpenInstallation(options, &error), nullptr);
  EXPECT_EQ(error, "A partition can only be chosen on a disk image.");
}

}  // namespace
}  // namespace veskaro::platform
