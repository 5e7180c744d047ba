#include "drivers/substring_index.h"

#include <cstddef>

namespace veskaro::drivers {

SubstringIndex::SubstringIndex() { states_.push_back(State{}); }

void SubstringIndex::Append(std::string_view text) {
  for (const char c : text) Extend(c);
}

bool SubstringIndex::Contains(std::string_view part) const {
  int state = 0;
  for (const char c : part) {
    state = Next(state, c);
    if (state < 0) return false;
  }
  return true;
}

int SubstringIndex::Next(int state, char c) const {
  for (const auto& [label, target] : states_[static_cast<std::size_t>(state)].next) {
    if (label == c) return target;
  }
  return -1;
}

void SubstringIndex::Set(int state, char c, int target) {
  for (auto& edge : states_[static_cast<std::size_t>(state)].next) {
    if (edge.first == c) {
      edge.second = target;
      return;
    }
  }
  states_[static_cast<std::size_t>(state)].next.emplace_back(c, target);
}

// The textbook online construction; states are addressed by index because the
// vector that holds them grows.
void SubstringIndex::Extend(char c) {
  auto at = [this](int state) -> State& { return states_[static_cast<std::size_t>(state)]; };
  const int current = static_cast<int>(states_.size());
  states_.push_back(State{at(last_).length + 1, -1, {}});
  int p = last_;
  while (p >= 0 && Next(p, c) < 0) {
    Set(p, c, current);
    p = at(p).link;
  }
  if (p < 0) {
    at(current).link = 0;
  } else {
    const int q = Next(p, c);
    if (at(p).length + 1 == at(q).length) {
      at(current).link = q;
    } else {
      const int clone = static_cast<int>(states_.size());
      State copy = at(q);
      copy.length = at(p).length + 1;
      states_.push_back(std::move(copy));
      while (p >= 0 && Next(p, c) == q) {
        Set(p, c, clone);
        p = at(p).link;
      }
      at(q).link = clone;
      at(current).link = clone;
    }
  }
  last_ = current;
}

}  // namespace veskaro::drivers
