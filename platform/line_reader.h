// Line-by-line reading of a text file's bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace veskaro::platform {

/// Splits a ByteSource into lines. A line ends at CR, at CR LF (one line end) or at
/// LF alone, so that files saved with any of the three conventions, or a mix of
/// them, read the same. Bytes are kept as they are, NUL included, and a line may be
/// of any length. A last line without a line end counts when it is not empty.
class LineReader {
 public:
  enum class Status { kLine, kEnd, kError };

  /// `block_size` is the most read at once. Reading starts with blocks of
  /// `first_block` bytes (at most `block_size`) and makes each next block four times
  /// larger while reads fill them, so that the many small files an analysis opens
  /// cost little and a large one is still read in big blocks. Both are at least 16.
  explicit LineReader(std::unique_ptr<ByteSource> source, std::size_t block_size = 64 * 1024,
                      std::size_t first_block = 4096);

  /// Reads the next line into `*line`; the view stays valid until the next call.
  /// On kError, `error()` says what went wrong.
  Status Next(std::string_view* line);
  /// Like Next, but skips every line whose first character other than space and tab
  /// is not `first` (which must be neither of those, nor CR or LF). Skipped lines are
  /// found with memchr for `first` rather than split one by one, so a reader looking
  /// for rare lines (section headers) runs faster than line splitting.
  Status NextBeginningWith(char first, std::string_view* line);
  /// Like NextBeginningWith(first), for lines beginning with `first` or `also`.
  Status NextBeginningWith(char first, char also, std::string_view* line);
  const std::string& error() const { return error_; }

 private:
  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

  bool Fill();
  // The position of the next `c` at or after begin_ in the block (end_: none), kept
  // in `*next` until begin_ passes it, so that each byte is searched once per
  // character however the lines fall.
  std::size_t Find(char c, std::size_t* next);
  // The position of the next line end (CR or LF) in the block, end_ when none.
  std::size_t LineEnd();

  std::unique_ptr<ByteSource> source_;
  std::unique_ptr<char[]> block_;  // allocated at the first read, left uninitialised
  std::size_t capacity_;           // bytes block_ holds
  std::size_t max_block_;          // the largest block to use
  bool filled_ = false;            // the last read filled the block
  std::size_t begin_ = 0;  // first unread byte in block_
  std::size_t end_ = 0;    // one past the last valid byte in block_
  bool eof_ = false;
  bool skip_lf_ = false;  // the previous line ended with CR; a leading LF belongs to it
  std::size_t next_cr_ = kUnknown;  // see Find
  std::size_t next_lf_ = kUnknown;
  std::string carry_;     // a line that spans blocks
  std::string error_;
};

}  // namespace veskaro::platform
