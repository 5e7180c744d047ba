// The main window's view on the bundled sample, driven through real widget events.
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>

#include "platform/posix/host_paths.h"
#include "qt/look.h"
#include "qt/view_test_support.h"

namespace veskaro::qt {

class Form1ViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { window_ = std::make_unique<SampleWindow>(); }
  void cleanup() { window_.reset(); }

  void controlsSitWhereTheirTwipsSayAndStackAsListed();
  void tabKeyFollowsTheTabIndexes();
  void loadListsTheClassesWithNothingChosen();
  void choosingAClassAndAnEntryShowsTheAnalysis();
  void doubleClickOnTheInfRowStartsTheWordProcessorAndTheTimerTypes();
  void enterAndSpaceActLikeADoubleClickOtherKeysAndRowsDoNothing();
  void gatherShowsEveryDriverNotInstalledWithWindows();
  void copyWritesOneFolderPerDriverIntoTheChosenFolder();
  void exitButtonAndCloseBoxEndTheWindow();
  void disabledCommentsBoxDrawsReadableText();
  void busyPointerWhileTheBatchAndAnAnalysisRun();

 private:
  QStringList StartCalls() const {
    QStringList starts;
    for (const auto& call : window_->processes.calls) {
      if (call.rfind("start:", 0) == 0) starts << QString::fromStdString(call);
    }
    return starts;
  }

  std::unique_ptr<SampleWindow> window_;
};

void Form1ViewTest::controlsSitWhereTheirTwipsSayAndStackAsListed() {
  app::Form1& form = window_->form();
  Form1View& view = window_->view();
  QCOMPARE(view.windowTitle(), QString("Veskaro 1.0"));
  QCOMPARE(view.size(), QSize(342, 286));  // 5130 x 4290 twips
  for (const app::Control* control : form.controls()) {
    if (control == &form.Timer1) continue;
    QWidget* widget = window_->widget(control->name().c_str());
    QVERIFY2(widget != nullptr, control->name().c_str());
    const QRect designed = PixelRect(control->rect());
    if (qobject_cast<QLabel*>(widget) != nullptr) {
      // A label may be widened to show its caption in the host's font.
      QCOMPARE(widget->pos(), designed.topLeft());
      QCOMPARE(widget->height(), designed.height());
      QVERIFY(widget->width() >= designed.width());
      QVERIFY(widget->width() <= designed.width() + 30);
    } else {
      QCOMPARE(widget->geometry(), designed);
    }
    QCOMPARE(widget->isVisibleTo(&view), control->visible());
    QCOMPARE(widget->isEnabled(), control->enabled());
  }
  QVERIFY(!window_->widget("Text1")->isEnabled());
  QCOMPARE(window_->widget("Command1")->toolTip(),
           QString("Gather Drivers For Devices Not Installed With Windows"));
  QCOMPARE(window_->widget<QPushButton>("CopyTo")->text(), QString("Copy"));
  QCOMPARE(window_->widget<QLabel>("Label1")->text(), QString("Driver Types"));
  // The first control of the list lies on top: List5 covers Combo2 when shown.
  const QObjectList children = view.children();
  QVERIFY(children.indexOf(window_->widget("List5")) > children.indexOf(window_->widget("Combo2")));
  QVERIFY(children.indexOf(window_->widget("Combo1")) >
          children.indexOf(window_->widget("Combo3")));
  // 8-bit text is shown as code page 1252.
  form.Text1.set_text("Soci\xE9t\xE9 \x80\r\nline 2");
  QCOMPARE(window_->widget<QPlainTextEdit>("Text1")->toPlainText(),
           QString::fromUtf8("Société €\nline 2"));
}

