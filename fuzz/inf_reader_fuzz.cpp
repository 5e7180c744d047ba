// The INF readers over arbitrary file contents and section and key names, compared
// with a plain reading of the rules written independently here.
//
// Input: the section name up to the first line feed, the key name up to the second,
// then the file's bytes. The line reader is also run over the file in small blocks
// with reads of uneven lengths, so that lines and CR LF pairs fall across blocks.
// Lines end at CR, CR LF or LF; section headers match ignoring letter case.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "inf/ini.h"
#include "inf/text.h"
#include "platform/line_reader.h"
#include "platform/memory_file_system.h"

namespace {

using veskaro::fuzz::Check;

// --- The reference reading ---------------------------------------------------

// Lines end at CR, CR LF or LF alone; a last line without an end counts when it is
// not empty.
std::vector<std::string> RefLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += bytes[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string> RefSplit(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) break;
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string RefJoin(const std::vector<std::string>& pieces, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out += separator;
    out += pieces[i];
  }
  return out;
}

std::string RefTrim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string RefClean(std::string line) {
  const std::size_t semicolon = line.find(';');
  if (semicolon != std::string::npos) line.resize(semicolon);
  std::replace(line.begin(), line.end(), '\t', ' ');
  line = RefTrim(line);
  if (line.size() >= 2 && line.front() == '[' && line.back() == ']') return line;
  if (line.find('=') != std::string::npos) {
    std::vector<std::string> pieces = RefSplit(line, "=");
    pieces[0] = RefTrim(pieces[0]);
    pieces[1] = RefTrim(pieces[1]);
    line = RefJoin(pieces, "=");
  }
  if (line.find(',') != std::string::npos) {
    std::vector<std::string> pieces = RefSplit(line, ",");
    for (std::string& piece : pieces) piece = RefTrim(piece);
    line = RefJoin(pieces, ",");
  }
  return line;
}

std::string RefLower(std::string text) {
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
      c = static_cast<char>(u + 32);
    } else if (u == 0x8A || u == 0x8C || u == 0x8E) {
      c = static_cast<char>(u + 16);
    } else if (u == 0x9F) {
      c = static_cast<char>(0xFF);
    }
  }
  return text;
}

bool RefIsKeyLine(const std::string& line, const std::string& key) {
  return RefLower(line).starts_with(RefLower(key) + "=");
}

// Whether a cleaned line heads `section`: letter case is ignored, as for keys.
bool RefIsHeader(const std::string& line, const std::string& section) {
  return RefLower(line) == RefLower("[" + section + "]");
}

std::vector<std::string> RefSection(const std::vector<std::string>& cleaned,
                                    const std::string& section) {
  std::vector<std::string> body;
  std::size_t i = 0;
  while (i < cleaned.size() && !RefIsHeader(cleaned[i], section)) ++i;
  for (++i; i < cleaned.size(); ++i) {
    if (!cleaned[i].empty() && cleaned[i][0] == '[') break;
    if (!cleaned[i].empty()) body.push_back(cleaned[i]);
  }
  return body;
}

std::string RefValue(const std::vector<std::string>& cleaned, const std::string& section,
                     const std::string& key) {
  std::string result;
  bool inside = false;
  for (const std::string& line : cleaned) {
    if (!inside) {
      inside = RefIsHeader(line, section);
    } else if (!line.empty() && line[0] == '[') {
      inside = false;
    } else if (RefIsKeyLine(line, key)) {
      result = line.substr(key.size() + 1);
      inside = false;
    }
  }
  return result;
}

std::optional<std::vector<std::string>> RefFind(const std::vector<std::string>& cleaned,
                                                const std::string& key) {
  std::string accumulated;
  for (const std::string& line : cleaned) {
    if (RefIsKeyLine(line, key)) accumulated += line.substr(key.size() + 1) + "||||";
  }
  if (accumulated.empty()) return std::nullopt;
  accumulated.resize(accumulated.size() - 4);
  if (accumulated.empty()) return std::vector<std::string>{};
  return RefSplit(accumulated, "||||");
}

// --- Uneven reads for the line reader ----------------------------------------

class ChoppySource : public veskaro::platform::ByteSource {
 public:
  ChoppySource(std::string_view bytes, std::uint32_t seed) : bytes_(bytes), state_(seed | 1) {}
  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string*) override {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    // Mostly a few bytes; every fourth read fills the block, so that the reader
    // moves on to larger blocks.
    const std::size_t want =
        state_ % 4 == 0 ? capacity : std::min<std::size_t>(capacity, 1 + state_ % 7);
    const std::size_t n = std::min(want, bytes_.size() - at_);
    if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  std::uint32_t state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veskaro;
  std::string_view rest = fuzz::AsText(data, size);
  const std::string section(fuzz::TakeLine(&rest));
  const std::string key(fuzz::TakeLine(&rest));
  const std::string_view file = rest;

  const std::vector<std::string> raw = RefLines(file);
  std::vector<std::string> cleaned;
  for (const std::string& line : raw) {
    const std::string clean = inf::CleanIniLine(line);
    Check(clean == RefClean(line), "CleanIniLine follows the cleaning steps", line);
    Check(clean.find(';') == std::string::npos && clean.find('\t') == std::string::npos,
          "a cleaned line holds no ';' or tab", clean);
    Check(clean.empty() || (clean.front() != ' ' && clean.back() != ' '),
          "a cleaned line is trimmed", clean);
    cleaned.push_back(clean);
  }

  // The line reader over uneven reads and small, growing blocks gives the same lines.
  const std::uint32_t seed = static_cast<std::uint32_t>(size * 2654435761u);
  platform::LineReader reader(std::make_unique<ChoppySource>(file, seed), 16 + seed % 400,
                              16 + seed % 48);
  std::size_t index = 0;
  std::string_view line;
  for (platform::LineReader::Status status;
       (status = reader.Next(&line)) == platform::LineReader::Status::kLine; ++index) {
    Check(index < raw.size() && line == raw[index], "the line reader splits at CR, CR LF and LF");
  }
  Check(index == raw.size(), "the line reader reads every line");

  // The three readers over the file in a drive.
  platform::MemoryFileSystem fs;
  fs.AddFile("C:\\WINDOWS\\INF\\FUZZ.INF", file);
  const std::string path = "C:\\WINDOWS\\INF\\FUZZ.INF";

  const inf::IniList body = inf::GetIniSection(fs, path, section);
  Check(body.has_value() && *body == RefSection(cleaned, section),
        "GetIniSection returns the first section's non-empty lines");
  Check(inf::GetIniValue(fs, path, section, key) == RefValue(cleaned, section, key),
        "GetIniValue follows the outside/inside reading");
  Check(inf::FindIniValues(fs, path, key) == RefFind(cleaned, key),
        "FindIniValues returns every value of the key");

  // An absent file: empty results of the documented kinds.
  Check(!inf::GetIniSection(fs, "C:\\WINDOWS\\INF\\NONE.INF", section).has_value(),
        "an absent file gives no section");
  Check(!inf::FindIniValues(fs, "C:\\WINDOWS\\INF\\NONE.INF", key).has_value(),
        "an absent file gives no values");
  return 0;
}
