// The fixture of the view tests: the main window on the bundled sample installation,
// with recording fakes for message boxes, the shell and processes, and helpers that
// act on widgets the way a user does.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "app/form1.h"
#include "platform/offline/installation.h"
#include "qt/desktop_program.h"
#include "qt/form1_view.h"
#include "testing/fakes.h"

namespace veskaro::qt {

/// Opens the bundled sample, builds Form1 over it with the recording fakes and its
/// view, loads it (which shows the window) and waits until the window is exposed.
class SampleWindow {
 public:
  SampleWindow();
  ~SampleWindow();

  app::Form1& form() { return *form_; }
  Form1View& view() { return *view_; }

  /// The widget of the control named `name`, or null.
  template <typename W = QWidget>
  W* widget(const char* name) const {
    return view_->findChild<W*>(QString::fromLatin1(name));
  }

  /// Chooses the row with `text` in a drop-down list: opens its popup with a mouse
  /// click and clicks the row. False when the list has no such row or the popup did
  /// not open.
  bool ChooseFromPopup(const char* combo, const QString& text);
  /// Chooses class `class_text` in Combo1 and entry `entry_text` in Combo2.
  bool ChooseEntry(const QString& class_text, const QString& entry_text);
  /// Clicks a button with the mouse.
  void Click(const char* button);
  /// Selects row `row` of a list with a mouse click.
  void SelectRow(const char* list, int row);
  /// The rows a list widget shows.
  static QStringList Rows(const QListWidget* list);

  testing::RecordingMessageBoxes boxes;
  testing::RecordingShell shell;
  testing::RecordingProcesses processes;

 private:
  std::unique_ptr<platform::OfflineInstallation> installation_;
  app::ProgramState program_;
  std::unique_ptr<app::Form1> form_;
  std::unique_ptr<Form1View> view_;
};

/// The desktop program with its start window shown, on a settings file of its own
/// in a temporary folder, with the recording fakes. Its pickers answer with
/// `folder_answer` and `image_answer` and record where they started; messages
/// about installations that cannot be opened are recorded in `errors`.
class ProgramFixture {
 public:
  ProgramFixture();
  ~ProgramFixture();

  DesktopProgram& program() { return *program_; }
  StartWindow& start() { return program_->start_window(); }
  QSettings& settings() { return *settings_; }
  /// A new folder in the temporary folder.
  QString MakeFolder(const QString& name) const;
  /// Waits until the main window shows (true) or the start window shows again with
  /// no main window (false).
  bool WaitForMainWindow();
  /// The paths the start window lists as recently opened.
  QStringList RecentPaths() const;

  QString folder_answer;
  QString image_answer;
  QStringList folder_starts;
  QStringList errors;
  testing::RecordingMessageBoxes boxes;
  testing::RecordingShell shell;
  testing::RecordingProcesses processes;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<DesktopProgram> program_;
};

/// Writes a picture of `widget` (and its children) to VESKARO_SCREENSHOT_DIR/name.png.
/// False when it cannot be written.
bool SaveScreenshot(QWidget& widget, const QString& name);

}  // namespace veskaro::qt
