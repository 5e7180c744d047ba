// Copies through the host file system onto real drives that fail: a small tmpfs
// that fills up at the first file, in the middle of a file and at the last file, a
// read-only folder, a source that vanishes, a folder that cannot be made and a
// driver folder that is a file. Whatever fails, no file is left under its final
// name unless it is whole, no temporary is left, earlier copies stay intact and the
// installation is not changed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/posix/host_file_system.h"
#include "platform/posix/test_mounts.h"
#include "testing/temp_folder.h"

namespace veskaro::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// Every file below `folder` (relative path -> contents).
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      tree[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path());
    }
  }
  return tree;
}

class HostCopyFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path();
    install_ = root_ / "drive_c";
    drive_ = root_ / "drive";
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    WriteFile(install_ / "WINDOWS" / "SYSTEM" / "FIRST.SYS", std::string(100, 'f'));
    WriteFile(install_ / "WINDOWS" / "SYSTEM" / "MIDDLE.DRV", std::string(3 * page_ + 100, 'm'));
    WriteFile(install_ / "WINDOWS" / "SYSTEM" / "LAST.VXD", std::string(100, 'l'));
    fs::create_directories(drive_);
    installation_ = Tree(install_);
    files_ = std::make_unique<HostFileSystem>(HostDrives(install_.string()),
                                              std::vector<std::string>{install_.string()});
  }
  void TearDown() override { test_mounts::Unmount(drive_.string()); }

  // Mounts a drive of `pages` pages on drive_. False, with why_ saying why, where
  // the system allows no mounts.
  bool SmallDrive(std::size_t pages) {
    test_mounts::Unmount(drive_.string());
    return test_mounts::MountSmallDrive(drive_.string(), pages * page_, &why_);
  }

  std::string Z(const fs::path& host) const { return HostToWindowsPath(host.string()); }

  // Copies the three driver files into drive_/Driver, going on after a failure as
  // the copy command does after Yes, and returns each copy's failure class.
  std::vector<FsError> CopyAll() {
    EXPECT_TRUE(files_->MakeDirectory(Z(drive_ / "Driver")).ok());
    std::vector<FsError> errors;
    for (const char* name : {"FIRST.SYS", "MIDDLE.DRV", "LAST.VXD"}) {
      errors.push_back(files_
                           ->CopyFile(std::string("C:\\WINDOWS\\SYSTEM\\") + name,
                                      Z(drive_ / "Driver") + "\\" + name)
                           .error);
    }
    return errors;
  }

  // The driver folder holds exactly `names`, each a whole copy, and nothing else.
  void ExpectWhole(const std::vector<std::string>& names) {
    std::map<std::string, std::string> expected;
    for (const std::string& name : names) {
      expected["Driver/" + name] = installation_.at("WINDOWS/SYSTEM/" + name);
    }
    std::map<std::string, std::string> found = Tree(drive_);
    found.erase("filler");
    EXPECT_EQ(found, expected);
    EXPECT_EQ(Tree(install_), installation_);
  }

  testing::TempFolder temp_{"veskaro_faults"};
  fs::path root_, install_, drive_;
  std::string why_;
  std::size_t page_ = 4096;
  std::map<std::string, std::string> installation_;
  std::unique_ptr<HostFileSystem> files_;
};

