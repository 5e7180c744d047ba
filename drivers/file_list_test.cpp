#include "drivers/file_list.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "inf/ini.h"
#include "platform/memory_file_system.h"

namespace veskaro::drivers {
namespace {

using Rows = std::vector<std::string>;

// The window's two lists and comments box. Every companion row must begin with its
// file row, so the tests compare the companion rows only.
class Sink : public FileListSink {
 public:
  void AddRow(std::string path, std::string companion) override {
    EXPECT_EQ(companion.substr(0, companion.find("||")), path);
    paths.push_back(std::move(path));
    companions.push_back(std::move(companion));
  }
  int RowCount() const override { return static_cast<int>(paths.size()); }
  const std::string& PathRow(int index) const override { return paths[index]; }
  void SetComments(std::string text) override { writes.push_back(std::move(text)); }
  const std::string& Comments() const override { return writes.back(); }

  Rows paths, companions, writes;
};

// Records every directory search, to tell which paths were tested.
class SearchLoggingFs : public platform::MemoryFileSystem {
 public:
  std::string FindFirst(std::string_view path, platform::SearchKind kind) const override {
    searched.emplace_back(path);
    return MemoryFileSystem::FindFirst(path, kind);
  }
  mutable Rows searched;
};

const std::string kInf = "C:\\WINDOWS\\INF\\DRV.INF";
const std::string kSys = "C:\\WINDOWS\\SYSTEM\\";
const std::string kDev = "||My Device";

std::string Verdict(std::string_view sentence, int count) {
  return std::string(sentence) + "\r\n\r\nTotal Files - " + std::to_string(count);
}

class FileListTest : public ::testing::Test {
 protected:
  void Run(std::string_view inf_text, std::string_view index = "|") {
    loc.located = true;
    loc.windows_folder = "C:\\WINDOWS\\";
    loc.inf_folder = "C:\\WINDOWS\\INF\\";
    loc.inf_file_name = "DRV.INF";
    loc.install_section = "Install";
    input.location = &loc;
    input.entry_text = "My Device";
    input.windows_inf_index = index;
    sink = Sink();
    fs.AddFile(kInf, inf_text);
    outcome = AnalyseLocatedEntry(fs, input, sink);
  }
  void Files(std::initializer_list<std::string> paths) {
    for (const auto& p : paths) fs.AddFile(kSys + p, "x");
  }

  InfLocation loc;
  AnalysisInput input;
  SearchLoggingFs fs;
  Sink sink;
  AnalysisOutcome outcome;
};

TEST_F(FileListTest, NoCopyFilesListsOnlyTheInf) {
  loc.source_name = "SndDrv.INF";
  // DestinationDirs is not read at all, so its bad number shows nothing.
  Run("[Install]\rDelFiles=X\r[DestinationDirs]\rX=99\r");
  EXPECT_EQ(sink.companions, Rows{kInf + kDev + "||snddrv.inf"});
  EXPECT_EQ(sink.writes,
            (Rows{std::string(kShouldBeBackedUp) + "\r\n\r\n", Verdict(kShouldBeBackedUp, 1)}));
  EXPECT_EQ(outcome.end, AnalysisEnd::kNoCopyFiles);
  // The verdict rests on the whole INF name between two "|".
  Run("[Install]\r", "|mydrv.inf|");
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 1));
  Run("[Install]\r", "|a.inf|drv.inf|");
  EXPECT_EQ(sink.Comments(), Verdict(kInstalledWithWindows, 1));
  EXPECT_EQ(outcome.end, AnalysisEnd::kNoCopyFiles);
  // No install section at all is told apart from a section without CopyFiles.
  Run("[Other]\rCopyFiles=X\r[install ]\rCopyFiles=X\r");
  EXPECT_EQ(outcome.end, AnalysisEnd::kInstallSectionMissing);
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 1));
}

