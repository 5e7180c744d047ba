// veskaro-cli: the main window's logic on an offline Windows 9x installation, driven
// from the command line. It has no rule of its own: every command chooses rows of
// the window model and prints what the model shows.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/report.h"
#include "cli/cli_services.h"
#include "cli/report_output.h"
#include "drivers/driver_classes.h"
#include "inf/text.h"
#include "platform/offline/installation.h"
#include "platform/posix/host_paths.h"
#include "platform/processes.h"
#include "platform/shell.h"

namespace {

using veskaro::app::Form1;

constexpr int kExitUsage = 2;
constexpr int kExitCannotOpen = 3;
constexpr int kExitNotFound = 4;
constexpr int kExitErrorShown = 5;

const char kHelp[] =
    "Usage: veskaro-cli [OPTIONS] COMMAND\n"
    "\n"
    "Reads the driver database of an offline Windows 95/98/Me installation and works\n"
    "out which files each driver installed, like the Veskaro window does.\n"
    "\n"
    "Options:\n"
    "  --root DIR        host folder of the installation: its drive C:, its Windows\n"
    "                    folder, or a folder holding a copied drive C: one level down\n"
    "                    (default: the bundled sample installation)\n"
    "  --image FILE      instead of --root: a disk image (raw .img/.ima/.hdd, split raw\n"
    "                    .001, a block device, .vhd, .vmdk, .qcow2 or .E01) whose FAT\n"
    "                    partition holding Windows is drive C:; nothing is mounted\n"
    "  --partition N     with --image: the partition that is drive C: (1-4 primary,\n"
    "                    5 and up the logical drives, as Linux numbers them)\n"
    "  --registry FILE   registry to read: a REGEDIT4 export or a SYSTEM.DAT hive\n"
    "                    (default: the installation's own SYSTEM.DAT)\n"
    "  --windir WINPATH  the Windows folder as a Windows path (default: from MSDOS.SYS,\n"
    "                    else the folder holding SYSTEM.DAT, else C:\\WINDOWS); it is the\n"
    "                    value of the environment variable \"windir\" the program reads\n"
    "  --answer yes|no   answer to questions the program asks (default: no)\n"
    "  --help            this text\n"
    "  --version         the program's name and version\n"
    "\n"
    "Commands:\n"
    "  classes              one line per class: <shown row> TAB <hidden row>\n"
    "  entries CLASS        choose CLASS; one line per entry: <shown row> TAB <hidden row>\n"
    "  files CLASS ENTRY    choose CLASS, then ENTRY; one line per file:\n"
    "                       <full path> TAB <companion row>; then a line \"--\"; then the\n"
    "                       comments text\n"
    "  gather [--copy-to DIR]\n"
    "                       gather every driver not installed with Windows; print the\n"
    "                       gathered entries, a line \"--\", the file rows as for files,\n"
    "                       a line \"--\", then the comments text; with --copy-to, copy\n"
    "                       the gathered files into the host folder DIR afterwards\n"
    "  copy CLASS ENTRY --to DIR\n"
    "                       analyse one entry, then copy its files into the host folder DIR\n"
    "  report [--json]      analyse every entry; for each: its INF, verdict, how the\n"
    "                       analysis ended, its files and where they live, and the files\n"
    "                       its INF names that are not on disk; --json: one JSON document\n"
    "\n"
    "CLASS is a class key name (any letter case) or a shown class row; ENTRY is an entry\n"
    "key name such as 0000 or a shown entry row. Rows are written as their bytes, and\n"
    "CR LF inside the comments text as LF. Message boxes go to standard error as\n"
    "\"veskaro: <title>: <text>\". copy and gather --copy-to end with a line on\n"
    "standard error: files copied, driver folders written, failures.\n"
    "\n"
    "Exit status: 0 done and no error message shown; 2 usage; 3 the installation or\n"
    "registry cannot be opened; 4 CLASS or ENTRY not found; 5 done, but an error\n"
    "message was shown (INF not located, unrecognised destination number, a file that\n"
    "cannot be read, nothing in the registry, invalid destination path, a failed copy)\n"
    "or a copy failed for some file. A question answered by --answer is no error.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "veskaro-cli: %s\nTry 'veskaro-cli --help'.\n", message.c_str());
  return kExitUsage;
}