void Form1ViewTest::tabKeyFollowsTheTabIndexes() {
  Form1View& view = window_->view();
  QApplication::setActiveWindow(&view);
  QVERIFY(QTest::qWaitForWindowActive(&view));
  QCOMPARE(QApplication::focusWidget(), window_->widget("Combo1"));
  QStringList visited;
  for (int i = 0; i < 7; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  // Hidden lists, the labels and the disabled comments box take no focus.
  QCOMPARE(visited,
           QStringList({"Combo2", "About", "CopyTo", "ExitButton", "List1", "Command1", "Combo1"}));
}

void Form1ViewTest::loadListsTheClassesWithNothingChosen() {
  auto* combo1 = window_->widget<QComboBox>("Combo1");
  QStringList classes;
  for (int i = 0; i < combo1->count(); ++i) classes << combo1->itemText(i);
  QCOMPARE(classes,
           QStringList({"Default", "Fixed disk controllers", "Multimedia and game devices",
                        "Network interface adapters", "Scanners and cameras",
                        "Serial and parallel ports (COM & LPT)", "Video display adapters"}));
  QCOMPARE(combo1->currentIndex(), -1);
  QCOMPARE(combo1->currentText(), QString());
  QCOMPARE(window_->widget<QComboBox>("Combo2")->count(), 0);
  QCOMPARE(window_->widget<QListWidget>("List1")->count(), 0);
  QCOMPARE(window_->widget<QPlainTextEdit>("Text1")->toPlainText(), QString());
  QVERIFY(window_->boxes.boxes.empty());
}

void Form1ViewTest::choosingAClassAndAnEntryShowsTheAnalysis() {
  QVERIFY(window_->ChooseFromPopup("Combo1", "Multimedia and game devices"));
  auto* combo2 = window_->widget<QComboBox>("Combo2");
  QCOMPARE(combo2->count(), 3);
  QCOMPARE(combo2->itemText(2), QString("Zentara Audio 16/32"));
  QCOMPARE(combo2->currentIndex(), -1);

  QVERIFY(window_->ChooseFromPopup("Combo2", "Zentara Audio 16/32"));
  auto* list1 = window_->widget<QListWidget>("List1");
  QCOMPARE(SampleWindow::Rows(list1),
           QStringList({"C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF", "C:\\WINDOWS\\SYSTEM\\zenaud.sys",
                        "C:\\WINDOWS\\SYSTEM\\zenwave.drv", "C:\\WINDOWS\\SYSTEM\\zenmidi.drv",
                        "C:\\WINDOWS\\SYSTEM\\VMM32\\zenaud.vxd", "C:\\WINDOWS\\SYSTEM\\zenmix.cpl",
                        "C:\\WINDOWS\\SYSTEM\\zenold.drv"}));
  QCOMPARE(window_->widget<QPlainTextEdit>("Text1")->toPlainText(),
           QString("Device driver should be backed up as it isn't installed with Windows.\n\n"
                   "Total Files - 7"));
  QCOMPARE(window_->form().InstallSection, std::string("ZenAudio.Install"));
  // The hidden partner list is filled but stays hidden.
  QCOMPARE(window_->widget<QListWidget>("List2")->count(), 7);
  QVERIFY(!window_->widget("List2")->isVisible());

  // A class chosen again empties the results.
  QVERIFY(window_->ChooseFromPopup("Combo1", "Default"));
  QCOMPARE(list1->count(), 0);
  QCOMPARE(window_->widget<QPlainTextEdit>("Text1")->toPlainText(), QString());
  QCOMPARE(combo2->count(), 2);
}

void Form1ViewTest::doubleClickOnTheInfRowStartsTheWordProcessorAndTheTimerTypes() {
  QVERIFY(window_->ChooseEntry("Multimedia and game devices", "Zentara Audio 16/32"));
  auto* list1 = window_->widget<QListWidget>("List1");
  auto* timer = window_->view().findChild<QTimer*>("Timer1");
  QVERIFY(timer != nullptr);
  QVERIFY(!timer->isActive());

  QTest::mouseDClick(list1->viewport(), Qt::LeftButton, Qt::NoModifier,
                     list1->visualItemRect(list1->item(0)).center());
  auto& p = window_->processes;
  QCOMPARE(p.calls,
           std::vector<std::string>{"start:write.exe C:\\WINDOWS\\INF\\OTHER\\ZENAUDIO.INF"});
  QCOMPARE(p.start_styles.front(), platform::WindowStyle::kMaximizedFocus);
  QVERIFY(timer->isActive());
  QCOMPARE(timer->interval(), 200);

  // About 200 ms later the tick runs the key script once and stops the timer (a
  // sanitizer build on a loaded machine may take seconds).
  QTRY_COMPARE_WITH_TIMEOUT(p.calls.size(), std::size_t{12}, 10000);
  QCOMPARE(p.calls[1], std::string("activate:Wordpad"));
  QCOMPARE(p.calls[2], std::string("keys:^f"));
  QCOMPARE(p.calls[3], std::string("keys:[ZenAudio.Install]"));
  QCOMPARE(p.calls[11], std::string("keys:{HOME}"));
  QVERIFY(!timer->isActive());
  QTest::qWait(300);
  QCOMPARE(p.calls.size(), std::size_t{12});

  // A start that fails leaves the timer off.
  p.start_fails = true;
  QTest::mouseDClick(list1->viewport(), Qt::LeftButton, Qt::NoModifier,
                     list1->visualItemRect(list1->item(0)).center());
  QCOMPARE(p.calls.size(), std::size_t{13});
  QVERIFY(!timer->isActive());
}

void Form1ViewTest::enterAndSpaceActLikeADoubleClickOtherKeysAndRowsDoNothing() {
  QVERIFY(window_->ChooseEntry("Multimedia and game devices", "Halvorsen SoundStage 64 Wavetable"));
  auto* list1 = window_->widget<QListWidget>("List1");
  window_->SelectRow("List1", 1);  // hvsnd.drv
  QCOMPARE(window_->form().List1.list_index(), 1);
  QTest::keyClick(list1, Qt::Key_Return);
  QTest::keyClick(list1, Qt::Key_Space);
  QVERIFY(StartCalls().isEmpty());

  window_->SelectRow("List1", 0);
  QTest::keyClick(list1, Qt::Key_A);
  QTest::keyClick(list1, Qt::Key_Escape);
  QVERIFY(StartCalls().isEmpty());
  window_->SelectRow("List1", 0);
  QTest::keyClick(list1, Qt::Key_Return);
  QTest::keyClick(list1, Qt::Key_Enter);  // the keypad's Enter
  QTest::keyClick(list1, Qt::Key_Space);
  // The path with a blank goes unquoted.
  const QString expected = "start:write.exe C:\\WINDOWS\\INF\\OTHER\\Halvorsen AudioHVSND.INF";
  QCOMPARE(StartCalls(), QStringList({expected, expected, expected}));
}

void Form1ViewTest::gatherShowsEveryDriverNotInstalledWithWindows() {
  window_->Click("Command1");
  auto* list5 = window_->widget<QListWidget>("List5");
  QVERIFY(list5->isVisible());
  QCOMPARE(SampleWindow::Rows(list5),
           QStringList({"Garrow 56K Voice Modem", "Tandem-Ray UltraIDE Controller",
                        "Halvorsen SoundStage 64 Wavetable", "Zentara Audio 16/32",
                        "Brisa FastLink PCI Ethernet Adapter", "Quillon QN-16 ISA Ethernet Adapter",
                        "Lumora ScanMate 600", "Pellucid ProView 2000"}));
  QCOMPARE(window_->widget<QListWidget>("List1")->count(), 40);
  QCOMPARE(window_->widget<QPlainTextEdit>("Text1")->toPlainText(),
           QString("Drivers files for devices not installed with Windows have been compiled. "
                   "Press the 'Copy' button to save all these entries.\n\nTotal Files - 40"));
  QCOMPARE(window_->widget<QComboBox>("Combo1")->currentIndex(), -1);
  QCOMPARE(window_->widget<QComboBox>("Combo2")->count(), 0);
  const auto& boxes = window_->boxes.boxes;
  QCOMPARE(boxes.size(), std::size_t{2});
  QCOMPARE(boxes[0].text, std::string("Unrecognized File Destination Number 99"));
  QCOMPARE(boxes[1].text, std::string("Couldnt Locate INF File"));
  // Everything is usable again afterwards.
  QVERIFY(window_->view().isEnabled());
  for (const char* name :
       {"Combo1", "Combo2", "List1", "About", "CopyTo", "ExitButton", "Command1"}) {
    QVERIFY2(window_->widget(name)->isEnabled(), name);
  }
  // Choosing a class hides the batch list again.
  QVERIFY(window_->ChooseFromPopup("Combo1", "Default"));
  QVERIFY(!list5->isVisible());
}

void Form1ViewTest::copyWritesOneFolderPerDriverIntoTheChosenFolder() {
  auto& boxes = window_->boxes.boxes;
  window_->Click("CopyTo");
  QCOMPARE(boxes.size(), std::size_t{1});
  QCOMPARE(boxes[0].text, std::string("No files are displayed in the listbox."));
  QVERIFY(window_->shell.browse_titles.empty());

  QTemporaryDir target;
  QVERIFY(target.isValid());
  const QString host = QDir(target.path()).canonicalPath();
  window_->shell.folder = platform::HostToWindowsPath(host.toStdString());
  QVERIFY(window_->ChooseEntry("Multimedia and game devices", "Zentara Audio 16/32"));
  window_->Click("CopyTo");
  QCOMPARE(
      window_->shell.browse_titles,
      std::vector<std::string>{"Select the directory where the driver files should be placed"});
  QCOMPARE(boxes.back().text, std::string("Files Copied Successfully"));
  const QDir zentara(host + "/Zentara Audio 16_32");
  QCOMPARE(zentara.entryList(QDir::Files, QDir::Name),
           QStringList({"ZENAUDIO.INF", "zenaud.sys", "zenaud.vxd", "zenmidi.drv", "zenmix.cpl",
                        "zenold.drv", "zenwave.drv"}));

  window_->Click("Command1");
  window_->Click("CopyTo");
  QCOMPARE(boxes.back().text, std::string("Files Copied Successfully"));
  // Seven drivers have files (the eighth's INF was not found).
  QCOMPARE(QDir(host).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
           QStringList({"Brisa FastLink PCI Ethernet Adapter", "Garrow 56K Voice Modem",
                        "Halvorsen SoundStage 64 Wavetable", "Lumora ScanMate 600",
                        "Pellucid ProView 2000", "Tandem-Ray UltraIDE Controller",
                        "Zentara Audio 16_32"}));
  QVERIFY(QFile::exists(host + "/Halvorsen SoundStage 64 Wavetable/hvsnd.inf"));
}

void Form1ViewTest::exitButtonAndCloseBoxEndTheWindow() {
  window_->Click("ExitButton");
  QVERIFY(window_->form().unloaded());
  QVERIFY(!window_->view().isVisible());
  QVERIFY(window_->boxes.boxes.empty());  // no question at exit

  cleanup();
  init();
  QVERIFY(window_->view().close());
  QVERIFY(window_->form().unloaded());
}

// Relative luminance of an sRGB colour, as contrast ratios are defined on.
double Luminance(QColor c) {
  auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

void Form1ViewTest::disabledCommentsBoxDrawsReadableText() {
  auto* text1 = window_->widget<QPlainTextEdit>("Text1");
  window_->form().Text1.set_text("Total Files - 7");
  QVERIFY(!text1->isEnabled());
  // The box's background is its most common colour, the text its darkest one.
  const QImage image = text1->viewport()->grab().toImage();
  std::map<QRgb, int> counts;
  QColor darkest = Qt::white;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      ++counts[c.rgb()];
      if (Luminance(c) < Luminance(darkest)) darkest = c;
    }
  }
  const QColor background =
      QColor::fromRgb(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                        return a.second < b.second;
                      })->first);
  const double light = std::max(Luminance(background), Luminance(darkest));
  const double dark = std::min(Luminance(background), Luminance(darkest));
  const double contrast = (light + 0.05) / (dark + 0.05);
  QVERIFY2(contrast >= 4.5, qPrintable(QString("contrast %1:1").arg(contrast)));
}

void Form1ViewTest::busyPointerWhileTheBatchAndAnAnalysisRun() {
  app::Form1& form = window_->form();
  QList<int> shapes;  // the pointer whenever the file list changes; -1: none set
  form.List1.Observe([&](const app::Control&, app::Change) {
    const QCursor* pointer = QGuiApplication::overrideCursor();
    shapes << (pointer == nullptr ? -1 : pointer->shape());
  });
  QVERIFY(window_->ChooseEntry("Multimedia and game devices", "Zentara Audio 16/32"));
  QVERIFY(!shapes.isEmpty());
  QCOMPARE(shapes.count(Qt::WaitCursor), shapes.size());
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

  shapes.clear();
  window_->Click("Command1");
  QVERIFY(shapes.size() > 10);
  QCOMPARE(shapes.count(Qt::WaitCursor), shapes.size());
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::Form1ViewTest)
#include "form1_view_test.moc"
