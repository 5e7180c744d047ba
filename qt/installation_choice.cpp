#include "qt/installation_choice.h"

#include <QFile>
#include <QFileInfo>

namespace veskaro::qt {

InstallationChoice ChoiceForPath(const QString& path) {
  const bool folder = QFileInfo(path).isDir();
  return {folder ? InstallationChoice::Kind::kFolder : InstallationChoice::Kind::kImage, path};
}

platform::InstallationOptions OptionsFor(const InstallationChoice& choice) {
  platform::InstallationOptions options;
  const std::string host_path = QFile::encodeName(choice.path).toStdString();
  switch (choice.kind) {
    case InstallationChoice::Kind::kFolder:
      options.root = host_path;
      break;
    case InstallationChoice::Kind::kImage:
      options.image = host_path;
      break;
  }
  return options;
}

}  // namespace veskaro::qt
