#include "qt/recent_installations.h"

namespace veskaro::qt {
namespace {

const char kGroup[] = "recent";
const char kKind[] = "kind";
const char kPath[] = "path";
const char kImage[] = "image";
const char kFolder[] = "folder";

}  // namespace

QList<InstallationChoice> RecentInstallations::List() const {
  QList<InstallationChoice> list;
  const int count = settings_.beginReadArray(kGroup);
  for (int i = 0; i < count && list.size() < kMaxCount; ++i) {
    settings_.setArrayIndex(i);
    InstallationChoice choice;
    choice.kind = settings_.value(kKind).toString() == kImage ? InstallationChoice::Kind::kImage
                                                              : InstallationChoice::Kind::kFolder;
    choice.path = settings_.value(kPath).toString();
    if (!choice.path.isEmpty() && !list.contains(choice)) list << choice;
  }
  settings_.endArray();
  return list;
}

void RecentInstallations::Add(const InstallationChoice& choice) {
  QList<InstallationChoice> list = List();
  list.removeAll(choice);
  list.prepend(choice);
  while (list.size() > kMaxCount) list.removeLast();
  Store(list);
}

void RecentInstallations::Remove(int index) {
  QList<InstallationChoice> list = List();
  if (index < 0 || index >= list.size()) return;
  list.removeAt(index);
  Store(list);
}

void RecentInstallations::Store(const QList<InstallationChoice>& list) {
  settings_.remove(kGroup);
  settings_.beginWriteArray(kGroup, static_cast<int>(list.size()));
  for (int i = 0; i < list.size(); ++i) {
    settings_.setArrayIndex(i);
    settings_.setValue(kKind, list[i].kind == InstallationChoice::Kind::kImage ? kImage : kFolder);
    settings_.setValue(kPath, list[i].path);
  }
  settings_.endArray();
  settings_.sync();
}

}  // namespace veskaro::qt