void Write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void WriteCommentsText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  out += '\n';
  Write(out);
}

// One line per row of a shown list or drop-down: the row, a tab, its hidden partner.
template <typename List>
void WritePairs(const List& shown, const List& hidden) {
  for (int i = 0; i < shown.count(); ++i) {
    Write(shown.row(i) + "\t" + (i < hidden.count() ? hidden.row(i) : std::string()) + "\n");
  }
}

// The line that ends a copy: what the copy handler says it did.
void WriteCopySummary(const veskaro::app::CopyResult& copy) {
  std::fprintf(stderr,
               "veskaro-cli: files copied: %d, driver folders written: %d, failures: %d%s\n",
               copy.files_copied, copy.driver_folders, copy.failures,
               copy.cut_short ? " (the copy stopped at a failure)" : "");
}

// The exit status of a command that did its work: whether the window showed an
// error message, or a copy failed for some file.
int DoneStatus(const Form1& form, const veskaro::app::CopyResult* copy = nullptr) {
  const bool failed = form.errors_shown() > 0 || (copy != nullptr && copy->failures > 0);
  return failed ? kExitErrorShown : 0;
}

// Runs "Copy" and writes its summary line; returns the command's exit status.
int Copy(Form1& form) {
  const veskaro::app::CopyResult copy = form.CopyToClick();
  WriteCopySummary(copy);
  return DoneStatus(form, &copy);
}

// Chooses the class named by `wanted` in Combo1. False when there is none.
bool ChooseClass(Form1& form, const std::string& wanted) {
  for (int i = 0; i < form.Combo3.count(); ++i) {
    if (veskaro::inf::EqualsIgnoreCase(veskaro::drivers::KeyPart(form.Combo3.row(i)), wanted)) {
      form.Combo1.set_list_index(i);
      return true;
    }
  }
  for (int i = 0; i < form.Combo1.count(); ++i) {
    if (form.Combo1.row(i) == wanted) {
      form.Combo1.set_list_index(i);
      return true;
    }
  }
  return false;
}

