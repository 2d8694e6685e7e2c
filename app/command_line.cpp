#include "app/command_line.hpp"

namespace tonvert {
namespace {

constexpr std::string_view guide =
    "\n"
    "Reads   NAME.msc (the music file), NAME.vce (its voice bank) and NAME.vct\n"
    "        (the voice table file) when there is one.\n"
    "Writes  one MML file per song, \"NN Title.mml\", into NAME/ or the directory\n"
    "        given as argument 2, and NAME.vct when none was read.\n"
    "\n"
    "The voice table file, NAME.vct:\n"
    "  1. The first run writes it: one line per voice, \"2<TAB>@0<TAB>/* Name */\".\n"
    "  2. Edit field 2, options after commas (spaces belong to the text):\n"
    "     2,@12 q6,O-1,V+1     Check it with: tonvert-dump NAME.vct\n"
    "  3. Run again: the file is read, applied and never rewritten.\n"
    "\n"
    "tonvert --help, -h   this text        tonvert --version   the version\n"
    "A music file named like an option is reached as ./--help.\n"
    "See man tonvert.\n";

}  // namespace

CommandLineRequest command_line_request(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return CommandLineRequest::usage;
  if (arguments[0] == "--help" || arguments[0] == "-h") return CommandLineRequest::help;
  if (arguments[0] == "--version") return CommandLineRequest::version;
  return CommandLineRequest::convert;
}

std::string usage_banner(std::string_view line_end) {
  std::string banner = "tonvert: converts an OSTREL music file into MML files, one per song";
  banner += line_end;
  banner += "usage: tonvert <OSTREL music file(AAA.msc)> [MML files path]";
  banner += line_end;
  return banner;
}

std::string help_text(std::string_view banner_line_end) {
  return usage_banner(banner_line_end).append(guide);
}

std::string version_text() { return "tonvert " TONVERT_VERSION "\n"; }

std::optional<int> answer_command_line(const std::vector<std::string>& arguments,
                                       Environment& environment) {
  const std::string_view line_end = environment.platform().message_line_end;
  switch (command_line_request(arguments)) {
    case CommandLineRequest::convert:
      return std::nullopt;
    case CommandLineRequest::usage:
      environment.print(usage_banner(line_end));
      return 1;
    case CommandLineRequest::help:
      environment.print(help_text(line_end));
      return 0;
    case CommandLineRequest::version:
      environment.print(version_text());
      return 0;
  }
  return std::nullopt;
}

}  // namespace tonvert
