// Drives a running veskaro.exe from outside, as a user would, through its windows'
// messages, and checks what its native controls show for the sample installation.
// The phases run one at a time (--gtest_filter=Veskaro.<Phase>) so that the
// script around them (run-e2e.sh) can take screenshots in between; the program
// stays open from Start to Exit:
//   Start  start veskaro.exe with %windir% set to the sample's Windows folder,
//          check the start state, choose the Zentara entry, check its analysis,
//          the focus and the tab order
//   Viewer Enter on the INF row opens it in the word processor
//   About  open the About window, check it and the disabled main window; click its
//          two links, which open their targets (recorded, not opened, by the
//          handlers run-e2e.sh registers for http and mailto links)
//   Batch  close the About window, run "Gather Necessity" (answering its message
//          boxes), check the gathered rows
//   Picker click "Copy": the folder picker opens (and stays open)
//   Copy   cancel the picker; "Copy" again into an empty folder; "Copy" into a
//          folder on a full drive, where the question whether to go on is answered
//          Yes, then No
//   Exit   click "Exit" and check that the program ends
// Environment: VESKARO_EXE (Windows path of veskaro.exe, Start only),
// VESKARO_WINDIR (the sample's Windows folder, e.g. C:\W98) and VESKARO_LINKS (the
// file the link handlers append each opened target to, About only),
// VESKARO_COPY_TO (an empty folder, Copy only) and VESKARO_FULL_DRIVE (a folder on
// a drive too small for the gathered files; Copy leaves that part out without it),
// VESKARO_REMOTE_WRITE_OFFSET (Copy only; see PickFolder).
//
// List and combo box text is read with the W messages: Wine hands list text across
// processes as UTF-16 whatever the message asks for.
#include <windows.h>
// The shell header needs <windows.h> first.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "winapp/control_ids.h"

namespace veskaro::winapp {
namespace {

using Rows = std::vector<std::string>;

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kCommandTimeoutMs = 60000;
constexpr const char* kMainTitle = "Veskaro 1.0";
constexpr const char* kAboutTitle = "About Veskaro 1.0";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

/// The sample's paths as the program shows them: "C:\WINDOWS\" stands for the
/// Windows folder the program was given.
std::string Sample(const std::string& path) {
  const std::string prefix = "C:\\WINDOWS\\";
  if (path.rfind(prefix, 0) != 0) return path;
  return Env("VESKARO_WINDIR") + "\\" + path.substr(prefix.size());
}

Rows Sample(const Rows& rows) {
  Rows out;
  for (const auto& row : rows) out.push_back(Sample(row));
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string TextOf(HWND window) {
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return Narrow(text);
}

/// The rows of a list box (`combo` false) or a combo box's list.
Rows RowsOf(HWND window, bool combo) {
  const UINT count_message = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT length_message = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT text_message = combo ? CB_GETLBTEXT : LB_GETTEXT;
  Rows rows;
  const auto count = SendMessageW(window, count_message, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(window, length_message, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
    const auto got = SendMessageW(window, text_message, static_cast<WPARAM>(i),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    rows.push_back(Narrow(text));
  }
  return rows;
}

Rows ListRows(HWND list) { return RowsOf(list, false); }
Rows ComboRows(HWND combo) { return RowsOf(combo, true); }

HWND FindMain() { return FindWindowA(kForm1Class, kMainTitle); }
HWND FindAbout() { return FindWindowA(kForm2Class, kAboutTitle); }

HWND Main(const char* name) { return GetDlgItem(FindMain(), IdOf(kForm1Ids, name)); }

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

/// Tells the script around the test where a window stands, for its screenshot.
void ReportRect(const char* what, HWND window) {
  const RECT r = WindowRect(window);
  std::printf("@rect %s %ld %ld %ld %ld\n", what, r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
}

/// Ends the program the hard way, after a failure.
void EndProgram() {
  HWND window = FindMain();
  if (window == nullptr) return;
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, ProcessOf(window));
  if (process == nullptr) return;
  TerminateProcess(process, 3);
  CloseHandle(process);
}

struct Box {
  std::string title;
  std::string text;
};

struct BoxSearch {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK ConsiderBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  char class_name[64] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::string(class_name) == "#32770" && IsWindowVisible(window) &&
      ProcessOf(window) == search->pid) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM context) {
  char class_name[64] = {};
  GetClassNameA(child, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Static") == 0) {
    const std::string text = TextOf(child);
    if (!text.empty()) *reinterpret_cast<std::string*>(context) += text;
  }
  return TRUE;
}

/// The folder picker among the program's dialogs: the one with a tree view.
bool IsPicker(HWND dialog) {
  return FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr) != nullptr;
}

/// Chooses `folder` in the open folder picker and presses OK. The path is written
/// into the program's memory, where the picker reads its BFFM_SETSELECTION text.
/// When the program runs under qemu-user (the 32-bit program on a host without
/// 32-bit execution), Wine's server writes another process's memory at the host
/// address, which is the program's own address plus qemu's guest base:
/// VESKARO_REMOTE_WRITE_OFFSET (hexadecimal) names that base, added to the address
/// written to.
void PickFolder(HWND picker, const std::string& folder) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, ProcessOf(picker));
  ASSERT_NE(process, nullptr);
  void* remote =
      VirtualAllocEx(process, nullptr, folder.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  const auto offset = static_cast<std::uintptr_t>(
      std::strtoull(Env("VESKARO_REMOTE_WRITE_OFFSET").c_str(), nullptr, 16));
  void* written = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(remote) + offset);
  EXPECT_TRUE(WriteProcessMemory(process, written, folder.c_str(), folder.size() + 1, nullptr));
  SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote));
  PostMessageW(picker, WM_COMMAND, IDOK, 0);
  // The program has read the selection once the picker is gone.
  for (int i = 0; i < 500 && IsWindow(picker); ++i) Sleep(20);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

