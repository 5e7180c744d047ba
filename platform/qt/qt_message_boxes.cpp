#include "platform/qt/qt_message_boxes.h"

#include <QMessageBox>

#include "platform/qt/cp1252.h"
#include "platform/qt/normal_pointer.h"

namespace veskaro::platform {
namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::kInformation:
      return QMessageBox::Information;
    case MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case MsgIcon::kCritical:
      return QMessageBox::Critical;
    case MsgIcon::kQuestion:
      return QMessageBox::Question;
    case MsgIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString MessageText(std::string_view text) {
  QString out = FromCp1252(text);
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QChar('\r'), QChar('\n'));
  return out;
}

MsgResult QtMessageBoxes::Show(std::string_view text, std::string_view title, MsgIcon icon,
                               MsgButtons buttons) {
  QMessageBox box(ToQtIcon(icon), FromCp1252(title), MessageText(text), QMessageBox::NoButton,
                  parent_.data());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  const NormalPointer pointer;
  if (buttons == MsgButtons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MsgResult::kYes : MsgResult::kNo;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return MsgResult::kOk;
}

}  // namespace veskaro::platform
