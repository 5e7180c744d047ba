#include "app/form1.h"

#include <gtest/gtest.h>

#include "app/form2.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"
#include "platform/memory_registry.h"
#include "testing/fakes.h"

namespace veskaro::app {
namespace {

using platform::FsError;
using platform::kHKeyLocalMachine;
using platform::MsgButtons;
using platform::MsgResult;

constexpr const char* kClass = "System\\CurrentControlSet\\Services\\Class\\";

// A small installation in memory: one Windows driver, two third-party drivers, one
// entry whose INF is missing.
class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    files.AddFile("C:\\WINDOWS\\INF\\LAYOUT.INF", "[SourceDisksFiles]\r\nmsdisp.inf=1\r\n");
    AddEntry("Display", "0000", "Standard Display", "msdisp.inf", "Std");
    files.AddFile("C:\\WINDOWS\\INF\\MSDISP.INF",
                  "[Std]\r\nCopyFiles=Std.Copy\r\n[Std.Copy]\r\nstd.drv\r\n"
                  "[DestinationDirs]\r\nDefaultDestDir=11\r\n");
    files.AddFile("C:\\WINDOWS\\SYSTEM\\STD.DRV", "std");
    registry.SetString(kHKeyLocalMachine, std::string(kClass) + "Media", "", "Sound");
    AddEntry("Media", "0000", "Zen Audio 16/32", "zen.inf", "Zen.Install");
    files.AddFile("C:\\WINDOWS\\INF\\OTHER\\ZEN.INF",
                  "[Zen.Install]\r\nCopyFiles=Zen.Copy\r\n[Zen.Copy]\r\nZEN.SYS,ZENSRC.SYS\r\n"
                  "zen.vxd\r\n[DestinationDirs]\r\nDefaultDestDir=11\r\n");
    files.AddFile("C:\\WINDOWS\\SYSTEM\\ZEN.SYS", "zen-sys");
    files.AddFile("C:\\WINDOWS\\SYSTEM\\ZEN.VXD", "zen-vxd");
    AddEntry("Media", "0001", "Lost Card", "lost.inf", "Lost");
    files.AddDirectory("Z:\\out");
  }

  void AddEntry(const std::string& cls, const std::string& entry, const std::string& desc,
                const std::string& inf, const std::string& section) {
    const std::string key = std::string(kClass) + cls + "\\" + entry;
    registry.SetString(kHKeyLocalMachine, key, "DriverDesc", desc);
    registry.SetString(kHKeyLocalMachine, key, "InfPath", inf);
    registry.SetString(kHKeyLocalMachine, key, "InfSection", section);
  }

  Form1& Loaded() {
    form.Load();
    return form;
  }

  int ClassRow(const std::string& shown) {
    for (int i = 0; i < form.Combo1.count(); ++i) {
      if (form.Combo1.row(i) == shown) return i;
    }
    return -1;
  }

  platform::MemoryRegistry registry;
  platform::MemoryFileSystem files;
  platform::MapEnvironment environment{{"windir", "C:\\WINDOWS"}};
  testing::RecordingMessageBoxes boxes;
  testing::RecordingShell shell;
  testing::RecordingProcesses processes;
  ProgramState program;
  Form1 form{Services{registry, files, environment, boxes, shell, processes}, program};
};