/// What the folder picker is given while a command runs: a folder to choose, or
/// nothing to cancel it.
struct PickerAnswer {
  std::string folder;
};

/// Runs `action` (messages sent to the program, returning once the program has
/// handled them) on a second thread, and meanwhile answers every message box the
/// program shows: OK, or for a Yes/No question the next of `yes_no` (No once they
/// are used up). A folder picker is answered with `picker`, and counts as a box
/// titled "(picker)". Returns the boxes in the order they came.
std::vector<Box> AnsweringBoxes(HWND main, const std::function<void()>& action,
                                std::vector<int> yes_no = {},
                                const PickerAnswer* picker = nullptr) {
  const DWORD pid = ProcessOf(main);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    action();
    done = true;
  });
  std::vector<Box> boxes;
  const DWORD start = GetTickCount();
  while (!done) {
    if (GetTickCount() - start > kCommandTimeoutMs) {
      ADD_FAILURE() << "the program did not finish the command";
      EndProgram();  // unblocks the worker's SendMessage
      break;
    }
    BoxSearch search{pid};
    EnumWindows(ConsiderBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
      Sleep(20);
      continue;
    }
    Box box;
    if (IsPicker(search.found)) {
      box.title = "(picker)";
      boxes.push_back(box);
      if (picker == nullptr) {
        ADD_FAILURE() << "a folder picker nobody expected";
        PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
      } else if (picker->folder.empty()) {
        PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
      } else {
        PickFolder(search.found, picker->folder);
      }
    } else {
      char title[256] = {};
      GetWindowTextA(search.found, title, sizeof title);
      box.title = title;
      EnumChildWindows(search.found, CollectStatic, reinterpret_cast<LPARAM>(&box.text));
      boxes.push_back(box);
      int answer = IDOK;
      if (GetDlgItem(search.found, IDYES) != nullptr) {
        answer = yes_no.empty() ? IDNO : yes_no.front();
        if (!yes_no.empty()) yes_no.erase(yes_no.begin());
      }
      PostMessageW(search.found, WM_COMMAND, answer, 0);
    }
    for (int i = 0; i < 250 && IsWindow(search.found); ++i) Sleep(20);
  }
  worker.join();
  return boxes;
}

std::vector<std::string> Texts(const std::vector<Box>& boxes) {
  std::vector<std::string> texts;
  for (const Box& box : boxes) {
    EXPECT_EQ(box.title, "Veskaro") << box.text;
    texts.push_back(box.text);
  }
  return texts;
}

/// Chooses row `row` of a combo box of the main window as a click in its list
/// does: the chosen index, then CBN_SELCHANGE to the window.
std::vector<Box> Choose(const char* combo_name, const std::string& row) {
  HWND main = FindMain();
  HWND combo = Main(combo_name);
  const Rows rows = ComboRows(combo);
  const auto at = std::find(rows.begin(), rows.end(), row);
  if (at == rows.end()) {
    ADD_FAILURE() << combo_name << " has no row " << row;
    return {};
  }
  const WPARAM index = static_cast<WPARAM>(at - rows.begin());
  return AnsweringBoxes(main, [&] {
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IdOf(kForm1Ids, combo_name), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  });
}

