#include "platform/line_reader.h"

#include <cstring>

namespace veskaro::platform {

LineReader::LineReader(std::unique_ptr<ByteSource> source, std::size_t block_size)
    : source_(std::move(source)), block_(block_size < 16 ? 16 : block_size) {}

bool LineReader::Fill() {
  begin_ = end_ = 0;
  if (eof_) return false;
  const std::ptrdiff_t got = source_->Read(block_.data(), block_.size(), &error_);
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
  return true;
}

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
    const char* start = block_.data() + begin_;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - begin_));
    if (cr == nullptr) {
      carry_.append(start, end_ - begin_);
      carrying = true;
      begin_ = end_;
      continue;
    }
    const std::size_t length = static_cast<std::size_t>(cr - start);
    begin_ += length + 1;
    skip_lf_ = true;
    if (carrying) {
      carry_.append(start, length);
      *line = carry_;
    } else {
      *line = std::string_view(start, length);
    }
    return Status::kLine;
  }
}

}  // namespace veskaro::platform
