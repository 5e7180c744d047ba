// The real QMessageBox behind the message-box seam: closed by a test that polls for
// the active modal window.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/qt/qt_message_boxes.h"

namespace veskaro::qt {

class MessageBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTextTitleIconAndButtonsAndReturnsTheAnswer();
  void escapeOnAQuestionAnswersNo();

 private:
  struct Seen {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
  };

  // Once the box is up, records what it shows and lets `act` close it.
  static void WhenBoxShows(Seen* seen, std::function<void(QMessageBox*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen, act] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      seen->text = box->text();
      seen->title = box->windowTitle();
      seen->icon = box->icon();
      for (QAbstractButton* b : box->buttons()) seen->buttons << b->text().remove('&');
      seen->buttons.sort();
      act(box);
    });
    poll->start(20);
  }
};

void MessageBoxesTest::showsTextTitleIconAndButtonsAndReturnsTheAnswer() {
  platform::QtMessageBoxes boxes;
  Seen seen;
  WhenBoxShows(&seen, [](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
  const auto answer =
      boxes.Show("The destination drive is full.\r\nDo you wish to continue copying the files?",
                 "Veskaro", platform::MsgIcon::kInformation, platform::MsgButtons::kYesNo);
  QCOMPARE(answer, platform::MsgResult::kNo);
  QCOMPARE(seen.text,
           QString("The destination drive is full.\nDo you wish to continue copying the files?"));
  QCOMPARE(seen.title, QString("Veskaro"));
  QCOMPARE(seen.icon, QMessageBox::Information);
  QCOMPARE(seen.buttons, QStringList({"No", "Yes"}));

  WhenBoxShows(&seen, [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  QCOMPARE(boxes.Show("Go on?", "Veskaro", platform::MsgIcon::kInformation,
                      platform::MsgButtons::kYesNo),
           platform::MsgResult::kYes);

  seen = Seen();
  WhenBoxShows(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  QCOMPARE(boxes.Show("Couldnt Locate INF File", "Veskaro", platform::MsgIcon::kNone,
                      platform::MsgButtons::kOk),
           platform::MsgResult::kOk);
  QCOMPARE(seen.icon, QMessageBox::NoIcon);
  QCOMPARE(seen.buttons, QStringList({"OK"}));

  seen = Seen();
  WhenBoxShows(&seen, [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
  boxes.Show("Unable to read the file <C:\\X.INF>", "Veskaro", platform::MsgIcon::kExclamation,
             platform::MsgButtons::kOk);
  QCOMPARE(seen.icon, QMessageBox::Warning);
  QCOMPARE(seen.text, QString("Unable to read the file <C:\\X.INF>"));  // plain text, no markup
}

void MessageBoxesTest::escapeOnAQuestionAnswersNo() {
  platform::QtMessageBoxes boxes;
  Seen seen;
  WhenBoxShows(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  QCOMPARE(boxes.Show("There is no diskette the destination drive\r\nDo you wish to continue "
                      "copying the files?",
                      "Veskaro", platform::MsgIcon::kInformation, platform::MsgButtons::kYesNo),
           platform::MsgResult::kNo);
}

}  // namespace veskaro::qt

QTEST_MAIN(veskaro::qt::MessageBoxesTest)
#include "message_boxes_test.moc"