std::vector<Box> Click(HWND button) {
  HWND root = GetAncestor(button, GA_ROOT);
  return AnsweringBoxes(root, [&] { SendMessageW(button, BM_CLICK, 0, 0); });
}

/// A window's client size in twips, with the screen's DPI.
std::pair<int, int> ClientTwips(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return {MulDiv(client.right, 1440, dpi_x), MulDiv(client.bottom, 1440, dpi_y)};
}

/// The window that has the keyboard focus in `window`'s thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

/// The main window's control holding `window` (a combo box's parts included).
std::string ControlName(HWND window) {
  HWND main = FindMain();
  for (HWND h = window; h != nullptr && h != main; h = GetParent(h)) {
    for (const ControlId& entry : kForm1Ids) {
      if (GetDlgItem(main, entry.id) == h) return std::string(entry.name);
    }
  }
  return "(none)";
}

/// A key pressed and released as the keyboard would queue it for `window`.
void PostKey(HWND window, WPARAM key) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), 0)) << 16;
  PostMessageW(window, WM_KEYDOWN, key, scan | 1);
  PostMessageW(window, WM_KEYUP, key, scan | 1 | (3LL << 30));
}

/// Waits until `done` holds, up to `timeout_ms`.
bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms) {
  for (DWORD waited = 0; !done(); waited += 20) {
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
  return true;
}

struct TitleSearch {
  std::string part;
  DWORD not_pid;
  HWND found = nullptr;
};

BOOL CALLBACK ConsiderTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TitleSearch*>(context);
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && ProcessOf(window) != search->not_pid &&
      std::string(title).find(search->part) != std::string::npos) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

/// A visible top-level window of another process than `not_pid` whose title holds
/// `part`.
HWND FindTitled(const std::string& part, DWORD not_pid) {
  TitleSearch search{part, not_pid};
  EnumWindows(ConsiderTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

/// Windows' short alias of the sample's long INF name differs from the alias the
/// sample's registry names (Wine derives hashed aliases): the entry is pointed at
/// the alias this system gives the file, so that the short name is still resolved
/// through the file's alias.
void UseThisSystemsShortName() {
  const std::string long_path = Sample("C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF");
  char short_path[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(long_path.c_str(), short_path, MAX_PATH), 0u) << long_path;
  std::string alias = short_path;
  alias = alias.substr(alias.rfind('\\') + 1);
  ASSERT_NE(alias.find('~'), std::string::npos) << "no short alias for " << long_path;
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001",
                    0, KEY_SET_VALUE, &key),
      ERROR_SUCCESS);
  RegSetValueExA(key, "InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(alias.c_str()),
                 static_cast<DWORD>(alias.size() + 1));
  RegCloseKey(key);
}

const Rows kClasses = {
    "Default",
    "Fixed disk controllers",
    "Multimedia and game devices",
    "Network interface adapters",
    "Scanners and cameras",
    "Serial and parallel ports (COM & LPT)",
    "Video display adapters",
};

const Rows kZentaraRows = {
    "C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF",  "C:\\WINDOWS\\SYSTEM\\zenaud.sys",
    "C:\\WINDOWS\\SYSTEM\\zenwave.drv",       "C:\\WINDOWS\\SYSTEM\\zenmidi.drv",
    "C:\\WINDOWS\\SYSTEM\\VMM32\\zenaud.vxd", "C:\\WINDOWS\\SYSTEM\\zenmix.cpl",
    "C:\\WINDOWS\\SYSTEM\\zenold.drv",
};

const Rows kGathered = {
    "Garrow 56K Voice Modem",
    "Tandem-Ray UltraIDE Controller",
    "Halvorsen SoundStage 64 Wavetable",
    "Zentara Audio 16/32",
    "Brisa FastLink PCI Ethernet Adapter",
    "Quillon QN-16 ISA Ethernet Adapter",
    "Lumora ScanMate 600",
    "Pellucid ProView 2000",
};

class Veskaro : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure()) EndProgram();
  }
};

