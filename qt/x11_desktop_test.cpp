// Activating a window by its title and typing into it on a real X server (run
// under a private Xvfb by the test's launcher).
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <future>

#include "platform/x11/x11_processes.h"

namespace veskaro::qt {

class X11DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void activatesAWindowByTitleAndTypesIntoIt();

 private:
  // Runs `call` on another thread while this one keeps handling the window's events,
  // as the word processor, a separate program, would: the typed characters that
  // need a temporary key mapping are read while that mapping is in place.
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

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::X11DesktopTest)
#include "x11_desktop_test.moc"
