// Dropping a folder or a disk image onto a window.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace veskaro::qt {

/// Makes `window` take drops of one local file or folder (from a file manager) and
/// hands the dropped host path to `on_drop`. Other drops (several items, text,
/// remote links) are refused, and so are drops onto the window's children (the
/// window takes them all). The filter lives as long as the window.
void AcceptInstallationDrops(QWidget* window, std::function<void(const QString& path)> on_drop);

}  // namespace veskaro::qt
