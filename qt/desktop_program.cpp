#include "qt/desktop_program.h"

#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

#include "qt/drop_target.h"

namespace veskaro::qt {

struct DesktopProgram::MainWindow {
  std::unique_ptr<platform::OfflineInstallation> installation;
  app::ProgramState program;
  std::unique_ptr<app::Form1> form;
  std::unique_ptr<Form1View> view;

  ~MainWindow() {
    view.reset();  // the view follows the model: it goes first
    form.reset();
  }
};

DesktopProgram::DesktopProgram(QSettings& settings, Services services, QString sample)
    : services_(services), start_(std::make_unique<StartWindow>(settings, std::move(sample))) {
  start_->on_open = [this](const InstallationChoice& choice) {
    Later([this, choice] { Open(choice); });
  };
  show_error = [this](const QString& message) {
    QMessageBox::critical(start_.get(), "Veskaro", message);
  };
}

DesktopProgram::~DesktopProgram() = default;

Form1View* DesktopProgram::main_view() const { return main_ ? main_->view.get() : nullptr; }

app::Form1* DesktopProgram::form() const { return main_ ? main_->form.get() : nullptr; }

std::string DesktopProgram::HostPath(std::string_view windows_path) const {
  return main_ && main_->installation->host_file_of ? main_->installation->host_file_of(windows_path)
                                                    : std::string();
}

bool DesktopProgram::Open(const platform::InstallationOptions& options,
                          const InstallationChoice* remember) {
  std::string error;
  auto installation = platform::OpenInstallation(options, &error);
  if (installation == nullptr) {
    ShowStart();
    if (show_error) show_error(QString::fromLocal8Bit(error.c_str()));
    return false;
  }
  if (remember != nullptr) start_->Remember(*remember);
  CloseMain();

  main_ = std::make_unique<MainWindow>();
  main_->installation = std::move(installation);
  platform::OfflineInstallation& opened = *main_->installation;
  main_->form = std::make_unique<app::Form1>(
      app::Services{*opened.registry, *opened.files, *opened.environment, services_.boxes,
                    services_.shell, services_.processes},
      main_->program);
  main_->view = std::make_unique<Form1View>(*main_->form);
  Form1View* view = main_->view.get();
  AcceptInstallationDrops(
      view, [this](const QString& path) { Later([this, path] { Open(ChoiceForPath(path)); }); });
  auto* back = new QShortcut(QKeySequence::Open, view);
  QObject::connect(back, &QShortcut::activated, view, [this] { Later([this] { ShowStart(); }); });
  if (on_main_window) on_main_window(view);

  main_->form->Load();  // shows the main window
  start_->hide();
  return true;
}

void DesktopProgram::ShowStart() {
  start_->Refresh();
  start_->show();
  start_->raise();
  start_->activateWindow();
  CloseMain();  // after the start window shows, so that the program does not end
}

void DesktopProgram::CloseMain() {
  if (main_ == nullptr) return;
  if (on_main_window) on_main_window(nullptr);
  main_.reset();
}

void DesktopProgram::Later(std::function<void()> action) {
  QMetaObject::invokeMethod(start_.get(), std::move(action), Qt::QueuedConnection);
}

}  // namespace veskaro::qt
