// What the analysis of one driver entry found out besides the rows it listed: why
// it ended, and which file lines of the driver found no file on disk. The analysis
// shows no message itself; the window model decides which message an outcome means.
#pragma once

#include <string>
#include <vector>

namespace veskaro::drivers {

/// Why the analysis of an entry ended.
enum class AnalysisEnd {
  kComplete,                 ///< every file list of the install section walked, pass 2 included
  kInfNotLocated,            ///< the INF is in neither INF folder: nothing is listed
  kInstallSectionMissing,    ///< the INF has no section of that name: only the INF is listed
  kNoCopyFiles,              ///< the install section has no "CopyFiles" value: only the INF
  kUnrecognisedDestination,  ///< a [DestinationDirs] number no folder belongs to
  kListWithoutDestination,   ///< a list of the install section with no destination, nor a default
  kUnreadableFile,           ///< a file exists but could not be read to its end
};

/// A file line of the install section's "CopyFiles" lists that found no file.
struct FileNotFound {
  std::string file;  ///< the file as the line names it
  std::string path;  ///< its Windows path; empty when its list has no destination
};

/// Why the analysis ended, with what that reason needs to be told, and the file
/// lines that found nothing.
struct AnalysisOutcome {
  AnalysisEnd end = AnalysisEnd::kComplete;
  /// kUnrecognisedDestination: the number as the message writes it ("99", "-14.5").
  std::string destination_number;
  /// kListWithoutDestination: the list's name as the "CopyFiles" value writes it.
  std::string list_name;
  /// kUnreadableFile: the file's Windows path and what went wrong.
  std::string unreadable_path;
  std::string unreadable_reason;
  /// Lines of the install section's "CopyFiles" lists whose file is not on disk, in
  /// the order the analysis met them, each file once. A line of the list that ended
  /// the analysis for want of a destination is here with no path. "DelFiles" lists
  /// name files the installation removed, and pass 2 walks other devices' lists:
  /// their lines never count.
  std::vector<FileNotFound> not_found;
};

}  // namespace veskaro::drivers
