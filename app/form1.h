// The main window as a toolkit-independent model: its controls, state fields and
// event handlers. Front-ends mirror the controls and call the handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/controls.h"
#include "app/copy_files.h"
#include "app/form1_controls.h"
#include "app/services.h"
#include "drivers/analysis_outcome.h"
#include "drivers/inf_location.h"

namespace veskaro::app {

class Form2;

/// State shared by the two windows.
struct ProgramState {
  /// 1 while the About window is loaded, 0 otherwise.
  std::int16_t AboutOpen = 0;
};

class Form1 {
  // The controls, made from kForm1Controls in its order before the names below
  // are bound to them.
  std::vector<std::unique_ptr<Control>> made_;

  // Control `I` of kForm1Controls as its class `T`, which must be the described kind.
  template <class T, std::size_t I>
  T& Made() {
    static_assert(kForm1Controls[I].kind == T::kKind, "a control's class is its described kind");
    return static_cast<T&>(*made_[I]);
  }

 public:
  Form1(Services services, ProgramState& program);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  Window window;
  // The controls by name; what each one is for is written in kForm1Controls.
  ListBox& List5 = Made<ListBox, Form1ControlIndex("List5")>();
  TextBox& Text1 = Made<TextBox, Form1ControlIndex("Text1")>();
  ListBox& List4 = Made<ListBox, Form1ControlIndex("List4")>();
  ListBox& List3 = Made<ListBox, Form1ControlIndex("List3")>();
  Button& Command1 = Made<Button, Form1ControlIndex("Command1")>();
  ListBox& List1 = Made<ListBox, Form1ControlIndex("List1")>();
  Timer& Timer1 = Made<Timer, Form1ControlIndex("Timer1")>();
  Button& About = Made<Button, Form1ControlIndex("About")>();
  Button& CopyTo = Made<Button, Form1ControlIndex("CopyTo")>();
  Button& ExitButton = Made<Button, Form1ControlIndex("ExitButton")>();
  ComboBox& Combo2 = Made<ComboBox, Form1ControlIndex("Combo2")>();
  ComboBox& Combo1 = Made<ComboBox, Form1ControlIndex("Combo1")>();
  ComboBox& Combo3 = Made<ComboBox, Form1ControlIndex("Combo3")>();
  ComboBox& Combo4 = Made<ComboBox, Form1ControlIndex("Combo4")>();
  ListBox& List2 = Made<ListBox, Form1ControlIndex("List2")>();
  Label& Label4 = Made<Label, Form1ControlIndex("Label4")>();
  Label& Label3 = Made<Label, Form1ControlIndex("Label3")>();
  Label& Label2 = Made<Label, Form1ControlIndex("Label2")>();
  Label& Label1 = Made<Label, Form1ControlIndex("Label1")>();

  // State fields.
  std::string InfFileName;
  std::string InfFolder;
  std::string InstallSection;
  std::string EntryKey;
  std::int16_t ViewerEnabled = 0;
  std::int16_t CopyFilesSearchEnabled = 0;
  std::string WindowsInfIndex;
  std::string ClassRoot;

  /// Every control, in the order of the window's control list (kForm1Controls).
  std::vector<Control*> controls();
  std::vector<const Control*> controls() const;

  // Events.
  void Load();
  void Paint();
  void ExitButtonClick();
  void AboutClick();
  void Combo1Click();
  void Combo2Click();
  void Command1Click();
  /// "Copy"; returns what it did.
  CopyResult CopyToClick();
  void List1DblClick();
  void List1KeyPress(int key_ascii);
  void Timer1Timer();

  /// What the entry analysis behind the file list found: where the INF is and why
  /// the analysis ended.
  struct EntryAnalysis {
    drivers::InfLocation location;
    drivers::AnalysisOutcome outcome;
  };
  /// The analysis of the entry chosen in Combo2 while its rows are shown; null when
  /// no entry analysis is shown (no entry chosen, a class chosen, after the batch).
  const EntryAnalysis* last_analysis() const { return last_analysis_ ? &*last_analysis_ : nullptr; }

  /// How many error messages the window has shown: a driver's INF not located, an
  /// unrecognised destination number, a file that cannot be read, a registry that
  /// gives nothing, an invalid destination path, a failed copy. Questions are not
  /// counted; what a copy's failures came to is in its CopyResult.
  int errors_shown() const { return errors_shown_; }

  /// Whether the window has been unloaded (the program ends).
  bool unloaded() const { return unloaded_; }
  /// The About window while it is loaded, else null.
  Form2* about_window() const;
  ProgramState& program() { return program_; }
  Services& services() { return services_; }

  // Hooks for the front-end.
  /// The main window was unloaded: close it and end the program.
  std::function<void()> on_unload;
  /// Show the About window (modeless, in front); called on open and on every paint
  /// while it is loaded.
  std::function<void(Form2&)> on_show_about;
  /// Give the main window the input focus.
  std::function<void()> on_focus;
  /// Progress of the batch: entries analysed so far, and the batch's class index
  /// and class count.
  std::function<void(int entries_done, int class_index, int class_count)> on_batch_progress;

 private:
  class ListSink;

  void ShowError(const std::string& text, const char* title, platform::MsgIcon icon);
  void ReportReadError(const std::string& path, const std::string& reason);
  void ReportAnalysisEnd(const drivers::AnalysisOutcome& outcome);
  bool CopyRow(int i, const std::string& target,
               const std::function<bool(platform::FsError)>& failed, std::set<std::string>* written,
               CopyResult* result);

  Services services_;
  ProgramState& program_;
  std::unique_ptr<Form2> about_;
  bool unloaded_ = false;
  int errors_shown_ = 0;
  std::optional<EntryAnalysis> last_analysis_;
};

}  // namespace veskaro::app
