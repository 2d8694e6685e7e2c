// The voice table: for each of the 128 voice numbers, the MML text that
// selects the voice and its volume and octave offsets, as the user's voice
// table file (.vct) gives them; and the flags of the voices the songs used.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/text_out.hpp"
#include "formats/voice_bank.hpp"

namespace tonvert {

inline constexpr int voice_table_size = 128;

struct VoiceEntry {
  std::optional<std::string> text;  // none: a voice change writes "@0"
  std::int16_t volume_offset = 0;
  std::int16_t octave_offset = 0;
};

using VoiceTable = std::array<VoiceEntry, voice_table_size>;
using UsedVoices = std::bitset<voice_table_size>;

// The value of an option's value text: "+" adds 1, "-" subtracts 1, a digit
// 1 to 9 replaces the value (negated when the value is below 0), anything
// else is passed over. Wraps as a signed 16-bit number.
std::int16_t option_value(std::string_view text);

// Reads a voice table file's bytes into the table. Lines end in LF or CR LF
// and are read whole; each is split into tokens at ",", TAB, CR and LF:
// listed number (1 to 128), voice text, then options "O..." (octave) and
// "V..." (volume). A line with fewer than two tokens or a listed number
// outside 1 to 128 is passed over. A line ends at a zero byte.
void read_voice_table_file(std::string_view file, VoiceTable& table);

// Writes the voice table file for the used voices that the bank counts, one
// line each: "%d\t@0\t/* %s */\n" with the listed number and the voice name
// (its commas, TABs, CRs and LFs written as spaces), each "\n" written as
// CR LF. Read back, such a file changes no voice entry beyond "@0".
void write_voice_table_file(const VoiceBank& bank, const UsedVoices& used, TextOut& out);

}  // namespace tonvert
