#include "cli/report_output.h"

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

namespace veskaro::cli {
namespace {

using nlohmann::ordered_json;

// Code page 1252 text as UTF-8 (no byte lost).
std::string Utf8(std::string_view text) {
  return platform::CodePageToUtf8Shown(platform::kDefaultCodePage, text);
}

// A host path as JSON text: host names are UTF-8 already; a name in some other
// encoding is shown as if it were code page 1252, so the document stays UTF-8.
std::string HostUtf8(const std::string& path) {
  return platform::IsValidUtf8(path) ? path : Utf8(path);
}

void AddHost(ordered_json& object, const platform::HostLocation& host) {
  object["host_path"] = host.empty() ? ordered_json(nullptr) : ordered_json(HostUtf8(host.path));
  if (!host.inside.empty()) object["inside_image"] = Utf8(host.inside);
}

std::string HostText(const platform::HostLocation& host) {
  if (host.empty()) return {};
  return host.inside.empty() ? host.path : host.path + " :: " + host.inside;
}

bool Complete(const drivers::AnalysisOutcome& outcome) {
  return outcome.end == drivers::AnalysisEnd::kComplete ||
         outcome.end == drivers::AnalysisEnd::kNoCopyFiles;
}

ordered_json OutcomeJson(const drivers::AnalysisOutcome& outcome) {
  ordered_json o;
  o["end"] = app::EndName(outcome.end);
  o["complete"] = Complete(outcome);
  switch (outcome.end) {
    case drivers::AnalysisEnd::kUnrecognisedDestination:
      o["destination_number"] = Utf8(outcome.destination_number);
      break;
    case drivers::AnalysisEnd::kListWithoutDestination:
      o["list"] = Utf8(outcome.list_name);
      break;
    case drivers::AnalysisEnd::kUnreadableFile:
      o["unreadable_path"] = Utf8(outcome.unreadable_path);
      o["reason"] = Utf8(outcome.unreadable_reason);
      break;
    default:
      break;
  }
  return o;
}

ordered_json EntryJson(const app::EntryReport& e) {
  ordered_json entry;
  entry["class"] = {{"row", Utf8(e.class_row)}, {"key", Utf8(e.class_key)}};
  entry["entry_key"] = Utf8(e.entry_key);
  entry["description"] = Utf8(e.shown);
  entry["driver_desc"] = Utf8(e.driver_desc);
  entry["matching_device_id"] = Utf8(e.matching_device_id);
  ordered_json inf;
  inf["registry"] = Utf8(e.inf.registry_text);
  inf["located"] = e.inf.located;
  if (e.inf.located) {
    inf["windows_path"] = Utf8(e.inf.InfPath());
    AddHost(inf, e.inf_host);
  }
  entry["inf"] = inf;
  entry["install_section"] = Utf8(e.inf.install_section);
  entry["shipped_with_windows"] = e.shipped_with_windows;
  entry["outcome"] = OutcomeJson(e.outcome);
  entry["driver_folder"] = Utf8(e.driver_folder);
  ordered_json files = ordered_json::array();
  for (const app::ReportedFile& f : e.files) {
    ordered_json file;
    file["windows_path"] = Utf8(f.windows_path);
    AddHost(file, f.host);
    file["stored_name"] = Utf8(f.stored_name);
    files.push_back(file);
  }
  entry["files"] = files;
  ordered_json missing = ordered_json::array();
  for (const drivers::FileNotFound& f : e.outcome.not_found) {
    missing.push_back(
        {{"file", Utf8(f.file)},
         {"windows_path", f.path.empty() ? ordered_json(nullptr) : ordered_json(Utf8(f.path))}});
  }
  entry["not_found"] = missing;
  return entry;
}

// Totals over the entries.
struct Totals {
  int complete = 0;
  int ended_early = 0;
  int files = 0;
  int not_found = 0;
};

Totals Count(const app::Report& report) {
  Totals t;
  for (const app::EntryReport& e : report.entries) {
    ++(Complete(e.outcome) ? t.complete : t.ended_early);
    t.files += static_cast<int>(e.files.size());
    t.not_found += static_cast<int>(e.outcome.not_found.size());
  }
  return t;
}

// One "name  value" line of an entry block, the values in one column.
void Field(std::string* out, std::string_view name, std::string_view value) {
  std::string line = "  ";
  line += name;
  line.resize(24, ' ');
  *out += line;
  *out += value;
  *out += '\n';
}

}  // namespace

std::string ReportText(const app::Report& report) {
  std::string out = "Installation: " + HostText(report.installation) + " (Windows folder " +
                    report.windows_folder + ")\n";
  for (const app::EntryReport& e : report.entries) {
    out += "\n" + e.class_row + " (" + e.class_key + ") / " + e.shown + " (" + e.entry_key + ")\n";
    Field(&out, "DriverDesc", e.driver_desc);
    Field(&out, "MatchingDeviceId", e.matching_device_id);
    std::string inf = e.inf.registry_text + ": ";
    if (e.inf.located) {
      inf += e.inf.InfPath();
      if (!e.inf_host.empty()) inf += "  (" + HostText(e.inf_host) + ")";
    } else {
      inf += "not located";
    }
    Field(&out, "INF", inf);
    Field(&out, "Install section", e.inf.install_section);
    Field(&out, "Shipped with Windows", e.shipped_with_windows ? "yes" : "no");
    Field(&out, "Analysis", (Complete(e.outcome) ? "" : "ended early: ") + app::EndText(e.outcome));
    Field(&out, "Driver folder", e.driver_folder);
    Field(&out, "Files", std::to_string(e.files.size()));
    for (const app::ReportedFile& f : e.files) {
      out += "    " + f.windows_path + " -> " + f.stored_name;
      if (!f.host.empty()) out += "  (" + HostText(f.host) + ")";
      out += '\n';
    }
    Field(&out, "Not found on disk", std::to_string(e.outcome.not_found.size()));
    for (const drivers::FileNotFound& f : e.outcome.not_found) {
      out += "    " + (f.path.empty() ? f.file + " (no destination)" : f.path) + '\n';
    }
  }
  const Totals t = Count(report);
  out += "\n" + std::to_string(report.entries.size()) + " entries: " + std::to_string(t.complete) +
         " complete, " + std::to_string(t.ended_early) + " ended early; " +
         std::to_string(t.files) + " files listed, " + std::to_string(t.not_found) +
         " not found on disk\n";
  return out;
}

std::string ReportJson(const app::Report& report) {
  ordered_json doc;
  ordered_json installation;
  AddHost(installation, report.installation);
  installation["windows_folder"] = Utf8(report.windows_folder);
  doc["installation"] = installation;
  ordered_json entries = ordered_json::array();
  for (const app::EntryReport& e : report.entries) entries.push_back(EntryJson(e));
  doc["entries"] = entries;
  const Totals t = Count(report);
  doc["summary"] = {{"entries", report.entries.size()},
                    {"complete", t.complete},
                    {"ended_early", t.ended_early},
                    {"files", t.files},
                    {"not_found", t.not_found}};
  return doc.dump(2) + "\n";
}

}  // namespace veskaro::cli
