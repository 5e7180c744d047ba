// veskaro: the desktop program for Linux. It opens the installation named on its
// command line, or else shows the start window to choose one (a folder, a disk
// image, a recent one or the bundled sample), and shows the main window over it
// through the same window models as every other front-end.
#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <string_view>

#include "platform/offline/installation.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_shell.h"
#include "qt/desktop_program.h"
#include "qt/installation_choice.h"
#include "qt/look.h"
#ifdef VESKARO_HAVE_X11
#include "platform/x11/x11_processes.h"
#endif

namespace {

constexpr int kExitUsage = 2;

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
  // Help and version are text: they need no display, so no GUI is started for them.
  bool text_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    text_only = text_only || arg == "--help" || arg == "-h" || arg == "-?" ||
                arg == "--help-all" || arg == "--version" || arg == "-v";
  }
  const std::unique_ptr<QCoreApplication> app =
      text_only ? std::make_unique<QCoreApplication>(argc, argv)
                : std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName("veskaro");
  QCoreApplication::setOrganizationName("veskaro");
  QCoreApplication::setApplicationVersion(VESKARO_VERSION);
  if (!text_only) {
    QGuiApplication::setDesktopFileName("veskaro");
    QGuiApplication::setWindowIcon(veskaro::qt::ProgramIcon());
  }

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Shows which files the drivers of an offline Windows 95/98/Me installation installed, "
      "and copies them into a folder of your choice. Without an installation to open, it "
      "shows a window to choose one.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(
      "PATH", "A folder or disk image to open, as a file manager passes it (optional).", "[PATH]");
  const QCommandLineOption root_option(
      "root",
      "Host folder of the installation: its drive C:, its Windows folder, or a folder holding "
      "a copied drive C: one level down.",
      "DIR");
  const QCommandLineOption image_option(
      "image",
      "Instead of --root: a disk image (raw, split raw, block device, VHD, VMDK, qcow2, EWF) "
      "whose FAT partition holding Windows is drive C:.",
      "FILE");
  const QCommandLineOption partition_option(
      "partition",
      "With --image: the partition that is drive C: (1-4 primary, 5 and up logical).", "N");
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
  parser.addOptions({root_option, image_option, partition_option, registry_option, windir_option});
  if (!parser.parse(QCoreApplication::arguments())) {
    std::fprintf(stderr, "veskaro: %s\nTry 'veskaro --help'.\n", qPrintable(parser.errorText()));
    return kExitUsage;
  }
  if (parser.isSet("help")) parser.showHelp(0);
  if (parser.isSet("version")) parser.showVersion();
  const QStringList paths = parser.positionalArguments();
  const bool options_given = parser.isSet(root_option) || parser.isSet(image_option) ||
                             parser.isSet(partition_option) || parser.isSet(registry_option) ||
                             parser.isSet(windir_option);
  if (paths.size() > 1 || (!paths.isEmpty() && options_given)) {
    std::fprintf(stderr, "veskaro: unexpected argument %s\nTry 'veskaro --help'.\n",
                 qPrintable(paths.last()));
    return kExitUsage;
  }
  auto usage = [](const char* text) {
    std::fprintf(stderr, "veskaro: %s\nTry 'veskaro --help'.\n", text);
    return kExitUsage;
  };
  if (parser.isSet(root_option) && parser.isSet(image_option)) {
    return usage("--root and --image cannot be used together");
  }
  if (parser.isSet(partition_option) && !parser.isSet(image_option)) {
    return usage("--partition goes with --image");
  }
  int partition = 0;
  if (parser.isSet(partition_option)) {
    bool number = false;
    partition = parser.value(partition_option).toInt(&number);
    if (!number || partition < 1 || partition > 255) {
      return usage("--partition takes a partition number (1-4 primary, 5 and up logical)");
    }
  }

  QSettings settings;
  veskaro::platform::QtMessageBoxes boxes;
  veskaro::platform::QtShell shell;
  shell.set_settings(&settings);
  veskaro::qt::DesktopProgram* shown = nullptr;
  HostPathOf host_path_of = [&shown](std::string_view windows_path) {
    return shown != nullptr ? shown->HostPath(windows_path) : std::string();
  };
#ifdef VESKARO_HAVE_X11
  veskaro::platform::X11Processes processes(host_path_of);
#else
  ViewerOnlyProcesses processes(host_path_of);
#endif
  veskaro::qt::DesktopProgram program(settings, {boxes, shell, processes}, DefaultRoot());
  shown = &program;
  program.on_main_window = [&](QWidget* main_window) {
    boxes.set_parent(main_window);
    shell.set_parent(main_window);
  };
  auto show_error = program.show_error;
  program.show_error = [show_error](const QString& message) {
    std::fprintf(stderr, "veskaro: %s\n", qPrintable(message));
    show_error(message);
  };

  if (options_given) {
    // The command line says what to open; without --root or --image, the bundled
    // sample.
    veskaro::platform::InstallationOptions options;
    if (parser.isSet(image_option)) {
      options.image = QFile::encodeName(parser.value(image_option)).toStdString();
      options.partition = partition;
    } else {
      const QString root = parser.isSet(root_option) ? parser.value(root_option) : DefaultRoot();
      options.root = QFile::encodeName(root).toStdString();
    }
    if (parser.isSet(registry_option)) {
      options.registry_file = QFile::encodeName(parser.value(registry_option)).toStdString();
    }
    if (parser.isSet(windir_option)) {
      options.windir = veskaro::platform::ToCp1252(parser.value(windir_option));
    }
    program.Open(options, nullptr);
  } else if (!paths.isEmpty()) {
    program.Open(veskaro::qt::ChoiceForPath(paths.first()));
  } else {
    program.ShowStart();
  }
  return QApplication::exec();
}
