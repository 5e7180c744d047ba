// The whole entry analysis and the copy over a fuzzed INF in an in-memory
// installation, driven through the main window's handlers.
//
// Input, one item per line (line feeds): the entry's "InfPath", its "InfSection",
// its "DriverDesc" (the entry text), a line of flags, then the INF's bytes, stored
// as C:\WINDOWS\INF\OTHER\FUZZ.INF. Flags: a decimal number N makes the copy's drive
// fill up after N bytes; "Y" anywhere answers the first question Yes.
//
// Properties: the hidden list keeps one row per file row; every listed file exists;
// the comments hold a verdict; only the known messages appear; the installation
// (drive C:) is never written; every write lands in one driver folder directly below
// the chosen folder Z:\OUT, and every file there is a whole copy of a listed file.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "drivers/file_list.h"
#include "fuzz/fuzz_support.h"
#include "platform/memory_environment.h"
#include "platform/memory_file_system.h"
#include "platform/memory_registry.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/short_names.h"

namespace {

using veskaro::fuzz::Check;
using veskaro::platform::MemoryFileSystem;

constexpr const char* kEntryKey = "System\\CurrentControlSet\\Services\\Class\\Media\\0000";

// The installation the fuzzed INF lands in: a layout file, driver files in the usual
// destination folders (one hidden), files at the drive root for ".." paths, and a
// long-named INF for "~" names.
void BuildInstallation(MemoryFileSystem& fs) {
  fs.AddFile("C:\\WINDOWS\\INF\\LAYOUT.INF",
             "[SourceDisksFiles]\r\nmsdisp.inf=1\r\nfuzz.inf=1,,1\r\nmachine.inf=1\r\n");
  fs.AddFile("C:\\WINDOWS\\INF\\MACHINE.INF",
             "[Mach]\r\nCopyFiles=M.Copy\r\n[M.Copy]\r\nA.SYS\r\n[DestinationDirs]\r\n"
             "DefaultDestDir=11\r\n");
  fs.AddFile("C:\\WINDOWS\\INF\\OTHER\\Vendor CorpLONGNAME.INF",
             "[V]\r\nCopyFiles=@B.DRV\r\n[DestinationDirs]\r\nDefaultDestDir=11\r\n");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\A.SYS", "a-sys");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\B.DRV", "b-drv-b-drv");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\Long File Name.dll", "long-dll");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\HIDDEN.SYS", "hidden", MemoryFileSystem::kHidden);
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\C.PDR", "c-pdr");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\VMM32\\D.VXD", "d-vxd-d-vxd-d-vxd");
  fs.AddFile("C:\\WINDOWS\\SYSTEM\\Sub\\E.DLL", "e-dll");
  fs.AddFile("C:\\WINDOWS\\E.EXE", "e-exe");
  fs.AddFile("C:\\WINDOWS\\HELP\\F.HLP", "f-hlp");
  fs.AddFile("C:\\WINDOWS\\FONTS\\G.TTF", "g-ttf");
  fs.AddFile("C:\\WINDOWS\\COMMAND\\H.COM", "h-com");
  fs.AddFile("C:\\AUTOEXEC.BAT", "autoexec");
  fs.AddFile("C:\\ETC\\PASSWD", "root:x:0:0");
  fs.AddDirectory("Z:\\OUT");
  fs.AddFile("Z:\\KEEP.TXT", "outside the chosen folder");
}

std::map<std::string, std::string> DriveFiles(const MemoryFileSystem& fs, char drive) {
  std::map<std::string, std::string> files;
  for (const std::string& path : fs.Files()) {
    if (!path.empty() && path[0] == drive) files[path] = *fs.FileContents(path);
  }
  return files;
}

// The files of drive C: before the fuzzed INF is added, taken once.
const std::map<std::string, std::string>& BaseInstallation() {
  static const std::map<std::string, std::string> files = [] {
    MemoryFileSystem fs;
    BuildInstallation(fs);
    return DriveFiles(fs, 'C');
  }();
  return files;
}

