// Buffered writing of a long text to a C stream.
#pragma once

#include <cstdio>
#include <string>

namespace cfgtool {

class TextSink {
 public:
  explicit TextSink(std::FILE* file) : file_(file) {}
  // The text to append to; call Flush or MaybeFlush now and then.
  std::string& Text() { return text_; }
  void MaybeFlush() {
    if (text_.size() >= kChunk) Flush();
  }
  // Writes what is buffered; false once any write has failed.
  bool Flush() {
    if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size())
      failed_ = true;
    text_.clear();
    return !failed_;
  }
  // Flushes the buffer and the stream; false when anything failed.
  bool Finish() { return Flush() && std::fflush(file_) == 0 && !failed_; }

 private:
  static constexpr size_t kChunk = 1 << 16;
  std::FILE* file_;
  std::string text_;
  bool failed_ = false;
};

}  // namespace cfgtool
