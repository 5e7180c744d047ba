#include "drivers/driver_classes.h"

#include <unordered_set>

#include "inf/text.h"
#include "registry/registry_read.h"

namespace veskaro::drivers {
namespace {

using platform::kHKeyLocalMachine;
using registry::EnumRegKeys;
using registry::IsEmptyKeyList;
using registry::QueryRegString;

bool BeginsWithBrace(std::string_view name) { return !name.empty() && name.front() == '{'; }

}  // namespace

std::optional<std::vector<ClassRow>> ListClasses(platform::Registry& reg,
                                                 std::string_view class_root) {
  const std::vector<std::string> classes = EnumRegKeys(reg, kHKeyLocalMachine, class_root);
  if (IsEmptyKeyList(classes)) return std::nullopt;

  std::vector<ClassRow> rows;
  for (const std::string& name : classes) {
    if (BeginsWithBrace(name)) continue;
    const std::string key = std::string(class_root) + name;
    // A class without entry keys has nothing to choose from.
    if (IsEmptyKeyList(EnumRegKeys(reg, kHKeyLocalMachine, key))) continue;
    if (QueryRegString(reg, kHKeyLocalMachine, key, "NoUseClass", "") == "1") continue;
    rows.push_back(ClassRow{QueryRegString(reg, kHKeyLocalMachine, key, "", "Default"), name});
  }
  return rows;
}

std::vector<EntryRow> ListEntries(platform::Registry& reg, std::string_view class_root,
                                  std::string_view class_key) {
  std::vector<EntryRow> rows;
  const std::string class_path = std::string(class_root) + std::string(class_key);
  const std::vector<std::string> entries = EnumRegKeys(reg, kHKeyLocalMachine, class_path);
  if (IsEmptyKeyList(entries)) return rows;

  // The texts shown so far: an entry whose DriverDesc equals one of them is a
  // duplicate, whether that row shows a DriverDesc or a device description.
  std::unordered_set<std::string> shown;
  for (const std::string& entry : entries) {
    if (BeginsWithBrace(entry)) continue;
    const std::string path = class_path + "\\" + entry;
    // These reads are made for every entry, also for those dropped below.
    std::string desc = QueryRegString(reg, kHKeyLocalMachine, path, "DriverDesc", "");
    const std::string id = QueryRegString(reg, kHKeyLocalMachine, path, "MatchingDeviceId", "");
    std::string device;
    const std::string enum_path = "Enum\\" + id;
    const std::vector<std::string> instances = EnumRegKeys(reg, kHKeyLocalMachine, enum_path);
    if (!IsEmptyKeyList(instances)) {
      // With an empty id this reads "Enum\\<first>", which the registry resolves like
      // "Enum\<first>" (empty path components are skipped).
      device = QueryRegString(reg, kHKeyLocalMachine, enum_path + "\\" + instances.front(),
                              "DeviceDesc", "");
    }
    if (desc.empty() || shown.contains(desc)) continue;

    EntryRow row;
    row.shown = device.empty() ? desc : std::move(device);
    row.driver_desc = std::move(desc);
    row.key_path = std::string(class_key) + "\\" + entry;
    shown.insert(row.shown);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string MatchingDeviceId(platform::Registry& reg, std::string_view class_root,
                             std::string_view entry_key) {
  return QueryRegString(reg, kHKeyLocalMachine, std::string(class_root) + std::string(entry_key),
                        "MatchingDeviceId", "");
}

std::string KeyPart(std::string_view hidden_row) {
  const std::size_t first = hidden_row.find("|||");
  if (first == std::string_view::npos) return {};
  const std::string_view rest = hidden_row.substr(first + 3);
  return std::string(rest.substr(0, rest.find("|||")));
}

}  // namespace veskaro::drivers
