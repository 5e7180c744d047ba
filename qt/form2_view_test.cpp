// The About window's view: opening over the disabled main window, its controls,
// links and pointer, and closing it in every way.
#include <QLabel>
#include <QTest>

#include "app/about_info.h"
#include "qt/form2_view.h"
#include "qt/look.h"
#include "qt/view_test_support.h"

namespace veskaro::qt {

class Form2ViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { window_ = std::make_unique<SampleWindow>(); }
  void cleanup() { window_.reset(); }

  void opensCenteredOverTheMovedMainWindowWhichIsDisabled();
  void controlsSitWhereTheirTwipsSay();
  void linksOpenWithoutClosingAndShowTheHandPointer();
  void okButtonClosesAndEnablesTheMainWindow();
  void closeBoxAndEscapeCloseToo();
  void repaintOfTheMainWindowBringsItBack();

 private:
  Form2View* OpenAbout() {
    window_->Click("About");
    return window_->view().about_view();
  }
  void ExpectClosed() {
    QTRY_VERIFY(window_->view().about_view() == nullptr);
    QVERIFY(window_->view().isEnabled());
    QVERIFY(window_->form().window.enabled());
    QCOMPARE(window_->form().program().AboutOpen, std::int16_t{0});
  }

  std::unique_ptr<SampleWindow> window_;
};

void Form2ViewTest::opensCenteredOverTheMovedMainWindowWhichIsDisabled() {
  Form1View& main = window_->view();
  main.move(130, 90);
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  QVERIFY(about->isVisible());
  QCOMPARE(about->windowTitle(), QString("About Veskaro 1.0"));
  QCOMPARE(about->size(), QSize(206, 126));  // 3090 x 1890 twips
  QCOMPARE(window_->form().program().AboutOpen, std::int16_t{1});
  QVERIFY(!main.isEnabled());
  const QRect outer = main.frameGeometry();
  const QPoint centred(outer.x() + (outer.width() - about->frameGeometry().width()) / 2,
                       outer.y() + (outer.height() - about->frameGeometry().height()) / 2);
  QVERIFY2((about->frameGeometry().topLeft() - centred).manhattanLength() <= 1,
           qPrintable(QString("at %1,%2").arg(about->x()).arg(about->y())));

  // The disabled main window takes neither clicks nor its close box.
  window_->Click("ExitButton");
  QVERIFY(!main.close());
  QVERIFY(!window_->form().unloaded());
  QVERIFY(main.isVisible());
}

void Form2ViewTest::controlsSitWhereTheirTwipsSay() {
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  const app::Form2& form = about->form();
  for (const app::Control* control : form.controls()) {
    QWidget* widget = about->findChild<QWidget*>(QString::fromStdString(control->name()));
    QVERIFY2(widget != nullptr, control->name().c_str());
    const QRect designed = PixelRect(control->rect());
    QCOMPARE(widget->pos(), designed.topLeft());
    if (control != &form.Line1) QVERIFY(widget->width() >= designed.width());
  }
  auto* picture = about->findChild<QLabel*>("Image1");
  QCOMPARE(picture->pixmap().size(), QSize(48, 48));
  QCOMPARE(about->findChild<QLabel*>("Label3")->text(), QString("Veskaro 1.0"));
  QCOMPARE(about->findChild<QLabel*>("Label3")->font().pointSize(), 18);
  auto* mail = about->findChild<QLabel*>("Label2");
  QCOMPARE(mail->text(), QString(app::about::kDeveloperName));
  QVERIFY(mail->font().underline());
  QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  QVERIFY(!about->findChild<QLabel*>("Label4")->font().underline());
  // Only the OK button takes the focus.
  QCOMPARE(about->focusWidget(), about->findChild<QWidget*>("Command1"));
}

void Form2ViewTest::linksOpenWithoutClosingAndShowTheHandPointer() {
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  QTest::mouseClick(about->findChild<QWidget*>("Label2"), Qt::LeftButton);
  QTest::mouseClick(about->findChild<QWidget*>("Label5"), Qt::LeftButton);
  QTest::mouseClick(about->findChild<QWidget*>("Label4"), Qt::LeftButton);
  QCOMPARE(window_->shell.links,
           std::vector<std::string>({"mailto:team@veskaro.example.org",
                                     "http://www.veskaro.example.org/computers/webmaster/"}));
  QCOMPARE(window_->view().about_view(), about);
  QVERIFY(about->isVisible());
  QCOMPARE(about->findChild<QWidget*>("Label2")->cursor().shape(), Qt::BitmapCursor);
  QCOMPARE(about->findChild<QWidget*>("Label5")->cursor().shape(), Qt::BitmapCursor);
  QCOMPARE(about->findChild<QWidget*>("Label5")->cursor().hotSpot(), QPoint(6, 0));
  QCOMPARE(about->findChild<QWidget*>("Label4")->cursor().shape(), Qt::ArrowCursor);
  QCOMPARE(about->findChild<QWidget*>("Label3")->cursor().shape(), Qt::ArrowCursor);
}

void Form2ViewTest::okButtonClosesAndEnablesTheMainWindow() {
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  QTest::mouseClick(about->findChild<QWidget*>("Command1"), Qt::LeftButton);
  ExpectClosed();
  // The main window takes clicks again, and opens a fresh About window.
  about = OpenAbout();
  QVERIFY(about != nullptr);
  QVERIFY(about->isVisible());
  QTest::keyClick(about->findChild<QWidget*>("Command1"), Qt::Key_Space);
  ExpectClosed();
}

void Form2ViewTest::closeBoxAndEscapeCloseToo() {
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  QVERIFY(about->close());
  ExpectClosed();
  // Escape, with the focus on the OK button as it opens.
  about = OpenAbout();
  QVERIFY(about != nullptr);
  QWidget* ok = about->findChild<QWidget*>("Command1");
  QCOMPARE(about->focusWidget(), ok);
  QTest::keyClick(ok, Qt::Key_Escape);
  ExpectClosed();
  window_->Click("ExitButton");
  QVERIFY(window_->form().unloaded());
}

void Form2ViewTest::repaintOfTheMainWindowBringsItBack() {
  Form2View* about = OpenAbout();
  QVERIFY(about != nullptr);
  about->hide();  // as if lost behind other windows
  window_->view().repaint();
  QTRY_VERIFY(about->isVisible());
  QCOMPARE(window_->view().about_view(), about);
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::Form2ViewTest)
#include "form2_view_test.moc"
