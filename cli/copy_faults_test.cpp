// The copy command end to end on real failing drives: veskaro-cli copies a driver
// of a private copy of the sample onto a small tmpfs that fills up at the first
// file, in the middle of a file and at the last file, answering Yes or No, and into
// a read-only folder. The messages are those of the failure table; every file in
// the target is whole; the installation does not change.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "platform/posix/test_mounts.h"

namespace veskaro::cli_test {
namespace {

namespace mounts = platform::test_mounts;

constexpr const char* kFull =
    "veskaro: Veskaro: The destination drive is full.\nDo you wish to continue copying the "
    "files?\n";
constexpr const char* kError = "veskaro: Veskaro: An error has occured while copying the files \n";
constexpr const char* kDone = "veskaro: Copying Files: Files Copied Successfully\n";

// The line that ends the copy: `copied` files in the one driver folder, `failures`
// failed steps, and whether the last failure stopped the copy.
std::string Summary(int copied, int failures, bool stopped) {
  return "veskaro-cli: files copied: " + std::to_string(copied) +
         ", driver folders written: " + (copied > 0 ? "1" : "0") +
         ", failures: " + std::to_string(failures) +
         (stopped ? " (the copy stopped at a failure)" : "") + "\n";
}

std::string Repeat(const char* text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The seven files of the sample's "Zentara Audio 16/32", in the order they are
// copied, each one page on the drive except zenmidi.drv, the fourth, made four.
class CliCopyFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = Scratch();
    installation_ = CopySample(scratch_ / "sample");
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::ofstream(installation_ / "WINDOWS" / "SYSTEM" / "ZENMIDI.DRV", std::ios::binary)
        << std::string(3 * page_ + 100, 'm');
    drive_ = scratch_ / "drive";
    cwd_ = scratch_ / "cwd";
    fs::create_directories(drive_);
    fs::create_directories(cwd_);
    before_ = Snapshot(installation_);
  }
  void TearDown() override { mounts::Unmount(drive_.string()); }

  bool SmallDrive(std::size_t pages) {
    mounts::Unmount(drive_.string());
    return mounts::MountSmallDrive(drive_.string(), pages * page_, &why_);
  }

  Result Copy(const char* answer) {
    return RunCli({"--root", installation_.string(), "--answer", answer, "copy", "MEDIA", "0000",
                   "--to", drive_.string()},
                  cwd_);
  }

  // The copies in the driver folder: each whole, none left over from a failure.
  std::set<std::string> Copied() {
    std::set<std::string> names;
    std::set<std::string> sources;
    for (const auto& [path, contents] : Files(installation_)) sources.insert(contents);
    for (const auto& [path, contents] : Files(drive_)) {
      if (path == "filler") continue;
      EXPECT_EQ(sources.count(contents), 1u) << path << " is not whole";
      names.insert(fs::path(path).filename().string());
    }
    EXPECT_EQ(Snapshot(installation_), before_);
    return names;
  }

  fs::path scratch_, installation_, drive_, cwd_;
  std::size_t page_ = 4096;
  std::string why_;
  std::map<std::string, std::string> before_;
};

TEST_F(CliCopyFaultsTest, FullDriveAtTheFirstFile) {
  for (const char* answer : {"no", "yes"}) {
    if (!SmallDrive(1)) GTEST_SKIP() << why_;
    std::ofstream(drive_ / "filler") << std::string(page_, 'x');
    const Result r = Copy(answer);
    EXPECT_EQ(r.err, answer == std::string("no") ? kFull + Summary(0, 1, true)
                                                 : Repeat(kFull, 7) + kDone + Summary(0, 7, false));
    EXPECT_EQ(r.status, 5);  // failed: "yes" went on, but no file was copied
    EXPECT_EQ(Copied(), std::set<std::string>{});
  }
}

TEST_F(CliCopyFaultsTest, FullDriveInTheMiddleOfAFile) {
  if (!SmallDrive(5)) GTEST_SKIP() << why_;
  Result r = Copy("no");
  EXPECT_EQ(r.err, kFull + Summary(3, 1, true));
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(Copied(), (std::set<std::string>{"ZENAUDIO.INF", "zenaud.sys", "zenwave.drv"}));

  // Yes: zenmidi.drv's part is gone, so two more files fit before the drive is full.
  if (!SmallDrive(5)) GTEST_SKIP() << why_;
  r = Copy("yes");
  EXPECT_EQ(r.err, std::string(kFull) + kFull + kDone + Summary(5, 2, false));
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(Copied(), (std::set<std::string>{"ZENAUDIO.INF", "zenaud.sys", "zenwave.drv",
                                             "zenaud.vxd", "zenmix.cpl"}));
}

TEST_F(CliCopyFaultsTest, FullDriveAtTheLastFile) {
  for (const char* answer : {"no", "yes"}) {
    if (!SmallDrive(9)) GTEST_SKIP() << why_;
    const Result r = Copy(answer);
    EXPECT_EQ(r.err, answer == std::string("no")
                         ? kFull + Summary(6, 1, true)
                         : kFull + std::string(kDone) + Summary(6, 1, false));
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(Copied(), (std::set<std::string>{"ZENAUDIO.INF", "zenaud.sys", "zenwave.drv",
                                               "zenmidi.drv", "zenaud.vxd", "zenmix.cpl"}));
  }
}

TEST_F(CliCopyFaultsTest, ReadOnlyTargetAndDriverFolderThatIsAFile) {
  std::ofstream(drive_ / "Zentara Audio 16_32") << "a file";  // blocks the driver folder
  Result r = Copy("yes");
  EXPECT_EQ(r.err, kError + Summary(0, 1, true));
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(Slurp(drive_ / "Zentara Audio 16_32"), "a file");

  fs::remove(drive_ / "Zentara Audio 16_32");
  if (!mounts::MakeReadOnly(drive_.string(), &why_)) GTEST_SKIP() << why_;
  r = Copy("yes");
  EXPECT_EQ(r.err, kError + Summary(0, 1, true));
  EXPECT_EQ(r.status, 5);
  EXPECT_TRUE(fs::is_empty(drive_));
  EXPECT_EQ(Snapshot(installation_), before_);
}

}  // namespace
}  // namespace veskaro::cli_test
