#include "app/report.h"

#include <iterator>

#include "drivers/driver_classes.h"
#include "drivers/windows_inf_index.h"

namespace veskaro::app {
namespace {

// The part after the last "\" of a key path ("MEDIA\0000" gives "0000").
std::string LastKey(std::string_view key_path) {
  const std::size_t slash = key_path.rfind('\\');
  return std::string(slash == std::string_view::npos ? key_path : key_path.substr(slash + 1));
}

EntryReport DescribeEntry(Form1& form, const std::string& class_row, const std::string& class_key) {
  Services& services = form.services();
  EntryReport entry;
  entry.class_row = class_row;
  entry.class_key = class_key;
  const std::string hidden = form.Combo4.row(form.Combo2.list_index());
  const std::string key_path = drivers::KeyPart(hidden);
  entry.entry_key = LastKey(key_path);
  entry.shown = form.Combo2.text();
  entry.driver_desc = hidden.substr(0, hidden.find("|||"));
  entry.matching_device_id = drivers::MatchingDeviceId(services.registry, form.ClassRoot, key_path);
  entry.driver_folder = DriverFolderName(entry.shown);
  entry.shipped_with_windows = drivers::IsWindowsInf(form.WindowsInfIndex, form.InfFileName);
  if (const Form1::EntryAnalysis* analysis = form.last_analysis()) {
    entry.inf = analysis->location;
    entry.outcome = analysis->outcome;
  }
  if (entry.inf.located) entry.inf_host = services.files.LocateOnHost(entry.inf.InfPath());
  for (int i = 0; i < form.List1.count(); ++i) {
    ReportedFile file;
    file.windows_path = form.List1.row(i);
    file.host = services.files.LocateOnHost(file.windows_path);
    file.stored_name = StoredNameOfRow(services.files, file.windows_path,
                                       i < form.List2.count() ? form.List2.row(i) : "");
    entry.files.push_back(std::move(file));
  }
  return entry;
}

}  // namespace

Report CollectReport(Form1& form) {
  Report report;
  report.installation = form.services().files.LocateOnHost("C:\\");
  report.windows_folder = form.services().environment.Get("windir");
  for (int i = 0; i < form.Combo1.count(); ++i) {
    form.Combo1.set_list_index(i);
    const std::string class_row = form.Combo1.text();
    const std::string class_key = drivers::KeyPart(form.Combo3.row(i));
    for (int j = 0; j < form.Combo2.count(); ++j) {
      form.Combo2.set_list_index(j);
      report.entries.push_back(DescribeEntry(form, class_row, class_key));
    }
  }
  form.Combo1.set_list_index(-1);
  return report;
}

std::string_view EndName(drivers::AnalysisEnd end) {
  // In the order of drivers::AnalysisEnd.
  static constexpr std::string_view kNames[] = {
      "complete",
      "inf_not_located",
      "install_section_missing",
      "no_copy_files",
      "unrecognised_destination_number",
      "list_without_destination",
      "unreadable_file",
  };
  static_assert(std::size(kNames) ==
                static_cast<std::size_t>(drivers::AnalysisEnd::kUnreadableFile) + 1);
  return kNames[static_cast<std::size_t>(end)];
}

std::string EndText(const drivers::AnalysisOutcome& outcome) {
  switch (outcome.end) {
    case drivers::AnalysisEnd::kComplete:
      return "complete";
    case drivers::AnalysisEnd::kInfNotLocated:
      return "INF not located";
    case drivers::AnalysisEnd::kInstallSectionMissing:
      return "install section missing";
    case drivers::AnalysisEnd::kNoCopyFiles:
      return "install section has no CopyFiles";
    case drivers::AnalysisEnd::kUnrecognisedDestination:
      return "unrecognised destination number " + outcome.destination_number;
    case drivers::AnalysisEnd::kListWithoutDestination:
      return "list " + outcome.list_name + " has no destination";
    case drivers::AnalysisEnd::kUnreadableFile:
      return "unreadable file " + outcome.unreadable_path + ": " + outcome.unreadable_reason;
  }
  return {};
}

}  // namespace veskaro::app
