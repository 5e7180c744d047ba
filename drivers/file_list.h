// The analysis of a located driver entry: its files and the verdict.
#pragma once

#include <string>
#include <string_view>

#include "drivers/analysis_outcome.h"
#include "drivers/inf_location.h"
#include "platform/file_system.h"

namespace veskaro::drivers {

/// Where the analysis writes: the visible file list, its hidden companion list (one
/// row per file row, at the same index) and the comments box.
class FileListSink {
 public:
  virtual ~FileListSink() = default;
  virtual void AddRow(std::string path, std::string companion) = 0;
  virtual int RowCount() const = 0;
  virtual const std::string& PathRow(int index) const = 0;
  virtual void SetComments(std::string text) = 0;
  virtual const std::string& Comments() const = 0;
};

/// The verdict sentences.
inline constexpr std::string_view kInstalledWithWindows =
    "Device driver is installed with Windows and doesnt need to be backed up.";
inline constexpr std::string_view kShouldBeBackedUp =
    "Device driver should be backed up as it isn't installed with Windows.";

/// Everything the analysis reads besides the file system.
struct AnalysisInput {
  const InfLocation* location = nullptr;  ///< a located INF
  std::string_view entry_text;            ///< the chosen entry's display text
  std::string_view windows_inf_index;
  bool copy_files_search_enabled = true;  ///< run the second pass
};

/// Lists the INF, writes a first verdict, resolves the destinations, walks the file
/// lists of the install section's "CopyFiles" and "DelFiles" (pass 1) and, for files
/// of [SourceDisksFiles] still missing, every other "CopyFiles" of the INF (pass 2),
/// and writes the final verdict with the file count. Ends early, as the rows say and
/// the outcome tells, at a missing install section or an empty "CopyFiles", an
/// unrecognised destination number, a pass-1 list without a destination, or a file
/// that exists but cannot be read (the rows added so far stay). An INF that is not
/// located ends it before anything is written.
AnalysisOutcome AnalyseLocatedEntry(platform::FileSystem& fs, const AnalysisInput& input,
                                    FileListSink& sink);

/// Writes the verdict for `inf_file_name` with the current row count into the sink.
void WriteVerdict(std::string_view windows_inf_index, std::string_view inf_file_name,
                  FileListSink& sink);

}  // namespace veskaro::drivers
