// The driver classes and the driver entries of one class, read from the registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace veskaro::drivers {

/// The registry key below HKEY_LOCAL_MACHINE that holds one subkey per driver class.
inline constexpr std::string_view kClassRoot = "System\\CurrentControlSet\\Services\\Class\\";

/// One listed class: the description shown to the user and the class key name.
struct ClassRow {
  std::string description;
  std::string key;
  /// The hidden partner row: description + "|||" + key.
  std::string HiddenRow() const { return description + "|||" + key; }
};

/// The listed classes, in enumeration order: keys not beginning with "{", with at
/// least one entry subkey, whose "NoUseClass" is not exactly "1"; description from
/// the unnamed default value, "Default" when it is missing. nullopt when the class
/// root has no subkeys at all (the caller reports that the registry gave nothing).
std::optional<std::vector<ClassRow>> ListClasses(platform::Registry& reg,
                                                 std::string_view class_root);

/// One listed entry of a class.
struct EntryRow {
  std::string shown;        ///< the device description when not empty, else the DriverDesc
  std::string driver_desc;  ///< always the DriverDesc
  std::string key_path;     ///< class key + "\" + entry key
  /// The hidden partner row: DriverDesc + "|||" + key path.
  std::string HiddenRow() const { return driver_desc + "|||" + key_path; }
};

/// The entries of class `class_key`, in enumeration order: keys not beginning with
/// "{", with a non-empty "DriverDesc" that equals no row shown before it; each shown
/// under the "DeviceDesc" of the first instance of "Enum\" + MatchingDeviceId when
/// that is not empty. Empty when the class has no entries.
std::vector<EntryRow> ListEntries(platform::Registry& reg, std::string_view class_root,
                                  std::string_view class_key);

/// The "MatchingDeviceId" of entry `entry_key` (class key + "\" + entry key), or
/// empty text.
std::string MatchingDeviceId(platform::Registry& reg, std::string_view class_root,
                             std::string_view entry_key);

/// The key part of a hidden row: the second piece when split at "|||" (empty when
/// the row has no "|||").
std::string KeyPart(std::string_view hidden_row);

}  // namespace veskaro::drivers
