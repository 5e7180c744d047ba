// The window the desktop program opens with when no installation was named.
#pragma once

#include <QListWidget>
#include <QSettings>
#include <QString>
#include <QWidget>
#include <functional>

#include "qt/installation_choice.h"
#include "qt/recent_installations.h"

namespace veskaro::qt {

/// "Open a Windows 95/98/Me installation": a folder (drive C:, the Windows folder,
/// or a folder holding a copied drive C:), a disk image file, one of the recently
/// opened ones (Delete or "Remove" takes one off the list), or the bundled sample. A
/// folder or image dropped onto the window is opened too. The window only passes
/// on what was chosen; what a folder or image holds is the offline installation's
/// business. The pickers start where the user chose last time.
class StartWindow : public QWidget {
 public:
  /// Asks the user for a host path, starting at host path `start`; empty text when
  /// cancelled.
  using AskPath = std::function<QString(QWidget* parent, const QString& start)>;

  /// `settings` keeps the recent list and the pickers' last folders; `sample` is
  /// the bundled sample's folder (empty: there is none).
  StartWindow(QSettings& settings, QString sample);

  /// Called with what the user chose.
  std::function<void(const InstallationChoice&)> on_open;

  /// The pickers, QFileDialog by default; tests put their own in their place.
  void set_pickers(AskPath folder, AskPath image);

  /// Shows the recent list as the settings hold it now.
  void Refresh();

  /// Puts `choice` first in the recent list.
  void Remember(const InstallationChoice& choice);
  const RecentInstallations& recent() const { return recent_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ChooseFolder();
  void ChooseImage();
  void OpenRecent();
  void RemoveRecent();
  void Open(const InstallationChoice& choice);

  QSettings& settings_;
  RecentInstallations recent_;
  QString sample_;
  AskPath ask_folder_;
  AskPath ask_image_;
  QListWidget* recent_list_ = nullptr;
  QWidget* open_recent_ = nullptr;
  QWidget* remove_recent_ = nullptr;
};

}  // namespace veskaro::qt
