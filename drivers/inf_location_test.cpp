#include "drivers/inf_location.h"

#include <gtest/gtest.h>

#include "drivers/driver_classes.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"
#include "platform/memory_registry.h"

namespace veskaro::drivers {
namespace {

TEST(SourceNameTest, RightMostCharacterAboveBracketInFirstEight) {
  EXPECT_EQ(SourceNameFromLongName("Example CorpSNDDRV.INF"), "SNDDRV.INF");
  EXPECT_EQ(SourceNameFromLongName("Example Corp.SNDDRV.INF"), ".SNDDRV.INF");
  EXPECT_EQ(SourceNameFromLongName("VENDORDRIVER.INF"), "ORDRIVER.INF");
  EXPECT_EQ(SourceNameFromLongName("XXAB[CDEFG.INF"), "AB[CDEFG.INF");  // "[" does not end it
  EXPECT_EQ(SourceNameFromLongName("XXAB_CDEFG.INF"), "CDEFG.INF");     // "_" does
  EXPECT_EQ(SourceNameFromLongName("xxxxaBCDEFGh.INF"), ".INF");        // the right-most counts
  EXPECT_EQ(SourceNameFromLongName("a.INF"), ".INF");  // positions past the end match nothing
  EXPECT_EQ(SourceNameFromLongName("AB.INF"), "AB.INF");
}

// A file system whose search of a bare folder path yields some file of the folder,
// as a host's directory search may do.
class BareFolderFs : public platform::MemoryFileSystem {
 public:
  std::string FindFirst(std::string_view path, platform::SearchKind kind) const override {
    if (!path.empty() && path.back() == '\\') return "ANY.INF";
    return MemoryFileSystem::FindFirst(path, kind);
  }
};

class LocateInfTest : public ::testing::Test {
 protected:
  InfLocation Locate(std::string_view inf_path) {
    const std::string key = std::string(kClassRoot) + "Net\\0000";
    reg.SetString(platform::kHKeyLocalMachine, key, "InfSection", "Install");
    reg.SetString(platform::kHKeyLocalMachine, key, "InfPath", inf_path);
    return LocateInf(reg, fs, env, kClassRoot, "Net\\0000");
  }
  platform::MemoryRegistry reg;
  BareFolderFs fs;
  platform::MapEnvironment env{{"windir", "C:\\WINDOWS"}};
};

TEST_F(LocateInfTest, InfFolderThenOtherFolder) {
  fs.AddFile("C:\\WINDOWS\\INF\\OTHER\\VENDOR.INF", "");
  InfLocation loc = Locate("vendor.inf");
  EXPECT_TRUE(loc.located);
  EXPECT_EQ(loc.InfPath(), "C:\\WINDOWS\\INF\\OTHER\\VENDOR.INF");  // stored letter case
  EXPECT_EQ(
      loc.windows_folder + "|" + loc.install_section + "|" + loc.entry_key + "|" + loc.source_name,
      "C:\\WINDOWS\\|Install|Net\\0000|");
  fs.AddFile("C:\\WINDOWS\\INF\\Vendor.inf", "");  // in both folders: INF\ wins
  EXPECT_EQ(Locate("vendor.inf").InfPath(), "C:\\WINDOWS\\INF\\Vendor.inf");
  EXPECT_EQ(reg.open_handles(), 0);
}

// The message it means is the window model's (Form1Test.InfNotLocatedShowsOneBox).
TEST_F(LocateInfTest, NotFoundIsReported) {
  fs.AddFile("C:\\WINDOWS\\INF\\HIDDEN.INF", "", platform::MemoryFileSystem::kHidden);
  for (const char* name : {"HIDDEN.INF", "absent.inf", ""}) {
    const InfLocation loc = Locate(name);
    EXPECT_FALSE(loc.located) << name;
    EXPECT_EQ(loc.inf_file_name, name);
    EXPECT_EQ(loc.inf_folder, "C:\\WINDOWS\\INF\\OTHER\\");
  }
}

TEST_F(LocateInfTest, ShortAliasGivesLongNameAndSourceName) {
  fs.AddFile("C:\\WINDOWS\\INF\\OTHER\\Example CorpSNDDRV.INF", "");
  const InfLocation loc = Locate("EXAMPL~1.INF");
  EXPECT_TRUE(loc.located);
  EXPECT_EQ(loc.inf_file_name, "Example CorpSNDDRV.INF");
  EXPECT_EQ(loc.source_name, "SNDDRV.INF");
}

}  // namespace
}  // namespace veskaro::drivers