TEST_F(Veskaro, Start) {
  const std::string exe = Env("VESKARO_EXE");
  const std::string windir = Env("VESKARO_WINDIR");
  ASSERT_FALSE(exe.empty());
  ASSERT_FALSE(windir.empty());
  ASSERT_EQ(FindMain(), nullptr) << "a program from an earlier run is still open";
  UseThisSystemsShortName();

  // The program reads %windir%: it inherits the sample's Windows folder.
  SetEnvironmentVariableA("windir", windir.c_str());
  std::string command = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                             &startup, &process))
      << exe;
  CloseHandle(process.hThread);
  // The script around the test keeps the program's own calls from its debug log.
  std::printf("@pid veskaro %lu\n", process.dwProcessId);
  std::fflush(stdout);
  WaitForInputIdle(process.hProcess, kStartTimeoutMs);
  HWND main = nullptr;
  for (DWORD waited = 0; waited < kStartTimeoutMs; waited += 50) {
    main = FindMain();
    if (main != nullptr && IsWindowVisible(main)) break;
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
  }
  CloseHandle(process.hProcess);
  ASSERT_NE(main, nullptr) << "no window titled " << kMainTitle;
  ASSERT_TRUE(IsWindowVisible(main));

  // Start: the classes listed, nothing chosen; the window's client area.
  EXPECT_EQ(ClientTwips(main), std::make_pair(5130, 4290));
  EXPECT_EQ(ComboRows(Main("Combo1")), kClasses);
  EXPECT_EQ(SendMessageW(Main("Combo1"), CB_GETCURSEL, 0, 0), CB_ERR);
  const Rows hidden_classes = ComboRows(Main("Combo3"));
  ASSERT_EQ(hidden_classes.size(), kClasses.size());
  EXPECT_EQ(hidden_classes[0], "Default|||Modem");
  EXPECT_TRUE(ComboRows(Main("Combo2")).empty());
  EXPECT_TRUE(ListRows(Main("List1")).empty());
  EXPECT_EQ(TextOf(Main("Text1")), "");
  EXPECT_FALSE(IsWindowEnabled(Main("Text1")));
  for (const char* hidden : {"List2", "List3", "List4", "List5", "Combo3", "Combo4"}) {
    EXPECT_FALSE(IsWindowVisible(Main(hidden))) << hidden;
  }
  EXPECT_EQ(TextOf(Main("Command1")), "Gather Necessity");
  EXPECT_EQ(TextOf(Main("Label1")), "Driver Types");

  // A class, then an entry.
  EXPECT_TRUE(Texts(Choose("Combo1", "Multimedia and game devices")).empty());
  EXPECT_EQ(ComboRows(Main("Combo2")), (Rows{"Halvorsen SoundStage 64 Wavetable",
                                             "Ostrava Gameport Joystick", "Zentara Audio 16/32"}));
  EXPECT_EQ(ComboRows(Main("Combo4")).at(2), "Zentara Audio 16/32|||MEDIA\\0000");
  EXPECT_TRUE(Texts(Choose("Combo2", "Zentara Audio 16/32")).empty());
  EXPECT_EQ(ListRows(Main("List1")), Sample(kZentaraRows));
  const Rows companions = ListRows(Main("List2"));
  ASSERT_EQ(companions.size(), kZentaraRows.size());
  EXPECT_EQ(companions[0], Sample(kZentaraRows[0]) + "||Zentara Audio 16/32");
  EXPECT_EQ(TextOf(Main("Text1")),
            "Device driver should be backed up as it isn't installed with Windows.\r\n\r\n"
            "Total Files - 7");

  // The focus starts on the first control in tab order; Tab visits the visible,
  // enabled controls that take the focus, in tab-index order, and comes round.
  EXPECT_EQ(ControlName(FocusOf(main)), "Combo1");
  Rows visited;
  for (int i = 0; i < 7; ++i) {
    HWND from = FocusOf(main);
    PostKey(from, VK_TAB);
    WaitFor([&] { return FocusOf(main) != from; }, 2000);
    visited.push_back(ControlName(FocusOf(main)));
  }
  EXPECT_EQ(visited,
            (Rows{"Combo2", "About", "CopyTo", "ExitButton", "List1", "Command1", "Combo1"}));
  ReportRect("main", main);
}

