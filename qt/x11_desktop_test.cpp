// Activating a window by its title and typing into it on a real X server (run
// under a private Xvfb by the test's launcher).
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <future>

#include "platform/x11/x11_processes.h"

namespace veskaro::qt {

class X11DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void activatesAWindowByTitleAndTypesIntoIt();
  void aStartedProgramIsGivenTimeToOpenItsWindow();
  void theFirstStartWaitsWhileWineCreatesItsPrefix();

 private:
  // Runs `call` on another thread while this one keeps handling the window's events,
  // as the word processor, a separate program, would: typing waits for the window's
  // answer to a ping before it takes back the keys it bound.
  template <typename Call>
  static bool OffThread(Call call) {
    auto result = std::async(std::launch::async, call);
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
      QTest::qWait(5);
    }
    return result.get();
  }

  static std::unique_ptr<QLineEdit> Editor(const QString& title, int x) {
    auto editor = std::make_unique<QLineEdit>();
    editor->setWindowTitle(title);
    editor->setGeometry(x, 40, 300, 40);
    editor->show();
    return editor;
  }
};

void X11DesktopTest::activatesAWindowByTitleAndTypesIntoIt() {
  if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X11 display");
  auto wordpad = Editor("Test Wordpad", 20);
  auto other = Editor("Other Editor", 360);
  QVERIFY(QTest::qWaitForWindowExposed(wordpad.get()));
  QVERIFY(QTest::qWaitForWindowExposed(other.get()));

  platform::X11Processes processes([](std::string_view) { return std::string(); });
  QVERIFY(!processes.ActivateWindow("Notepad"));
  QVERIFY(processes.ActivateWindow("Other Editor"));
  QTRY_VERIFY(other->isActiveWindow());

  // "Wordpad" names the window whose title ends with it, whatever the letter case.
  QVERIFY(processes.ActivateWindow("wordpad"));
  QTRY_VERIFY(wordpad->isActiveWindow());
  QVERIFY(OffThread([&] { return processes.SendKeys("x[Setup.Install]"); }));
  QTRY_COMPARE(wordpad->text(), QString("x[Setup.Install]"));
  // Ctrl (select all, so that the next text replaces it), Shift, a named key, and
  // code page 1252 characters the keyboard layout lacks.
  QVERIFY(OffThread([&] { return processes.SendKeys("^a"); }));
  QVERIFY(OffThread([&] { return processes.SendKeys("+ab{HOME}{{}caf\xE9 \x80 "); }));
  QTRY_COMPARE(wordpad->text(), QString::fromUtf8("{café € Ab"));
  QCOMPARE(other->text(), QString());
  QVERIFY(!processes.SendKeys("{NOSUCHKEY}"));
}

// A program that takes a while to open its window, as one run under Wine does.
class SlowLauncher : public platform::HostLauncher {
 public:
  explicit SlowLauncher(bool prefix_ready = true) : prefix_ready_(prefix_ready) {}
  QString FindExecutable(const QString&) override { return "/usr/bin/wine"; }
  bool StartDetached(const QString&, const QStringList&) override { return true; }
  bool OpenWithDefaultViewer(const QString&) override { return false; }
  bool WinePrefixReady() override { return prefix_ready_; }

 private:
  bool prefix_ready_;
};

void X11DesktopTest::aStartedProgramIsGivenTimeToOpenItsWindow() {
  if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X11 display");
  platform::X11Processes processes([](std::string_view) { return std::string("/tmp/X.INF"); },
                                   std::make_unique<SlowLauncher>());
  processes.set_window_wait(std::chrono::seconds(10), std::chrono::milliseconds(1500),
                            std::chrono::milliseconds(400));
  // Without a start there is no waiting.
  QVERIFY(!processes.ActivateWindow("Late Wordpad"));

  QVERIFY(processes.StartProgram("write.exe C:\\X.INF", platform::WindowStyle::kMaximizedFocus));
  std::unique_ptr<QLineEdit> late;
  QElapsedTimer clock;
  qint64 shown_at = 0;
  QTimer::singleShot(300, [&] {
    shown_at = clock.elapsed();  // the window is on screen no earlier than show()
    late = Editor("X.INF - Late Wordpad", 40);
  });
  clock.start();
  QVERIFY(OffThread([&] { return processes.ActivateWindow("Wordpad"); }));
  QVERIFY(late != nullptr);
  // It is activated once it has been on screen for the settling time.
  QVERIFY(clock.elapsed() - shown_at >= 400);
  QTRY_VERIFY(late->isActiveWindow());
}

void X11DesktopTest::theFirstStartWaitsWhileWineCreatesItsPrefix() {
  if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X11 display");
  // The window comes 1.5 s after the start; a call waits 0.3 s at most, unless the
  // start found no Wine prefix.
  for (const bool prefix_ready : {true, false}) {
    platform::X11Processes processes([](std::string_view) { return std::string("/tmp/X.INF"); },
                                     std::make_unique<SlowLauncher>(prefix_ready));
    processes.set_window_wait(std::chrono::milliseconds(500), std::chrono::milliseconds(300),
                              std::chrono::milliseconds(200));
    processes.set_first_use_wait(std::chrono::seconds(20));
    QVERIFY(processes.StartProgram("write.exe C:\\X.INF", platform::WindowStyle::kMaximizedFocus));
    std::unique_ptr<QLineEdit> late;
    QTimer::singleShot(1500, [&] { late = Editor("X.INF - First Wordpad", 40); });
    const bool activated = OffThread([&] { return processes.ActivateWindow("Wordpad"); });
    QCOMPARE(activated, !prefix_ready);
    if (activated) QTRY_VERIFY(late->isActiveWindow());
    QTRY_VERIFY(late != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(late.get()));
    // Once the window was seen, the usual short waits apply again.
    QVERIFY(OffThread([&] { return processes.ActivateWindow("Wordpad"); }));
  }
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::X11DesktopTest)
#include "x11_desktop_test.moc"
