// The file names of a run, all derived from the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/platform.hpp"

namespace tonvert {

struct RunPaths {
  std::string music_file;        // argument 1, with ".msc" when its last component has no '.'
  std::string voice_bank;        // base path + ".vce"
  std::string voice_table_file;  // base path + ".vct"
  std::string output_directory;  // argument 2, or the base path; "" is the current directory
};

// The base path is the music file's path less the extension: the text from
// the last '.' of its last path component on.
RunPaths derive_paths(std::string_view argument1, std::optional<std::string_view> argument2,
                      const Platform& platform = posix_platform);

// Where the last character that ends a directory name stands in a path, or
// npos. The second byte of a double-byte character ends nothing, as the file
// system reads the path by characters.
std::size_t last_directory_end(std::string_view path, const Platform& platform = posix_platform);

// "%02d %s.mml" with the song number and the title, where a title byte that
// would separate directories becomes '_', so the file stays in the output
// directory.
std::string mml_file_name(int song_number, std::string_view title,
                          const Platform& platform = posix_platform);

// The output directory, the separator and the file name; just the file name
// when the output directory is the current one ("").
std::string path_in(const std::string& directory, const std::string& file_name,
                    const Platform& platform = posix_platform);

}  // namespace tonvert
