#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/posix/host_paths.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/normal_pointer.h"

namespace veskaro::platform {
namespace {

const char kLastFolderKey[] = "shell/lastFolder";

}  // namespace

QtShell::QtShell(QWidget* parent, FolderDialog dialog, LinkOpener opener)
    : parent_(parent), dialog_(std::move(dialog)), opener_(std::move(opener)) {
  if (!dialog_) {
    dialog_ = [](QWidget* owner, const QString& title, const QString& start) {
      return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };
  }
  if (!opener_) opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

std::string QtShell::BrowseForFolder(std::string_view title) {
  QString start = QDir::homePath();
  if (settings_ != nullptr) {
    const QString last = settings_->value(kLastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) start = last;
  }
  const NormalPointer pointer;
  const QString chosen = dialog_(parent_.data(), FromCp1252(title), start);
  if (chosen.isEmpty()) return {};
  const QFileInfo info(chosen);
  if (!info.isDir()) return {};
  if (settings_ != nullptr) settings_->setValue(kLastFolderKey, info.canonicalFilePath());
  // The host's own bytes for the name, so that the file system finds it again.
  return HostPathToWindowsPath(QFile::encodeName(info.absoluteFilePath()).toStdString())
      .value_or(std::string());
}

void QtShell::OpenLink(std::string_view target) {
  opener_(QUrl(FromCp1252(target), QUrl::TolerantMode));
}

}  // namespace veskaro::platform
