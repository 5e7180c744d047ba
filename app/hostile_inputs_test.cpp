// Hostile installations through the main window model: crafted registry text, INF
// files and names. Each case must finish (within the test's time limit) with a clear
// outcome, and no write may leave the driver folder of the chosen folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"
#include "platform/memory_registry.h"
#include "platform/regedit4.h"
#include "platform/short_names.h"
#include "testing/fakes.h"

namespace veskaro::app {
namespace {

using platform::MemoryFileSystem;
using namespace std::string_literals;

constexpr const char* kClassRoot = "System\\CurrentControlSet\\Services\\Class\\";
constexpr const char* kBackUp =
    "Device driver should be backed up as it isn't installed with Windows.";

class HostileInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.AddFile("C:\\WINDOWS\\SYSTEM\\A.SYS", "a-sys");
    files.AddFile("C:\\WINDOWS\\SYSTEM\\B.DRV", "b-drv");
    files.AddDirectory("Z:\\OUT");
    shell.folder = "Z:\\OUT";
  }

  void Entry(const std::string& desc, const std::string& inf_path, const std::string& section) {
    const std::string key = std::string(kClassRoot) + "Media\\0000";
    registry.SetString(platform::kHKeyLocalMachine, key, "DriverDesc", desc);
    registry.SetString(platform::kHKeyLocalMachine, key, "InfPath", inf_path);
    registry.SetString(platform::kHKeyLocalMachine, key, "InfSection", section);
  }

  // Loads the window and chooses the first class and its first entry.
  void Analyse() {
    form.Load();
    ASSERT_GT(form.Combo1.count(), 0);
    form.Combo1.set_list_index(0);
    ASSERT_GT(form.Combo2.count(), 0);
    form.Combo2.set_list_index(0);
  }

  std::map<std::string, std::string> Drive(char letter) const {
    std::map<std::string, std::string> out;
    for (const std::string& path : files.Files()) {
      if (path[0] == letter) out[path] = *files.FileContents(path);
    }
    return out;
  }

  // Every write attempted lies in a driver folder directly below Z:\OUT, after "."
  // and ".." are applied.
  void ExpectWritesInsideDriverFolders() const {
    for (const auto& write : files.writes()) {
      platform::WindowsPath parsed;
      ASSERT_TRUE(platform::ParseWindowsPath(write.path, &parsed)) << write.path;
      const bool folder = write.kind == MemoryFileSystem::WriteRecord::Kind::kMakeDirectory;
      EXPECT_EQ(parsed.drive, 'Z') << write.path;
      ASSERT_GE(parsed.components.size(), folder ? 2u : 3u) << write.path;
      EXPECT_EQ(parsed.components[0], "OUT") << write.path;
      if (folder) {
        EXPECT_EQ(parsed.components.size(), 2u) << write.path;
      }
    }
  }

  MemoryFileSystem files;
  platform::MemoryRegistry registry;
  platform::MapEnvironment environment{{"windir", "C:\\WINDOWS"}};
  testing::RecordingMessageBoxes boxes;
  testing::RecordingShell shell;
  testing::RecordingProcesses processes;
  ProgramState program;
  Form1 form{Services{registry, files, environment, boxes, shell, processes}, program};
};

TEST_F(HostileInputsTest, PathsInFileLinesSourceNamesAndEntryTextsStayInTheDriverFolder) {
  // A file line may climb with "/" and "..": it still names an existing file of the
  // installation (C:\ETC\PASSWD), whose copy must not land at Z:\ETC\PASSWD.
  files.AddFile("C:\\ETC\\PASSWD", "installation's own");
  files.AddFile("Z:\\ETC\\PASSWD", "host's own");
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EVIL.INF",
                "[Install]\r\nCopyFiles=Evil.Copy\r\n[Evil.Copy]\r\n"
                "x/../../../ETC/PASSWD\r\nA.SYS,..\\..\\..\\AUTOEXEC.BAT\r\nB.DRV,C:/B.DRV\r\n"
                "[DestinationDirs]\r\nDefaultDestDir=11\r\n");
  Entry("..", "evil.inf", "Install");
  Analyse();
  ASSERT_EQ(form.List1.count(), 4);
  form.CopyToClick();
  EXPECT_EQ(boxes.boxes.back().text, "Files Copied Successfully");
  ExpectWritesInsideDriverFolders();
  EXPECT_EQ(files.FileContents("Z:\\ETC\\PASSWD"), "host's own");
  EXPECT_EQ(files.FileContents("Z:\\OUT\\__\\PASSWD"), "installation's own");
  EXPECT_EQ(files.FileContents("Z:\\OUT\\__\\AUTOEXEC.BAT"), "a-sys");
  EXPECT_EQ(files.FileContents("Z:\\OUT\\__\\B.DRV"), "b-drv");
}