bool KnownMessage(const std::string& text) {
  static const std::set<std::string> kTexts = {
      "Couldnt Locate INF File",
      "No files are displayed in the listbox.",
      "Invalid Destination Path",
      "The destination drive is full.\r\nDo you wish to continue copying the files?",
      "There is no diskette the destination drive\r\nDo you wish to continue copying the files?",
      "An error has occured while copying the files ",
      "Files Copied Successfully",
  };
  return kTexts.count(text) > 0 || text.starts_with("Unrecognized File Destination Number ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  std::string_view rest = fuzz::AsText(data, size);
  const std::string inf_path(fuzz::TakeLine(&rest));
  const std::string section(fuzz::TakeLine(&rest));
  const std::string entry_text(fuzz::TakeLine(&rest));
  const std::string flags(fuzz::TakeLine(&rest));

  MemoryFileSystem fs;
  BuildInstallation(fs);
  fs.AddFile("C:\\WINDOWS\\INF\\OTHER\\FUZZ.INF", rest);
  platform::MemoryRegistry reg;
  reg.SetString(platform::kHKeyLocalMachine, "System\\CurrentControlSet\\Services\\Class\\Media",
                "", "Sound");
  reg.SetString(platform::kHKeyLocalMachine, kEntryKey, "DriverDesc", entry_text);
  reg.SetString(platform::kHKeyLocalMachine, kEntryKey, "InfPath", inf_path);
  reg.SetString(platform::kHKeyLocalMachine, kEntryKey, "InfSection", section);
  platform::MapEnvironment env{{"windir", "C:\\WINDOWS"}};
  fuzz::QuietBoxes boxes;
  boxes.next_answer_yes = flags.find('Y') != std::string::npos;
  platform::FixedFolderShell shell("Z:\\OUT");
  platform::NoProcesses processes;
  auto installation = BaseInstallation();
  installation["C:\\WINDOWS\\INF\\OTHER\\FUZZ.INF"] = std::string(rest);

  app::ProgramState program;
  app::Form1 form(app::Services{reg, fs, env, boxes, shell, processes}, program);
  form.Load();
  if (form.Combo1.count() == 0) return 0;  // an empty DriverDesc lists no entry
  form.Combo1.set_list_index(0);
  if (form.Combo2.count() == 0) return 0;
  form.Combo2.set_list_index(0);

  Check(form.List1.count() == form.List2.count(), "one companion row per file row");
  // Every listed file exists. The INF row is the exception when "InfPath" climbs out
  // of the INF folders: the file found there is then listed under the INF folder.
  const bool climbing_inf = inf_path.find_first_of("\\/") != std::string::npos;
  for (int i = 0; i < form.List1.count(); ++i) {
    const std::string& row = form.List1.row(i);
    Check((i == 0 && climbing_inf) || !fs.FindFirst(row, platform::SearchKind::kNormal).empty(),
          "listed files exist", row);
  }
  const std::string& comments = form.Text1.text();
  Check(comments.empty() || comments.starts_with(drivers::kInstalledWithWindows) ||
            comments.starts_with(drivers::kShouldBeBackedUp),
        "the comments hold a verdict", comments);

  // The copy, with the drive filling up when the flags say so.
  std::uint64_t budget = 0;
  bool limited = false;
  for (char c : flags) {
    if (c >= '0' && c <= '9' && budget < 1000000) {
      budget = budget * 10 + static_cast<std::uint64_t>(c - '0');
      limited = true;
    }
  }
  if (limited) fs.FailCopiesAfterBytes(budget);
  form.CopyToClick();

  for (const auto& box : boxes.boxes) {
    Check(KnownMessage(box.text), "only the known messages appear", box.text);
  }
  Check(DriveFiles(fs, 'C') == installation, "the installation is never written");

  std::set<std::string> sources;
  for (const std::string& row : form.List1.rows()) {
    if (const auto contents = fs.FileContents(row)) sources.insert(*contents);
  }
  for (const auto& write : fs.writes()) {
    platform::WindowsPath target;
    if (!platform::ParseWindowsPath(write.path, &target)) {
      // A name holding a NUL byte (read from the INF as it stands) names no path.
      Check(write.error != platform::FsError::kNone, "a write to no valid path fails", write.path);
      continue;
    }
    // A folder is made directly below the chosen folder; a copy goes into one, even
    // for a file line such as "x/.." or "*/." that leaves the file no name of its own.
    const bool folder = write.kind == MemoryFileSystem::WriteRecord::Kind::kMakeDirectory;
    const std::size_t parts = target.components.size();
    const bool inside = target.drive == 'Z' && !target.components.empty() &&
                        target.components[0] == "OUT" && (folder ? parts == 2 : parts >= 3);
    Check(inside, "every write stays in a driver folder of the chosen folder", write.path);
  }
  for (const auto& [path, contents] : DriveFiles(fs, 'Z')) {
    if (path == "Z:\\KEEP.TXT") {
      Check(contents == "outside the chosen folder", "files outside the chosen folder stay");
      continue;
    }
    platform::WindowsPath parsed;
    platform::ParseWindowsPath(path, &parsed);
    Check(parsed.components.size() >= 3 && parsed.components[0] == "OUT",
          "copies lie in a driver folder", path);
    Check(sources.count(contents) > 0, "every copy is a whole listed file", path);
  }
  return 0;
}
