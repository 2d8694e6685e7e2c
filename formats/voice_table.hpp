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
#include <vector>

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

// The lines of a voice table file, in order, each without its LF (a CR
// before it stays, and is a delimiter). Text after the last LF is a line of
// its own when it is not empty.
std::vector<std::string_view> voice_table_file_lines(std::string_view file);

// What a field after the voice text sets: by its first letter, "O" or "o"
// the octave offset, "V" or "v" the volume offset; any other field nothing.
enum class OptionKind { none, octave, volume };
OptionKind option_kind(std::string_view field);

// Why a line changes no voice entry.
enum class LineSkip {
  none,            // the line sets a voice entry
  no_fields,       // empty, or delimiters only
  one_field,       // a listed number with no voice text after a delimiter
  listed_number,   // the first field's number is not from 1 to 128
};

// One line as the reader takes it. The line is cut at its first zero byte
// and split into fields at ",", TAB, CR and LF: runs of delimiters separate
// as one, and spaces belong to the fields. Field 1 is the listed number
// (leading white space and a sign allowed, read as far as its digits go),
// field 2 the voice text, fields 3 and on options; of two options of one
// kind the later wins.
struct VoiceTableLine {
  std::string_view text;                   // the line up to a zero byte
  std::vector<std::string_view> fields;
  long listed_number = 0;                  // 0 when field 1 holds no digits
  LineSkip skip = LineSkip::no_fields;
  std::optional<std::int16_t> octave_offset;  // set by the line's octave options
  std::optional<std::int16_t> volume_offset;  // set by the line's volume options
};

VoiceTableLine parse_voice_table_line(std::string_view line);

// Sets the voice text of the line's voice entry and the offsets the line
// names; a skipped line changes nothing.
void apply_voice_table_line(const VoiceTableLine& line, VoiceTable& table);

// Reads a voice table file's bytes into the table, line by line, whole
// lines whatever their length; lines end in LF or CR LF. A line with fewer
// than two fields or a listed number outside 1 to 128 is passed over.
void read_voice_table_file(std::string_view file, VoiceTable& table);

// Writes the voice table file for the used voices that the bank counts, one
// line each: "%d\t@0\t/* %s */\n" with the listed number and the voice name
// (its commas, TABs, CRs and LFs written as spaces), each "\n" written as
// CR LF. Read back, such a file changes no voice entry beyond "@0".
void write_voice_table_file(const VoiceBank& bank, const UsedVoices& used, TextOut& out);

}  // namespace tonvert