TEST_F(Form1Test, LoadListsClassesWithPartnersAndChoosesNothing) {
  Loaded();
  EXPECT_EQ(form.ClassRoot, kClass);
  EXPECT_EQ(form.WindowsInfIndex, "|msdisp.inf|");
  EXPECT_EQ(form.Combo1.rows(), (std::vector<std::string>{"Default", "Sound"}));
  EXPECT_EQ(form.Combo3.rows(), (std::vector<std::string>{"Default|||Display", "Sound|||Media"}));
  EXPECT_EQ(form.Combo1.list_index(), -1);
  EXPECT_EQ(form.Combo2.count(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(form.ViewerEnabled, 1);
  EXPECT_EQ(form.CopyFilesSearchEnabled, 1);
}

TEST_F(Form1Test, EmptyRegistryReportsOnceAndLeavesListsEmpty) {
  platform::MemoryRegistry empty;
  Form1 bare(Services{empty, files, environment, boxes, shell, processes}, program);
  bare.Load();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Unable to extract information from Windows Registry");
  EXPECT_EQ(boxes.boxes[0].title, "Registry Error");
  EXPECT_EQ(bare.Combo1.count(), 0);
  EXPECT_TRUE(bare.window.visible());
}

TEST_F(Form1Test, UnreadableLayoutFileIsNamedAndIndexStaysEmpty) {
  files.FailOpen("C:\\WINDOWS\\INF\\LAYOUT.INF");
  Loaded();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("C:\\WINDOWS\\INF\\layout.inf"), std::string::npos);
  EXPECT_EQ(form.WindowsInfIndex, "|");
  EXPECT_EQ(form.Combo1.count(), 2);
}

TEST_F(Form1Test, UnreadableInfEndsAnalysisWithOneMessageNamingIt) {
  files.FailReadAfter("C:\\WINDOWS\\INF\\OTHER\\ZEN.INF", 10);
  Loaded();
  form.Combo1.set_list_index(ClassRow("Sound"));
  form.Combo2.set_list_index(1);  // "Zen Audio 16/32"
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("ZEN.INF"), std::string::npos);
  EXPECT_EQ(form.List1.count(), form.List2.count());
}

// The messages of an analysis's end, shown when the analysis has written what it
// writes: what the rows and the comments hold at that moment is recorded.
class AnalysisMessagesTest : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    form.List1.Observe([this](const Control&, Change) { ++row_changes; });
    boxes.on_show = [this](const testing::RecordingMessageBoxes::Box&) {
      seen.push_back(std::to_string(form.List1.count()) + "|" + form.Text1.text() + "|" +
                     std::to_string(row_changes));
    };
  }
  int row_changes = 0;
  std::vector<std::string> seen;
};

TEST_F(AnalysisMessagesTest, InfNotLocatedShowsOneBoxBeforeAnyRow) {
  Loaded();
  form.Combo1.set_list_index(ClassRow("Sound"));
  const int changes = row_changes;
  form.Combo2.set_list_index(0);  // "Lost Card"
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Couldnt Locate INF File");
  EXPECT_EQ(boxes.boxes[0].title, "Veskaro");
  EXPECT_EQ(boxes.boxes[0].icon, platform::MsgIcon::kNone);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::kOk);
  EXPECT_EQ(seen, (std::vector<std::string>{"0||" + std::to_string(changes + 1)}));
  EXPECT_EQ(form.InfFileName, "lost.inf");
  EXPECT_EQ(form.errors_shown(), 1);
  ASSERT_NE(form.last_analysis(), nullptr);
  EXPECT_EQ(form.last_analysis()->outcome.end, drivers::AnalysisEnd::kInfNotLocated);
  form.Combo1.set_list_index(ClassRow("Default"));
  EXPECT_EQ(form.last_analysis(), nullptr);
}

TEST_F(AnalysisMessagesTest, UnrecognisedDestinationShowsItsNumberAfterTheFirstVerdict) {
  files.AddFile("C:\\WINDOWS\\INF\\OTHER\\ZEN.INF",
                "[Zen.Install]\r\nCopyFiles=Zen.Copy\r\n[Zen.Copy]\r\nZEN.SYS\r\n"
                "[DestinationDirs]\r\nDefaultDestDir=11\r\nOdd=-14.5\r\n");
  Loaded();
  form.Combo1.set_list_index(ClassRow("Sound"));
  form.Combo2.set_list_index(1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Unrecognized File Destination Number -14.5");
  EXPECT_EQ(boxes.boxes[0].title, "Veskaro");
  EXPECT_EQ(boxes.boxes[0].icon, platform::MsgIcon::kNone);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::kOk);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].substr(0, seen[0].find('|')), "1");
  EXPECT_NE(seen[0].find("Total Files - 1|"), std::string::npos);
  EXPECT_EQ(form.last_analysis()->outcome.destination_number, "-14.5");
}

