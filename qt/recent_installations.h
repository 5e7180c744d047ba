// The installations opened lately, kept in the program's settings.
#pragma once

#include <QList>
#include <QSettings>

#include "qt/installation_choice.h"

namespace veskaro::qt {

/// The recently opened folders and disk images, most recent first, at most
/// kMaxCount, each once; stored in `settings` as it changes.
class RecentInstallations {
 public:
  static constexpr int kMaxCount = 10;

  explicit RecentInstallations(QSettings& settings) : settings_(settings) {}

  QList<InstallationChoice> List() const;
  /// Puts `choice` first (moving it there when it was listed already).
  void Add(const InstallationChoice& choice);
  /// Forgets the entry at `index` of List(); nothing when there is none.
  void Remove(int index);

 private:
  void Store(const QList<InstallationChoice>& list);

  QSettings& settings_;
};

}  // namespace veskaro::qt
