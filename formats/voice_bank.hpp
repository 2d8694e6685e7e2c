// The voice bank (.vce): the voice count (int16 at offset 6) and 64-byte
// voice records from offset 16, each starting with the voice's name.
#pragma once

#include <cstdint>
#include <string_view>

#include "formats/byte_view.hpp"

namespace tonvert {

class VoiceBank {
 public:
  VoiceBank() = default;
  explicit VoiceBank(ByteView bytes) : bytes_(bytes) {}

  // The declared voice count; 0 for a bank too short to hold it.
  int voice_count() const { return bytes_.holds(6, 2) ? bytes_.i16(6) : 0; }

  // True when voice number n is below the voice count and its record starts
  // inside the loaded bytes.
  bool has_name(int n) const;

  // The name in voice record n: the bytes up to its first zero byte, cut at
  // the record's end and at the bank's end. Only for has_name(n).
  std::string_view name(int n) const;

 private:
  static constexpr std::size_t record_offset(int n) { return 16 + 64 * static_cast<std::size_t>(n); }
  ByteView bytes_;
};

}  // namespace tonvert
