#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace veskaro::platform {
namespace {

// Hands out a text in pieces of uneven length, and fails after `fail_after` bytes.
class ChoppySource : public ByteSource {
 public:
  ChoppySource(std::string text, std::uint32_t seed, std::size_t fail_after = SIZE_MAX)
      : text_(std::move(text)), seed_(seed), fail_after_(fail_after) {}
  std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
    if (at_ >= fail_after_) {
      *error = "device error";
      return -1;
    }
    seed_ = seed_ * 1103515245u + 12345u;
    std::size_t n = std::min({capacity, text_.size() - at_, 1 + (seed_ >> 16) % capacity});
    n = std::min(n, fail_after_ - at_);
    std::memcpy(buffer, text_.data() + at_, n);
    at_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }

 private:
  std::string text_;
  std::uint32_t seed_;
  std::size_t fail_after_;
  std::size_t at_ = 0;
};

// The lines of `text` by the rule: CR, CR LF or LF alone ends a line, a last line
// counts when it is not empty.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      lines.back() += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.emplace_back();
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// Whether the first character of `line` other than space and tab is one of `wanted`.
bool BeginsWith(const std::string& line, std::string_view wanted) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && wanted.find(line[first]) != std::string_view::npos;
}

TEST(LineReaderTest, SkippingToLinesBeginningWithAMatchesSplitting) {
  // Random texts over the characters that matter, read in small blocks with reads of
  // uneven length, so that hits, blanks, CR LF pairs and long lines fall across blocks
  // and across the change to a larger block;
  // Next and both forms of NextBeginningWith are called in random order.
  const char alphabet[] = "[[  \t\r\r\r\n\naax;=";
  std::uint32_t rng = 7;
  auto next = [&rng] { return (rng = rng * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t size = next() % (round < 2000 ? 80 : 400);
    for (std::size_t i = 0; i < size; ++i) text += alphabet[next() % (sizeof alphabet - 1)];
    const std::vector<std::string> expected = Lines(text);
    // Blocks of 16 bytes growing (while reads fill them) up to 16 to 215 bytes.
    LineReader reader(std::make_unique<ChoppySource>(text, next()), 16 + next() % 200, 16);
    std::size_t index = 0;
    std::string_view line;
    for (;;) {
      const std::uint32_t kind = next() % 3;  // Next, lines beginning "[", or "[" or "a"
      const std::string_view wanted = kind == 1 ? "[" : "[a";
      if (kind != 0) {
        while (index < expected.size() && !BeginsWith(expected[index], wanted)) ++index;
      }
      const LineReader::Status status = kind == 0   ? reader.Next(&line)
                                        : kind == 1 ? reader.NextBeginningWith('[', &line)
                                                    : reader.NextBeginningWith('[', 'a', &line);
      if (index == expected.size()) {
        ASSERT_EQ(status, LineReader::Status::kEnd) << "round " << round;
        break;
      }
      ASSERT_EQ(status, LineReader::Status::kLine) << "round " << round;
      ASSERT_EQ(line, expected[index]) << "round " << round << ", line " << index;
      ++index;
    }
  }
}

TEST(LineReaderTest, EveryLineEndConvention) {
  // LF alone, CR LF, CR alone, and LF CR (two line ends: an empty line between), read
  // whole and in 16-byte blocks, where a CR LF pair falls across two blocks.
  const std::string text = "lf\ncrlf\r\ncr\rlfcr\n\r" + std::string(14, 'x') + "\r\nlast";
  const std::vector<std::string> expected = {"lf",  "crlf", "cr", "lfcr", "", std::string(14, 'x'),
                                             "last"};
  for (const std::size_t block : {std::size_t{16}, std::size_t{4096}}) {
    LineReader reader(std::make_unique<ChoppySource>(text, 3), block, 16);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(&line) == LineReader::Status::kLine) lines.emplace_back(line);
    EXPECT_EQ(lines, expected) << block;
  }
  LineReader lf_only(std::make_unique<ChoppySource>("a\n[b]\n  [c\nd\n", 5), 16, 16);
  std::string_view line;
  ASSERT_EQ(lf_only.NextBeginningWith('[', &line), LineReader::Status::kLine);
  EXPECT_EQ(line, "[b]");
  ASSERT_EQ(lf_only.NextBeginningWith('[', &line), LineReader::Status::kLine);
  EXPECT_EQ(line, "  [c");
  EXPECT_EQ(lf_only.NextBeginningWith('[', &line), LineReader::Status::kEnd);
}

TEST(LineReaderTest, ReadErrorsEndSkippingToo) {
  const std::string text = "a\r[b\rc\r" + std::string(100, 'x') + "\r[d\r";
  LineReader reader(std::make_unique<ChoppySource>(text, 1, 60), 16);
  std::string_view line;
  ASSERT_EQ(reader.NextBeginningWith('[', &line), LineReader::Status::kLine);
  EXPECT_EQ(line, "[b");
  EXPECT_EQ(reader.NextBeginningWith('[', &line), LineReader::Status::kError);
  EXPECT_EQ(reader.error(), "device error");
}

}  // namespace
}  // namespace veskaro::platform
