// The copy command under injected faults, through the main window model and the
// in-memory file system: whatever fails, the message follows the failure table, no
// file is left truncated under its final name, the files copied before stay whole,
// and the installation is not touched.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/copy_files.h"
#include "app/form1.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"
#include "platform/memory_registry.h"
#include "platform/short_names.h"
#include "testing/fakes.h"

namespace veskaro::app {
namespace {

using platform::FsError;
using platform::FsStatus;
using platform::MemoryFileSystem;
using platform::MsgResult;

constexpr const char* kEntry = "System\\CurrentControlSet\\Services\\Class\\Media\\0000";
constexpr const char* kFolder = "Z:\\OUT\\Drv 16_32\\";
constexpr const char* kFull =
    "The destination drive is full.\r\nDo you wish to continue copying the files?";
constexpr const char* kNoDisk =
    "There is no diskette the destination drive\r\nDo you wish to continue copying the files?";
constexpr const char* kError = "An error has occured while copying the files ";
constexpr const char* kDone = "Files Copied Successfully";

// Forwards to a MemoryFileSystem, except that the files named in `vanished` are gone
// by the time the copy runs (the analysis saw them).
class VanishingFiles : public platform::FileSystem {
 public:
  explicit VanishingFiles(MemoryFileSystem& fs) : fs_(fs) {}
  std::string FindFirst(std::string_view path, platform::SearchKind kind) const override {
    return vanished.count(std::string(path)) ? std::string() : fs_.FindFirst(path, kind);
  }
  FsStatus MakeDirectory(std::string_view path) override { return fs_.MakeDirectory(path); }
  FsStatus CopyFile(std::string_view from, std::string_view to) override {
    if (vanished.count(std::string(from))) {
      return {FsError::kOther, "File not found: " + std::string(from)};
    }
    return fs_.CopyFile(from, to);
  }
  std::unique_ptr<platform::ByteSource> OpenRead(std::string_view path,
                                                 std::string* error) override {
    return fs_.OpenRead(path, error);
  }
  std::set<std::string> vanished;

 private:
  MemoryFileSystem& fs_;
};

// One driver of four files: its INF (row 0), then FIRST.SYS, MIDDLE.DRV (1000
// bytes) and LAST.VXD, all copied into "Z:\OUT\Drv 16_32\".
class CopyFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.AddFile("C:\\WINDOWS\\INF\\OTHER\\DRV.INF", kInf);
    files.AddFile("C:\\WINDOWS\\SYSTEM\\FIRST.SYS", std::string(100, 'f'));
    files.AddFile("C:\\WINDOWS\\SYSTEM\\MIDDLE.DRV", std::string(1000, 'm'));
    files.AddFile("C:\\WINDOWS\\SYSTEM\\LAST.VXD", std::string(100, 'l'));
    files.AddDirectory("Z:\\OUT");
    registry.SetString(platform::kHKeyLocalMachine, kEntry, "DriverDesc", "Drv 16/32");
    registry.SetString(platform::kHKeyLocalMachine, kEntry, "InfPath", "drv.inf");
    registry.SetString(platform::kHKeyLocalMachine, kEntry, "InfSection", "Install");
    shell.folder = "Z:\\OUT";
    installation = Drive('C');
  }

  // Analyses the one entry; the four files are listed.
  void Analyse() {
    form.Load();
    form.Combo1.set_list_index(0);
    form.Combo2.set_list_index(0);
    ASSERT_EQ(form.List1.count(), 4);
  }

  std::map<std::string, std::string> Drive(char letter) const {
    std::map<std::string, std::string> out;
    for (const std::string& path : files.Files()) {
      if (path[0] == letter) out[path] = *files.FileContents(path);
    }
    return out;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }

