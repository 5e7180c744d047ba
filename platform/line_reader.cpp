#include "platform/line_reader.h"

#include <algorithm>
#include <cstring>

namespace veskaro::platform {

LineReader::LineReader(std::unique_ptr<ByteSource> source, std::size_t block_size,
                       std::size_t first_block)
    : source_(std::move(source)),
      capacity_(std::clamp<std::size_t>(first_block, 16, std::max<std::size_t>(block_size, 16))),
      max_block_(std::max<std::size_t>(block_size, 16)) {}

bool LineReader::Fill() {
  begin_ = end_ = 0;
  next_cr_ = next_lf_ = kUnknown;
  if (eof_) return false;
  // Every byte of the block has been used (a line spanning blocks is in carry_), so
  // the block can be replaced by a larger one when the last read filled it.
  if (block_ == nullptr || (filled_ && capacity_ < max_block_)) {
    if (block_ != nullptr) capacity_ = std::min(capacity_ * 4, max_block_);
    block_ = std::make_unique_for_overwrite<char[]>(capacity_);
  }
  const std::ptrdiff_t got = source_->Read(block_.get(), capacity_, &error_);
  if (got < 0) {
    if (error_.empty()) error_ = "read error";
    eof_ = true;
    return false;
  }
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(got);
  filled_ = end_ == capacity_;
  return true;
}

std::size_t LineReader::Find(char c, std::size_t* next) {
  // A position found earlier stays the next one until begin_ passes it; "none up to
  // the end of the block" (end_) stays true until the next fill.
  if (*next == kUnknown || *next < begin_) {
    const char* base = block_.get();
    const auto* hit = static_cast<const char*>(std::memchr(base + begin_, c, end_ - begin_));
    *next = hit == nullptr ? end_ : static_cast<std::size_t>(hit - base);
  }
  return *next;
}

std::size_t LineReader::LineEnd() { return std::min(Find('\r', &next_cr_), Find('\n', &next_lf_)); }

LineReader::Status LineReader::Next(std::string_view* line) {
  carry_.clear();
  bool carrying = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      if (!error_.empty()) return Status::kError;
      if (carrying && !carry_.empty()) {
        *line = carry_;
        return Status::kLine;
      }
      return Status::kEnd;
    }
    if (skip_lf_) {
      skip_lf_ = false;
      if (block_[begin_] == '\n') {
        ++begin_;
        continue;
      }
    }
    const char* start = block_.get() + begin_;
    const std::size_t stop = LineEnd();
    if (stop == end_) {
      carry_.append(start, end_ - begin_);
      carrying = true;
      begin_ = end_;
      continue;
    }
    const std::size_t length = stop - begin_;
    skip_lf_ = block_[stop] == '\r';  // a CR LF pair is one line end
    begin_ = stop + 1;
    if (carrying) {
      carry_.append(start, length);
      *line = carry_;
    } else {
      *line = std::string_view(start, length);
    }
    return Status::kLine;
  }
}

LineReader::Status LineReader::NextBeginningWith(char first, std::string_view* line) {
  return NextBeginningWith(first, first, line);
}

LineReader::Status LineReader::NextBeginningWith(char first, char also, std::string_view* line) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  for (;;) {
    if (begin_ == end_ && !Fill()) return error_.empty() ? Status::kEnd : Status::kError;
    if (skip_lf_) {
      skip_lf_ = false;
      if (block_[begin_] == '\n') {
        ++begin_;
        continue;
      }
    }
    // begin_ is the start of a line. A hit is wanted when only blanks stand between
    // it and the start of its line: the block's first line, or just after a CR or an
    // LF. The next hit of each character is kept until passed.
    const char* base = block_.get();
    auto find = [&](char c, std::size_t from) {
      const auto* hit = static_cast<const char*>(std::memchr(base + from, c, end_ - from));
      return hit == nullptr ? end_ : static_cast<std::size_t>(hit - base);
    };
    std::size_t next_first = find(first, begin_);
    std::size_t next_also = also == first ? end_ : find(also, begin_);
    for (;;) {
      const std::size_t at = std::min(next_first, next_also);
      if (at == end_) break;
      std::size_t start = at;
      while (start > begin_ && blank(base[start - 1])) --start;
      if (start == begin_ || base[start - 1] == '\r' || base[start - 1] == '\n') {
        begin_ = start;
        return Next(line);
      }
      if (next_first == at) next_first = find(first, at + 1);
      if (next_also == at) next_also = find(also, at + 1);
    }
    // No wanted line starts in this block. Its last line may go on in the next block
    // and turn out to be one: skip to it and read it whole.
    std::size_t last_end = end_;
    while (last_end > begin_ && base[last_end - 1] != '\r' && base[last_end - 1] != '\n') {
      --last_end;
    }
    if (last_end > begin_) {
      skip_lf_ = base[last_end - 1] == '\r';
      begin_ = last_end;
      continue;
    }
    const Status status = Next(line);
    if (status != Status::kLine) return status;
    std::size_t i = 0;
    while (i < line->size() && blank((*line)[i])) ++i;
    if (i < line->size() && ((*line)[i] == first || (*line)[i] == also)) return status;
  }
}

}  // namespace veskaro::platform