TEST_F(HostileInputsTest, FileLinesWithoutANameOfTheirOwnKeepTheFilesName) {
  // "C.SYS/x/.." and "D.VXD/." name existing files; their last components would aim
  // the copy at the chosen folder or the driver folder itself.
  files.AddFile("C:\\WINDOWS\\SYSTEM\\C.SYS", "c-sys");
  files.AddFile("C:\\WINDOWS\\SYSTEM\\D.VXD", "d-vxd");
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\DOTS.INF",
                "[Install]\r\nCopyFiles=L\r\n[L]\r\nC.SYS/x/..\r\nD.VXD/.\r\n"
                "[DestinationDirs]\r\nDefaultDestDir=11\r\n");
  Entry("Dots", "dots.inf", "Install");
  Analyse();
  ASSERT_EQ(form.List1.count(), 3);
  form.CopyToClick();
  EXPECT_EQ(boxes.boxes.back().text, "Files Copied Successfully");
  ExpectWritesInsideDriverFolders();
  EXPECT_EQ(files.FileContents("Z:\\OUT\\Dots\\C.SYS"), "c-sys");
  EXPECT_EQ(files.FileContents("Z:\\OUT\\Dots\\D.VXD"), "d-vxd");
}

TEST_F(HostileInputsTest, InfPathThatClimbsOutOfTheInfFolderIsNotReadAsTheInf) {
  // "..\..\X.INF" finds C:\X.INF, but the analysis reads the INF folder's file of
  // that name, which is not there: only the INF row, and its copy fails.
  files.AddDirectory("C:\\WINDOWS\\INF");
  files.AddFile("C:\\X.INF",
                "[Install]\r\nCopyFiles=L\r\n[L]\r\nA.SYS\r\n[DestinationDirs]\r\nL=11\r\n");
  Entry("Climber", "..\\..\\X.INF", "Install");
  Analyse();
  EXPECT_EQ(form.List1.rows(), std::vector<std::string>{"C:\\WINDOWS\\INF\\X.INF"});
  EXPECT_EQ(form.Text1.text(), std::string(kBackUp) + "\r\n\r\nTotal Files - 1");
  form.CopyToClick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "An error has occured while copying the files ");
  ExpectWritesInsideDriverFolders();

  // Climbing above the drive root stays on the drive; a name past the end is absent.
  form.Combo2.set_list_index(-1);
  Entry("Climber", "..\\..\\..\\..\\..\\..\\..\\NOWHERE.INF", "Install");
  boxes.boxes.clear();
  form.Combo2.set_list_index(0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Couldnt Locate INF File");
}

TEST_F(HostileInputsTest, LineOfOneHundredMegabytesIsReadWhole) {
  std::string inf = "[Install]\r\n";
  inf.append(100u << 20, 'A');  // one line, neither a header nor a key line
  inf += "\r\nCopyFiles=L\r\n[L]\r\nA.SYS\r\n[DestinationDirs]\r\nDefaultDestDir=11\r\n";
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\HUGE.INF", inf);
  inf.clear();
  inf.shrink_to_fit();
  Entry("Huge", "huge.inf", "Install");
  Analyse();
  EXPECT_EQ(form.List1.rows(), (std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\HUGE.INF",
                                                         "C:\\WINDOWS\\SYSTEM\\A.SYS"}));
  EXPECT_EQ(form.Text1.text(), std::string(kBackUp) + "\r\n\r\nTotal Files - 2");
}