TEST_F(Form1Test, BatchGathersNonWindowsEntriesAndRestoresControlsInOrder) {
  Loaded();
  std::vector<std::string> enabling;
  for (const Control* c : form.controls()) {
    const_cast<Control*>(c)->Observe([&](const Control& changed, Change change) {
      if (change == Change::kEnabled) {
        enabling.push_back(changed.name() + (changed.enabled() ? "+" : "-"));
      }
    });
  }
  form.window.Observe([&](const Control& w, Change change) {
    if (change == Change::kEnabled) enabling.push_back(w.name() + (w.enabled() ? "+" : "-"));
  });
  form.Command1Click();

  EXPECT_EQ(enabling, (std::vector<std::string>{
                          "Form1-", "Combo1-", "Combo2-", "List1-", "About-", "CopyTo-",
                          "ExitButton-", "Command1-", "Combo1+", "Combo2+", "List1+", "About+",
                          "CopyTo+", "ExitButton+", "Command1+", "Form1+"}));
  // The missing INF is reported but its entry is still gathered (no rows).
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Couldnt Locate INF File");
  EXPECT_EQ(form.List5.rows(), (std::vector<std::string>{"Lost Card", "Zen Audio 16/32"}));
  EXPECT_TRUE(form.List5.visible());
  EXPECT_EQ(form.List1.rows(),
            (std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\ZEN.INF",
                                      "C:\\WINDOWS\\SYSTEM\\ZEN.SYS",
                                      "C:\\WINDOWS\\SYSTEM\\zen.vxd"}));
  EXPECT_EQ(form.List2.count(), 3);
  EXPECT_EQ(form.List3.rows(), form.List1.rows());
  EXPECT_EQ(form.Text1.text(),
            "Drivers files for devices not installed with Windows have been compiled. Press the "
            "'Copy' button to save all these entries.\r\n\r\nTotal Files - 3");
  EXPECT_EQ(form.Combo1.list_index(), -1);
  EXPECT_EQ(form.Combo2.count(), 0);

  const auto first = form.List2.rows();
  form.Command1Click();
  EXPECT_EQ(form.List2.rows(), first);
  EXPECT_EQ(form.List5.count(), 2);
}

TEST_F(Form1Test, CopyPlacesFilesInDriverFolderUnderSourceNames) {
  Loaded();
  form.CopyToClick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "No files are displayed in the listbox.");
  EXPECT_TRUE(shell.browse_titles.empty());

  form.Combo1.set_list_index(ClassRow("Sound"));
  form.Combo2.set_list_index(1);
  shell.folder = "";  // cancelled: nothing happens
  form.CopyToClick();
  EXPECT_TRUE(files.writes().empty());
  ASSERT_EQ(shell.browse_titles.size(), 1u);
  EXPECT_EQ(shell.browse_titles[0], "Select the directory where the driver files should be placed");

  shell.folder = "Z:\\out";
  form.CopyToClick();
  form.CopyToClick();  // a second copy replaces the first without a question
  EXPECT_EQ(files.FileContents("Z:\\out\\Zen Audio 16_32\\ZENSRC.SYS"), "zen-sys");
  EXPECT_EQ(files.FileContents("Z:\\out\\Zen Audio 16_32\\zen.vxd"), "zen-vxd");
  EXPECT_TRUE(files.FileContents("Z:\\out\\Zen Audio 16_32\\ZEN.INF").has_value());
  EXPECT_EQ(boxes.boxes.back().text, "Files Copied Successfully");
  EXPECT_EQ(boxes.boxes.back().title, "Copying Files");
  EXPECT_EQ(boxes.boxes.size(), 3u);

  files.AddDirectory("A:\\");
  shell.folder = "A:\\";  // a drive root: no doubled backslash
  form.CopyToClick();
  EXPECT_TRUE(files.FileContents("A:\\Zen Audio 16_32\\zen.vxd").has_value());
}

