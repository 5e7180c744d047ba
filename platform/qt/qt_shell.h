// The desktop shell through Qt: the folder picker and links.
#pragma once

#include <QPointer>
#include <QSettings>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "platform/shell.h"

namespace veskaro::platform {

/// The folder picker answers with a host folder, which the program sees as a
/// Windows path (HostPathToWindowsPath). It starts in the folder chosen last time,
/// when given settings to remember it in, else in the home folder. Links go to the
/// desktop's default programs.
class QtShell : public Shell {
 public:
  /// Asks the user for a host folder under `title`, starting in host folder `start`;
  /// empty text when cancelled.
  using FolderDialog =
      std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
  /// Opens a link with the desktop's default program.
  using LinkOpener = std::function<void(const QUrl& url)>;

  /// `dialog` and `opener` default to QFileDialog::getExistingDirectory and
  /// QDesktopServices::openUrl; tests put their own in their place.
  explicit QtShell(QWidget* parent = nullptr, FolderDialog dialog = {}, LinkOpener opener = {});

  /// The window the picker is modal to (may be null).
  void set_parent(QWidget* parent) { parent_ = parent; }
  /// Where the picker remembers the folder chosen last (may be null: nowhere).
  void set_settings(QSettings* settings) { settings_ = settings; }

  /// The chosen folder as a Windows path (HostPathToWindowsPath); empty text when the
  /// user cancels or the folder cannot be written as a Windows path.
  std::string BrowseForFolder(std::string_view title) override;
  /// Hands the link (code page 1252 text) to the desktop's default program.
  void OpenLink(std::string_view target) override;

 private:
  QPointer<QWidget> parent_;
  QSettings* settings_ = nullptr;
  FolderDialog dialog_;
  LinkOpener opener_;
};

}  // namespace veskaro::platform