// Chooses the entry named by `wanted` in Combo2. False when there is none.
bool ChooseEntry(Form1& form, const std::string& wanted) {
  for (int i = 0; i < form.Combo4.count(); ++i) {
    const std::string key = veskaro::drivers::KeyPart(form.Combo4.row(i));
    const std::size_t slash = key.find('\\');
    const std::string entry = slash == std::string::npos ? key : key.substr(slash + 1);
    if (veskaro::inf::EqualsIgnoreCase(entry, wanted)) {
      form.Combo2.set_list_index(i);
      return true;
    }
  }
  for (int i = 0; i < form.Combo2.count(); ++i) {
    if (form.Combo2.row(i) == wanted) {
      form.Combo2.set_list_index(i);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  veskaro::platform::InstallationOptions options;
  bool answer_yes = false;
  std::vector<std::string> args;
  std::string copy_to;
  bool have_copy_to = false;
  bool json = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      Write(kHelp);
      return 0;
    } else if (arg == "--version") {
      Write("veskaro-cli " VESKARO_VERSION "\n");
      return 0;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--root" || arg == "--image" || arg == "--partition" || arg == "--registry" ||
               arg == "--windir" || arg == "--answer" || arg == "--copy-to" || arg == "--to") {
      const auto v = value();
      if (!v) return Usage(arg + " needs a value");
      if (arg == "--root") options.root = *v;
      if (arg == "--image") options.image = *v;
      if (arg == "--partition") {
        char* end = nullptr;
        const long number = std::strtol(v->c_str(), &end, 10);
        if (v->empty() || *end != '\0' || number < 1 || number > 255) {
          return Usage("--partition takes a partition number (1-4 primary, 5 and up logical)");
        }
        options.partition = static_cast<int>(number);
      }
      if (arg == "--registry") options.registry_file = *v;
      if (arg == "--windir") options.windir = *v;
      if (arg == "--answer") {
        if (*v != "yes" && *v != "no") return Usage("--answer takes yes or no");
        answer_yes = *v == "yes";
      }
      if (arg == "--copy-to" || arg == "--to") {
        copy_to = *v;
        have_copy_to = true;
      }
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      return Usage("unknown option " + arg);
    } else {
      args.push_back(arg);
    }
  }
  if (args.empty()) return Usage("no command given");
  const std::string command = args[0];
  const std::size_t wanted_args = command == "classes"   ? 1
                                  : command == "entries" ? 2
                                  : command == "files"   ? 3
                                  : command == "gather"  ? 1
                                  : command == "copy"    ? 3
                                  : command == "report"  ? 1
                                                         : 0;
  if (wanted_args == 0) return Usage("unknown command " + command);
  if (args.size() != wanted_args) return Usage("wrong number of arguments for " + command);
  if (have_copy_to && command != "gather" && command != "copy") {
    return Usage("--copy-to and --to go with gather and copy");
  }
  if (command == "copy" && !have_copy_to) return Usage("copy needs --to DIR");
  if (json && command != "report") return Usage("--json goes with report");
  if (!options.root.empty() && !options.image.empty()) {
    return Usage("--root and --image cannot be used together");
  }
  if (options.partition != 0 && options.image.empty()) return Usage("--partition goes with --image");
  if (options.root.empty() && options.image.empty()) options.root = VESKARO_DEFAULT_ROOT;

  std::string error;
  auto installation = veskaro::platform::OpenInstallation(options, &error);
  if (installation == nullptr) {
    std::fprintf(stderr, "veskaro-cli: %s\n", error.c_str());
    return kExitCannotOpen;
  }

  veskaro::cli::StderrMessageBoxes boxes(stderr, answer_yes);
  veskaro::platform::FixedFolderShell shell;
  veskaro::platform::NoProcesses processes;
  if (have_copy_to) {
    const auto folder = veskaro::platform::HostPathToWindowsPath(copy_to, options.codepage);
    if (!folder) {
      std::fprintf(stderr, "veskaro-cli: %s: %s\n", copy_to.c_str(), std::strerror(errno));
      return kExitUsage;
    }
    shell.folder = *folder;
  }
  veskaro::app::ProgramState program;
  Form1 form(veskaro::app::Services{*installation->registry, *installation->files,
                                    *installation->environment, boxes, shell, processes},
             program);
  form.Load();

  if (command == "classes") {
    WritePairs(form.Combo1, form.Combo3);
    return DoneStatus(form);
  }
  if (command == "report") {
    const veskaro::app::Report report = veskaro::app::CollectReport(form);
    Write(json ? veskaro::cli::ReportJson(report) : veskaro::cli::ReportText(report));
    return DoneStatus(form);
  }
  if (command == "gather") {
    if (isatty(fileno(stderr))) {
      // The batch knows its classes up front and each class's entries as it reaches
      // it, so the line counts classes and the entries analysed so far.
      boxes.set_clear_line(true);
      form.on_batch_progress = [](int done, int class_index, int class_count) {
        std::fprintf(stderr, "\rveskaro-cli: class %d of %d, %d entries analysed", class_index + 1,
                     class_count, done);
        std::fflush(stderr);
      };
    }
    form.Command1Click();
    if (form.on_batch_progress) std::fputs("\n", stderr);
    for (const auto& row : form.List5.rows()) Write(row + "\n");
    Write("--\n");
    WritePairs(form.List1, form.List2);
    Write("--\n");
    WriteCommentsText(form.Text1.text());
    if (have_copy_to) return Copy(form);
    return DoneStatus(form);
  }
  if (!ChooseClass(form, args[1])) {
    std::fprintf(stderr, "veskaro-cli: no class %s\n", args[1].c_str());
    return kExitNotFound;
  }
  if (command == "entries") {
    WritePairs(form.Combo2, form.Combo4);
    return DoneStatus(form);
  }
  if (!ChooseEntry(form, args[2])) {
    std::fprintf(stderr, "veskaro-cli: no entry %s in class %s\n", args[2].c_str(),
                 args[1].c_str());
    return kExitNotFound;
  }
  if (command == "files") {
    WritePairs(form.List1, form.List2);
    Write("--\n");
    WriteCommentsText(form.Text1.text());
    return DoneStatus(form);
  }
  return Copy(form);
}
