// The command lines that ask the converter about itself instead of naming a
// music file: none (the usage banner), "--help" or "-h" (the banner and a
// short guide), "--version". Only argument 1 is looked at; a music file
// named like one of these is reached as "./--help".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/environment.hpp"

namespace tonvert {

enum class CommandLineRequest { convert, usage, help, version };

CommandLineRequest command_line_request(const std::vector<std::string>& arguments);

// The two banner lines, each ending in `line_end`.
std::string usage_banner(std::string_view line_end);

// The banner, then the guide: the files read and written, the voice table
// file's three steps, and where to read more.
std::string help_text(std::string_view banner_line_end);

// "tonvert X.Y.Z\n".
std::string version_text();

// Answers a request that names no music file and returns its exit status:
// 1 for the usage banner, 0 for the help and version texts. None when the
// arguments ask for a conversion.
std::optional<int> answer_command_line(const std::vector<std::string>& arguments,
                                       Environment& environment);

}  // namespace tonvert
