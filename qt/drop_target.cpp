#include "qt/drop_target.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace veskaro::qt {
namespace {

// The one local path a drag carries, else empty text.
QString DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

class DropFilter : public QObject {
 public:
  DropFilter(QWidget* window, std::function<void(const QString&)> on_drop)
      : QObject(window), on_drop_(std::move(on_drop)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedPath(drag->mimeData()).isEmpty()) {
          drag->ignore();
        } else {
          drag->acceptProposedAction();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedPath(drop->mimeData());
        if (path.isEmpty()) {
          drop->ignore();
          return true;
        }
        drop->acceptProposedAction();
        on_drop_(path);
        return true;
      }
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  std::function<void(const QString&)> on_drop_;
};

}  // namespace

void AcceptInstallationDrops(QWidget* window, std::function<void(const QString& path)> on_drop) {
  // Drops anywhere on the window go to the window, also over a text box.
  for (QWidget* child : window->findChildren<QWidget*>()) child->setAcceptDrops(false);
  window->setAcceptDrops(true);
  window->installEventFilter(new DropFilter(window, std::move(on_drop)));
}

}  // namespace veskaro::qt
