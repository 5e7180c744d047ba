#include "inf/ini.h"

#include <cstring>
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

// Reads the next raw line; with `first`, the next whose cleaned form begins with it
// or with `also` (the lines between cannot matter to the caller). False at the end
// of the file.
bool NextRaw(LineReader& reader, std::string_view path, std::string_view* raw, char first = 0,
             char also = 0) {
  switch (first != 0 ? reader.NextBeginningWith(first, also != 0 ? also : first, raw)
                     : reader.Next(raw)) {
    case LineReader::Status::kLine:
      return true;
    case LineReader::Status::kEnd:
      return false;
    case LineReader::Status::kError:
      break;
  }
  throw FileReadError(std::string(path), reader.error());
}

// Blanks as cleaning sees them: a tab becomes a space before spaces are trimmed.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first character of the cleaned form of `raw`, or -1 when the cleaned line is
// empty. Cleaning keeps the first character that is neither blank nor the start of
// the comment, so most lines can be judged without being cleaned: a section end
// begins with "[", and a key line begins with the key's first letter.
int CleanFirst(std::string_view raw) {
  for (const char c : raw) {
    if (IsBlank(c)) continue;
    if (c == ';') return -1;
    return static_cast<unsigned char>(c);
  }
  return -1;
}

// Whether `line` is a key line for the lower-case key prefix `prefix` ("key=").
bool IsKeyLine(std::string_view line, std::string_view lower_prefix) {
  if (line.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (LowerChar(line[i]) != lower_prefix[i]) return false;
  }
  return true;
}

// Whether a raw line may clean to a key line for `lower_prefix`.
bool MayBeKeyLine(std::string_view raw, std::string_view lower_prefix) {
  const int first = CleanFirst(raw);
  return first >= 0 && LowerChar(static_cast<char>(first)) == lower_prefix[0];
}

std::string Header(std::string_view section) {
  std::string header;
  header.reserve(section.size() + 2);
  header += '[';
  header += section;
  header += ']';
  return header;
}

// `text` without blanks at either end.
std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// Appends `text` with every tab written as a space.
void AppendSpaced(std::string* out, std::string_view text) {
  const std::size_t at = out->size();
  out->append(text);
  for (std::size_t i = at; i < out->size(); ++i) {
    if ((*out)[i] == '\t') (*out)[i] = ' ';
  }
}

}  // namespace

FileReadError::FileReadError(std::string path, std::string reason)
    : std::runtime_error("cannot read " + path + ": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

void CleanIniLineInto(std::string_view raw, std::string* out) {
  // The comment goes first; then tabs count as spaces, and the outer ones go.
  const std::size_t semicolon = raw.find(';');
  if (semicolon != std::string_view::npos) raw = raw.substr(0, semicolon);
  const std::string_view line = TrimBlanks(raw);
  out->clear();
  out->reserve(line.size());
  if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
    AppendSpaced(out, line);  // a header line stays as it is
    return;
  }
  // Blanks around the first "=": the first piece and the second piece are trimmed,
  // later pieces are kept as they are.
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    AppendSpaced(out, line);
  } else {
    AppendSpaced(out, TrimBlanks(line.substr(0, eq)));
    *out += '=';
    const std::string_view rest = line.substr(eq + 1);
    const std::size_t eq2 = rest.find('=');
    AppendSpaced(out, TrimBlanks(rest.substr(0, eq2)));
    if (eq2 != std::string_view::npos) AppendSpaced(out, rest.substr(eq2));
  }
  // Spaces around every ",", removed in place.
  std::string& text = *out;
  if (text.find(',') == std::string::npos) return;
  std::size_t write = 0, start = 0;
  for (;;) {
    std::size_t end = text.find(',', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::size_t a = start, b = end;
    while (a < b && text[a] == ' ') ++a;
    while (b > a && text[b - 1] == ' ') --b;
    if (write != a) std::memmove(&text[write], &text[a], b - a);
    write += b - a;
    if (last) break;
    text[write++] = ',';
    start = end + 1;
  }
  text.resize(write);
}

std::string CleanIniLine(std::string_view raw) {
  std::string out;
  CleanIniLineInto(raw, &out);
  return out;
}

// The readers judge most lines by the first character of their cleaned form (see
// CleanFirst) and clean only the lines whose text they need.

IniList GetIniSection(platform::FileSystem& fs, std::string_view path, std::string_view section) {
  auto reader = OpenIfPresent(fs, path);
  if (reader == nullptr) return std::nullopt;
  const std::string header = Header(section);
  std::vector<std::string> lines;
  std::string line;
  std::string_view raw;
  // Searching: only lines that clean to something beginning with "[" can be the header.
  for (;;) {
    if (!NextRaw(*reader, path, &raw, '[')) return lines;
    CleanIniLineInto(raw, &line);
    if (EqualsIgnoreCase(line, header)) break;
  }
  // Collecting, up to the next line beginning with "["; only the first occurrence of
  // the section counts.
  while (NextRaw(*reader, path, &raw)) {
    const int first = CleanFirst(raw);
    if (first == '[') break;
    if (first < 0) continue;  // empty once cleaned
    CleanIniLineInto(raw, &line);
    lines.push_back(line);
  }
  return lines;
}

std::string GetIniValue(platform::FileSystem& fs, std::string_view path, std::string_view section,
                        std::string_view key, bool* section_found) {
  if (section_found != nullptr) *section_found = false;
  auto reader = OpenIfPresent(fs, path);
  if (reader == nullptr) return {};
  const std::string header = Header(section);
  const std::string prefix = LowerCase(key) + "=";
  std::string result;
  std::string line;
  std::string_view raw;
  bool inside = false;
  // Outside the section only lines beginning with "[" matter.
  while (NextRaw(*reader, path, &raw, inside ? 0 : '[')) {
    if (!inside) {
      CleanIniLineInto(raw, &line);
      inside = EqualsIgnoreCase(line, header);
      if (inside && section_found != nullptr) *section_found = true;
    } else if (CleanFirst(raw) == '[') {
      // The section ended; this line is not itself taken as the wanted header.
      inside = false;
    } else if (MayBeKeyLine(raw, prefix)) {
      CleanIniLineInto(raw, &line);
      if (IsKeyLine(line, prefix)) {
        result = line.substr(prefix.size());
        inside = false;
      }
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
  std::string_view raw;
  // Only lines beginning with the key's first letter, in either case, can be key lines;
  // a key that begins with a character lines may hold anywhere is looked for line by line.
  const char lower = prefix[0];
  const bool skip = lower != ' ' && lower != '\t' && lower != '\r' && lower != '\n' && lower != 0;
  while (NextRaw(*reader, path, &raw, skip ? lower : 0, UpperChar(lower))) {
    if (!MayBeKeyLine(raw, prefix)) continue;
    CleanIniLineInto(raw, &line);
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
