// The start window and the desktop program behind it, on a settings file of their
// own: opening folders and disk images, the recent list, drops and Ctrl+O.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QTest>

#include "qt/view_test_support.h"

namespace veskaro::qt {

class StartWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { fixture_ = std::make_unique<ProgramFixture>(); }
  void cleanup() { fixture_.reset(); }

  void aFolderOpensInTheMainWindowAndIsRemembered();
  void aDiskImageOpensFromThePickerAndFromADrop();
  void recentListPersistsMostRecentFirstAndForgets();
  void anInstallationThatCannotBeOpenedReturnsWithItsMessage();
  void aDroppedFolderOpensOnEitherWindow();
  void ctrlOComesBackToTheStartWindow();

 private:
  void Click(const char* button) {
    QTest::mouseClick(fixture_->start().findChild<QPushButton*>(button), Qt::LeftButton);
  }
  // Drops `urls` onto `window` as a file manager would; whether it was taken.
  static bool Drop(QWidget* window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(window->width() / 2, window->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
  }
  QString SampleRoot() const { return QStringLiteral(VESKARO_SAMPLE_DIR "/drive_c"); }

  std::unique_ptr<ProgramFixture> fixture_;
};

void StartWindowTest::aFolderOpensInTheMainWindowAndIsRemembered() {
  StartWindow& start = fixture_->start();
  QCOMPARE(start.windowTitle(), QString("Veskaro"));
  QCOMPARE(start.findChild<QLabel*>("heading")->text(),
           QString("Open a Windows 95/98/Me installation"));
  QVERIFY(fixture_->RecentPaths().isEmpty());

  // The folder above drive_c: the installation one level down opens.
  fixture_->folder_answer = QStringLiteral(VESKARO_SAMPLE_DIR);
  Click("openFolder");
  QVERIFY(fixture_->WaitForMainWindow());
  QVERIFY(fixture_->errors.isEmpty());
  QCOMPARE(fixture_->program().form()->Combo1.count(), 7);
  QCOMPARE(fixture_->program().HostPath("C:\\MSDOS.SYS"),
           std::string(VESKARO_SAMPLE_DIR "/drive_c/MSDOS.SYS"));
  QCOMPARE(fixture_->RecentPaths(), QStringList({VESKARO_SAMPLE_DIR}));
  // The picker starts where the last choice was.
  fixture_->program().ShowStart();
  Click("openFolder");
  QVERIFY(fixture_->WaitForMainWindow());
  QCOMPARE(fixture_->folder_starts, QStringList({QDir::homePath(), VESKARO_SAMPLE_DIR}));

  // The sample.
  fixture_->program().ShowStart();
  Click("openSample");
  QVERIFY(fixture_->WaitForMainWindow());
  QVERIFY(fixture_->errors.isEmpty());
}

void StartWindowTest::aDiskImageOpensFromThePickerAndFromADrop() {
  // The sample on the FAT32 partition of a VHD disk.
  const QString image = QStringLiteral(VESKARO_TEST_IMAGES "/sample-fat32.vhd");
  fixture_->image_answer = image;
  Click("openImage");
  QVERIFY2(fixture_->WaitForMainWindow(), qPrintable(fixture_->errors.join('\n')));
  QCOMPARE(fixture_->program().form()->Combo1.count(), 7);
  QCOMPARE(fixture_->start().recent().List(),
           QList<InstallationChoice>({{InstallationChoice::Kind::kImage, image}}));

  // A file that is no disk image says so, and the start window comes back.
  const QString empty = fixture_->MakeFolder("x") + "/empty.img";
  QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
  QVERIFY(Drop(fixture_->program().main_view(), {QUrl::fromLocalFile(empty)}));
  QVERIFY(!fixture_->WaitForMainWindow());
  QCOMPARE(fixture_->errors.size(), 1);
  QVERIFY2(fixture_->errors[0].contains("empty.img"), qPrintable(fixture_->errors[0]));

  // A dropped image file opens as an image.
  const QString raw = QStringLiteral(VESKARO_TEST_IMAGES "/sample-logical.img");
  QVERIFY(Drop(&fixture_->start(), {QUrl::fromLocalFile(raw)}));
  QVERIFY2(fixture_->WaitForMainWindow(), qPrintable(fixture_->errors.join('\n')));
  QCOMPARE(fixture_->start().recent().List().first(),
           (InstallationChoice{InstallationChoice::Kind::kImage, raw}));
}

void StartWindowTest::recentListPersistsMostRecentFirstAndForgets() {
  const QString sample = QStringLiteral(VESKARO_SAMPLE_DIR);
  const QString windows = SampleRoot() + "/WINDOWS";  // the Windows folder itself
  for (const QString& folder : {sample, windows, SampleRoot(), windows}) {
    QVERIFY(fixture_->program().Open({InstallationChoice::Kind::kFolder, folder}));
    fixture_->program().ShowStart();
  }
  QCOMPARE(fixture_->RecentPaths(), QStringList({windows, SampleRoot(), sample}));

  // Opening one from the list puts it first.
  auto* list = fixture_->start().findChild<QListWidget*>("recent");
  list->setCurrentRow(2);
  Click("openRecent");
  QVERIFY(fixture_->WaitForMainWindow());
  fixture_->program().ShowStart();
  QCOMPARE(fixture_->RecentPaths(), QStringList({sample, windows, SampleRoot()}));

  // Removed from the list; the folder stays.
  list->setCurrentRow(1);
  fixture_->start().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&fixture_->start()));
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Delete);
  QCOMPARE(fixture_->RecentPaths(), QStringList({sample, SampleRoot()}));
  QVERIFY(QFileInfo(windows).isDir());

  // Another start of the program finds the same list.
  fixture_->settings().sync();
  QSettings again(fixture_->settings().fileName(), QSettings::IniFormat);
  StartWindow other(again, QString());
  QCOMPARE(other.findChild<QListWidget*>("recent")->count(), 2);
  QCOMPARE(other.findChild<QListWidget*>("recent")->item(0)->text(), sample);
  QVERIFY(!other.findChild<QPushButton*>("openSample")->isEnabled());  // no sample given
}

