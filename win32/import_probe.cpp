// A program that reaches every function of the Win32 platform, so that the import
// check of the 32-bit build sees every DLL function the platform can call. Started
// without arguments it only reads: the environment and the registry.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"

using namespace veskaro::platform;

int main(int argc, char** argv) {
  Win32Environment environment;
  Win32Registry registry;
  std::string windir = environment.Get("windir");
  RegKey key = 0;
  registry.RegOpenKeyA(kHKeyLocalMachine, "System\\CurrentControlSet\\Services\\Class\\", &key);
  char name[256];
  long status = registry.RegEnumKeyA(key, 0, name, sizeof name);
  std::uint32_t type = 0, size = 0;
  registry.RegQueryValueExA(key, "", &type, nullptr, &size);
  registry.RegCloseKey(key);

  // The rest acts on the system; it runs only when asked for with arguments:
  //   probe <folder> <source file> <title to activate> <keys>
  if (argc == 5) {
    Win32FileSystem files;
    Win32MessageBoxes boxes;
    Win32Shell shell;
    Win32Processes processes;
    std::string folder = argv[1];
    if (files.FindFirst(folder, SearchKind::kDirectory).empty()) files.MakeDirectory(folder);
    files.CopyFile(argv[2], folder + "\\probe.tmp");
    std::string error;
    std::unique_ptr<ByteSource> source = files.OpenRead(argv[2], &error);
    char buffer[64];
    if (source) source->Read(buffer, sizeof buffer, &error);
    files.FindFirst(argv[2], SearchKind::kNormal);
    std::string chosen = shell.BrowseForFolder("Probe");
    shell.OpenLink(chosen);
    processes.StartProgram("write.exe", WindowStyle::kMaximizedFocus);
    if (processes.ActivateWindow(argv[3])) processes.SendKeys(argv[4]);
    boxes.Show(windir, "Probe", MsgIcon::kInformation, MsgButtons::kYesNo);
  }
  std::printf("windir=%s first class key status=%ld\n", windir.c_str(), status);
  return 0;
}
