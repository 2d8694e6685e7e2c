#include "app/dump/voice_table_listing.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

#include "formats/voice_table.hpp"

namespace tonvert {
namespace {

void put_number(std::string& out, long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// An offset as the option that gives it would: "+1", "-1", "0".
void put_offset(std::string& out, long value) {
  if (value > 0) out.push_back('+');
  put_number(out, value);
}

// Text from the file in double quotes, so that spaces show; TAB and CR are
// written \t and \r, other control bytes \xNN, '"' and '\' escaped.
void put_quoted(std::string& out, std::string_view text) {
  static constexpr std::string_view hex = "0123456789abcdef";
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\t') {
      out.append("\\t");
    } else if (c == '\r') {
      out.append("\\r");
    } else if (byte < 0x20 || byte == 0x7F) {
      out.append("\\x").push_back(hex[byte >> 4]);
      out.push_back(hex[byte & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n\v\f") - first + 1);
}

// The words of a text, split at spaces.
std::vector<std::string_view> words_of(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = text.find_first_not_of(' ');
  while (at != std::string_view::npos) {
    const std::size_t stop = text.find(' ', at);
    words.push_back(text.substr(at, stop == std::string_view::npos ? stop : stop - at));
    if (stop == std::string_view::npos) break;
    at = text.find_first_not_of(' ', stop);
  }
  return words;
}

// A word that a user likely meant as an option: an option letter, then
// signs and at most one digit ("O-1", "V+2", "o3", "V++").
bool looks_like_option(std::string_view word) {
  if (word.size() < 2 || option_kind(word) == OptionKind::none) return false;
  int digits = 0;
  for (const char c : word.substr(1)) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c != '+' && c != '-') {
      return false;
    }
  }
  return digits <= 1;
}

// Field 1 as the reader wants it: white space, an optional sign, digits.
bool is_plain_number(std::string_view field) {
  field = trimmed(field);
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) field.remove_prefix(1);
  if (field.empty()) return false;
  for (const char c : field) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The count of trailing words of `words` that look like options.
std::size_t trailing_options(const std::vector<std::string_view>& words) {
  std::size_t count = 0;
  while (count < words.size() && looks_like_option(words[words.size() - 1 - count])) ++count;
  return count;
}

// The line written with commas: listed number, voice text, options, then
// the further fields.
std::string comma_line(std::string_view number, std::string_view text,
                       const std::vector<std::string_view>& options,
                       const std::vector<std::string_view>& further) {
  std::string line(number);
  line.append(",").append(text);
  for (const std::string_view option : options) line.append(",").append(option);
  for (const std::string_view field : further) line.append(",").append(field);
  return line;
}

// The text from the first to the last of `words`, as it stands in the line.
std::string_view span(const std::vector<std::string_view>& words, std::size_t first,
                      std::size_t last) {
  const char* begin = words[first].data();
  const char* end = words[last].data() + words[last].size();
  return {begin, static_cast<std::size_t>(end - begin)};
}

// A line of one field with spaces in it: the fields it was likely meant to
// have, written with commas; empty when they cannot be told.
std::string spaced_line_as_meant(std::string_view field) {
  const auto words = words_of(trimmed(field));
  if (words.size() < 2 || !is_plain_number(words[0])) return {};
  const std::size_t options = trailing_options(words);
  if (options + 1 >= words.size()) return {};
  const std::vector<std::string_view> option_words(words.end() - static_cast<long>(options),
                                                   words.end());
  return comma_line(words[0], span(words, 1, words.size() - 1 - options), option_words, {});
}

// Where each value of a voice entry came from: the line that last set it,
// or 0.
struct Sources {
  int text = 0;
  int octave = 0;
  int volume = 0;
};

void put_entry_offset(std::string& out, std::string_view name, long value, int source,
                      int line_number) {
  out.append(", ").append(name).append(" ");
  put_offset(out, value);
  if (source != 0 && source != line_number) {
    out.append(" (from line ");
    put_number(out, source);
    out.push_back(')');
  }
}

void put_skip_reason(std::string& out, const VoiceTableLine& line) {
  switch (line.skip) {
    case LineSkip::none:
      return;
    case LineSkip::no_fields:
      out.append(trimmed(line.text).empty() ? "skipped, empty" : "skipped, no fields");
      return;
    case LineSkip::one_field:
      out.append("skipped, fewer than two fields");
      return;
    case LineSkip::listed_number:
      out.append("skipped, no number from 1 to 128 in field 1");
      return;
  }
}

}  // namespace

std::string voice_table_listing(std::string_view file) {
  const std::vector<std::string_view> lines = voice_table_file_lines(file);
  std::string body;
  VoiceTable table{};
  std::array<Sources, voice_table_size> sources{};
  int skipped = 0;
  int voices_set = 0;

  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int line_number = static_cast<int>(index) + 1;
    const VoiceTableLine line = parse_voice_table_line(lines[index]);
    body.append("line ");
    put_number(body, line_number);
    body.append(": ");

    if (line.skip != LineSkip::none) {
      ++skipped;
      put_skip_reason(body, line);
      std::string_view shown = line.text;
      if (!shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
      if (!trimmed(shown).empty()) {
        body.append(": ");
        put_quoted(body, shown);
      }
      body.push_back('\n');
      if (line.skip == LineSkip::one_field && trimmed(line.fields[0]).find(' ') != std::string_view::npos) {
        body.append("  hint: spaces belong to the text; fields are separated by commas or TABs");
        const std::string meant = spaced_line_as_meant(line.fields[0]);
        if (!meant.empty()) body.append(": ").append(meant);
        body.push_back('\n');
      }
    } else {
      const auto n = static_cast<std::size_t>(line.listed_number - 1);
      Sources& from = sources[n];
      const Sources before = from;
      if (from.text == 0) ++voices_set;
      apply_voice_table_line(line, table);
      from.text = line_number;
      if (line.octave_offset) from.octave = line_number;
      if (line.volume_offset) from.volume = line_number;

      const VoiceEntry& entry = table[n];
      body.append("voice ");
      put_number(body, line.listed_number);
      body.append(", text ");
      put_quoted(body, *entry.text);
      put_entry_offset(body, "octave", entry.octave_offset, from.octave, line_number);
      put_entry_offset(body, "volume", entry.volume_offset, from.volume, line_number);
      for (std::size_t i = 2; i < line.fields.size(); ++i) {
        if (option_kind(line.fields[i]) != OptionKind::none) continue;
        body.append(", ignored ");
        put_quoted(body, line.fields[i]);
      }
      body.push_back('\n');

      if (!is_plain_number(line.fields[0])) {
        body.append("  hint: only the number is read from field 1 ");
        put_quoted(body, line.fields[0]);
        if (trimmed(line.fields[0]).find(' ') != std::string_view::npos) {
          body.append("; fields are separated by commas or TABs, not spaces");
        }
        body.push_back('\n');
      }
      const auto words = words_of(line.fields[1]);
      const std::size_t options = trailing_options(words);
      if (options > 0 && options < words.size()) {
        const std::vector<std::string_view> option_words(words.end() - static_cast<long>(options),
                                                         words.end());
        const std::vector<std::string_view> further(line.fields.begin() + 2, line.fields.end());
        body.append("  hint: the text ends in ");
        put_quoted(body, span(words, words.size() - options, words.size() - 1));
        body.append(", which looks like an option; options need a comma or a TAB before them: ");
        body.append(comma_line(trimmed(line.fields[0]), span(words, 0, words.size() - 1 - options),
                               option_words, further));
        body.push_back('\n');
      }
      if (options > 0 && options == words.size()) {
        body.append("  hint: the text ");
        put_quoted(body, line.fields[1]);
        body.append(" looks like an option; the voice text comes first, in field 2\n");
      }
      if (before.text != 0) {
        body.append("  note: overrides line ");
        put_number(body, before.text);
        body.append(" for voice ");
        put_number(body, line.listed_number);
        body.append(" (the text, and the offsets this line names)\n");
      }
    }
    if (line.text.size() < lines[index].size()) {
      body.append("  note: the line ends at a zero byte; what follows it is not read\n");
    }
  }

  std::string out = "voice table file: ";
  put_number(out, static_cast<long>(lines.size()));
  out.append(lines.size() == 1 ? " line, " : " lines, ");
  put_number(out, skipped);
  out.append(" skipped, ");
  put_number(out, voices_set);
  out.append(voices_set == 1 ? " voice set\n" : " voices set\n");
  return out.append(body);
}

}  // namespace tonvert
