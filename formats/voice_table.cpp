#include "formats/voice_table.hpp"

#include <vector>

namespace tonvert {
namespace {

constexpr std::string_view delimiters = ",\t\r\n";

// Splits a line into its tokens: runs of characters that are no delimiter.
std::vector<std::string_view> tokens_of(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t at = line.find_first_not_of(delimiters);
  while (at != std::string_view::npos) {
    const std::size_t stop = line.find_first_of(delimiters, at);
    tokens.push_back(line.substr(at, stop == std::string_view::npos ? stop : stop - at));
    if (stop == std::string_view::npos) break;
    at = line.find_first_not_of(delimiters, stop);
  }
  return tokens;
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A decimal number after leading white space and an optional sign, taken as
// far as its digits go; 0 without digits. Large magnitudes stop growing past
// any listed number.
long listed_number(std::string_view token) {
  std::size_t i = 0;
  while (i < token.size() && is_space(token[i])) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  long value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    if (value < 100000) value = value * 10 + (token[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::int16_t option_value(std::string_view text) {
  std::uint16_t value = 0;
  for (const char c : text) {
    if (c == '+') {
      ++value;
    } else if (c == '-') {
      --value;
    } else if (c >= '1' && c <= '9') {
      const bool negative = static_cast<std::int16_t>(value) < 0;
      const auto digit = static_cast<std::uint16_t>(c - '0');
      value = negative ? static_cast<std::uint16_t>(-digit) : digit;
    }
  }
  return static_cast<std::int16_t>(value);
}

std::vector<std::string_view> voice_table_file_lines(std::string_view file) {
  std::vector<std::string_view> lines;
  while (!file.empty()) {
    const std::size_t stop = file.find('\n');
    lines.push_back(file.substr(0, stop));
    if (stop == std::string_view::npos) break;
    file.remove_prefix(stop + 1);
  }
  return lines;
}

OptionKind option_kind(std::string_view field) {
  if (field.empty()) return OptionKind::none;
  const char first = field.front();
  if (first == 'O' || first == 'o') return OptionKind::octave;
  if (first == 'V' || first == 'v') return OptionKind::volume;
  return OptionKind::none;
}

VoiceTableLine parse_voice_table_line(std::string_view line) {
  VoiceTableLine parsed;
  parsed.text = line.substr(0, line.find('\0'));
  parsed.fields = tokens_of(parsed.text);
  if (parsed.fields.empty()) return parsed;
  parsed.listed_number = listed_number(parsed.fields[0]);
  if (parsed.fields.size() < 2) {
    parsed.skip = LineSkip::one_field;
    return parsed;
  }
  if (parsed.listed_number < 1 || parsed.listed_number > voice_table_size) {
    parsed.skip = LineSkip::listed_number;
    return parsed;
  }
  parsed.skip = LineSkip::none;
  for (std::size_t i = 2; i < parsed.fields.size(); ++i) {
    const std::string_view option = parsed.fields[i];
    switch (option_kind(option)) {
      case OptionKind::octave: parsed.octave_offset = option_value(option.substr(1)); break;
      case OptionKind::volume: parsed.volume_offset = option_value(option.substr(1)); break;
      case OptionKind::none: break;
    }
  }
  return parsed;
}

void apply_voice_table_line(const VoiceTableLine& line, VoiceTable& table) {
  if (line.skip != LineSkip::none) return;
  VoiceEntry& entry = table[static_cast<std::size_t>(line.listed_number - 1)];
  entry.text = std::string(line.fields[1]);
  if (line.octave_offset) entry.octave_offset = *line.octave_offset;
  if (line.volume_offset) entry.volume_offset = *line.volume_offset;
}

void read_voice_table_file(std::string_view file, VoiceTable& table) {
  for (const std::string_view line : voice_table_file_lines(file)) {
    apply_voice_table_line(parse_voice_table_line(line), table);
  }
}

void write_voice_table_file(const VoiceBank& bank, const UsedVoices& used, TextOut& text) {
  const int voices_to_list =
      bank.voice_count() < voice_table_size ? bank.voice_count() : voice_table_size;
  for (int n = 0; n < voices_to_list; ++n) {
    if (!used[static_cast<std::size_t>(n)]) continue;
    text.number(n + 1);
    text.put("\t@0\t/* ");
    if (bank.has_name(n)) {
      // The name is a comment for the reader: its delimiters become spaces,
      // so that no part of it is read back as an option.
      for (const char c : bank.name(n)) text.put(delimiters.find(c) == std::string_view::npos ? c : ' ');
    } else {
      text.put('#');
      text.number(n);
    }
    text.put(" */");
    text.line_end();
  }
}

}  // namespace tonvert
