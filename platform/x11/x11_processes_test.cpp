#include "platform/x11/x11_processes.h"

#include <gtest/gtest.h>

namespace veskaro::platform {
namespace {

// Records what would have been started or opened.
class FakeLauncher : public HostLauncher {
 public:
  QString FindExecutable(const QString& name) override {
    return name == "wine" && have_wine ? "/usr/bin/wine" : QString();
  }
  bool StartDetached(const QString& program, const QStringList& arguments) override {
    started.push_back(program + " " + arguments.join('|'));
    return start_works;
  }
  bool OpenWithDefaultViewer(const QString& host_path) override {
    viewed.push_back(host_path);
    return true;
  }
  bool WinePrefixReady() override { return true; }
  bool have_wine = true;
  bool start_works = true;
  std::vector<QString> started;
  std::vector<QString> viewed;
};

struct Fixture {
  Fixture() {
    auto owned = std::make_unique<FakeLauncher>();
    launcher = owned.get();
    processes = std::make_unique<X11Processes>(
        [this](std::string_view windows_path) {
          asked.emplace_back(windows_path);
          return windows_path == "C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF"
                     ? std::string("/srv/win98/WINDOWS/INF/OTHER/Halvorsen AudioHVSND.INF")
                     : std::string();
        },
        std::move(owned), ":none", 0);
  }
  FakeLauncher* launcher;
  std::vector<std::string> asked;
  std::unique_ptr<X11Processes> processes;
};

constexpr const char* kCommand = "write.exe C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF";

TEST(X11ProcessesTest, WriteRunsUnderWineWithTheHostPathOnDriveZ) {
  Fixture f;
  EXPECT_TRUE(f.processes->StartProgram(kCommand, WindowStyle::kMaximizedFocus));
  ASSERT_EQ(f.launcher->started.size(), 1u);
  // The whole rest of the command line, blanks included, is the one path argument.
  EXPECT_EQ(f.launcher->started[0],
            "/usr/bin/wine start|/max|write.exe|Z:\\srv\\win98\\WINDOWS\\INF\\OTHER\\Halvorsen "
            "AudioHVSND.INF");
  EXPECT_TRUE(f.launcher->viewed.empty());

  EXPECT_TRUE(f.processes->StartProgram(kCommand, WindowStyle::kNormalFocus));
  EXPECT_EQ(f.launcher->started[1],
            "/usr/bin/wine start|write.exe|Z:\\srv\\win98\\WINDOWS\\INF\\OTHER\\Halvorsen "
            "AudioHVSND.INF");
}

TEST(X11ProcessesTest, WithoutWineTheFileOpensInTheDefaultViewerAndTheStartFails) {
  Fixture f;
  f.launcher->have_wine = false;
  EXPECT_FALSE(f.processes->StartProgram(kCommand, WindowStyle::kMaximizedFocus));
  EXPECT_TRUE(f.launcher->started.empty());
  ASSERT_EQ(f.launcher->viewed.size(), 1u);
  EXPECT_EQ(f.launcher->viewed[0], "/srv/win98/WINDOWS/INF/OTHER/Halvorsen AudioHVSND.INF");

  f.launcher->have_wine = true;  // Wine present but failing to start: same fallback
  f.launcher->start_works = false;
  EXPECT_FALSE(f.processes->StartProgram(kCommand, WindowStyle::kMaximizedFocus));
  EXPECT_EQ(f.launcher->viewed.size(), 2u);
}

TEST(X11ProcessesTest, UnknownFilesAndNonWindowsProgramsStartNothing) {
  Fixture f;
  EXPECT_FALSE(f.processes->StartProgram("write.exe C:\\NOPE.INF", WindowStyle::kMaximizedFocus));
  EXPECT_FALSE(f.processes->StartProgram("sh -c reboot", WindowStyle::kNormalFocus));
  EXPECT_TRUE(f.launcher->started.empty());
  EXPECT_TRUE(f.launcher->viewed.empty());
  EXPECT_EQ(f.asked, std::vector<std::string>{"C:\\NOPE.INF"});
}

TEST(X11ProcessesTest, WindowsAndKeysFailWithoutADisplay) {
  Fixture f;  // display ":none" cannot be opened
  EXPECT_FALSE(f.processes->ActivateWindow("Wordpad"));
  EXPECT_FALSE(f.processes->SendKeys("^f"));
}

}  // namespace
}  // namespace veskaro::platform
