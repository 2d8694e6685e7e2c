// Warnings about the music data: "*** <what> in [<title>] part#<n>\n", or
// "*** <what> in song#<n>\n" where no part is concerned.
#pragma once

#include <string>
#include <string_view>

#include "formats/text_out.hpp"

namespace tonvert {

inline void warn_part(std::string& console, std::string_view what, std::string_view title,
                      int part_number) {
  TextOut text(console);
  text.put("*** ");
  text.put(what);
  text.put(" in [");
  text.put(title);
  text.put("] part#");
  text.number(part_number);
  text.put('\n');
}

inline void warn_song(std::string& console, std::string_view what, int song_number) {
  TextOut text(console);
  text.put("*** ");
  text.put(what);
  text.put(" in song#");
  text.number(song_number);
  text.put('\n');
}

}  // namespace tonvert