  // The driver folder holds exactly the whole copies of `names` (and, on drive Z:,
  // nothing else but the folders); the installation is unchanged.
  void ExpectCopied(const std::set<std::string>& names) const {
    std::map<std::string, std::string> expected;
    for (const std::string& name : names) {
      const std::string source =
          name == "DRV.INF" ? "C:\\WINDOWS\\INF\\OTHER\\DRV.INF" : "C:\\WINDOWS\\SYSTEM\\" + name;
      expected[kFolder + name] = installation.at(source);
    }
    EXPECT_EQ(Drive('Z'), expected);
    EXPECT_EQ(Drive('C'), installation);
  }

  static constexpr const char* kInf =
      "[Install]\r\nCopyFiles=Drv.Copy\r\n[Drv.Copy]\r\nFIRST.SYS\r\nMIDDLE.DRV\r\nLAST.VXD\r\n"
      "[DestinationDirs]\r\nDefaultDestDir=11\r\n";

  MemoryFileSystem files;
  VanishingFiles seen_files{files};
  platform::MemoryRegistry registry;
  platform::MapEnvironment environment{{"windir", "C:\\WINDOWS"}};
  testing::RecordingMessageBoxes boxes;
  testing::RecordingShell shell;
  testing::RecordingProcesses processes;
  ProgramState program;
  Form1 form{Services{registry, seen_files, environment, boxes, shell, processes}, program};
  std::map<std::string, std::string> installation;
};

TEST_F(CopyFaultsTest, FullDriveOnFirstMiddleAndLastFileWithYesAndNo) {
  const std::uint64_t inf = std::string(kInf).size();
  struct Case {
    const char* name;
    std::uint64_t room;  // bytes the drive takes before it is full
    MsgResult answer;
    std::vector<std::string> messages;
    std::set<std::string> copied;
  };
  // A copy that does not fit fails after filling the drive, and so does every later
  // copy that writes anything: after Yes the command asks again for each.
  const std::vector<Case> cases = {
      {"first file, No", 10, MsgResult::kNo, {kFull}, {}},
      {"first file, Yes", 10, MsgResult::kYes, {kFull, kFull, kFull, kFull, kDone}, {}},
      {"middle of a file, No", inf + 100 + 500, MsgResult::kNo, {kFull}, {"DRV.INF", "FIRST.SYS"}},
      {"middle of a file, Yes",
       inf + 100 + 500,
       MsgResult::kYes,
       {kFull, kFull, kDone},
       {"DRV.INF", "FIRST.SYS"}},
      {"last file, No",
       inf + 1100 + 50,
       MsgResult::kNo,
       {kFull},
       {"DRV.INF", "FIRST.SYS", "MIDDLE.DRV"}},
      {"last file, Yes",
       inf + 1100 + 50,
       MsgResult::kYes,
       {kFull, kDone},
       {"DRV.INF", "FIRST.SYS", "MIDDLE.DRV"}},
  };
  Analyse();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.ClearFaults();
    boxes.boxes.clear();
    boxes.answers.assign(4, c.answer);
    // Start from an empty target folder: copy into a new chosen folder per case.
    const std::string target =
        std::string("Z:\\") + (c.answer == MsgResult::kYes ? "Y" : "N") + std::to_string(c.room);
    files.AddDirectory(target);
    shell.folder = target;
    files.FailCopiesAfterBytes(c.room);
    form.CopyToClick();
    EXPECT_EQ(Texts(), c.messages);

    std::map<std::string, std::string> expected;
    for (const std::string& name : c.copied) {
      const std::string source =
          name == "DRV.INF" ? "C:\\WINDOWS\\INF\\OTHER\\DRV.INF" : "C:\\WINDOWS\\SYSTEM\\" + name;
      expected[target + "\\Drv 16_32\\" + name] = installation.at(source);
    }
    std::map<std::string, std::string> written;
    for (const auto& [path, contents] : Drive('Z')) {
      if (path.starts_with(target + "\\")) written[path] = contents;
    }
    EXPECT_EQ(written, expected) << "only whole files under their final names";
    EXPECT_EQ(Drive('C'), installation);
  }
}

