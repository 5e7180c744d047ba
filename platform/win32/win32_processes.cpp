#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/key_string.h"

namespace veskaro::platform {
namespace {

struct WindowSearch {
  std::string_view wanted;
  HWND best = nullptr;
  int best_rank = 3;
};

BOOL CALLBACK ConsiderWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  char title[512];
  int length = GetWindowTextA(window, title, sizeof title);
  int rank = TitleMatchRank(std::string_view(title, length > 0 ? length : 0), search->wanted);
  if (rank >= 0 && rank < search->best_rank) {
    search->best = window;
    search->best_rank = rank;
  }
  return search->best_rank == 0 ? FALSE : TRUE;  // an exact match ends the search
}

WORD ShowState(WindowStyle style) {
  switch (style) {
    case WindowStyle::kNormalFocus:
      return SW_SHOWNORMAL;
    case WindowStyle::kMaximizedFocus:
      return SW_SHOWMAXIMIZED;
    case WindowStyle::kMinimizedFocus:
      return SW_SHOWMINIMIZED;
    case WindowStyle::kHidden:
      return SW_HIDE;
  }
  return SW_SHOWNORMAL;
}

// The virtual key of a named key, and whether it is one of the extended keys
// (those of the separate cursor and editing blocks).
BYTE VirtualKey(NamedKey key, bool* extended) {
  *extended = false;
  switch (key) {
    case NamedKey::kEnter:
      return VK_RETURN;
    case NamedKey::kEscape:
      return VK_ESCAPE;
    case NamedKey::kTab:
      return VK_TAB;
    case NamedKey::kBackspace:
      return VK_BACK;
    case NamedKey::kBreak:
      return VK_CANCEL;
    case NamedKey::kCapsLock:
      return VK_CAPITAL;
    case NamedKey::kNumLock:
      return VK_NUMLOCK;
    case NamedKey::kScrollLock:
      return VK_SCROLL;
    case NamedKey::kPrintScreen:
      return VK_SNAPSHOT;
    case NamedKey::kHelp:
      return VK_HELP;
    default:
      break;
  }
  *extended = true;
  switch (key) {
    case NamedKey::kDelete:
      return VK_DELETE;
    case NamedKey::kInsert:
      return VK_INSERT;
    case NamedKey::kHome:
      return VK_HOME;
    case NamedKey::kEnd:
      return VK_END;
    case NamedKey::kPageUp:
      return VK_PRIOR;
    case NamedKey::kPageDown:
      return VK_NEXT;
    case NamedKey::kUp:
      return VK_UP;
    case NamedKey::kDown:
      return VK_DOWN;
    case NamedKey::kLeft:
      return VK_LEFT;
    case NamedKey::kRight:
      return VK_RIGHT;
    default:
      break;
  }
  *extended = false;
  return static_cast<BYTE>(VK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::kF1)));
}

void Key(BYTE vk, bool up, bool extended = false) {
  DWORD flags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), flags, 0);
}

void Press(BYTE vk, bool shift, bool ctrl, bool alt, bool extended) {
  if (shift) Key(VK_SHIFT, false);
  if (ctrl) Key(VK_CONTROL, false);
  if (alt) Key(VK_MENU, false);
  Key(vk, false, extended);
  Key(vk, true, extended);
  if (alt) Key(VK_MENU, true);
  if (ctrl) Key(VK_CONTROL, true);
  if (shift) Key(VK_SHIFT, true);
}

// Alt held while the character's code (with a leading 0: the ANSI code page) is
// typed on the numeric keypad.
void TypeByCode(unsigned char character) {
  Key(VK_MENU, false);
  const int digits[] = {0, character / 100, character / 10 % 10, character % 10};
  for (int digit : digits) {
    Key(static_cast<BYTE>(VK_NUMPAD0 + digit), false);
    Key(static_cast<BYTE>(VK_NUMPAD0 + digit), true);
  }
  Key(VK_MENU, true);
}

void Send(const KeyStroke& stroke) {
  bool shift = stroke.shift, ctrl = stroke.ctrl, alt = stroke.alt;
  bool extended = false;
  BYTE vk = 0;
  if (stroke.key != NamedKey::kNone) {
    vk = VirtualKey(stroke.key, &extended);
  } else {
    SHORT scan = VkKeyScanA(stroke.character);
    if (LOBYTE(scan) == 0xFF && HIBYTE(scan) == 0xFF) {
      TypeByCode(static_cast<unsigned char>(stroke.character));
      return;
    }
    vk = LOBYTE(scan);
    shift = shift || (HIBYTE(scan) & 1) != 0;
    ctrl = ctrl || (HIBYTE(scan) & 2) != 0;
    alt = alt || (HIBYTE(scan) & 4) != 0;
  }
  Press(vk, shift, ctrl, alt, extended);
}

}  // namespace

int TitleMatchRank(std::string_view title, std::string_view wanted) {
  if (wanted.empty() || title.size() < wanted.size()) return -1;
  if (EqualsIgnoreCase1252(title, wanted)) return 0;
  if (EqualsIgnoreCase1252(title.substr(0, wanted.size()), wanted)) return 1;
  if (EqualsIgnoreCase1252(title.substr(title.size() - wanted.size()), wanted)) return 2;
  return -1;
}

bool Win32Processes::StartProgram(std::string_view command_line, WindowStyle style) {
  std::string command(command_line);  // CreateProcessA may write into its buffer
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowState(style);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Win32Processes::ActivateWindow(std::string_view title) {
  for (int look = 0;; ++look) {
    WindowSearch search{title};
    EnumWindows(ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    if (search.best != nullptr) {
      if (IsIconic(search.best)) ShowWindow(search.best, SW_RESTORE);
      return SetForegroundWindow(search.best) != 0;
    }
    if (look >= retry_.retries) return false;
    Sleep(retry_.interval_ms);
  }
}

bool Win32Processes::SendKeys(std::string_view keys) {
  std::optional<std::vector<KeyStroke>> strokes = ParseKeyString(keys);
  if (!strokes) return false;
  for (const KeyStroke& stroke : *strokes) Send(stroke);
  return true;
}

}  // namespace veskaro::platform
