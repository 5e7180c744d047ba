// What the user chose to open: a host folder or a disk image file.
#pragma once

#include <QString>

#include "platform/offline/installation.h"

namespace veskaro::qt {

struct InstallationChoice {
  enum class Kind { kFolder, kImage };
  Kind kind = Kind::kFolder;
  QString path;  ///< host path, as the user gave it

  friend bool operator==(const InstallationChoice&, const InstallationChoice&) = default;
};

/// A path given without saying what it is (dropped, or passed by the desktop): a
/// folder when it names one, else a disk image file.
InstallationChoice ChoiceForPath(const QString& path);

/// The options that open `choice`; the offline installation decides what the
/// folder or image holds.
platform::InstallationOptions OptionsFor(const InstallationChoice& choice);

}  // namespace veskaro::qt
