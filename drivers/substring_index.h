// A growing text that answers "does this occur in it?" in time of the question's length.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace veskaro::drivers {

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

}  // namespace veskaro::drivers
