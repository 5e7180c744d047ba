// The 8-bit text of a Windows 95/98/Me installation: its code page (1252 unless the
// installation says otherwise), letter case in that page, and conversion between
// the code page and UTF-8, the encoding of host file names. The one place of these
// rules: the INF reader, the registries and the file systems call it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace veskaro::platform {

/// The code page of an installation whose registry names none.
inline constexpr int kDefaultCodePage = 1252;

namespace code_page_detail {

struct CaseTables {
  std::array<char, 256> lower{};
  std::array<char, 256> upper{};
};

constexpr CaseTables MakeCaseTables() {
  CaseTables t;
  for (int i = 0; i < 256; ++i) t.lower[i] = t.upper[i] = static_cast<char>(i);
  auto pair = [&t](int up, int low) {
    t.lower[up] = static_cast<char>(low);
    t.upper[low] = static_cast<char>(up);
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 0x20);
  pair(0x8A, 0x9A);  // S caron
  pair(0x8C, 0x9C);  // OE ligature
  pair(0x8E, 0x9E);  // Z caron
  pair(0x9F, 0xFF);  // Y diaeresis
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) pair(c, c + 0x20);  // 0xD7 is the multiplication sign
  }
  return t;
}

inline constexpr CaseTables kCase1252 = MakeCaseTables();

}  // namespace code_page_detail

/// Code page 1252 lower case of one byte: ASCII letters, the accented capitals
/// 0xC0..0xDE (except 0xD7), and Š, Œ, Ž, Ÿ (0x8A, 0x8C, 0x8E, 0x9F). Other bytes
/// unchanged. This is the letter case of every name the program compares.
inline char LowerCase1252(char c) {
  return code_page_detail::kCase1252.lower[static_cast<unsigned char>(c)];
}
/// Code page 1252 upper case of one byte; the inverse of LowerCase1252 (ß and the
/// division sign have no capital and stay).
inline char UpperCase1252(char c) {
  return code_page_detail::kCase1252.upper[static_cast<unsigned char>(c)];
}
std::string LowerCase1252(std::string_view text);
std::string UpperCase1252(std::string_view text);

/// True when `a` and `b` are equal ignoring code page 1252 letter case.
bool EqualsIgnoreCase1252(std::string_view a, std::string_view b);
/// Three-way comparison of the lower-case forms, byte by byte as unsigned values,
/// a prefix first: negative, 0 or positive.
int CompareIgnoreCase1252(std::string_view a, std::string_view b);

/// True when every byte of `text` is ASCII (below 0x80): such text is the same in
/// every code page and in UTF-8.
bool IsAscii(std::string_view text);

/// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values
/// beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

/// Converts text of code page `code_page` to UTF-8 (through the system's iconv).
/// False, leaving `*out` unspecified, when the page is unknown to the system or the
/// text holds a byte the page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D of
/// page 1252).
bool CodePageToUtf8(int code_page, std::string_view text, std::string* out);

/// Converts UTF-8 text to code page `code_page`. False when the text is not valid
/// UTF-8 or holds a character the page cannot hold.
bool Utf8ToCodePage(int code_page, std::string_view text, std::string* out);

/// Text of code page `code_page` as UTF-8 for showing it, never failing: as
/// CodePageToUtf8 converts it, except that a byte the page leaves undefined becomes
/// the character of the same number (U+0081 ... U+009D for page 1252), as Windows
/// converts them, so that no byte is lost.
std::string CodePageToUtf8Shown(int code_page, std::string_view text);

/// The spelling in code page `code_page` of a host file name (host names are UTF-8):
/// the name converted when it is valid UTF-8 that the page can hold, else its bytes
/// unchanged, so that a name stored in another encoding keeps matching by its bytes.
/// ASCII names are themselves.
std::string HostNameToCodePage(int code_page, std::string_view host_name);

/// The host names that HostNameToCodePage takes to `name` (text in code page
/// `code_page`), the preferred first: its UTF-8 form, then its bytes themselves when
/// they are no UTF-8 the page can hold. A new file or folder gets the first. Empty
/// only for a name of a byte the page leaves undefined that is also valid UTF-8 of
/// another text; no host name stands for such a name.
std::vector<std::string> HostSpellings(int code_page, std::string_view name);

}  // namespace veskaro::platform
