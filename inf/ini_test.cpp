#include "inf/ini.h"

#include <gtest/gtest.h>

#include "platform/memory_file_system.h"

namespace veskaro::inf {
namespace {

using List = std::vector<std::string>;

TEST(CleanIniLineTest, Cleans) {
  EXPECT_EQ(CleanIniLine("  CopyFiles = a.inf , b.inf ; comment"), "CopyFiles=a.inf,b.inf");
  EXPECT_EQ(CleanIniLine("key\t=\tvalue"), "key=value");
  EXPECT_EQ(CleanIniLine("a = b = c"), "a=b= c");
  EXPECT_EQ(CleanIniLine("a, ,b"), "a,,b");
  EXPECT_EQ(CleanIniLine("a = x , y = z"), "a=x,y= z");
  EXPECT_EQ(CleanIniLine("[Version] ; comment"), "[Version]");
  EXPECT_EQ(CleanIniLine("\t[ Version , x = y ]"), "[ Version , x = y ]");
  EXPECT_EQ(CleanIniLine("[abc , d"), "[abc,d");
  EXPECT_EQ(CleanIniLine("Desc = \"Drive; Inc\""), "Desc=\"Drive");
  EXPECT_EQ(CleanIniLine("   ; only a comment"), "");
  EXPECT_EQ(CleanIniLine(" \t "), "");
  EXPECT_EQ(CleanIniLine("\xA0x\xA0"), "\xA0x\xA0");  // only code 32 is a space
}

class IniFileTest : public ::testing::Test {
 protected:
  const std::string path = "C:\\WINDOWS\\INF\\T.INF";
  void File(std::string_view text) { fs.AddFile(path, text); }
  platform::MemoryFileSystem fs;
};

TEST_F(IniFileTest, SectionLinesAndLineEnds) {
  // CR alone, CR LF and LF alone end lines.
  File("[Version] ;c\r[S]\rA = 1\r\n\r\n; note\rB=2\nC=3\r[abc\rD=4\r[S]\rE=5\r[Last]\rF\r\nG");
  EXPECT_EQ(GetIniSection(fs, path, "S"), (List{"A=1", "B=2", "C=3"}));
  EXPECT_EQ(GetIniSection(fs, path, "Last"), (List{"F", "G"}));
  EXPECT_EQ(GetIniSection(fs, path, "Version"), List{});
  EXPECT_EQ(GetIniSection(fs, path, "s"), (List{"A=1", "B=2", "C=3"}));  // header case is ignored
  EXPECT_EQ(GetIniSection(fs, path, "Missing"), List{});
  // A file saved with LF alone, and one mixing the conventions, read the same.
  File("[Install]\nCopyFiles=Drv.Files\n\n[Drv.Files]\ndrv.sys\ndrv.vxd\n");
  EXPECT_EQ(GetIniSection(fs, path, "Drv.Files"), (List{"drv.sys", "drv.vxd"}));
  EXPECT_EQ(GetIniValue(fs, path, "Install", "CopyFiles"), "Drv.Files");
  File("[Install]\r\nCopyFiles=Drv.Files\n[Drv.Files]\rdrv.sys\r\ndrv.vxd\n");
  EXPECT_EQ(GetIniSection(fs, path, "Drv.Files"), (List{"drv.sys", "drv.vxd"}));
  EXPECT_EQ(GetIniValue(fs, path, "Install", "CopyFiles"), "Drv.Files");
  File("[ Version ]\rA=1\r");
  EXPECT_EQ(GetIniSection(fs, path, "Version"), List{});
  EXPECT_EQ(GetIniSection(fs, "C:\\ABSENT.INF", "S"), std::nullopt);
  fs.AddFile("C:\\HIDDEN.INF", "[S]\rA\r", platform::MemoryFileSystem::kHidden);
  EXPECT_EQ(GetIniSection(fs, "C:\\HIDDEN.INF", "S"), std::nullopt);
}

TEST_F(IniFileTest, ValueRules) {
  File(
      "CopyFiles=before\r[Install]\rCopy=no\rcopyfiles = x\rCopyFiles=second\r"
      "[Other]\rCopyFiles=other\r");
  EXPECT_EQ(GetIniValue(fs, path, "Install", "CopyFiles"), "x");
  EXPECT_EQ(GetIniValue(fs, path, "Install", "Copy"), "no");
  EXPECT_EQ(GetIniValue(fs, path, "Install", "DelFiles"), "");
  // A later occurrence of the section replaces the result.
  File("[Install]\rCopyFiles=X.Files\r[Install]\rCopyFiles=Y.Files\r");
  EXPECT_EQ(GetIniValue(fs, path, "Install", "CopyFiles"), "Y.Files");
  EXPECT_EQ(GetIniSection(fs, path, "Install"), List{"CopyFiles=X.Files"});
  // A header right after the section's end is not compared.
  File("[Install]\rOther=1\r[Install]\rCopyFiles=hidden\r");
  EXPECT_EQ(GetIniValue(fs, path, "Install", "CopyFiles"), "");
  EXPECT_EQ(GetIniValue(fs, "C:\\ABSENT.INF", "Install", "CopyFiles"), "");
}

TEST_F(IniFileTest, HeadersMatchIgnoringLetterCase) {
  // The model line names "RTL8139_A.ndi"; the header is written "[rtl8139_a.NDI]".
  File("[rtl8139_a.NDI]\rCopyFiles=Rtl.Copy\r[\xC9T\xC9]\rX=1\r[ rtl8139_a.ndi ]\rCopyFiles=no\r");
  EXPECT_EQ(GetIniValue(fs, path, "RTL8139_A.ndi", "CopyFiles"), "Rtl.Copy");
  EXPECT_EQ(GetIniSection(fs, path, "\xE9t\xE9"), List{"X=1"});  // 1252 accented letters too
  // Two sections that differ only in case: the first is the section; a later one
  // holding the key replaces the value, as a repeated section does.
  File("[Drv]\rA\r[DRV]\rB\r");
  EXPECT_EQ(GetIniSection(fs, path, "drv"), List{"A"});
  File("[Install]\rCopyFiles=X.Files\r[INSTALL]\rCopyFiles=Y.Files\r");
  EXPECT_EQ(GetIniValue(fs, path, "install", "CopyFiles"), "Y.Files");
  bool found = false;
  EXPECT_EQ(GetIniValue(fs, path, "Setup", "CopyFiles", &found), "");
  EXPECT_FALSE(found);
  GetIniValue(fs, path, "iNSTALL", "DelFiles", &found);
  EXPECT_TRUE(found);
}

TEST_F(IniFileTest, FindValuesTellsNoResultFromEmptyList) {
  File("[A]\rCopyFiles=a\r[B]\rcopyfiles = b , c\rCopyFilesX=no\r");
  EXPECT_EQ(FindIniValues(fs, path, "CopyFiles"), (List{"a", "b,c"}));
  EXPECT_EQ(FindIniValues(fs, path, "DelFiles"), std::nullopt);
  File("[A]\rCopyFiles=\r");
  EXPECT_EQ(FindIniValues(fs, path, "CopyFiles"), List{});
  File("[A]\rCopyFiles=\rCopyFiles=\rCopyFiles=p||||q\r");
  EXPECT_EQ(FindIniValues(fs, path, "CopyFiles"), (List{"", "", "p", "q"}));
  EXPECT_EQ(FindIniValues(fs, "C:\\ABSENT.INF", "CopyFiles"), std::nullopt);
}

TEST_F(IniFileTest, UnreadableFileThrows) {
  File("[S]\rA=1\rB=2\r");
  fs.FailReadAfter(path, 5);
  EXPECT_THROW(GetIniSection(fs, path, "S"), FileReadError);
  EXPECT_THROW(FindIniValues(fs, path, "A"), FileReadError);
  fs.ClearFaults();
  fs.FailOpen(path, "locked");
  try {
    GetIniValue(fs, path, "S", "A");
    ADD_FAILURE() << "no exception";
  } catch (const FileReadError& e) {
    EXPECT_EQ(e.path(), path);
    EXPECT_EQ(e.reason(), "locked");
  }
}

}  // namespace
}  // namespace veskaro::inf
