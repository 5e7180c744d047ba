#include "app/form1.h"

#include "app/form2.h"
#include "drivers/driver_classes.h"
#include "drivers/file_list.h"
#include "drivers/inf_location.h"
#include "drivers/windows_inf_index.h"
#include "inf/ini.h"

namespace veskaro::app {

using platform::MsgButtons;
using platform::MsgIcon;

/// The analysis writes List1, List2 and Text1 through this adapter.
class Form1::ListSink : public drivers::FileListSink {
 public:
  explicit ListSink(Form1& form) : form_(form) {}
  void AddRow(std::string path, std::string companion) override {
    form_.List1.AddItem(std::move(path));
    form_.List2.AddItem(std::move(companion));
  }
  int RowCount() const override { return form_.List1.count(); }
  const std::string& PathRow(int index) const override { return form_.List1.row(index); }
  void SetComments(std::string text) override { form_.Text1.set_text(std::move(text)); }
  const std::string& Comments() const override { return form_.Text1.text(); }

 private:
  Form1& form_;
};

Form1::Form1(Services services, ProgramState& program)
    : window("Form1", "Veskaro 1.0", 5130, 4290),
      List5("List5", {120, 960, 4935, 1620}, 17, false),
      Text1("Text1", {120, 2880, 4935, 870}, 16, true, true, false),
      List4("List4", {2400, 4440, 2175, 255}, 15, false),
      List3("List3", {120, 4440, 2175, 255}, 14, false),
      Command1("Command1", {120, 3840, 1575, 375}, 13, "Gather Necessity",
               "Gather Drivers For Devices Not Installed With Windows"),
      List1("List1", {120, 1560, 4935, 1035}, 9),
      Timer1("Timer1", 200),
      About("About", {2160, 3840, 855, 375}, 2, "About", "About Veskaro"),
      CopyTo("CopyTo", {3120, 3840, 975, 375}, 3, "Copy", "Copy Driver Files To..."),
      ExitButton("ExitButton", {4200, 3840, 855, 375}, 4, "Exit", "Exit The Software"),
      Combo2("Combo2", {120, 960, 4935, 315}, 1, true),
      Combo1("Combo1", {120, 360, 4935, 315}, 0, true),
      Combo3("Combo3", {120, 360, 4455, 315}, 5, true, false),
      Combo4("Combo4", {120, 960, 4455, 315}, 8, true, false),
      List2("List2", {120, 1560, 4455, 1035}, 11, false),
      Label4("Label4", {120, 2640, 855, 255}, 12, "Comments"),
      Label3("Label3", {120, 1320, 855, 255}, 10, "Driver Files"),
      Label2("Label2", {120, 720, 975, 255}, 7, "Driver Entries"),
      Label1("Label1", {120, 120, 975, 255}, 6, "Driver Types"),
      services_(services),
      program_(program) {
  Combo1.on_click = [this] { Combo1Click(); };
  Combo2.on_click = [this] { Combo2Click(); };
  Command1.on_click = [this] { Command1Click(); };
  CopyTo.on_click = [this] { CopyToClick(); };
  About.on_click = [this] { AboutClick(); };
  ExitButton.on_click = [this] { ExitButtonClick(); };
  List1.on_double_click = [this] { List1DblClick(); };
  List1.on_key_press = [this](int key) { List1KeyPress(key); };
  Timer1.on_tick = [this] { Timer1Timer(); };
}

Form1::~Form1() = default;

std::vector<const Control*> Form1::controls() const {
  return {&List5,      &Text1,  &List4,  &List3,  &Command1, &List1,  &Timer1,
          &About,      &CopyTo, &ExitButton, &Combo2, &Combo1, &Combo3, &Combo4,
          &List2,      &Label4, &Label3, &Label2, &Label1};
}

Form2* Form1::about_window() const { return about_ && about_->loaded() ? about_.get() : nullptr; }

void Form1::ReportReadError(const std::string& path, const std::string& reason) {
  services_.boxes.Show("Unable to read the file " + path + "\r\n" + reason, kAppTitle,
                       MsgIcon::kExclamation, MsgButtons::kOk);
}

void Form1::Load() {
  ClassRoot = std::string(drivers::kClassRoot);
  ViewerEnabled = 1;
  CopyFilesSearchEnabled = 1;
  try {
    WindowsInfIndex = drivers::BuildWindowsInfIndex(services_.files, services_.environment);
  } catch (const inf::FileReadError& e) {
    // A layout file that cannot be read is named once; the index then holds no
    // entries, so every driver is offered for backup rather than wrongly skipped.
    ReportReadError(e.path(), e.reason());
    WindowsInfIndex = "|";
  }
  const auto classes = drivers::ListClasses(services_.registry, ClassRoot);
  if (!classes) {
    services_.boxes.Show("Unable to extract information from Windows Registry", "Registry Error",
                         MsgIcon::kInformation, MsgButtons::kOk);
  } else {
    for (const auto& row : *classes) {
      const int index = Combo1.AddItem(row.description);
      Combo3.InsertItem(row.HiddenRow(), index);
    }
  }
  window.set_visible(true);
}

void Form1::Paint() {
  if (program_.AboutOpen == 1 && about_window() != nullptr && on_show_about) {
    on_show_about(*about_);
  }
}

void Form1::ExitButtonClick() {
  unloaded_ = true;
  window.set_visible(false);
  if (on_unload) on_unload();
}

void Form1::AboutClick() {
  about_ = std::make_unique<Form2>(*this);
  about_->Load();
  if (on_show_about) on_show_about(*about_);
}

void Form1::Combo1Click() {
  last_analysis_.reset();
  List1.Clear();
  List2.Clear();
  List5.set_visible(false);
  Text1.set_text("");
  if (Combo1.text().empty()) return;
  Combo2.Clear();
  Combo4.Clear();
  const std::string class_key = drivers::KeyPart(Combo3.row(Combo1.list_index()));
  for (const auto& entry : drivers::ListEntries(services_.registry, ClassRoot, class_key)) {
    const int index = Combo2.AddItem(entry.shown);
    Combo4.InsertItem(entry.HiddenRow(), index);
  }
}

void Form1::Combo2Click() {
  last_analysis_.reset();
  List1.Clear();
  List2.Clear();
  Text1.set_text("");
  if (Combo2.text().empty()) return;
  const std::string entry_key = drivers::KeyPart(Combo4.row(Combo2.list_index()));
  EntryAnalysis& analysis = last_analysis_.emplace();
  analysis.location = drivers::LocateInf(services_.registry, services_.files, services_.environment,
                                         ClassRoot, entry_key);
  const drivers::InfLocation& location = analysis.location;
  if (!location.located) {
    services_.boxes.Show("Couldnt Locate INF File", kAppTitle, MsgIcon::kNone, MsgButtons::kOk);
  }
  EntryKey = location.entry_key;
  InfFileName = location.inf_file_name;
  InfFolder = location.inf_folder;
  InstallSection = location.install_section;
  ListSink sink(*this);
  drivers::AnalysisInput input;
  input.location = &location;
  const std::string entry_text = Combo2.text();
  input.entry_text = entry_text;
  input.windows_inf_index = WindowsInfIndex;
  input.copy_files_search_enabled = CopyFilesSearchEnabled == 1;
  analysis.outcome = drivers::AnalyseLocatedEntry(services_.files, input, sink);
  ReportAnalysisEnd(analysis.outcome);
}

void Form1::ReportAnalysisEnd(const drivers::AnalysisOutcome& outcome) {
  switch (outcome.end) {
    case drivers::AnalysisEnd::kUnrecognisedDestination:
      services_.boxes.Show("Unrecognized File Destination Number " + outcome.destination_number,
                           kAppTitle, MsgIcon::kNone, MsgButtons::kOk);
      break;
    case drivers::AnalysisEnd::kUnreadableFile:
      ReportReadError(outcome.unreadable_path, outcome.unreadable_reason);
      break;
    default:  // the INF's absence was told when it was looked for; the rest end silently
      break;
  }
}

}  // namespace veskaro::app
