#include "inf/ini.h"

#include <memory>

#include "inf/text.h"
#include "platform/line_reader.h"

namespace veskaro::inf {
namespace {

using platform::LineReader;

// Opens `path` for line reading, or returns null when no file is found there (a
// directory search with the normal attribute set: hidden and system files count
// as absent).
std::unique_ptr<LineReader> OpenIfPresent(platform::FileSystem& fs, std::string_view path) {
  if (fs.FindFirst(path, platform::SearchKind::kNormal).empty()) return nullptr;
  std::string error;
  auto source = fs.OpenRead(path, &error);
  if (source == nullptr) throw FileReadError(std::string(path), error);
  return std::make_unique<LineReader>(std::move(source));
}

// Reads the next line and cleans it into `*line`. False at the end of the file.
bool NextClean(LineReader& reader, std::string_view path, std::string* line) {
  std::string_view raw;
  switch (reader.Next(&raw)) {
    case LineReader::Status::kLine:
      CleanIniLineInto(raw, line);
      return true;
    case LineReader::Status::kEnd:
      return false;
    case LineReader::Status::kError:
      break;
  }
  throw FileReadError(std::string(path), reader.error());
}

// Whether `line` is a key line for the lower-case key prefix `prefix` ("key=").
bool IsKeyLine(std::string_view line, std::string_view lower_prefix) {
  if (line.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (LowerChar(line[i]) != lower_prefix[i]) return false;
  }
  return true;
}

std::string Header(std::string_view section) {
  std::string header;
  header.reserve(section.size() + 2);
  header += '[';
  header += section;
  header += ']';
  return header;
}

// Appends `piece` with leading and trailing spaces removed.
void AppendTrimmed(std::string* out, std::string_view piece) { out->append(TrimSpaces(piece)); }

}  // namespace

FileReadError::FileReadError(std::string path, std::string reason)
    : std::runtime_error("cannot read " + path + ": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

void CleanIniLineInto(std::string_view raw, std::string* out) {
  // Comment, then tabs, then the outer spaces.
  const std::size_t semicolon = raw.find(';');
  if (semicolon != std::string_view::npos) raw = raw.substr(0, semicolon);
  std::string text(raw);
  for (char& c : text) {
    if (c == '\t') c = ' ';
  }
  std::string_view line = TrimSpaces(text);

  out->clear();
  if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
    out->assign(line);
    return;
  }
  // Spaces around the first "=": the first piece and the second piece are trimmed,
  // later pieces are kept as they are.
  std::string joined;
  const std::size_t eq = line.find('=');
  if (eq != std::string_view::npos) {
    joined.reserve(line.size());
    AppendTrimmed(&joined, line.substr(0, eq));
    joined += '=';
    std::string_view rest = line.substr(eq + 1);
    const std::size_t eq2 = rest.find('=');
    if (eq2 == std::string_view::npos) {
      AppendTrimmed(&joined, rest);
    } else {
      AppendTrimmed(&joined, rest.substr(0, eq2));
      joined.append(rest.substr(eq2));
    }
    line = joined;
  }
  // Spaces around every ",".
  if (line.find(',') == std::string_view::npos) {
    out->assign(line);
    return;
  }
  out->reserve(line.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      AppendTrimmed(out, line.substr(start));
      break;
    }
    AppendTrimmed(out, line.substr(start, comma - start));
    *out += ',';
    start = comma + 1;
  }
}

std::string CleanIniLine(std::string_view raw) {
  std::string out;
  CleanIniLineInto(raw, &out);
  return out;
}

IniList GetIniSection(platform::FileSystem& fs, std::string_view path, std::string_view section) {
  auto reader = OpenIfPresent(fs, path);
  if (reader == nullptr) return std::nullopt;
  const std::string header = Header(section);
  std::vector<std::string> lines;
  std::string line;
  bool inside = false;
  while (NextClean(*reader, path, &line)) {
    if (!inside) {
      inside = line == header;
      continue;
    }
    if (!line.empty() && line.front() == '[') break;  // only the first occurrence counts
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string GetIniValue(platform::FileSystem& fs, std::string_view path, std::string_view section,
                        std::string_view key) {
  auto reader = OpenIfPresent(fs, path);
  if (reader == nullptr) return {};
  const std::string header = Header(section);
  const std::string prefix = LowerCase(key) + "=";
  std::string result;
  std::string line;
  bool inside = false;
  while (NextClean(*reader, path, &line)) {
    if (!inside) {
      inside = line == header;
    } else if (!line.empty() && line.front() == '[') {
      // The section ended; this line is not itself taken as the wanted header.
      inside = false;
    } else if (IsKeyLine(line, prefix)) {
      result = line.substr(prefix.size());
      inside = false;
    }
  }
  return result;
}

IniList FindIniValues(platform::FileSystem& fs, std::string_view path, std::string_view key) {
  auto reader = OpenIfPresent(fs, path);
  if (reader == nullptr) return std::nullopt;
  const std::string prefix = LowerCase(key) + "=";
  std::string accumulated;
  std::string line;
  while (NextClean(*reader, path, &line)) {
    if (IsKeyLine(line, prefix)) {
      accumulated.append(line, prefix.size());
      accumulated += "||||";
    }
  }
  if (accumulated.empty()) return std::nullopt;
  accumulated.resize(accumulated.size() - 4);
  if (accumulated.empty()) return std::vector<std::string>{};
  return Split(accumulated, "||||");
}

}  // namespace veskaro::inf
