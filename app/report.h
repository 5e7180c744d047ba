// The inventory a person or a script checks before trusting a backup: every listed
// driver entry with its INF, its verdict, why its analysis ended, its files and
// where they live, and the files its INF names that are not on disk. It is
// collected through the main window, choosing each class and entry as a user
// would; the analysis's own results supply it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "drivers/analysis_outcome.h"
#include "drivers/inf_location.h"
#include "platform/file_system.h"

namespace veskaro::app {

/// A listed file of an entry.
struct ReportedFile {
  std::string windows_path;  ///< the List1 row
  platform::HostLocation host;
  std::string stored_name;  ///< the name "Copy" stores it under in the driver folder
};

/// One listed entry.
struct EntryReport {
  std::string class_row;  ///< the Combo1 row
  std::string class_key;  ///< the class key name
  std::string entry_key;  ///< the entry key name ("0000")
  std::string shown;      ///< the Combo2 row, the entry text of every List2 row
  std::string driver_desc;
  std::string matching_device_id;
  std::string driver_folder;  ///< the folder "Copy" makes for the entry
  drivers::InfLocation inf;   ///< registry text, located or not, Windows path
  platform::HostLocation inf_host;
  bool shipped_with_windows = false;  ///< the verdict "Gather Necessity" goes by
  drivers::AnalysisOutcome outcome;
  std::vector<ReportedFile> files;
};

struct Report {
  platform::HostLocation installation;  ///< where drive C: lives
  std::string windows_folder;           ///< "%windir%"
  std::vector<EntryReport> entries;     ///< Combo1 order, then Combo2 order
};

/// Chooses every class and every entry of the loaded `form` in turn (each analysis
/// shows its messages as it always does) and records what it found; ends with no
/// class chosen.
Report CollectReport(Form1& form);

/// A short name of why an analysis ended, for scripts: "complete",
/// "inf_not_located", "install_section_missing", "no_copy_files",
/// "unrecognised_destination_number", "list_without_destination", "unreadable_file".
std::string_view EndName(drivers::AnalysisEnd end);

/// The same for people: "complete", "INF not located", ..., "unrecognised
/// destination number 99", "list Lum.Driver has no destination", "unreadable file
/// C:\...: reason".
std::string EndText(const drivers::AnalysisOutcome& outcome);

}  // namespace veskaro::app
