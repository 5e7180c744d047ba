// Text helpers for the 8-bit (code page 1252) text the program works with.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veskaro::inf {

/// Lower case of one code page 1252 byte: ASCII letters and the accented capitals
/// of that page (0x8A, 0x8C, 0x8E, 0x9F, 0xC0-0xDE except 0xD7).
char LowerChar(char c);
/// Upper case of one code page 1252 byte; the inverse of LowerChar.
char UpperChar(char c);
/// The text in code page 1252 lower case. The one lower-casing rule of the program.
std::string LowerCase(std::string_view text);
/// The text in code page 1252 upper case.
std::string UpperCase(std::string_view text);
/// Case-insensitive equality under LowerChar.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
/// Case-insensitive three-way comparison under LowerChar, byte order otherwise.
int CompareIgnoreCase(std::string_view a, std::string_view b);

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

/// A text that grows at its end, with a substring test whose time grows with the
/// length of the text sought, not with that of the text searched (an online suffix
/// automaton: every state stands for a set of substrings, and following transitions
/// from the start succeeds exactly for the substrings). Memory: a few dozen bytes per
/// character appended.
class SubstringIndex {
 public:
  SubstringIndex();
  /// Appends `text` to the indexed text.
  void Append(std::string_view text);
  /// Whether `part` occurs in the text appended so far (the empty text always does).
  bool Contains(std::string_view part) const;

 private:
  struct State {
    int length = 0;
    int link = -1;
    std::vector<std::pair<char, int>> next;
  };
  int Next(int state, char c) const;
  void Set(int state, char c, int target);
  void Extend(char c);

  std::vector<State> states_;
  int last_ = 0;
};

}  // namespace veskaro::inf
