// What differs between the platforms the program runs on: how paths are
// joined and split, and how the two console messages that end in CR LF on
// the format's home platform end their lines.
#pragma once

#include <string_view>

namespace tonvert {

struct Platform {
  // Joins the output directory and an MML file name.
  char separator;
  // The characters that end a directory name in a path.
  std::string_view directory_ends;
  // The line end of the usage banner and the header message.
  std::string_view message_line_end;
  // Whether a byte of a title starts a double-byte character of the system's
  // code page; such a character is kept whole in a file name. None: every
  // byte is a character.
  bool (*is_lead_byte)(unsigned char);
};

// '/' separates; console lines end in LF.
inline constexpr Platform posix_platform{'/', "/", "\n", nullptr};

// The lead bytes of the Japanese code page (932), for the Windows rules in
// tests on other systems.
constexpr bool code_page_932_lead_byte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// '\' separates, '/' ends a directory name too; the two messages end in
// CR LF, which the text console writes as CR CR LF.
inline constexpr Platform windows_platform(bool (*is_lead_byte)(unsigned char)) {
  return {'\\', "\\/", "\r\n", is_lead_byte};
}

}  // namespace tonvert
