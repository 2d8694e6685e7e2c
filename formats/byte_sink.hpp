// Where the bytes of a text file go as they are made: a file being written,
// or memory.
#pragma once

#include <string>
#include <string_view>

namespace tonvert {

class ByteSink {
 public:
  // Takes the next bytes of the file. False once a write has failed; the
  // file is then lost, and later writes change nothing.
  virtual bool write(std::string_view bytes) = 0;

 protected:
  ~ByteSink() = default;
};

// Keeps the bytes in a string.
class StringSink final : public ByteSink {
 public:
  bool write(std::string_view bytes) override {
    text.append(bytes);
    return true;
  }
  std::string text;
};

}  // namespace tonvert
