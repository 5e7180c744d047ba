#include "drivers/file_list.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "drivers/destinations.h"
#include "drivers/substring_index.h"
#include "drivers/windows_inf_index.h"
#include "inf/ini.h"
#include "inf/text.h"

namespace veskaro::drivers {
namespace {

enum class Pass { kFirst, kSecond };

// `text` in lower case, into `*out`.
void LowerInto(std::string_view text, std::string* out) {
  out->resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) (*out)[i] = inf::LowerChar(text[i]);
}

// Texts joined by ";", with a substring test over the whole. A text sought never
// holds ";" (file lines are split at ";", and cleaned lines hold none), so it never
// matches across a ";": the test tells whether it occurs in any one of the texts.
// A short whole is searched directly; from kIndexFrom characters on, a substring
// index answers without scanning, so that an INF of thousands of files is not
// compared file by file with every row listed before.
class JoinedTexts {
 public:
  static constexpr std::size_t kIndexFrom = 4096;

  void Add(std::string_view text) {
    const std::size_t from = joined_.size();
    joined_ += ';';
    joined_ += text;
    if (index_ != nullptr) {
      index_->Append(std::string_view(joined_).substr(from));
    } else if (joined_.size() >= kIndexFrom) {
      index_ = std::make_unique<SubstringIndex>();
      index_->Append(joined_);
    }
  }

  bool Contains(std::string_view part) const {
    return index_ != nullptr ? index_->Contains(part) : inf::Contains(joined_, part);
  }
  bool empty() const { return joined_.empty(); }

 private:
  std::string joined_;
  std::unique_ptr<SubstringIndex> index_;
};

// The analysis of one located entry: the INF path, the destinations, and the
// lower-case text of every file-list row for the duplicate test.
class Analysis {
 public:
  Analysis(platform::FileSystem& fs, const AnalysisInput& input, FileListSink& sink)
      : fs_(fs), input_(input), sink_(sink), inf_path_(input.location->InfPath()) {
    for (int i = 0; i < sink_.RowCount(); ++i) lower_rows_.Add(inf::LowerCase(sink_.PathRow(i)));
  }

  const std::string& inf_path() const { return inf_path_; }

  void AddRow(std::string path, std::string companion) {
    lower_rows_.Add(inf::LowerCase(path));
    sink_.AddRow(std::move(path), std::move(companion));
  }

  // Whether `lower_name` occurs in the text of any row listed so far. A name inside
  // a longer name or a folder part counts, and so does the empty name.
  bool Listed(std::string_view lower_name) const {
    return lower_name.empty() || lower_rows_.Contains(lower_name);
  }

  // Work items ("name=body") for the comma pieces of a CopyFiles or DelFiles value:
  // "@F" is the single file F in the default destination; any other piece names a
  // file-list section whose lines form the body.
  void AddWorkItems(std::string_view value, std::vector<std::string>* items) {
    for (const std::string& piece : inf::Split(value, ",")) {
      if (!piece.empty() && piece.front() == '@') {
        items->push_back("DefaultDestDir=" + piece.substr(1));
      } else {
        const inf::IniList lines = inf::GetIniSection(fs_, inf_path_, piece);
        items->push_back(piece + "=" + (lines ? inf::Join(*lines, ";") : std::string()));
      }
    }
  }

  // Lists the existing files of one work item; with `report_missing`, its lines whose
  // file is not on disk go into the outcome. Returns false when the analysis must
  // end (pass 1, a list without any destination).
  bool Walk(std::string_view item, Pass pass, bool report_missing) {
    // The name ends at the first "=", the body at the second: a section line that
    // holds "=" cuts the body there.
    const std::size_t eq = item.find('=');
    const std::string_view name = item.substr(0, eq);
    std::string_view body = item.substr(eq + 1);
    body = body.substr(0, body.find('='));

    std::string folder = destinations_->Lookup(name);
    if (folder.empty()) {
      folder = destinations_->default_destination;
      if (folder.empty()) {
        // Pass 1 ends the analysis. Pass 2 skips the list: its bare file names would
        // be looked up in the program's current folder and could list files that do
        // not belong to the driver.
        if (pass == Pass::kSecond) return true;
        outcome_.end = AnalysisEnd::kListWithoutDestination;
        outcome_.list_name = std::string(name);
        if (report_missing) ReportUnplacedLines(body);
        return false;
      }
    }

    std::string lower;
    for (std::size_t start = 0;;) {
      // The line up to the next ";", its field 0 (the file) and field 1 (the source).
      const std::size_t end = std::min(body.find(';', start), body.size());
      const std::string_view line = body.substr(start, end - start);
      const std::size_t comma = line.find(',');
      const std::string_view file = line.substr(0, comma);
      std::string_view source;
      if (comma != std::string_view::npos) {
        source = line.substr(comma + 1);
        source = source.substr(0, source.find(','));
      }
      start = end + 1;
      const bool more = end < body.size();

      LowerInto(file, &lower);
      if (!Listed(lower)) {
        const bool has_source = !source.empty();
        if (pass == Pass::kSecond) LowerInto(has_source ? source : file, &lower);
        if (pass == Pass::kFirst || missing_.Contains(lower)) {
          std::string path = folder + std::string(file);
          if (!fs_.FindFirst(path, platform::SearchKind::kNormal).empty()) {
            std::string companion = path + "||" + std::string(input_.entry_text);
            if (has_source) companion += "||" + std::string(source);
            AddRow(std::move(path), std::move(companion));
          } else if (report_missing) {
            NotFound(file, std::move(path));
          }
        }
      }
      if (!more) break;
    }
    return true;
  }

