#include "platform/code_page.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <utility>

#if __has_include(<iconv.h>)
#include <iconv.h>
#define VESKARO_HAVE_ICONV 1
#endif

namespace veskaro::platform {

std::string LowerCase1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerCase1252(c);
  return out;
}

std::string UpperCase1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperCase1252(c);
  return out;
}

bool EqualsIgnoreCase1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && LowerCase1252(a[i]) != LowerCase1252(b[i])) return false;
  }
  return true;
}

int CompareIgnoreCase1252(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(LowerCase1252(a[i]));
    const auto y = static_cast<unsigned char>(LowerCase1252(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    unsigned value;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, value = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = value << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

#ifdef VESKARO_HAVE_ICONV

namespace {

// The converters of one thread, opened once per code page and direction: opening
// one loads the system's conversion module, which costs far more than a name.
class Converters {
 public:
  ~Converters() {
    for (auto& [key, cd] : open_) {
      if (cd != kNone) iconv_close(cd);
    }
  }

  // The converter between UTF-8 and `code_page`, or kNone when the system has none.
  iconv_t Get(int code_page, bool to_utf8) {
    const auto [it, added] = open_.try_emplace(std::make_pair(code_page, to_utf8), kNone);
    if (added) {
      const std::string page = "CP" + std::to_string(code_page);
      it->second = to_utf8 ? iconv_open("UTF-8", page.c_str()) : iconv_open(page.c_str(), "UTF-8");
    }
    return it->second;
  }

  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

 private:
  std::map<std::pair<int, bool>, iconv_t> open_;
};

bool Convert(int code_page, bool to_utf8, std::string_view text, std::string* out) {
  thread_local Converters converters;
  const iconv_t cd = converters.Get(code_page, to_utf8);
  if (cd == Converters::kNone) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);     // a fresh shift state
  std::string converted(text.size() * 4 + 8, '\0');  // `text` may be `*out`
  char* in = const_cast<char*>(text.data());         // iconv's signature; it only reads
  std::size_t in_left = text.size();
  char* at = converted.data();
  std::size_t out_left = converted.size();
  // The output holds four bytes per input byte, more than any code page needs; a
  // conversion that still runs out of room, fails (EILSEQ, EINVAL), or reports
  // characters it could only approximate is not exact.
  if (iconv(cd, &in, &in_left, &at, &out_left) != 0 ||
      iconv(cd, nullptr, nullptr, &at, &out_left) != 0) {
    return false;
  }
  converted.resize(static_cast<std::size_t>(at - converted.data()));
  *out = std::move(converted);
  return true;
}

}  // namespace

bool CodePageToUtf8(int code_page, std::string_view text, std::string* out) {
  return Convert(code_page, true, text, out);
}

bool Utf8ToCodePage(int code_page, std::string_view text, std::string* out) {
  return IsValidUtf8(text) && Convert(code_page, false, text, out);
}

#else

// Systems without iconv (the Windows builds, whose ANSI functions take code page
// text as it is) have no converter: every name stays as its bytes.
bool CodePageToUtf8(int, std::string_view, std::string*) { return false; }
bool Utf8ToCodePage(int, std::string_view, std::string*) { return false; }

#endif

std::string CodePageToUtf8Shown(int code_page, std::string_view text) {
  std::string out;
  if (CodePageToUtf8(code_page, text, &out)) return out;
  // Byte by byte: what the page defines converted, any other byte as the
  // character of its number, in two bytes of UTF-8.
  out.clear();
  std::string one;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else if (CodePageToUtf8(code_page, std::string_view(&c, 1), &one)) {
      out += one;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::string HostNameToCodePage(int code_page, std::string_view host_name) {
  std::string converted;
  if (IsAscii(host_name) || !Utf8ToCodePage(code_page, host_name, &converted)) {
    return std::string(host_name);
  }
  return converted;
}

std::vector<std::string> HostSpellings(int code_page, std::string_view name) {
  if (IsAscii(name)) return {std::string(name)};
  std::vector<std::string> spellings;
  std::string utf8;
  if (CodePageToUtf8(code_page, name, &utf8)) spellings.push_back(std::move(utf8));
  if (HostNameToCodePage(code_page, name) == name) spellings.emplace_back(name);
  return spellings;
}

}  // namespace veskaro::platform
