#include "drivers/windows_inf_index.h"

#include <gtest/gtest.h>

#include "inf/ini.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"

namespace veskaro::drivers {
namespace {

class WindowsInfIndexTest : public ::testing::Test {
 protected:
  void Layout(std::string_view name, std::string_view text, unsigned attributes = 0) {
    fs.AddFile("C:\\WINDOWS\\INF\\" + std::string(name), text, attributes);
  }
  std::string Build() { return BuildWindowsInfIndex(fs, env); }

  platform::MemoryFileSystem fs;
  platform::MapEnvironment env{{"windir", "C:\\WINDOWS"}};
};

TEST_F(WindowsInfIndexTest, NoLayoutFiles) { EXPECT_EQ(Build(), "|"); }

TEST_F(WindowsInfIndexTest, CollectsInfKeysInFileOrder) {
  Layout("layout1.inf",
         "[SourceDisksFiles]\r\n  NET.INF  =  1,,123\r\n; a.inf=1\r\n\r\nMODEM.INF\r\n"
         "netcab.in_=1\r\nxinf=1\r\nnf=1\r\nDRV.SYS=1\r\n"
         "[SourceDisksFiles.x86]\r\nplatform.inf=1\r\n[Other]\r\nother.inf=1\r\n");
  EXPECT_EQ(Build(), "|net.inf|modem.inf|xinf|");
  Layout("layout2.inf", "[SourceDisksFiles]\rnet.inf=2\r");
  Layout("layout.inf", "[SourceDisksFiles]\rFirst.inf\r");
  const std::string index = Build();
  EXPECT_EQ(index, "|first.inf|net.inf|modem.inf|xinf|net.inf|");
  EXPECT_TRUE(IsWindowsInf(index, "NET.INF"));
  EXPECT_FALSE(IsWindowsInf("|mynet.inf|", "net.inf"));
  EXPECT_FALSE(IsWindowsInf(index, "a|b"));
}

TEST_F(WindowsInfIndexTest, HiddenLayoutIsAbsentUnreadableThrows) {
  Layout("layout.inf", "[SourceDisksFiles]\ra.inf\r", platform::MemoryFileSystem::kHidden);
  EXPECT_EQ(Build(), "|");
  Layout("layout2.inf", "[SourceDisksFiles]\ra.inf\r");
  fs.FailReadAfter("C:\\WINDOWS\\INF\\layout2.inf", 4);
  EXPECT_THROW(Build(), inf::FileReadError);
}

}  // namespace
}  // namespace veskaro::drivers