TEST_F(Veskaro, Viewer) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  const DWORD pid = ProcessOf(main);
  // The INF row chosen, then Enter on the list: the word processor opens the INF.
  HWND list = Main("List1");
  AnsweringBoxes(main, [&] {
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IdOf(kForm1Ids, "List1"), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  });
  PostKey(list, VK_RETURN);
  HWND viewer = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (viewer = FindTitled("ZENAUDIO.INF", pid)) != nullptr; }, 20000))
      << "no word processor window with the INF";
  // The program goes on as before: its timer tick has run the key script by the
  // time it answers again.
  Sleep(1500);
  EXPECT_TRUE(AnsweringBoxes(main, [&] { SendMessageW(main, WM_NULL, 0, 0); }).empty());
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ListRows(list).size(), kZentaraRows.size());
  if (viewer != nullptr) {
    DWORD viewer_pid = 0;
    GetWindowThreadProcessId(viewer, &viewer_pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, viewer_pid);
    if (process != nullptr) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
}

TEST_F(Veskaro, About) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(Click(Main("About")).empty());
  HWND about = FindAbout();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_FALSE(IsWindowEnabled(main)) << "the main window stays usable";
  EXPECT_EQ(ClientTwips(about), std::make_pair(3090, 1890));
  // Centred over the main window, to the pixel.
  const RECT m = WindowRect(main), a = WindowRect(about);
  EXPECT_LE(std::abs((m.left + m.right) - (a.left + a.right)), 2);
  EXPECT_LE(std::abs((m.top + m.bottom) - (a.top + a.bottom)), 2);
  // In front of the main window.
  auto about_in_front = [&] {
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == about || w == main) return w == about;
    }
    return false;
  };
  EXPECT_TRUE(about_in_front());
  // Raised over the About window, the main window repaints, and its paint handler
  // brings the About window back in front.
  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitFor(about_in_front, 3000)) << "the About window stays behind";
  auto label = [&](const char* name) { return TextOf(GetDlgItem(about, IdOf(kForm2Ids, name))); };
  EXPECT_EQ(label("Label3"), "Veskaro 1.0");
  EXPECT_EQ(label("Label4"), "Developed by");
  EXPECT_EQ(label("Command1"), "OK");

  // Each link opens its target through the shell; one at a time, as the
  // recorders append to one file.
  const std::string links = Env("VESKARO_LINKS");
  ASSERT_FALSE(links.empty());
  DeleteFileA(links.c_str());
  auto opened = [&] {
    Rows rows;
    if (FILE* f = std::fopen(links.c_str(), "r")) {
      char line[512];
      while (std::fgets(line, sizeof line, f) != nullptr) {
        std::string row = line;
        while (!row.empty() && std::isspace(static_cast<unsigned char>(row.back()))) row.pop_back();
        if (!row.empty()) rows.push_back(row);
      }
      std::fclose(f);
    }
    return rows;
  };
  Rows expected;
  for (const auto& [name, target] :
       {std::pair<const char*, const char*>{"Label5",
                                            "http://www.veskaro.example.org/computers/webmaster/"},
        {"Label2", "mailto:team@veskaro.example.org"}}) {
    HWND link = GetDlgItem(about, IdOf(kForm2Ids, name));
    EXPECT_TRUE(AnsweringBoxes(about, [&] {
                  SendMessageW(about, WM_COMMAND, MAKEWPARAM(IdOf(kForm2Ids, name), STN_CLICKED),
                               reinterpret_cast<LPARAM>(link));
                }).empty());
    expected.push_back(target);
    EXPECT_TRUE(WaitFor([&] { return opened() == expected; }, 20000))
        << name << " opened: " << ::testing::PrintToString(opened());
  }
  EXPECT_TRUE(IsWindow(about));
  ReportRect("about", about);
}