TEST_F(FileListTest, FirstPassListsExistingFilesOnce) {
  Files({"IOSUBSYS\\NEW.SYS", "IOSUBSYS\\EXTRA.SYS", "VXD.VXD", "OLD.DLL", "inf", "NEW.SYS"});
  fs.AddFile(kSys + "IOSUBSYS\\HID.SYS", "x", platform::MemoryFileSystem::kHidden);
  Run("[Install]\rCopyFiles=Drv.Files,@VXD.VXD,@ABSENT.VXD,drv.files,Empty.Files\r"
      "DelFiles=Old.Files\r"
      "[DestinationDirs]\rDefaultDestDir=11\rDrv.Files=12\r"
      "[Drv.Files]\rNEW.SYS,OLD.SYS\rABSENT.SYS\rnew.sys\rEXTRA.SYS,,,2\rHID.SYS\r"
      "[Old.Files]\rOLD.DLL\rinf\rNEW.SYS\r[Empty.Files]\r");
  EXPECT_EQ(sink.companions, (Rows{kInf + kDev, kSys + "IOSUBSYS\\NEW.SYS" + kDev + "||OLD.SYS",
                                   kSys + "IOSUBSYS\\EXTRA.SYS" + kDev, kSys + "VXD.VXD" + kDev,
                                   kSys + "OLD.DLL" + kDev}));
  EXPECT_EQ(sink.writes.size(), 4u);  // each verdict is written in two steps
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 5));
  EXPECT_EQ(outcome.end, AnalysisEnd::kComplete);
  // Lines of CopyFiles lists whose file is not on disk (a hidden one included), each
  // once; DelFiles lists and empty lists add none.
  Rows missing;
  for (const FileNotFound& f : outcome.not_found) missing.push_back(f.file + "=" + f.path);
  EXPECT_EQ(missing,
            (Rows{"ABSENT.SYS=" + kSys + "IOSUBSYS\\ABSENT.SYS",
                  "HID.SYS=" + kSys + "IOSUBSYS\\HID.SYS", "ABSENT.VXD=" + kSys + "ABSENT.VXD"}));
}

TEST_F(FileListTest, EarlyEnds) {
  // An unrecognised destination number: its message, and the first verdict stays.
  Files({"A.SYS"});
  Run("[Install]\rCopyFiles=A.Files\r[DestinationDirs]\rA.Files=11\rB=14\r[A.Files]\rA.SYS\r");
  EXPECT_EQ(outcome.end, AnalysisEnd::kUnrecognisedDestination);
  EXPECT_EQ(outcome.destination_number, "14");
  EXPECT_EQ(sink.companions, Rows{kInf + kDev});
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 1));

  // A list without destination and no default ends silently; earlier rows stay and
  // the verdict is not updated. A final comma adds such a list.
  for (const char* copy : {"A.Files,B.Files", "A.Files,"}) {
    Run(std::string("[Install]\rCopyFiles=") + copy +
        "\r[DestinationDirs]\rA.Files=11\r[A.Files]\rA.SYS\r[B.Files]\rA.SYS\r");
    EXPECT_EQ(outcome.end, AnalysisEnd::kListWithoutDestination);
    EXPECT_EQ(outcome.list_name, std::string(copy).substr(8)) << copy;
    EXPECT_EQ(sink.companions, (Rows{kInf + kDev, kSys + "A.SYS" + kDev})) << copy;
    EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 1)) << copy;
  }
  // The lines of the list it ends at were never looked for: named without a path.
  Run("[Install]\rCopyFiles=A.Files,B.Files\r[DestinationDirs]\rA.Files=11\r[A.Files]\rA.SYS\r"
      "[B.Files]\ra.sys\rB.SYS,SRC.SYS\r");
  ASSERT_EQ(outcome.not_found.size(), 1u);
  EXPECT_EQ(outcome.not_found[0].file + "|" + outcome.not_found[0].path, "B.SYS|");
}

