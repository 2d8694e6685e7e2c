// Text being rendered for a text file: every "\n" is stored as CR LF, and
// numbers are written with std::to_chars.
#pragma once

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

namespace tonvert {

class TextOut {
 public:
  explicit TextOut(std::string& out) : out_(out) {}

  // A fixed text that holds no "\n".
  void put(std::string_view text) { out_.append(text); }
  void put(char c) { out_.push_back(c); }
  void line_end() { out_.append("\r\n", 2); }

  // Text from the input files (titles, names, voice texts), any bytes.
  void put_text(std::string_view text) {
    while (!text.empty()) {
      const void* found = std::memchr(text.data(), '\n', text.size());
      if (found == nullptr) {
        out_.append(text);
        return;
      }
      const auto n = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
      out_.append(text.data(), n);
      line_end();
      text.remove_prefix(n + 1);
    }
  }

  void number(long value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, static_cast<std::size_t>(result.ptr - digits));
  }

  std::string& str() { return out_; }

 private:
  std::string& out_;
};

}  // namespace tonvert
