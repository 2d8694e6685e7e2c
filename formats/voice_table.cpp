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

void read_line(std::string_view line, VoiceTable& table) {
  line = line.substr(0, line.find('\0'));
  const auto tokens = tokens_of(line);
  if (tokens.size() < 2) return;
  const long listed = listed_number(tokens[0]);
  if (listed < 1 || listed > voice_table_size) return;
  VoiceEntry& entry = table[static_cast<std::size_t>(listed - 1)];
  entry.text = std::string(tokens[1]);
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    const std::string_view option = tokens[i];
    const char first = option.front();
    if (first == 'O' || first == 'o') entry.octave_offset = option_value(option.substr(1));
    if (first == 'V' || first == 'v') entry.volume_offset = option_value(option.substr(1));
  }
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

void read_voice_table_file(std::string_view file, VoiceTable& table) {
  while (!file.empty()) {
    const std::size_t stop = file.find('\n');
    read_line(file.substr(0, stop), table);
    if (stop == std::string_view::npos) break;
    file.remove_prefix(stop + 1);
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