TEST_F(FileListTest, LfOnlyInfWithHeadersInOtherCaseListsEveryFile) {
  // The model line names the install section "Install"; its header, and those of its
  // lists, are written in other letter case, and every line ends with LF alone.
  Files({"RTL.SYS", "RTLDIAG.EXE"});
  Run("[INSTALL]\nCopyFiles=Rtl.Copy\n\n[destinationdirs]\nDefaultDestDir=11\n"
      "[RTL.COPY]\nrtl.sys\nrtldiag.exe\n");
  EXPECT_EQ(sink.paths, (Rows{kInf, kSys + "rtl.sys", kSys + "rtldiag.exe"}));
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 3));
  EXPECT_EQ(outcome.end, AnalysisEnd::kComplete);
}

TEST_F(FileListTest, SecondPassListsOnlyMissingSources) {
  Files({"X.SYS", "Y.SYS", "Z.SYS", "NEW2.SYS", "NEW3.SYS", "D.SYS"});
  const std::string inf =
      "[Install]\rCopyFiles=X.Files\r"
      "[Other]\rCopyFiles=YZ.Files,Bare.Files\rDelFiles=D.Files\r[Again]\rCopyFiles=X.Files\r"
      "[DestinationDirs]\rX.Files=11\rYZ.Files=11\rD.Files=11\r"
      "[X.Files]\rX.SYS\rX2.SYS\r[YZ.Files]\rY.SYS\rZ.SYS\rNEW2.SYS,OLD.SYS\rNEW3.SYS,NOPE.SYS\r"
      "[Bare.Files]\rD.SYS\r[D.Files]\rD.SYS\r"
      "[SourceDisksFiles]\rX.SYS=1\rX2.SYS=1\rY.SYS=1\rOLD.SYS=1\rNEW3.SYS=1\rD.SYS=1\r";
  Run(inf);
  EXPECT_EQ(sink.companions, (Rows{kInf + kDev, kSys + "X.SYS" + kDev, kSys + "Y.SYS" + kDev,
                                   kSys + "NEW2.SYS" + kDev + "||OLD.SYS"}));
  EXPECT_EQ(sink.Comments(), Verdict(kShouldBeBackedUp, 4));
  // A list with neither its own destination nor a default is skipped, not searched
  // as bare file names; a value equal to the install section's is not walked again.
  EXPECT_EQ(std::count(fs.searched.begin(), fs.searched.end(), "D.SYS"), 0);
  EXPECT_EQ(std::count(fs.searched.begin(), fs.searched.end(), kSys + "X2.SYS"), 1);

  // Nothing missing after pass 1: no second pass.
  Run("[Install]\rCopyFiles=X.Files\r[O]\rCopyFiles=Y.Files\r[DestinationDirs]\rDefaultDestDir=11\r"
      "[X.Files]\rX.SYS\r[Y.Files]\rY.SYS,X.SYS\r[SourceDisksFiles]\rX.SYS=1\r");
  EXPECT_EQ(sink.paths, (Rows{kInf, kSys + "X.SYS"}));
  input.copy_files_search_enabled = false;
  Run(inf);
  EXPECT_EQ(sink.paths, (Rows{kInf, kSys + "X.SYS"}));
}

TEST_F(FileListTest, UnreadableOrUnlocatedInfEndsIt) {
  fs.AddFile(kInf, "");
  fs.FailOpen(kInf);
  input.location = &loc;
  loc.located = true;
  loc.inf_folder = "C:\\WINDOWS\\INF\\";
  loc.inf_file_name = "DRV.INF";
  outcome = AnalyseLocatedEntry(fs, input, sink);
  EXPECT_EQ(outcome.end, AnalysisEnd::kUnreadableFile);
  EXPECT_EQ(outcome.unreadable_path, kInf);
  EXPECT_FALSE(outcome.unreadable_reason.empty());
  EXPECT_EQ(sink.paths, Rows{kInf});
  // An INF that was not located is not read at all.
  loc.located = false;
  EXPECT_EQ(AnalyseLocatedEntry(fs, input, sink).end, AnalysisEnd::kInfNotLocated);
  EXPECT_EQ(sink.paths, Rows{kInf});
}

}  // namespace
}  // namespace veskaro::drivers
