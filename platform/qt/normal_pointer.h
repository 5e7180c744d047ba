// The pointer over a dialog that waits for the user.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace veskaro::platform {

/// While it lives, the pointer is the normal arrow, also when a busy pointer is set
/// for the whole program: a message box or picker shown in the middle of a long
/// piece of work waits for the user, and says so by its pointer.
class NormalPointer {
 public:
  NormalPointer() : pushed_(QGuiApplication::overrideCursor() != nullptr) {
    if (pushed_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~NormalPointer() {
    if (pushed_) QGuiApplication::restoreOverrideCursor();
  }
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;

 private:
  bool pushed_;
};

}  // namespace veskaro::platform