TEST_F(HostileInputsTest, NulBytesAndUtf16AreReadAsBytes) {
  // NUL bytes: a name holding one names no file; the lines around it still count.
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\NUL.INF",
                "[Install]\r\nCopyFiles=L\r\n[L]\r\nB.DRV\0junk\r\nA.SYS\r\n"
                "[Destination\0Dirs]\r\nL=10\r\n[DestinationDirs]\r\nL=11\r\n"s);
  Entry("Nul", "nul.inf", "Install");
  Analyse();
  EXPECT_EQ(form.List1.rows(), (std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\NUL.INF",
                                                         "C:\\WINDOWS\\SYSTEM\\A.SYS"}));

  // UTF-16: no header matches the 8-bit section name, so the INF lists no files.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[Install]\r\nCopyFiles=L\r\n[L]\r\nA.SYS\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\WIDE.INF", utf16);
  Entry("Wide", "wide.inf", "Install");
  form.Combo2.set_list_index(-1);
  form.Combo2.set_list_index(0);
  EXPECT_EQ(form.List1.rows(), std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\WIDE.INF"});
  EXPECT_EQ(form.Text1.text(), std::string(kBackUp) + "\r\n\r\nTotal Files - 1");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(HostileInputsTest, HundredThousandSectionsAreWalked) {
  std::string inf;
  for (int i = 0; i < 100000; ++i) {
    inf += "[Section" + std::to_string(i) + "]\r\nKey=Value" + std::to_string(i) + "\r\n";
  }
  inf +=
      "[Install]\r\nCopyFiles=Section99999,L\r\n[L]\r\nA.SYS\r\nB.DRV\r\n"
      "[DestinationDirs]\r\nDefaultDestDir=11\r\n";
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\MANY.INF", inf);
  Entry("Many", "many.inf", "Install");
  Analyse();
  EXPECT_EQ(form.List1.count(), 3);
  EXPECT_EQ(form.Text1.text(), std::string(kBackUp) + "\r\n\r\nTotal Files - 3");
}

TEST_F(HostileInputsTest, RegistryTenThousandKeysWideAndTwoHundredDeep) {
  // A REGEDIT4 export with 10,000 classes of one entry each, and one entry whose key
  // has a chain of 200 nested subkeys.
  std::string text = "REGEDIT4\r\n\r\n";
  const std::string root = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\";
  for (int i = 0; i < 10000; ++i) {
    text += root + "C" + std::to_string(i) + "\\0000]\r\n\"DriverDesc\"=\"Driver " +
            std::to_string(i) + "\"\r\n\"InfPath\"=\"none.inf\"\r\n";
  }
  std::string deep = root + "C0\\0000";
  for (int i = 0; i < 200; ++i) deep += "\\Level" + std::to_string(i);
  text += deep + "]\r\n@=\"bottom\"\r\n";
  platform::MemoryRegistry loaded;
  ASSERT_TRUE(platform::LoadRegedit4(text, "wide.reg", loaded).ok());

  Form1 wide{Services{loaded, files, environment, boxes, shell, processes}, program};
  wide.Load();
  EXPECT_EQ(wide.Combo1.count(), 10000);  // every class shows "Default"
  wide.Combo1.set_list_index(0);
  ASSERT_EQ(wide.Combo2.count(), 1);
  EXPECT_EQ(loaded.open_handles(), 0);
  const std::string bottom = deep.substr(20, deep.size() - 20);  // below HKEY_LOCAL_MACHINE
  ASSERT_NE(loaded.FindKey(platform::kHKeyLocalMachine, bottom), nullptr);
}

TEST_F(HostileInputsTest, NamesOfMoreThan255Characters) {
  const std::string long_name(300, 'N');
  // A class key whose name does not fit the enumeration buffer ends the class list.
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + "A\\0000", "DriverDesc",
                     "First");
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + long_name + "\\0000",
                     "DriverDesc", "Long");
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + "B\\0000", "DriverDesc",
                     "Last");
  form.Load();
  EXPECT_EQ(form.Combo3.rows(), std::vector<std::string>{"Default|||A"});

  // A long entry text, INF name and file name: found, listed and copied.
  const std::string inf = long_name + ".INF";
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\" + inf, "[I]\r\nCopyFiles=L\r\n[L]\r\n" + long_name +
                                                       ".SYS\r\n[DestinationDirs]\r\n"
                                                       "L=11\r\n");
  files.AddFile("C:\\WINDOWS\\SYSTEM\\" + long_name + ".SYS", "long");
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + "A\\0000", "DriverDesc",
                     long_name);
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + "A\\0000", "InfPath",
                     inf);
  registry.SetString(platform::kHKeyLocalMachine, std::string(kClassRoot) + "A\\0000", "InfSection",
                     "I");
  form.Combo1.set_list_index(0);
  form.Combo2.set_list_index(0);
  EXPECT_EQ(form.List1.count(), 2);
  form.CopyToClick();
  EXPECT_EQ(files.FileContents("Z:\\OUT\\" + long_name + "\\" + long_name + ".SYS"), "long");
  ExpectWritesInsideDriverFolders();
}

}  // namespace
}  // namespace veskaro::app
