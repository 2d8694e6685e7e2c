#include "app/conversion_run.hpp"

#include <memory>

#include "app/command_line.hpp"
#include "app/file_names.hpp"
#include "formats/music_file.hpp"
#include "formats/text_out.hpp"
#include "mml/run_state.hpp"
#include "mml/song_writer.hpp"
#include "mml/warning.hpp"

namespace tonvert {
namespace {

void print_cannot_open(Environment& environment, const std::string& path, std::string_view mode) {
  std::string message = "cannot open '";
  message.append(path).append("' for <").append(mode).append(">\n");
  environment.print(message);
}

// Writes a file; prints what went wrong and returns false when it failed.
bool write_or_complain(Environment& environment, const std::string& path, std::string_view bytes) {
  switch (environment.write_file(path, bytes)) {
    case WriteResult::written:
      return true;
    case WriteResult::cannot_open:
      print_cannot_open(environment, path, "w");
      return false;
    case WriteResult::cannot_write:
      environment.print("cannot write '" + path + "'\n");
      return false;
  }
  return false;
}

std::optional<std::vector<std::uint8_t>> load(Environment& environment, const std::string& path,
                                              std::string_view mode) {
  auto bytes = environment.read_file(path);
  if (!bytes) print_cannot_open(environment, path, mode);
  return bytes;
}

// Writes one MML file per song record. Returns false when a file could not
// be written, which ends the run at once.
bool write_songs(ByteView file, const std::string& directory, RunState& run,
                 Environment& environment) {
  const Platform& platform = environment.platform();
  if (!has_music_magic(file)) {
    environment.print("Illegual OSTREL music file header!" + std::string(platform.message_line_end));
    return true;
  }
  if (file.size() < file_header_size) {
    environment.print("OSTREL music file too short for its header (" +
                      std::to_string(file.size()) + " of 16 bytes)!\n");
    return true;
  }
  SongOutput out;
  std::size_t start = file_header_size;
  const int count = song_count(file);
  for (int number = 1; number <= count; ++number) {
    const RecordAt record = record_at(file, start, song_head_size);
    if (record.fault == RecordFault::missing || record.fault == RecordFault::bad_size) {
      std::string message;
      warn_song(message,
                record.fault == RecordFault::missing ? "missing song record" : "bad song record size",
                number);
      environment.print(message);
      return true;
    }
    out.mml.clear();
    out.console.clear();
    if (record.fault == RecordFault::cut) {
      warn_song(out.console, "song record cut at the end of the file", number);
    }
    const SongRecord song(record.bytes);
    run.song_tempo = 0;
    write_song(song, run, out);
    const std::string path =
        path_in(directory, mml_file_name(number, song.title(), platform), platform);
    if (!write_or_complain(environment, path, out.mml.view())) {
      return false;
    }
    environment.print(out.console);
    start = record.next;
  }
  return true;
}

}  // namespace

int run_conversion(const std::vector<std::string>& arguments, Environment& environment) {
  if (const auto status = answer_command_line(arguments, environment)) return *status;
  const RunPaths paths = derive_paths(
      arguments[0],
      arguments.size() > 1 ? std::optional<std::string_view>(arguments[1]) : std::nullopt,
      environment.platform());
  const auto music = load(environment, paths.music_file, "rb");
  if (!music) return 1;
  const auto bank = load(environment, paths.voice_bank, "rb");
  if (!bank) return 1;

  auto run = std::make_unique<RunState>();
  run->voice_bank = VoiceBank(ByteView(*bank));
  const auto voice_table_file = load(environment, paths.voice_table_file, "r");
  if (voice_table_file) {
    read_voice_table_file(
        std::string_view(reinterpret_cast<const char*>(voice_table_file->data()),
                         voice_table_file->size()),
        run->voices);
  }

  if (!paths.output_directory.empty()) environment.make_directory(paths.output_directory);
  if (!write_songs(ByteView(*music), paths.output_directory, *run, environment)) return 1;

  if (!voice_table_file) {
    std::string text;
    write_voice_table_file(run->voice_bank, run->used_voices, text);
    write_or_complain(environment, paths.voice_table_file, text);
  }
  return 0;
}

}  // namespace tonvert
