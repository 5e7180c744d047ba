#include "drivers/substring_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace veskaro::drivers {
namespace {

TEST(SubstringIndexTest, AnswersAsAPlainSearchWhileTheTextGrows) {
  // Random texts over few letters (many repeats, which is what makes the automaton
  // clone states), grown in pieces; every question is checked against find().
  std::uint32_t rng = 11;
  auto next = [&rng] { return (rng = rng * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 200; ++round) {
    const std::string letters = round % 2 ? "ab" : "ab;\\x\xE9";
    SubstringIndex index;
    std::string text;
    EXPECT_TRUE(index.Contains(""));
    for (int piece = 0; piece < 20; ++piece) {
      std::string added;
      for (std::uint32_t n = next() % 12; n > 0; --n) added += letters[next() % letters.size()];
      index.Append(added);
      text += added;
      for (int q = 0; q < 20; ++q) {
        std::string part;
        if (q % 2 == 0 && !text.empty()) {
          const std::size_t from = next() % text.size();
          part = text.substr(from, next() % (text.size() - from + 1));
        } else {
          for (std::uint32_t n = 1 + next() % 8; n > 0; --n)
            part += letters[next() % letters.size()];
        }
        ASSERT_EQ(index.Contains(part), text.find(part) != std::string::npos)
            << "text \"" << text << "\", part \"" << part << "\"";
      }
    }
  }
}

}  // namespace
}  // namespace veskaro::drivers
