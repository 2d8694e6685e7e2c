// One conversion in memory, as the page and Node run it: the music file, the
// voice bank and the voice table file, each when given, are put where the
// command line `tonvert <name>.msc` would find them, the conversion run runs
// on the in-memory environment, and what it wrote is collected. A file not
// given is a file that is not there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvert::web {

using Bytes = std::vector<std::uint8_t>;

struct MmlFile {
  std::string name;  // the file name in the output directory, as bytes
  Bytes bytes;
};

struct WebRun {
  int status = 0;
  std::string console;
  std::vector<MmlFile> files;    // by song number
  std::optional<Bytes> voice_table_file;  // written when none was given
};

// The collection's base name as a file name: '/' becomes '_', and an empty
// name is "tune".
std::string base_name(std::string_view name);

WebRun convert_in_memory(std::string_view name, std::optional<Bytes> music_file,
                         std::optional<Bytes> voice_bank, std::optional<Bytes> voice_table_file);

// The voice numbers the songs of a music file select (0 to 127), whatever
// the voice bank counts.
std::vector<bool> used_voices(Bytes music_file);

}  // namespace tonvert::web