TEST_F(Form1Test, CopyFailuresFollowTheTable) {
  Loaded();
  form.Combo1.set_list_index(ClassRow("Sound"));
  form.Combo2.set_list_index(1);
  shell.folder = "Z:\\out";
  struct Case {
    FsError error;
    std::vector<MsgResult> answers;
    std::string first_words;
    std::size_t boxes;  // message boxes the command shows
    bool success;       // ends with the success message
  };
  const Case cases[] = {
      {FsError::kPathNotFound, {}, "Invalid Destination Path", 1, false},
      {FsError::kDiskFull, {MsgResult::kNo}, "The destination drive is full.", 1, false},
      {FsError::kDiskFull, {MsgResult::kYes}, "The destination drive is full.", 2, true},
      {FsError::kNotReady, {MsgResult::kNo}, "There is no diskette the destination drive", 1, false},
      {FsError::kNotReady, {MsgResult::kYes}, "There is no diskette the destination drive", 2, true},
      {FsError::kOther, {}, "An error has occured while copying the files ", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first_words);
    boxes.boxes.clear();
    boxes.answers.assign(c.answers.begin(), c.answers.end());
    files.ClearFaults();
    files.FailCopyTo("Z:\\out\\Zen Audio 16_32\\ZENSRC.SYS", c.error);
    const int errors_before = form.errors_shown();
    const CopyResult result = form.CopyToClick();
    // What the copy did: the INF before the failing file, zen.vxd after it on Yes.
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.failures, 1);
    EXPECT_EQ(result.cut_short, !c.success);
    EXPECT_EQ(result.files_copied, c.success ? 2 : 1);
    EXPECT_EQ(result.driver_folders, 1);
    ASSERT_EQ(boxes.boxes.size(), c.boxes);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, c.first_words.size()), c.first_words);
    const bool question = c.error == FsError::kDiskFull || c.error == FsError::kNotReady;
    EXPECT_EQ(boxes.boxes[0].buttons, question ? MsgButtons::kYesNo : MsgButtons::kOk);
    EXPECT_EQ(boxes.boxes[0].title, c.error == FsError::kPathNotFound ? "Invalid Path" : "Veskaro");
    EXPECT_EQ(boxes.boxes.back().text == "Files Copied Successfully", c.success);
    // A question is no error message; the other failures are.
    EXPECT_EQ(form.errors_shown() - errors_before, question ? 0 : 1);
  }
  // Nothing to copy, or the folder picker cancelled: the copy did not run.
  shell.folder = "";
  EXPECT_FALSE(form.CopyToClick().ran);
}

TEST_F(Form1Test, CopyNeverWritesOutsideTheDriverFolder) {
  Loaded();
  // Crafted rows: an entry text of ".." and a vendor-disk name that climbs out.
  form.List1.AddItem("C:\\WINDOWS\\SYSTEM\\ZEN.SYS");
  form.List2.AddItem("C:\\WINDOWS\\SYSTEM\\ZEN.SYS||..||..\\..\\AUTOEXEC.BAT");
  form.List1.AddItem("C:\\WINDOWS\\SYSTEM\\ZEN.VXD");
  form.List2.AddItem("C:\\WINDOWS\\SYSTEM\\ZEN.VXD||Zen||C:..");
  shell.folder = "Z:\\out";
  form.CopyToClick();
  EXPECT_EQ(files.FileContents("Z:\\out\\__\\AUTOEXEC.BAT"), "zen-sys");
  EXPECT_EQ(files.FileContents("Z:\\out\\Zen\\ZEN.VXD"), "zen-vxd");
  for (const auto& write : files.writes()) {
    EXPECT_EQ(write.path.rfind("Z:\\out\\", 0), 0u) << write.path;
  }
}

