// veskaro.exe: the driver backup program on the running Windows system. It reads
// the system's own registry and the Windows folder named by %windir%, and takes no
// command line.
#include <windows.h>
// The common controls header needs <windows.h> first.
#include <commctrl.h>

#include "app/form1.h"
#include "app/services.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "winapp/form1_window.h"
#include "winapp/metrics.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  using namespace veskaro;
  InitCommonControls();  // the tool tip class

  platform::Win32Registry registry;
  platform::Win32FileSystem files;
  platform::Win32Environment environment;
  platform::Win32MessageBoxes boxes;
  platform::Win32Shell shell;
  platform::Win32Processes processes;
  app::Services services{registry, files, environment, boxes, shell, processes};
  app::ProgramState program;
  app::Form1 form(services, program);

  const winapp::Metrics metrics = winapp::Metrics::OfScreen();
  const winapp::Fonts fonts(metrics);
  winapp::Form1Window window(form, instance, show_command, metrics, fonts);
  if (window.hwnd() == nullptr) return 1;
  // Message boxes and the folder picker are modal to the main window.
  boxes.set_owner(window.hwnd());
  shell.set_owner(window.hwnd());

  form.Load();  // shows the window when it is done
  return window.Run();
}
