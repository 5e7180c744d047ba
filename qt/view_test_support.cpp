#include "qt/view_test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>

#include "platform/qt/cp1252.h"

namespace veskaro::qt {
namespace {

// How long a helper waits for a widget to react to an event: the reaction takes
// milliseconds, but a sanitizer build on a loaded machine may take seconds.
constexpr int kEventDeadlineMs = 10000;

}  // namespace

SampleWindow::SampleWindow() {
  platform::InstallationOptions options;
  options.root = VESKARO_SAMPLE_DIR "/drive_c";
  std::string error;
  installation_ = platform::OpenInstallation(options, &error);
  if (installation_ == nullptr) qFatal("cannot open the sample: %s", error.c_str());
  form_ = std::make_unique<app::Form1>(
      app::Services{*installation_->registry, *installation_->files, *installation_->environment,
                    boxes, shell, processes},
      program_);
  view_ = std::make_unique<Form1View>(*form_);
  form_->Load();
  view_->activateWindow();
  if (!QTest::qWaitForWindowExposed(view_.get())) qWarning("the main window was not exposed");
}

SampleWindow::~SampleWindow() {
  view_.reset();
  form_.reset();
}

bool SampleWindow::ChooseFromPopup(const char* combo_name, const QString& text) {
  auto* combo = widget<QComboBox>(combo_name);
  if (combo == nullptr) return false;
  const int index = combo->findText(text, Qt::MatchExactly);
  if (index < 0) return false;
  QTest::mouseClick(combo, Qt::LeftButton);
  QElapsedTimer since_press;  // starts after the timer the press started (below)
  since_press.start();
  QAbstractItemView* popup = combo->view();
  if (!QTest::qWaitFor([popup] { return popup->isVisible(); }, kEventDeadlineMs)) return false;
  const QModelIndex row = popup->model()->index(index, combo->modelColumn());
  popup->scrollTo(row);
  const QPoint at = popup->visualRect(row).center();
  // The popup ignores a release that comes within a double-click time of the press
  // that opened it, as a user's slow click would. It learns that the time is over
  // only when its event loop runs the timer the press started, a coarse timer that
  // may run up to 5 % late; on a loaded machine a plain wait can end before the loop
  // ran it. So wait past the latest moment it is due, then let the loop run it.
  const qint64 blocked_ms = QApplication::doubleClickInterval() * 21 / 20 + 1;
  if (!QTest::qWaitFor([&] { return since_press.elapsed() > blocked_ms; }, kEventDeadlineMs)) {
    return false;
  }
  QCoreApplication::processEvents();
  // A press and release on the row chooses it and closes the popup.
  QTest::mouseClick(popup->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  return QTest::qWaitFor([popup] { return !popup->isVisible(); }, kEventDeadlineMs);
}

bool SampleWindow::ChooseEntry(const QString& class_text, const QString& entry_text) {
  return ChooseFromPopup("Combo1", class_text) && ChooseFromPopup("Combo2", entry_text);
}

void SampleWindow::Click(const char* button) {
  QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton);
}

void SampleWindow::SelectRow(const char* list_name, int row) {
  auto* list = widget<QListWidget>(list_name);
  const QRect rect = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

QStringList SampleWindow::Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

ProgramFixture::ProgramFixture()
    : settings_(std::make_unique<QSettings>(dir_.filePath("veskaro.conf"), QSettings::IniFormat)),
      program_(std::make_unique<DesktopProgram>(*settings_,
                                                DesktopProgram::Services{boxes, shell, processes},
                                                QStringLiteral(VESKARO_SAMPLE_DIR "/drive_c"))) {
  program_->show_error = [this](const QString& message) { errors << message; };
  program_->start_window().set_pickers(
      [this](QWidget*, const QString& start) {
        folder_starts << start;
        return folder_answer;
      },
      [this](QWidget*, const QString&) { return image_answer; });
  program_->ShowStart();
  if (!QTest::qWaitForWindowExposed(&start())) qWarning("the start window was not exposed");
}

ProgramFixture::~ProgramFixture() { program_.reset(); }

QString ProgramFixture::MakeFolder(const QString& name) const {
  QDir(dir_.path()).mkpath(name);
  return QDir(dir_.filePath(name)).canonicalPath();
}

bool ProgramFixture::WaitForMainWindow() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // what was asked for
  const bool settled = QTest::qWaitFor(
      [this] {
        Form1View* view = program_->main_view();
        return (view != nullptr && view->isVisible() && !start().isVisible()) ||
               (view == nullptr && start().isVisible());
      },
      5000);
  return settled && program_->main_view() != nullptr;
}

QStringList ProgramFixture::RecentPaths() const {
  QStringList paths;
  auto* list = program_->start_window().findChild<QListWidget*>("recent");
  for (int i = 0; i < list->count(); ++i) paths << list->item(i)->text();
  return paths;
}

bool SaveScreenshot(QWidget& widget, const QString& name) {
  const QString dir = QStringLiteral(VESKARO_SCREENSHOT_DIR);
  if (!QDir().mkpath(dir)) return false;
  return widget.grab().save(dir + "/" + name + ".png", "PNG");
}

}  // namespace veskaro::qt