void StartWindowTest::anInstallationThatCannotBeOpenedReturnsWithItsMessage() {
  // Two copied drives side by side: the message names both.
  const QString parent = fixture_->MakeFolder("copies");
  for (const char* drive : {"/c1", "/c2"}) {
    QVERIFY(QDir().mkpath(parent + drive + "/WINDOWS"));
    QVERIFY(
        QFile::copy(SampleRoot() + "/WINDOWS/SYSTEM.DAT", parent + drive + "/WINDOWS/SYSTEM.DAT"));
    QVERIFY(QFile::copy(SampleRoot() + "/WINDOWS/WIN.INI", parent + drive + "/WINDOWS/WIN.INI"));
  }
  fixture_->folder_answer = parent;
  Click("openFolder");
  QVERIFY(!fixture_->WaitForMainWindow());
  QVERIFY(fixture_->start().isVisible());
  QCOMPARE(fixture_->errors.size(), 1);
  QVERIFY2(fixture_->errors[0].contains(parent + "/c1, " + parent + "/c2"),
           qPrintable(fixture_->errors[0]));
  QVERIFY(fixture_->RecentPaths().isEmpty());

  // From the main window: the failed drop leaves the start window.
  QVERIFY(fixture_->program().Open({InstallationChoice::Kind::kFolder, SampleRoot()}));
  QVERIFY(Drop(fixture_->program().main_view(), {QUrl::fromLocalFile(parent)}));
  QVERIFY(!fixture_->WaitForMainWindow());
  QCOMPARE(fixture_->errors.size(), 2);
  QCOMPARE(fixture_->RecentPaths(), QStringList({SampleRoot()}));
}

void StartWindowTest::aDroppedFolderOpensOnEitherWindow() {
  StartWindow& start = fixture_->start();
  // Only one local item is taken.
  QVERIFY(!Drop(&start, {QUrl("https://example.org/disk.img")}));
  QVERIFY(!Drop(&start, {QUrl::fromLocalFile(SampleRoot()), QUrl::fromLocalFile("/tmp")}));
  QVERIFY(Drop(&start, {QUrl::fromLocalFile(SampleRoot())}));
  QVERIFY(fixture_->WaitForMainWindow());
  Form1View* first = fixture_->program().main_view();
  QVERIFY(first->acceptDrops());
  QVERIFY(!first->findChild<QWidget*>("Text1")->acceptDrops());

  // Onto the main window: the dropped installation takes the place of the shown one.
  QVERIFY(Drop(first, {QUrl::fromLocalFile(SampleRoot() + "/WINDOWS")}));
  QVERIFY(fixture_->WaitForMainWindow());
  QVERIFY(fixture_->errors.isEmpty());
  QCOMPARE(fixture_->program().form()->Combo1.count(), 7);
  QCOMPARE(fixture_->RecentPaths().first(), SampleRoot() + "/WINDOWS");
}

void StartWindowTest::ctrlOComesBackToTheStartWindow() {
  QVERIFY(fixture_->program().Open({InstallationChoice::Kind::kFolder, SampleRoot()}));
  Form1View* view = fixture_->program().main_view();
  QVERIFY(QTest::qWaitForWindowExposed(view));
  QVERIFY(!fixture_->start().isVisible());
  view->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(view));
  QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
  QVERIFY(!fixture_->WaitForMainWindow());
  QVERIFY(fixture_->start().isVisible());
  QCOMPARE(fixture_->RecentPaths(), QStringList({SampleRoot()}));
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::StartWindowTest)
#include "start_window_test.moc"
