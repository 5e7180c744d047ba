// Modal message boxes drawn by Qt.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/message_boxes.h"

namespace veskaro::platform {

/// Shows each box as a QMessageBox, application-modal and centred over the parent
/// window when one is set. Texts are code page 1252; CR LF ends a line. A Yes/No
/// box closed without a button (Escape, the close box) answers No.
class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
  /// The window the boxes are centred over (may be null).
  void set_parent(QWidget* parent) { parent_ = parent; }

  MsgResult Show(std::string_view text, std::string_view title, MsgIcon icon,
                 MsgButtons buttons) override;

 private:
  QPointer<QWidget> parent_;
};

/// The message text as Qt shows it: code page 1252 decoded, CR LF and lone CR as
/// line breaks.
QString MessageText(std::string_view text);

}  // namespace veskaro::platform