  // The lower-case names of [SourceDisksFiles] that no row lists, each followed by ";".
  void BuildMissingSources() {
    const inf::IniList lines = inf::GetIniSection(fs_, inf_path_, "SourceDisksFiles");
    if (!lines) return;
    std::string key;
    for (const std::string& line : *lines) {
      LowerInto(std::string_view(line).substr(0, line.find('=')), &key);
      if (!Listed(key)) missing_.Add(key);
    }
  }

  bool missing_empty() const { return missing_.empty(); }

  // Resolves the INF's destination folders; false when an unrecognised directory
  // number ends the analysis.
  bool ResolveFolders() {
    ResolvedDestinations resolved =
        ResolveDestinations(fs_, inf_path_, input_.location->windows_folder);
    if (!resolved.ok()) {
      outcome_.end = AnalysisEnd::kUnrecognisedDestination;
      outcome_.destination_number = std::move(resolved.unrecognised_number);
      return false;
    }
    destinations_ = std::move(resolved.destinations);
    return true;
  }

  AnalysisOutcome& outcome() { return outcome_; }
  FileListSink& sink() { return sink_; }

 private:
  // A file line whose file is not on disk (`path` empty: no destination), once.
  void NotFound(std::string_view file, std::string path) {
    if (!not_found_seen_.insert(inf::LowerCase(path.empty() ? file : path)).second) return;
    outcome_.not_found.push_back(FileNotFound{std::string(file), std::move(path)});
  }

  // The lines of a list the analysis ends at for want of a destination: their files
  // were never looked for.
  void ReportUnplacedLines(std::string_view body) {
    for (const std::string& line : inf::Split(body, ";")) {
      const std::string_view file = std::string_view(line).substr(0, line.find(','));
      if (!Listed(inf::LowerCase(file))) NotFound(file, {});
    }
  }

  platform::FileSystem& fs_;
  const AnalysisInput& input_;
  FileListSink& sink_;
  const std::string inf_path_;
  JoinedTexts lower_rows_;
  JoinedTexts missing_;
  std::optional<Destinations> destinations_;
  AnalysisOutcome outcome_;
  std::unordered_set<std::string> not_found_seen_;  // lower-case paths (names when unplaced)
};

}  // namespace

void WriteVerdict(std::string_view windows_inf_index, std::string_view inf_file_name,
                  FileListSink& sink) {
  const std::string_view sentence =
      IsWindowsInf(windows_inf_index, inf_file_name) ? kInstalledWithWindows : kShouldBeBackedUp;
  sink.SetComments(std::string(sentence) + "\r\n\r\n");
  sink.SetComments(sink.Comments() + "Total Files - " + std::to_string(sink.RowCount()));
}

namespace {

// The walk of a located entry; its end is recorded in the analysis's outcome.
// @throws inf::FileReadError when a file exists but cannot be read.
void Walk(platform::FileSystem& fs, const AnalysisInput& input, Analysis& analysis) {
  const InfLocation* loc = input.location;
  FileListSink& sink = analysis.sink();
  AnalysisOutcome& outcome = analysis.outcome();
  const std::string& inf_path = analysis.inf_path();

  // The INF itself is always the first row.
  std::string companion = inf_path + "||" + std::string(input.entry_text);
  if (!loc->source_name.empty()) companion += "||" + inf::LowerCase(loc->source_name);
  analysis.AddRow(inf_path, std::move(companion));

  bool section_found = false;
  const std::string copy =
      inf::GetIniValue(fs, inf_path, loc->install_section, "CopyFiles", &section_found);
  WriteVerdict(input.windows_inf_index, loc->inf_file_name, sink);
  if (copy.empty()) {
    outcome.end = section_found ? AnalysisEnd::kNoCopyFiles : AnalysisEnd::kInstallSectionMissing;
    return;
  }

  if (!analysis.ResolveFolders()) return;

  // Pass 1: the install section's own CopyFiles lists, then its DelFiles lists.
  std::vector<std::string> items;
  analysis.AddWorkItems(copy, &items);
  const std::size_t copy_items = items.size();
  const std::string del = inf::GetIniValue(fs, inf_path, loc->install_section, "DelFiles");
  if (!del.empty()) analysis.AddWorkItems(del, &items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!analysis.Walk(items[i], Pass::kFirst, i < copy_items)) return;
  }

  // Pass 2: files of [SourceDisksFiles] still missing are looked for in every other
  // CopyFiles list of the INF.
  analysis.BuildMissingSources();
  if (input.copy_files_search_enabled && !analysis.missing_empty()) {
    const inf::IniList values = inf::FindIniValues(fs, inf_path, "CopyFiles");
    for (const std::string& value : values.value_or(std::vector<std::string>{})) {
      if (value == copy) continue;
      items.clear();
      analysis.AddWorkItems(value, &items);
      for (const std::string& item : items) analysis.Walk(item, Pass::kSecond, false);
    }
  }

  WriteVerdict(input.windows_inf_index, loc->inf_file_name, sink);
}

}  // namespace

AnalysisOutcome AnalyseLocatedEntry(platform::FileSystem& fs, const AnalysisInput& input,
                                    FileListSink& sink) {
  const InfLocation* loc = input.location;
  if (loc == nullptr || !loc->located) {
    AnalysisOutcome not_located;
    not_located.end = AnalysisEnd::kInfNotLocated;
    return not_located;
  }
  Analysis analysis(fs, input, sink);
  AnalysisOutcome& outcome = analysis.outcome();
  try {
    Walk(fs, input, analysis);
  } catch (const inf::FileReadError& e) {
    outcome.end = AnalysisEnd::kUnreadableFile;
    outcome.unreadable_path = e.path();
    outcome.unreadable_reason = e.reason();
  }
  return std::move(outcome);
}

}  // namespace veskaro::drivers
