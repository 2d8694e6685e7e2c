#include "app/file_names.hpp"

#include <algorithm>
#include <charconv>

namespace tonvert {
namespace {

constexpr char separator = '/';

// Where the extension begins: the last '.' after the last separator.
std::optional<std::size_t> extension_start(std::string_view path) {
  const std::size_t slash = path.find_last_of(separator);
  const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || dot < name) return std::nullopt;
  return dot;
}

}  // namespace

RunPaths derive_paths(std::string_view argument1, std::optional<std::string_view> argument2) {
  RunPaths paths;
  paths.music_file = argument1;
  const auto dot = extension_start(argument1);
  if (!dot) paths.music_file += ".msc";
  const std::string base(argument1.substr(0, dot.value_or(argument1.size())));
  paths.voice_bank = base + ".vce";
  paths.voice_table_file = base + ".vct";
  paths.output_directory = argument2 ? std::string(*argument2) : base;
  return paths;
}

std::string mml_file_name(int song_number, std::string_view title) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, song_number).ptr;
  std::string name;
  if (song_number >= 0 && song_number < 10) name += '0';
  name.append(digits, end);
  name += ' ';
  name += title;
  std::replace(name.begin(), name.end(), separator, '_');
  name += ".mml";
  return name;
}

std::string path_in(const std::string& directory, const std::string& file_name) {
  if (directory.empty()) return file_name;
  return directory + separator + file_name;
}

}  // namespace tonvert