TEST_F(Veskaro, Batch) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  if (HWND about = FindAbout()) {
    EXPECT_TRUE(Click(GetDlgItem(about, IdOf(kForm2Ids, "Command1"))).empty());
    EXPECT_FALSE(IsWindow(about));
  }
  EXPECT_TRUE(IsWindowEnabled(main));

  EXPECT_EQ(Texts(Click(Main("Command1"))),
            (Rows{"Unrecognized File Destination Number 99", "Couldnt Locate INF File"}));
  const Rows rows = ListRows(Main("List1"));
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows.front(), Sample("C:\\WINDOWS\\INF\\OTHER\\GARROW56.INF"));
  EXPECT_EQ(rows[4], Sample("C:\\WINDOWS\\HELP\\grwhelp.hlp"));
  EXPECT_EQ(rows[5], "C:\\garrow.txt");
  EXPECT_EQ(rows[7], Sample("C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF"));
  EXPECT_EQ(rows.back(), Sample("C:\\WINDOWS\\INF\\PELMON.INF"));
  EXPECT_EQ(ListRows(Main("List2")).size(), 40u);
  EXPECT_EQ(ListRows(Main("List5")), kGathered);
  EXPECT_TRUE(IsWindowVisible(Main("List5")));
  EXPECT_EQ(TextOf(Main("Text1")),
            "Drivers files for devices not installed with Windows have been compiled. Press the "
            "'Copy' button to save all these entries.\r\n\r\nTotal Files - 40");
  EXPECT_EQ(SendMessageW(Main("Combo1"), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(ComboRows(Main("Combo2")).empty());
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_TRUE(IsWindowEnabled(Main("Command1")));
  ReportRect("main", main);
}

/// Whether `path` (a Windows path) names an existing file.
bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

/// The entries of folder `path` other than "." and "..".
Rows FolderEntries(const std::string& path) {
  Rows entries;
  WIN32_FIND_DATAA found{};
  const std::string pattern = path + (path.back() == '\\' ? "*" : "\\*");
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") entries.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

HWND FindPicker(DWORD pid) {
  BoxSearch search{pid};
  EnumWindows(ConsiderBox, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr && IsPicker(search.found) ? search.found : nullptr;
}

TEST_F(Veskaro, Picker) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  // "Copy" opens the folder picker, which stays open for the screenshot; the next
  // phase answers it.
  PostMessageW(Main("CopyTo"), BM_CLICK, 0, 0);
  HWND picker = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (picker = FindPicker(ProcessOf(main))) != nullptr; }, 10000))
      << "no folder picker";
  EXPECT_FALSE(IsWindowEnabled(main));
  ReportRect("picker", picker);
}

TEST_F(Veskaro, Copy) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  const std::string target = Env("VESKARO_COPY_TO");
  ASSERT_FALSE(target.empty());

  // Cancelled, the picker leaves the program as it was and nothing is copied.
  HWND picker = FindPicker(ProcessOf(main));
  ASSERT_NE(picker, nullptr) << "the folder picker of the last phase is gone";
  PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(picker) && IsWindowEnabled(main); }, 10000));
  EXPECT_TRUE(AnsweringBoxes(main, [&] { SendMessageW(main, WM_NULL, 0, 0); }).empty());
  EXPECT_TRUE(FolderEntries(target).empty());

  // A folder chosen: every gathered file in its driver's folder there.
  const PickerAnswer choose{target};
  std::vector<Box> boxes = AnsweringBoxes(
      main, [&] { SendMessageW(Main("CopyTo"), BM_CLICK, 0, 0); }, {}, &choose);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, "(picker)");
  EXPECT_EQ(boxes[1].title, "Copying Files");
  EXPECT_EQ(boxes[1].text, "Files Copied Successfully");
  Rows folders = FolderEntries(target);
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (Rows{"Brisa FastLink PCI Ethernet Adapter", "Garrow 56K Voice Modem",
                           "Halvorsen SoundStage 64 Wavetable", "Lumora ScanMate 600",
                           "Pellucid ProView 2000", "Tandem-Ray UltraIDE Controller",
                           "Zentara Audio 16_32"}));
  EXPECT_TRUE(FileExists(target + "\\Zentara Audio 16_32\\zenaud.sys"));
  EXPECT_TRUE(FileExists(target + "\\Halvorsen SoundStage 64 Wavetable\\hvsnd.inf"));

  // A folder on a full drive: the question whether to go on, answered Yes and
  // then No.
  const std::string full = Env("VESKARO_FULL_DRIVE");
  if (full.empty()) {
    std::printf("Copy: no full drive to copy to (making one needs root); that part is left out\n");
    return;
  }
  const PickerAnswer choose_full{full};
  boxes = AnsweringBoxes(
      main, [&] { SendMessageW(Main("CopyTo"), BM_CLICK, 0, 0); }, {IDYES, IDNO}, &choose_full);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].title, "(picker)");
  for (std::size_t i = 1; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].title, "Veskaro");
    EXPECT_EQ(boxes[i].text,
              "The destination drive is full.\r\nDo you wish to continue copying the files?");
  }
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Veskaro, Exit) {
  HWND main = FindMain();
  ASSERT_NE(main, nullptr);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(main));
  ASSERT_NE(process, nullptr);
  EXPECT_TRUE(Click(Main("ExitButton")).empty());
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "the program did not end";
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process);
}

}  // namespace
}  // namespace veskaro::winapp