TEST_F(HostCopyFaultsTest, FullDriveAtTheFirstInTheMiddleAndAtTheLastFile) {
  using E = FsError;
  // First file: the drive is already full.
  if (!SmallDrive(1)) GTEST_SKIP() << why_;
  WriteFile(drive_ / "filler", std::string(page_, 'x'));
  EXPECT_EQ(CopyAll(), (std::vector<E>{E::kDiskFull, E::kDiskFull, E::kDiskFull}));
  ExpectWhole({});

  // The middle of a file: MIDDLE.DRV (four pages) fills the drive after two; its
  // temporary goes, so LAST.VXD still fits when the copy goes on.
  if (!SmallDrive(3)) GTEST_SKIP() << why_;
  EXPECT_EQ(CopyAll(), (std::vector<E>{E::kNone, E::kDiskFull, E::kNone}));
  ExpectWhole({"FIRST.SYS", "LAST.VXD"});

  // The last file.
  if (!SmallDrive(5)) GTEST_SKIP() << why_;
  EXPECT_EQ(CopyAll(), (std::vector<E>{E::kNone, E::kNone, E::kDiskFull}));
  ExpectWhole({"FIRST.SYS", "MIDDLE.DRV"});

  // Copying again over whole copies on the full drive keeps them whole: the old
  // MIDDLE.DRV stays until a new one is complete.
  WriteFile(install_ / "WINDOWS" / "SYSTEM" / "MIDDLE.DRV", std::string(4 * page_, 'n'));
  installation_ = Tree(install_);
  const FsStatus again =
      files_->CopyFile("C:\\WINDOWS\\SYSTEM\\MIDDLE.DRV", Z(drive_ / "Driver") + "\\MIDDLE.DRV");
  EXPECT_EQ(again.error, E::kDiskFull) << again.detail;
  EXPECT_NE(again.detail.find("No space left"), std::string::npos) << again.detail;
  EXPECT_EQ(ReadFile(drive_ / "Driver" / "MIDDLE.DRV"), std::string(3 * page_ + 100, 'm'));
}

TEST_F(HostCopyFaultsTest, VanishedSourceReadOnlyTargetAndFolderInTheWay) {
  const std::string out = Z(drive_);
  ASSERT_TRUE(files_->MakeDirectory(out + "\\Driver").ok());
  ASSERT_TRUE(files_->CopyFile("C:\\WINDOWS\\SYSTEM\\FIRST.SYS", out + "\\Driver\\FIRST.SYS").ok());

  // A source that vanished after the analysis found it.
  ASSERT_FALSE(files_->FindFirst("C:\\WINDOWS\\SYSTEM\\LAST.VXD", SearchKind::kNormal).empty());
  fs::remove(install_ / "WINDOWS" / "SYSTEM" / "LAST.VXD");
  installation_.erase("WINDOWS/SYSTEM/LAST.VXD");
  const FsStatus vanished =
      files_->CopyFile("C:\\WINDOWS\\SYSTEM\\LAST.VXD", out + "\\Driver\\LAST.VXD");
  EXPECT_EQ(vanished.error, FsError::kOther) << vanished.detail;

  // A driver folder that cannot be made: its parent is missing, or its name is too
  // long for the host.
  EXPECT_EQ(files_->MakeDirectory(out + "\\Gone\\Driver").error, FsError::kPathNotFound);
  EXPECT_EQ(files_->MakeDirectory(out + "\\" + std::string(300, 'n')).error, FsError::kOther);

  // A driver folder that exists as a file: neither made nor written into.
  WriteFile(drive_ / "Plain", "a file");
  EXPECT_EQ(files_->MakeDirectory(out + "\\Plain").error, FsError::kOther);
  EXPECT_EQ(files_->CopyFile("C:\\WINDOWS\\SYSTEM\\FIRST.SYS", out + "\\Plain\\FIRST.SYS").error,
            FsError::kPathNotFound);
  EXPECT_EQ(ReadFile(drive_ / "Plain"), "a file");

  // Permission denied: the target folder is read-only (a read-only mount, since
  // file modes do not stop root).
  if (!test_mounts::MakeReadOnly(drive_.string(), &why_)) GTEST_SKIP() << why_;
  EXPECT_EQ(files_->MakeDirectory(out + "\\Other").error, FsError::kOther);
  const FsStatus denied =
      files_->CopyFile("C:\\WINDOWS\\SYSTEM\\MIDDLE.DRV", out + "\\Driver\\FIRST.SYS");
  EXPECT_EQ(denied.error, FsError::kOther) << denied.detail;
  EXPECT_EQ(ReadFile(drive_ / "Driver" / "FIRST.SYS"), std::string(100, 'f'));

  std::map<std::string, std::string> found = Tree(drive_);
  EXPECT_EQ(found, (std::map<std::string, std::string>{{"Driver/FIRST.SYS", std::string(100, 'f')},
                                                       {"Plain", "a file"}}));
  EXPECT_EQ(Tree(install_), installation_);
}

}  // namespace
}  // namespace veskaro::platform
