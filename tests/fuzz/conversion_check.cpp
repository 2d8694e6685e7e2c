#include "tests/fuzz/conversion_check.hpp"

#include <algorithm>

#include "app/conversion_run.hpp"
#include "app/dump/music_listing.hpp"
#include "app/memory_environment.hpp"
#include "formats/music_file.hpp"
#include "formats/voice_table.hpp"

namespace tonvert::fuzz {
namespace {

std::size_t read_length(const std::uint8_t* data, std::size_t at, std::size_t size) {
  if (at + 2 > size) return 0;
  return static_cast<std::size_t>(data[at] | data[at + 1] << 8);
}

MemoryEnvironment convert(const InputFiles& files, const std::vector<std::uint8_t>& music_file) {
  MemoryEnvironment environment;
  environment.files["f.msc"] = music_file;
  environment.files["f.vce"] = files.voice_bank;
  if (files.voice_table_file) environment.files["f.vct"] = *files.voice_table_file;
  run_conversion({"f"}, environment);
  return environment;
}

std::size_t longest_voice_text(const InputFiles& files) {
  if (!files.voice_table_file) return 0;
  VoiceTable table;
  const auto& bytes = *files.voice_table_file;
  read_voice_table_file(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        table);
  std::size_t longest = 0;
  for (const auto& entry : table) {
    if (entry.text) longest = std::max(longest, entry.text->size());
  }
  return longest;
}

// The lines of `text` that start a warning with these words, after any
// indent.
std::size_t warning_lines(std::string_view text, std::string_view what) {
  const std::string start = "*** " + std::string(what) + " in [";
  std::size_t count = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t stop = text.find('\n', at);
    if (stop == std::string_view::npos) stop = text.size();
    std::string_view line = text.substr(at, stop - at);
    line.remove_prefix(std::min(line.size(), line.find_first_not_of(' ')));
    if (line.starts_with(start)) ++count;
    at = stop + 1;
  }
  return count;
}

std::size_t written_bytes(const MemoryEnvironment& environment) {
  std::size_t total = environment.console.size();
  for (const auto& [path, bytes] : environment.files) {
    if (path.rfind("f/", 0) == 0 || path == "f.vct") total += bytes.size();
  }
  return total;
}

// The end of the k-th song record when songs 1 to k lie whole in the file.
std::optional<std::size_t> end_of_song(const std::vector<std::uint8_t>& music_file, int k) {
  const ByteView file(music_file);
  if (!has_music_magic(file) || file.size() < file_header_size || song_count(file) < k) return {};
  std::size_t start = file_header_size;
  for (int number = 1; number <= k; ++number) {
    const RecordAt record = record_at(file, start, song_head_size);
    if (record.fault != RecordFault::none) return {};
    start = record.next;
  }
  return start;
}

int whole_songs(const std::vector<std::uint8_t>& music_file) {
  int k = 0;
  while (k < 4096 && end_of_song(music_file, k + 1)) ++k;
  return k;
}

}  // namespace

InputFiles split_input(const std::uint8_t* data, std::size_t size) {
  InputFiles files;
  if (size < 5) {
    files.music_file.assign(data, data + size);
    return files;
  }
  const bool has_table = (data[0] & 1) != 0;
  std::size_t at = 5;
  const std::size_t bank_length = std::min(read_length(data, 1, size), size - at);
  files.voice_bank.assign(data + at, data + at + bank_length);
  at += bank_length;
  const std::size_t table_length = std::min(read_length(data, 3, size), size - at);
  if (has_table) files.voice_table_file.emplace(data + at, data + at + table_length);
  at += table_length;
  files.music_file.assign(data + at, data + size);
  return files;
}

std::vector<std::uint8_t> join_input(const InputFiles& files) {
  const auto& table = files.voice_table_file;
  const std::size_t bank = std::min<std::size_t>(files.voice_bank.size(), 0xFFFF);
  const std::size_t table_size = table ? std::min<std::size_t>(table->size(), 0xFFFF) : 0;
  std::vector<std::uint8_t> out = {
      static_cast<std::uint8_t>(table ? 1 : 0), static_cast<std::uint8_t>(bank & 0xFF),
      static_cast<std::uint8_t>(bank >> 8), static_cast<std::uint8_t>(table_size & 0xFF),
      static_cast<std::uint8_t>(table_size >> 8)};
  out.reserve(out.size() + bank + table_size + files.music_file.size());
  out.insert(out.end(), files.voice_bank.begin(), files.voice_bank.begin() + static_cast<long>(bank));
  if (table) out.insert(out.end(), table->begin(), table->begin() + static_cast<long>(table_size));
  out.insert(out.end(), files.music_file.begin(), files.music_file.end());
  return out;
}

std::string check_conversion(const InputFiles& files) {
  // tonvert-dump reads the same hostile files.
  const std::string listing =
      music_listing(ByteView(files.music_file), VoiceBank(ByteView(files.voice_bank)));
  if (listing.empty()) return "empty listing";

  const MemoryEnvironment full = convert(files, files.music_file);
  for (const std::string_view what : {"fix natural", "skip '['"}) {
    const std::size_t printed = warning_lines(full.console, what);
    const std::size_t marked = warning_lines(listing, what);
    if (printed != marked) {
      return "the converter prints " + std::to_string(printed) + " \"" + std::string(what) +
             "\" warnings, the listing marks " + std::to_string(marked);
    }
  }

  const std::size_t music_size = files.music_file.size();
  const std::size_t bound = output_per_music_byte * music_size +
                            (music_size / 2) * (longest_voice_text(files) + 1) +
                            fixed_output_allowance;
  if (written_bytes(full) > bound) {
    return "output of " + std::to_string(written_bytes(full)) + " bytes exceeds the bound of " +
           std::to_string(bound);
  }

  const int k = (whole_songs(files.music_file) + 1) / 2;
  if (k == 0) return "";
  const std::size_t cut_at = *end_of_song(files.music_file, k);
  const std::vector<std::uint8_t> cut(files.music_file.begin(),
                                      files.music_file.begin() + static_cast<long>(cut_at));
  const MemoryEnvironment shorter = convert(files, cut);
  int songs = 0;
  for (const auto& [path, bytes] : shorter.files) {
    if (path.rfind("f/", 0) != 0) continue;
    ++songs;
    const auto original = full.files.find(path);
    if (original == full.files.end() || original->second != bytes) {
      return "song file '" + path + "' differs after cutting the music file at " +
             std::to_string(cut_at);
    }
  }
  if (songs != k) {
    return "cutting after song " + std::to_string(k) + " left " + std::to_string(songs) +
           " song files";
  }
  return "";
}

}  // namespace tonvert::fuzz