TEST_F(CopyFaultsTest, DriveWithoutDisketteAsksAndGoesOnAfterYes) {
  Analyse();
  files.FailNextCopy(FsError::kNotReady);
  boxes.answers = {MsgResult::kYes};
  form.CopyToClick();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kNoDisk, kDone}));
  ExpectCopied({"FIRST.SYS", "MIDDLE.DRV", "LAST.VXD"});  // the INF's copy failed

  boxes.boxes.clear();
  files.FailNextCopy(FsError::kNotReady);
  boxes.answers = {MsgResult::kNo};
  form.CopyToClick();  // replaces the earlier copies; the INF fails again, No ends it
  EXPECT_EQ(Texts(), (std::vector<std::string>{kNoDisk}));
  ExpectCopied({"FIRST.SYS", "MIDDLE.DRV", "LAST.VXD"});
}

TEST_F(CopyFaultsTest, SourceThatVanishedEndsTheCopyAfterTheFilesBefore) {
  Analyse();
  seen_files.vanished.insert("C:\\WINDOWS\\SYSTEM\\MIDDLE.DRV");
  form.CopyToClick();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kError}));
  ExpectCopied({"DRV.INF", "FIRST.SYS"});
}

TEST_F(CopyFaultsTest, DriverFolderThatCannotBeMadeEndsTheCopy) {
  Analyse();
  files.FailMakeDirectory("Z:\\OUT\\Drv 16_32", FsError::kOther);
  form.CopyToClick();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kError}));
  ExpectCopied({});
  for (const std::string& folder : files.Directories()) {
    EXPECT_TRUE(folder[0] == 'C' || folder == "Z:\\OUT") << folder;
  }

  boxes.boxes.clear();
  files.ClearFaults();
  files.FailMakeDirectory("Z:\\OUT\\Drv 16_32", FsError::kPathNotFound);
  form.CopyToClick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Invalid Destination Path");
  EXPECT_EQ(boxes.boxes[0].title, "Invalid Path");
}

TEST_F(CopyFaultsTest, PermissionDeniedKeepsTheEarlierCopyAndTheOldFile) {
  Analyse();
  form.CopyToClick();  // a first, complete copy
  ExpectCopied({"DRV.INF", "FIRST.SYS", "MIDDLE.DRV", "LAST.VXD"});

  // The sources change, then the second copy is refused at MIDDLE.DRV: FIRST.SYS is
  // replaced, MIDDLE.DRV keeps its earlier copy whole, LAST.VXD is not reached.
  files.AddFile("C:\\WINDOWS\\SYSTEM\\FIRST.SYS", "first, newer");
  files.AddFile("C:\\WINDOWS\\SYSTEM\\MIDDLE.DRV", "middle, newer");
  files.AddFile("C:\\WINDOWS\\SYSTEM\\LAST.VXD", "last, newer");
  boxes.boxes.clear();
  files.FailCopyTo(std::string(kFolder) + "MIDDLE.DRV", FsError::kOther, "Access denied");
  form.CopyToClick();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kError}));
  EXPECT_EQ(files.FileContents(std::string(kFolder) + "FIRST.SYS"), "first, newer");
  EXPECT_EQ(files.FileContents(std::string(kFolder) + "MIDDLE.DRV"), std::string(1000, 'm'));
  EXPECT_EQ(files.FileContents(std::string(kFolder) + "LAST.VXD"), std::string(100, 'l'));
}

TEST_F(CopyFaultsTest, DriverFolderThatIsAFileIsLeftAlone) {
  files.AddFile("Z:\\OUT\\Drv 16_32", "a file where the driver folder should be");
  Analyse();
  form.CopyToClick();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kError}));
  EXPECT_EQ(Drive('Z'), (std::map<std::string, std::string>{
                            {"Z:\\OUT\\Drv 16_32", "a file where the driver folder should be"}}));
  EXPECT_EQ(Drive('C'), installation);
}

}  // namespace
}  // namespace veskaro::app