TEST_F(Form1Test, ViewerStartsWordProcessorAndTypesSectionLiterally) {
  Loaded();
  form.Combo1.set_list_index(ClassRow("Sound"));
  form.Combo2.set_list_index(1);
  form.InstallSection = "Zen+(x)^%~{y}";
  form.List1.set_list_index(1);  // a driver file, not an INF: nothing happens
  form.List1KeyPress(13);
  EXPECT_TRUE(processes.calls.empty());

  form.List1.set_list_index(0);
  form.List1KeyPress('a');  // other keys do nothing
  EXPECT_TRUE(processes.calls.empty());
  form.List1KeyPress(32);
  ASSERT_EQ(processes.calls.size(), 1u);
  EXPECT_EQ(processes.calls[0], "start:write.exe C:\\WINDOWS\\INF\\OTHER\\ZEN.INF");
  EXPECT_EQ(processes.start_styles[0], platform::WindowStyle::kMaximizedFocus);
  EXPECT_TRUE(form.Timer1.enabled());
  EXPECT_EQ(form.Timer1.interval_ms(), 200);

  processes.activate_failures = 2;  // the window is late: activation is tried again
  processes.calls.clear();
  form.Timer1.Tick();
  EXPECT_EQ(processes.calls,
            (std::vector<std::string>{"activate:Wordpad", "activate:Wordpad", "activate:Wordpad",
                                      "keys:^f", "keys:[Zen{+}{(}x{)}{^}{%}{~}{{}y{}}]",
                                      "keys:{ENTER}", "keys:{ESC}", "keys:{END}", "keys:^f",
                                      "keys:[", "keys:{ENTER}", "keys:{ESC}", "keys:{HOME}"}));
  EXPECT_FALSE(form.Timer1.enabled());
}

TEST_F(Form1Test, ViewerGivesUpAfterTenFailuresWithoutTyping) {
  Loaded();
  form.List1.AddItem("C:\\WINDOWS\\INF\\X.Inf");
  form.List1.set_list_index(0);
  form.List1DblClick();
  processes.activate_failures = 100;
  processes.calls.clear();
  form.Timer1.Tick();
  EXPECT_EQ(processes.calls.size(), 10u);
  for (const auto& call : processes.calls) EXPECT_EQ(call, "activate:Wordpad");
  EXPECT_FALSE(form.Timer1.enabled());

  processes.start_fails = true;  // no word processor: the timer stays off
  form.List1DblClick();
  EXPECT_FALSE(form.Timer1.enabled());
}

TEST_F(Form1Test, AboutWindowCentresDisablesAndRestores) {
  Loaded();
  form.window.set_rect({1001, 2000, 5250, 4755});  // outer size: client + frame
  bool focused = false;
  int shown = 0;
  form.on_focus = [&] { focused = true; };
  form.on_show_about = [&](Form2&) { ++shown; };
  form.AboutClick();
  Form2* about = form.about_window();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(program.AboutOpen, 1);
  EXPECT_FALSE(form.window.enabled());
  EXPECT_EQ(about->window.caption(), "About Veskaro 1.0");
  // Outer 3210 x 2355: (5250 - 3210) / 2 = 1020, (4755 - 2355) / 2 = 1200.
  EXPECT_DOUBLE_EQ(about->Left, 2021);
  EXPECT_DOUBLE_EQ(about->Top, 3200);
  form.Paint();
  EXPECT_EQ(shown, 2);

  about->Label2Click();
  about->Label5Click();
  EXPECT_EQ(shell.links, (std::vector<std::string>{Form2::MailTarget(), Form2::WebTarget()}));
  EXPECT_EQ(shell.links[0].rfind("mailto:", 0), 0u);
  EXPECT_NE(shell.links[1].find("/computers/webmaster/"), std::string::npos);

  about->Command1Click();
  EXPECT_EQ(program.AboutOpen, 0);
  EXPECT_TRUE(form.window.enabled());
  EXPECT_TRUE(focused);
  EXPECT_EQ(form.about_window(), nullptr);
  form.Paint();
  EXPECT_EQ(shown, 2);

  form.window.set_rect({-3000, 0, 5250, 4755});  // moved, partly off the screen
  form.AboutClick();
  EXPECT_DOUBLE_EQ(form.about_window()->Left, -1980);
  form.about_window()->Unload();  // closed by the close box
  EXPECT_EQ(program.AboutOpen, 0);
  EXPECT_TRUE(form.window.enabled());
}

TEST_F(Form1Test, ExitUnloadsWithoutQuestion) {
  Loaded();
  bool closed = false;
  form.on_unload = [&] { closed = true; };
  form.ExitButton.Click();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(form.unloaded());
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace veskaro::app
