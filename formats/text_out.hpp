// A growing buffer of text for a text file: every "\n" is stored as CR LF,
// and numbers are written with std::to_chars. Writes check the room left
// once and then store straight into the buffer.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace tonvert {

class TextOut {
 public:
  TextOut() = default;
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  // A fixed text that holds no "\n".
  void put(std::string_view text) {
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

  // Makes room for `count` bytes, which the unchecked writes below fill.
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

  std::string_view view() const { return {begin_.get(), size()}; }
  std::size_t size() const { return static_cast<std::size_t>(end_ - begin_.get()); }
  void clear() { end_ = begin_.get(); }

 private:
  static constexpr std::size_t max_digits = 20;

  void room(std::size_t count) {
    if (static_cast<std::size_t>(limit_ - end_) < count) grow(count);
  }
  void grow(std::size_t count);

  std::unique_ptr<char[]> begin_;
  char* end_ = nullptr;
  char* limit_ = nullptr;
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

inline void TextOut::grow(std::size_t count) {
  const std::size_t used = size();
  const std::size_t capacity = static_cast<std::size_t>(limit_ - begin_.get());
  std::size_t wanted = capacity < 4096 ? 4096 : capacity * 2;
  while (wanted - used < count) wanted *= 2;
  auto bigger = std::unique_ptr<char[]>(new char[wanted]);
  if (used != 0) std::memcpy(bigger.get(), begin_.get(), used);
  begin_ = std::move(bigger);
  end_ = begin_.get() + used;
  limit_ = begin_.get() + wanted;
}

}  // namespace tonvert
