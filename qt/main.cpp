// veskaro: the desktop program for Linux. It shows the main window on an offline
// Windows 95/98 installation (by default the bundled sample) and works through the
// same window models as every other front-end.
#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>
#include <memory>

#include "app/form1.h"
#include "platform/offline/installation.h"
#include "platform/posix/host_file_system.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_shell.h"
#include "qt/form1_view.h"
#include "qt/look.h"
#ifdef VESKARO_HAVE_X11
#include "platform/x11/x11_processes.h"
#endif

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCannotOpen = 3;

using HostPathOf = std::function<std::string(std::string_view)>;

// The installed copy of the sample when the program runs from its installed place,
// else the sample in the source tree it was built from.
QString DefaultRoot() {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath("../" VESKARO_INSTALLED_SAMPLE);
  if (QFileInfo(installed).isDir()) return QFileInfo(installed).canonicalFilePath();
  return QString::fromUtf8(VESKARO_DEFAULT_ROOT);
}

#ifndef VESKARO_HAVE_X11
// Without X11 support there is no word processor to drive: the INF opens in the
// desktop's viewer and the start counts as failed, so nothing waits to type into it.
class ViewerOnlyProcesses : public veskaro::platform::Processes {
 public:
  explicit ViewerOnlyProcesses(HostPathOf host_path_of) : host_path_of_(std::move(host_path_of)) {}
  bool StartProgram(std::string_view command_line, veskaro::platform::WindowStyle) override {
    const std::size_t blank = command_line.find(' ');
    if (blank != std::string_view::npos) {
      const std::string host = host_path_of_(command_line.substr(blank + 1));
      if (!host.empty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(host.c_str())));
      }
    }
    return false;
  }
  bool ActivateWindow(std::string_view) override { return false; }
  bool SendKeys(std::string_view) override { return false; }

 private:
  HostPathOf host_path_of_;
};
#endif

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("veskaro");
  QApplication::setApplicationVersion("1.0");
  QApplication::setDesktopFileName("veskaro");
  QApplication::setWindowIcon(veskaro::qt::ProgramIcon());

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Shows which files the drivers of an offline Windows 95/98/Me installation installed, "
      "and copies them into a folder of your choice.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption root_option(
      "root", "Host folder that is the installation's drive C: (default: the bundled sample).",
      "DIR");
  const QCommandLineOption registry_option(
      "registry",
      "Registry to read: a REGEDIT4 export or a SYSTEM.DAT hive (default: the installation's "
      "own).",
      "FILE");
  const QCommandLineOption windir_option(
      "windir",
      "The Windows folder as a Windows path (default: from MSDOS.SYS, else the folder holding "
      "SYSTEM.DAT, else C:\\WINDOWS).",
      "WINPATH");
  parser.addOptions({root_option, registry_option, windir_option});
  if (!parser.parse(QCoreApplication::arguments())) {
    std::fprintf(stderr, "veskaro: %s\nTry 'veskaro --help'.\n", qPrintable(parser.errorText()));
    return kExitUsage;
  }
  if (parser.isSet("help")) parser.showHelp(0);
  if (parser.isSet("version")) parser.showVersion();
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "veskaro: unexpected argument %s\nTry 'veskaro --help'.\n",
                 qPrintable(parser.positionalArguments().first()));
    return kExitUsage;
  }

  veskaro::platform::InstallationOptions options;
  const QString root = parser.isSet(root_option) ? parser.value(root_option) : DefaultRoot();
  options.root = QFile::encodeName(root).toStdString();
  if (parser.isSet(registry_option)) {
    options.registry_file = QFile::encodeName(parser.value(registry_option)).toStdString();
  }
  if (parser.isSet(windir_option)) {
    options.windir = veskaro::platform::ToCp1252(parser.value(windir_option));
  }
  std::string error;
  const auto installation = veskaro::platform::OpenInstallation(options, &error);
  if (installation == nullptr) {
    std::fprintf(stderr, "veskaro: %s\n", error.c_str());
    QMessageBox::critical(nullptr, "Veskaro", QString::fromLocal8Bit(error.c_str()));
    return kExitCannotOpen;
  }

  // The word processor is handed the host file behind a Windows path of the
  // installation.
  const auto* host_files =
      dynamic_cast<const veskaro::platform::HostFileSystem*>(installation->files.get());
  HostPathOf host_path_of = [host_files](std::string_view windows_path) {
    return host_files != nullptr ? host_files->ToHostPath(windows_path) : std::string();
  };

  veskaro::platform::QtMessageBoxes boxes;
  veskaro::platform::QtShell shell;
#ifdef VESKARO_HAVE_X11
  veskaro::platform::X11Processes processes(host_path_of);
#else
  ViewerOnlyProcesses processes(host_path_of);
#endif
  veskaro::app::ProgramState program;
  veskaro::app::Form1 form(
      veskaro::app::Services{*installation->registry, *installation->files,
                             *installation->environment, boxes, shell, processes},
      program);
  veskaro::qt::Form1View view(form);
  boxes.set_parent(&view);
  shell.set_parent(&view);
  form.Load();  // shows the window
  return QApplication::exec();
}
