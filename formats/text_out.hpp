// The text of a text file on its way to a sink, through a buffer of fixed
// size: every "\n" is stored as CR LF, and numbers are written with
// std::to_chars. Writes check the room left once and then store straight
// into the buffer; a full buffer goes to the sink, so a file of any length
// takes no more memory than the buffer.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "formats/byte_sink.hpp"

namespace tonvert {

class TextOut {
 public:
  static constexpr std::size_t capacity = 64 * 1024;

  explicit TextOut(ByteSink& sink)
      : sink_(sink), begin_(new char[capacity]), end_(begin_.get()), limit_(begin_.get() + capacity) {}
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  // A fixed text that holds no "\n".
  void put(std::string_view text) {
    if (text.size() > capacity) {
      put_long(text);
      return;
    }
    room(text.size());
    std::memcpy(end_, text.data(), text.size());
    end_ += text.size();
  }
  void put(char c) {
    room(1);
    *end_++ = c;
  }
  void line_end() {
    room(2);
    end_[0] = '\r';
    end_[1] = '\n';
    end_ += 2;
  }

  // Text from the input files (titles, names, voice texts), any bytes.
  void put_text(std::string_view text);

  void number(long value) {
    room(max_digits);
    end_ = std::to_chars(end_, end_ + max_digits, value).ptr;
  }

  // Makes room for `count` bytes (at most 64), which the unchecked writes
  // below fill.
  void reserve(std::size_t count) { room(count); }
  void push(char c) { *end_++ = c; }
  // Writes c unless it is the zero byte, without a branch.
  void push_unless_zero(char c) {
    *end_ = c;
    end_ += c != 0;
  }
  // Stores all eight bytes and keeps the first `size` of them: needs room
  // for eight.
  void push_first(const char (&eight)[8], std::size_t size) {
    std::memcpy(end_, eight, 8);
    end_ += size;
  }

  // Hands the buffered text to the sink. Returns whether every write so far
  // reached it; after a failure nothing more is sent. Out of line, so that
  // the writers' fast paths stay small.
  bool flush();
  bool ok() const { return ok_; }
  // The bytes written so far, sent or buffered.
  std::size_t size() const { return sent_ + buffered(); }

 private:
  static constexpr std::size_t max_digits = 20;

  std::size_t buffered() const { return static_cast<std::size_t>(end_ - begin_.get()); }
  void room(std::size_t count) {
    if (static_cast<std::size_t>(limit_ - end_) < count) flush();
  }
  void put_long(std::string_view text);

  ByteSink& sink_;
  std::unique_ptr<char[]> begin_;
  char* end_;
  char* limit_;
  std::size_t sent_ = 0;
  bool ok_ = true;
};

inline void TextOut::put_text(std::string_view text) {
  while (!text.empty()) {
    const void* found = std::memchr(text.data(), '\n', text.size());
    if (found == nullptr) {
      put(text);
      return;
    }
    const auto n = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    put(text.substr(0, n));
    line_end();
    text.remove_prefix(n + 1);
  }
}

}  // namespace tonvert
