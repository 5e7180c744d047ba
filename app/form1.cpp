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

namespace {

std::vector<std::unique_ptr<Control>> MakeForm1Controls() {
  std::vector<std::unique_ptr<Control>> controls;
  for (const ControlDescription& description : kForm1Controls) {
    controls.push_back(MakeControl(description));
  }
  return controls;
}

}  // namespace

Form1::Form1(Services services, ProgramState& program)
    : made_(MakeForm1Controls()),
      window("Form1", "Veskaro 1.0", 5130, 4290),
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

std::vector<Control*> Form1::controls() {
  std::vector<Control*> all;
  for (const auto& control : made_) all.push_back(control.get());
  return all;
}

std::vector<const Control*> Form1::controls() const {
  std::vector<const Control*> all;
  for (const auto& control : made_) all.push_back(control.get());
  return all;
}

Form2* Form1::about_window() const { return about_ && about_->loaded() ? about_.get() : nullptr; }

void Form1::ShowError(const std::string& text, const char* title, MsgIcon icon) {
  ++errors_shown_;
  services_.boxes.Show(text, title, icon, MsgButtons::kOk);
}

void Form1::ReportReadError(const std::string& path, const std::string& reason) {
  ShowError("Unable to read the file " + path + "\r\n" + reason, kAppTitle, MsgIcon::kExclamation);
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
    ShowError("Unable to extract information from Windows Registry", "Registry Error",
              MsgIcon::kInformation);
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
    ShowError("Couldnt Locate INF File", kAppTitle, MsgIcon::kNone);
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
      ShowError("Unrecognized File Destination Number " + outcome.destination_number, kAppTitle,
                MsgIcon::kNone);
      break;
    case drivers::AnalysisEnd::kUnreadableFile:
      ReportReadError(outcome.unreadable_path, outcome.unreadable_reason);
      break;
    default:  // the INF's absence was told when it was looked for; the rest end silently
      break;
  }
}

}  // namespace veskaro::app
