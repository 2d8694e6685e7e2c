// Warnings about the music data: "*** <what> in [<title>] part#<n>\n", or
// "*** <what> in song#<n>\n" where no part is concerned.
#pragma once

#include <string>
#include <string_view>

namespace tonvert {

inline void warn_part(std::string& console, std::string_view what, std::string_view title,
                      int part_number) {
  console.append("*** ").append(what).append(" in [").append(title).append("] part#");
  console.append(std::to_string(part_number)).append("\n");
}

inline void warn_song(std::string& console, std::string_view what, int song_number) {
  console.append("*** ").append(what).append(" in song#");
  console.append(std::to_string(song_number)).append("\n");
}

}  // namespace tonvert
