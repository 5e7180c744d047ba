// Text helpers for the 8-bit (code page 1252) text the program works with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace veskaro::inf {

// Letter case of the installation's text is code page 1252's (platform/code_page.h);
// these are its names in inf/ and the layers above.
inline char LowerChar(char c) { return platform::LowerCase1252(c); }
inline char UpperChar(char c) { return platform::UpperCase1252(c); }
inline std::string LowerCase(std::string_view text) { return platform::LowerCase1252(text); }
inline std::string UpperCase(std::string_view text) { return platform::UpperCase1252(text); }
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return platform::EqualsIgnoreCase1252(a, b);
}
inline int CompareIgnoreCase(std::string_view a, std::string_view b) {
  return platform::CompareIgnoreCase1252(a, b);
}

/// Splits at every occurrence of `separator` (not empty); n separators give n + 1
/// pieces, empty pieces included. Empty text gives one empty piece.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
/// Joins with `separator` between pieces.
std::string Join(const std::vector<std::string>& pieces, std::string_view separator);
/// Removes leading and trailing spaces (code 32 only).
std::string_view TrimSpaces(std::string_view text);
/// Whether `text` contains `part`.
inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace veskaro::inf
