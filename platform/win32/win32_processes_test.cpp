#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace veskaro::platform {
namespace {

TEST(Win32ProcessesTest, TitlesMatchExactlyThenByBeginningThenByEnd) {
  EXPECT_EQ(TitleMatchRank("WordPad", "Wordpad"), 0);
  EXPECT_EQ(TitleMatchRank("WORDPAD - readme.txt", "Wordpad"), 1);
  EXPECT_EQ(TitleMatchRank("setup.inf - Wine Wordpad", "Wordpad"), 2);
  EXPECT_EQ(TitleMatchRank("Document - WordPad", "Wordpad"), 2);
  EXPECT_EQ(TitleMatchRank("My Wordpad notes", "Wordpad"), -1);
  EXPECT_EQ(TitleMatchRank("Pad", "Wordpad"), -1);
  EXPECT_EQ(TitleMatchRank("Anything", ""), -1);
  EXPECT_EQ(TitleMatchRank("\xC9"
                           "CRIT",
                           "\xE9"
                           "crit"),
            0);  // code page 1252 letters
}

TEST(Win32ProcessesTest, StartReportsWhetherTheProgramStarted) {
  Win32Processes processes;
  EXPECT_TRUE(processes.StartProgram("cmd.exe /c exit", WindowStyle::kHidden));
  EXPECT_FALSE(processes.StartProgram("no-such-program-here.exe x", WindowStyle::kMaximizedFocus));
  EXPECT_FALSE(processes.SendKeys("{NOSUCHKEY}"));
}

// A top-level window "<document> - Wine Wordpad" with a multi-line edit control,
// opened late by its own thread, as a word processor started a moment ago.
class LateWindow {
 public:
  explicit LateWindow(DWORD delay_ms) {
    thread_ = std::thread([this, delay_ms] { Run(delay_ms); });
  }
  ~LateWindow() {
    while (thread_id_ == 0) Sleep(10);
    PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND frame() const { return frame_; }
  // The edit control's text once it equals `expected`, or what it holds after 3 s.
  std::string WaitForText(const std::string& expected) {
    std::string text;
    for (int i = 0; i < 300 && text != expected; ++i) {
      char buffer[256] = {};
      if (edit_ != nullptr) SendMessageA(edit_, WM_GETTEXT, sizeof buffer, LPARAM(buffer));
      text = buffer;
      if (text != expected) Sleep(10);
    }
    return text;
  }

 private:
  void Run(DWORD delay_ms) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
    thread_id_ = GetCurrentThreadId();
    Sleep(delay_ms);
    WNDCLASSA frame_class{};
    frame_class.lpfnWndProc = FrameProcedure;
    frame_class.lpszClassName = "VeskaroTestFrame";
    RegisterClassA(&frame_class);
    frame_ = CreateWindowExA(0, "VeskaroTestFrame", "setup.inf - Wine Wordpad", WS_OVERLAPPEDWINDOW,
                             0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0,
                            0, 380, 250, frame_, nullptr, nullptr, nullptr);
    ShowWindow(frame_, SW_SHOWNORMAL);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    DestroyWindow(frame_);
  }

  // The frame hands the focus to its edit control, as a word processor does.
  static LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_SETFOCUS && GetWindow(window, GW_CHILD) != nullptr) {
      SetFocus(GetWindow(window, GW_CHILD));
      return 0;
    }
    return DefWindowProcA(window, message, w, l);
  }

  std::thread thread_;
  std::atomic<DWORD> thread_id_{0};
  std::atomic<HWND> frame_{nullptr};
  std::atomic<HWND> edit_{nullptr};
};

TEST(Win32ProcessesTest, ActivationWaitsForALateWindowAndKeysReachIt) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display for Wine's windows";
  Win32Processes processes;
  EXPECT_FALSE(Win32Processes({/*retries=*/2, /*interval_ms=*/10}).ActivateWindow("Wordpad"));

  LateWindow window(/*delay_ms=*/400);  // later than the viewer's 200 ms tick
  ASSERT_TRUE(processes.ActivateWindow("Wordpad"));
  EXPECT_EQ(GetForegroundWindow(), window.frame());

  // Wine with Xvfb has no key for "(" and ")" (VkKeyScanA finds none), so they
  // are left out here.
  ASSERT_TRUE(processes.SendKeys("Ab{+}{^}x{%}[s]{{}{}}~+z{LEFT}{BS}"));
  EXPECT_EQ(window.WaitForText("Ab+^x%[s]{}Z"), "Ab+^x%[s]{}Z");
}

}  // namespace
}  // namespace veskaro::platform
