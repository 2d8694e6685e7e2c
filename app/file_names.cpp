#include "app/file_names.hpp"

#include <charconv>

namespace tonvert {
namespace {

// Where the extension begins: the last '.' of the last path component.
std::optional<std::size_t> extension_start(std::string_view path, const Platform& platform) {
  const std::size_t end = path.find_last_of(platform.directory_ends);
  const std::size_t name = end == std::string_view::npos ? 0 : end + 1;
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || dot < name) return std::nullopt;
  return dot;
}

}  // namespace

RunPaths derive_paths(std::string_view argument1, std::optional<std::string_view> argument2,
                      const Platform& platform) {
  RunPaths paths;
  paths.music_file = argument1;
  const auto dot = extension_start(argument1, platform);
  if (!dot) paths.music_file += ".msc";
  const std::string base(argument1.substr(0, dot.value_or(argument1.size())));
  paths.voice_bank = base + ".vce";
  paths.voice_table_file = base + ".vct";
  paths.output_directory = argument2 ? std::string(*argument2) : base;
  return paths;
}

std::size_t last_directory_end(std::string_view path, const Platform& platform) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (platform.is_lead_byte && platform.is_lead_byte(static_cast<unsigned char>(path[i])) &&
        i + 1 < path.size()) {
      ++i;
    } else if (platform.directory_ends.find(path[i]) != std::string_view::npos) {
      last = i;
    }
  }
  return last;
}

std::string mml_file_name(int song_number, std::string_view title, const Platform& platform) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, song_number).ptr;
  std::string name;
  if (song_number >= 0 && song_number < 10) name += '0';
  name.append(digits, end);
  name += ' ';
  for (std::size_t i = 0; i < title.size(); ++i) {
    const auto byte = static_cast<unsigned char>(title[i]);
    if (platform.is_lead_byte && platform.is_lead_byte(byte) && i + 1 < title.size()) {
      name += title.substr(i, 2);
      ++i;
    } else {
      name += platform.directory_ends.find(title[i]) == std::string_view::npos ? title[i] : '_';
    }
  }
  name += ".mml";
  return name;
}

std::string path_in(const std::string& directory, const std::string& file_name,
                    const Platform& platform) {
  if (directory.empty()) return file_name;
  return directory + platform.separator + file_name;
}

}  // namespace tonvert
