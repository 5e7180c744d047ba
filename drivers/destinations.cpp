#include "drivers/destinations.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "inf/ini.h"
#include "inf/text.h"

namespace veskaro::drivers {
namespace {

// Reads classic BASIC numbers from the front of a text. Blanks, tabs and line feeds
// are skipped wherever they stand, as BASIC strips them before it reads.
class NumberScanner {
 public:
  explicit NumberScanner(std::string_view text) : text_(text) {}

  // The next character that is not skipped, or 0 at the end.
  char Peek() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n')) {
      ++pos_;
    }
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  void Skip() { ++pos_; }

  // Appends the decimal digits that follow to `*out`.
  void Digits(std::string* out) {
    for (char c = Peek(); c >= '0' && c <= '9'; c = Peek()) {
      out->push_back(c);
      Skip();
    }
  }

  // Reads digits of `base` (8 or 16) as an unsigned number. Values up to 16 and 32
  // bits are taken as BASIC's signed Integer and Long, so "&HFFFF" reads as -1.
  double Radix(int base) {
    double value = 0;
    for (;;) {
      const char c = Peek();
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0 || digit >= base) break;
      value = value * base + digit;
      Skip();
    }
    if (value <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    if (value <= 0xFFFFFFFFu) {
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    return value;  // beyond BASIC's Long: kept as it is
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The value of an exponent's digits, saturated far beyond any double's range.
long long ExponentValue(std::string_view digits) {
  long long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > 100000) return 100000;
  }
  return value;
}

}  // namespace

double BasicVal(std::string_view text) {
  NumberScanner scan(text);
  if (scan.Peek() == '&') {
    scan.Skip();
    const char kind = scan.Peek();
    if (kind == 'H' || kind == 'h') {
      scan.Skip();
      return scan.Radix(16);
    }
    if (kind == 'O' || kind == 'o') {
      scan.Skip();
      return scan.Radix(8);
    }
    return scan.Radix(8);  // "&" followed by digits is octal too
  }

  bool negative = false;
  if (scan.Peek() == '+' || scan.Peek() == '-') {
    negative = scan.Peek() == '-';
    scan.Skip();
  }
  std::string whole;
  std::string fraction;
  scan.Digits(&whole);
  if (scan.Peek() == '.') {
    scan.Skip();
    scan.Digits(&fraction);
  }
  if (whole.empty() && fraction.empty()) return 0;

  bool exponent_negative = false;
  std::string exponent;
  const char marker = scan.Peek();
  if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
    scan.Skip();
    if (scan.Peek() == '+' || scan.Peek() == '-') {
      exponent_negative = scan.Peek() == '-';
      scan.Skip();
    }
    scan.Digits(&exponent);
  }

  std::string number = whole.empty() ? "0" : whole;
  if (!fraction.empty()) number += "." + fraction;
  if (!exponent.empty()) number += (exponent_negative ? "e-" : "e") + exponent;
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: tell which by the decimal magnitude.
    long long magnitude;
    const std::size_t first = whole.find_first_not_of('0');
    if (first != std::string::npos) {
      magnitude = static_cast<long long>(whole.size() - first);
    } else {
      magnitude = -static_cast<long long>(fraction.find_first_not_of('0'));
    }
    const long long e = ExponentValue(exponent);
    magnitude += exponent_negative ? -e : e;
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

std::string BasicNumberText(double n) {
  if (std::isnan(n)) return "0";
  if (std::isinf(n)) return n < 0 ? "-1.#INF" : "1.#INF";
  if (n == 0) return "0";
  char buffer[64];
  std::to_chars_result result;
  if (n == std::trunc(n) && std::fabs(n) < 1e15) {
    result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(n));
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, n, std::chars_format::general, 15);
  }
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::optional<std::string> FolderForNumber(double n, std::string_view windows_folder) {
  const std::string w(windows_folder);
  if (n == 10 || n == 25 || n == 26) return w;
  if (n == 11) return w + "SYSTEM\\";
  if (n == 12) return w + "SYSTEM\\IOSUBSYS\\";
  if (n == 13) return w + "COMMAND\\";
  if (n == 17) return w + "INF\\";
  if (n == 18) return w + "HELP\\";
  if (n == 20) return w + "FONTS\\";
  if (n == 21) return w + "SYSTEM\\VIEWERS\\";
  if (n == 22) return w + "SYSTEM\\VMM32\\";
  if (n == 23) return w + "SYSTEM\\COLOR\\";
  if (n == 24 || n == 30) return w.substr(0, 3);  // the root of the Windows drive
  return std::nullopt;
}

std::string Destinations::Lookup(std::string_view name) const {
  for (const auto& [key, folder] : table) {
    if (inf::EqualsIgnoreCase(key, name)) return folder;
  }
  return {};
}

ResolvedDestinations ResolveDestinations(platform::FileSystem& fs, std::string_view inf_path,
                                         std::string_view windows_folder) {
  ResolvedDestinations resolved;
  Destinations& result = resolved.destinations;
  const inf::IniList lines = inf::GetIniSection(fs, inf_path, "DestinationDirs");
  if (!lines) return resolved;
  for (const std::string& line : *lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // no key and no number to resolve
    std::string key = line.substr(0, eq);
    const std::string_view value = std::string_view(line).substr(eq + 1);

    const double n = BasicVal(value);
    std::optional<std::string> folder = FolderForNumber(n, windows_folder);
    if (!folder) {
      resolved.unrecognised_number = BasicNumberText(n);
      return resolved;
    }
    const std::size_t comma = value.find(',');
    if (comma != std::string_view::npos) {
      const std::string_view rest = value.substr(comma + 1);
      std::string sub(inf::TrimSpaces(rest.substr(0, rest.find(','))));
      if (sub.empty() || sub.back() != '\\') sub += '\\';
      *folder += sub;
    }
    if (inf::LowerCase(key) == "defaultdestdir") result.default_destination = *folder;
    result.table.emplace_back(std::move(key), std::move(*folder));
  }
  return resolved;
}

}  // namespace veskaro::drivers
