// Pictures of the start window and of the main states of the two windows, written to the build
// tree's screenshots/ folder for a look by eye.
#include <QFileInfo>
#include <QImage>
#include <QTest>

#include "qt/form2_view.h"
#include "qt/view_test_support.h"

namespace veskaro::qt {

class ScreenshotsTest : public QObject {
  Q_OBJECT

 private slots:
  void startWindow();
  void mainStates();

 private:
  void Save(QWidget& widget, const QString& name) {
    QVERIFY2(SaveScreenshot(widget, name), qPrintable(name));
    const QImage image(QStringLiteral(VESKARO_SCREENSHOT_DIR "/") + name + ".png");
    QCOMPARE(image.size(), widget.size() * widget.devicePixelRatio());
  }
};

void ScreenshotsTest::startWindow() {
  ProgramFixture fixture;
  for (const char* folder : {VESKARO_SAMPLE_DIR, VESKARO_SAMPLE_DIR "/drive_c/WINDOWS"}) {
    QVERIFY(fixture.program().Open({InstallationChoice::Kind::kFolder, folder}));
  }
  fixture.program().ShowStart();
  QVERIFY(QTest::qWaitForWindowExposed(&fixture.start()));
  Save(fixture.start(), "0-start-window");
}

void ScreenshotsTest::mainStates() {
  SampleWindow window;
  Form1View& view = window.view();
  Save(view, "1-after-load");
  QVERIFY(window.ChooseFromPopup("Combo1", "Multimedia and game devices"));
  Save(view, "2-class-chosen");
  QVERIFY(window.ChooseFromPopup("Combo2", "Halvorsen SoundStage 64 Wavetable"));
  window.SelectRow("List1", 0);
  Save(view, "3-entry-analysed");
  window.Click("Command1");
  Save(view, "4-after-gather");
  window.Click("About");
  QVERIFY(view.about_view() != nullptr);
  Save(view, "5-about-open-main-window");
  Save(*view.about_view(), "5-about-open");
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::ScreenshotsTest)
#include "screenshots_test.moc"
