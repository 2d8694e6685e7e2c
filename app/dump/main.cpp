// tonvert-dump <OSTREL music file(AAA.msc)>: lists the file's songs, parts
// and events with what each one means, to see why the converter writes what
// it writes. The voice bank beside the music file names the voices.
// tonvert-dump <voice table file(AAA.vct)>: lists the file's lines as the
// converter reads them.
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dump/music_listing.hpp"
#include "app/dump/voice_table_listing.hpp"
#include "app/file_names.hpp"

namespace {

constexpr std::string_view usage =
    "usage: tonvert-dump <OSTREL music file(AAA.msc)>\n"
    "       tonvert-dump <voice table file(AAA.vct)>\n";

constexpr std::string_view help =
    "tonvert-dump: lists the songs, parts and events of an OSTREL music file,\n"
    "or the lines of a voice table file as tonvert reads them\n"
    "\n"
    "usage: tonvert-dump <OSTREL music file(AAA.msc)>\n"
    "       tonvert-dump <voice table file(AAA.vct)>\n"
    "       tonvert-dump --help | --version\n"
    "\n"
    "The music file is found as tonvert finds it: \".msc\" is added when the last\n"
    "path component holds no '.'; the voice bank (.vce) beside it, when there is\n"
    "one, names the voices. Lines marked \"***\" are faults of the file that\n"
    "tonvert warns about. A file whose name ends in \".vct\" is read as a voice\n"
    "table file: each line with the voice it sets, or \"skipped\" and why. The\n"
    "listing goes to standard output.\n";

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// A name ending in ".vct", in any case.
bool is_voice_table_file(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string_view end = path.substr(path.size() - 4);
  constexpr std::string_view extension = ".vct";
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(end[i])) != extension[i]) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (arguments.size() == 1 && arguments[0] == "--help") {
    std::cout << help;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::cout << "tonvert-dump " TONVERT_VERSION "\n";
    return 0;
  }
  if (arguments.size() != 1 || (arguments[0].starts_with("-") && arguments[0] != "-")) {
    if (arguments.size() == 1) std::cerr << "tonvert-dump: unknown option '" << arguments[0] << "'\n";
    std::cerr << usage;
    return 1;
  }

  if (is_voice_table_file(arguments[0])) {
    const auto table = read_whole_file(std::string(arguments[0]));
    if (!table) {
      std::cerr << "tonvert-dump: cannot open '" << arguments[0] << "'\n";
      return 1;
    }
    std::cout << tonvert::voice_table_listing(
        std::string_view(reinterpret_cast<const char*>(table->data()), table->size()));
    std::cout.flush();
    return std::cout ? 0 : 1;
  }

  const tonvert::RunPaths paths = tonvert::derive_paths(arguments[0], std::nullopt);
  const auto music = read_whole_file(paths.music_file);
  if (!music) {
    std::cerr << "tonvert-dump: cannot open '" << paths.music_file << "'\n";
    return 1;
  }
  const auto bank_bytes = read_whole_file(paths.voice_bank);
  std::optional<tonvert::VoiceBank> bank;
  if (bank_bytes) bank = tonvert::VoiceBank(tonvert::ByteView(*bank_bytes));

  std::cout << tonvert::music_listing(tonvert::ByteView(*music), bank);
  std::cout.flush();
  return std::cout ? 0 : 1;
}
