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

void print_cannot(Environment& environment, std::string_view what, const std::string& path) {
  std::string message = "cannot ";
  message.append(what).append(" '").append(path).append("'\n");
  environment.print(message);
}

// Reads an input file whole; says what went wrong when it could not.
ReadResult load(Environment& environment, const std::string& path, std::string_view mode) {
  ReadResult file = environment.read_file(path);
  if (file.status == ReadStatus::cannot_open) print_cannot_open(environment, path, mode);
  if (file.status == ReadStatus::cannot_read) print_cannot(environment, "read", path);
  return file;
}

// The header check: true when the file holds a whole OSTREL header. Says why
// it refuses one.
bool header_accepted(ByteView file, Environment& environment) {
  if (!has_music_magic(file)) {
    environment.print("Illegual OSTREL music file header!" +
                      std::string(environment.platform().message_line_end));
    return false;
  }
  if (file.size() < file_header_size) {
    environment.print("OSTREL music file too short for its header (" +
                      std::to_string(file.size()) + " of 16 bytes)!\n");
    return false;
  }
  return true;
}

// Writes one MML file per song record, each rendered straight into its
// file. A song's messages follow its file's open and come before the next
// song. Returns false when a file could not be written, which ends the run
// at once.
bool write_songs(ByteView file, const std::string& directory, RunState& run,
                 Environment& environment) {
  const Platform& platform = environment.platform();
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
    const SongRecord song(record.bytes);
    const std::string path =
        path_in(directory, mml_file_name(number, song.title(), platform), platform);
    const std::unique_ptr<OutputFile> mml_file = environment.open_output(path);
    if (!mml_file) {
      print_cannot_open(environment, path, "w");
      return false;
    }
    SongOutput out(*mml_file);
    if (record.fault == RecordFault::cut) {
      warn_song(out.console, "song record cut at the end of the file", number);
    }
    run.song_tempo = 0;
    write_song(song, run, out);
    if (!out.mml.flush() || !mml_file->commit()) {
      print_cannot(environment, "write", path);
      return false;
    }
    environment.print(out.console);
    environment.flush_console();
    start = record.next;
  }
  return true;
}

// Writes the voice table file for the voices the songs used. Its failures
// are reported and do not change the exit status.
void write_voice_table(const std::string& path, const RunState& run, Environment& environment) {
  const std::unique_ptr<OutputFile> file = environment.open_output(path);
  if (!file) {
    print_cannot_open(environment, path, "w");
    return;
  }
  TextOut text(*file);
  write_voice_table_file(run.voice_bank, run.used_voices, text);
  if (!text.flush() || !file->commit()) print_cannot(environment, "write", path);
}

int convert(const std::vector<std::string>& arguments, Environment& environment) {
  if (const auto status = answer_command_line(arguments, environment)) return *status;
  const RunPaths paths = derive_paths(
      arguments[0],
      arguments.size() > 1 ? std::optional<std::string_view>(arguments[1]) : std::nullopt,
      environment.platform());
  const ReadResult music = load(environment, paths.music_file, "rb");
  if (music.status != ReadStatus::read) return 1;
  const ReadResult bank = load(environment, paths.voice_bank, "rb");
  if (bank.status != ReadStatus::read) return 1;

  auto run = std::make_unique<RunState>();
  run->voice_bank = VoiceBank(ByteView(bank.bytes));
  // A voice table file that cannot be opened is written at the end; one
  // that opens but cannot be read whole stops the run before anything is
  // made, so that the user's file is never replaced.
  const ReadResult voice_table_file = load(environment, paths.voice_table_file, "r");
  if (voice_table_file.status == ReadStatus::cannot_read) return 1;
  if (voice_table_file.status == ReadStatus::read) {
    read_voice_table_file(
        std::string_view(reinterpret_cast<const char*>(voice_table_file.bytes.data()),
                         voice_table_file.bytes.size()),
        run->voices);
  }

  // A file that is no music file creates nothing: no directory, and no
  // voice table file that later runs would trust.
  const ByteView music_file(music.bytes);
  if (!header_accepted(music_file, environment)) return 1;

  if (!paths.output_directory.empty()) environment.make_directory(paths.output_directory);
  if (!write_songs(music_file, paths.output_directory, *run, environment)) return 1;

  if (voice_table_file.status == ReadStatus::cannot_open) {
    write_voice_table(paths.voice_table_file, *run, environment);
  }
  return 0;
}

}  // namespace

int run_conversion(const std::vector<std::string>& arguments, Environment& environment) {
  const int status = convert(arguments, environment);
  // Messages that never reached the console make the run a failure, even
  // when every file was written.
  if (!environment.flush_console()) {
    environment.report_console_failure();
    return 1;
  }
  return status;
}

}  // namespace tonvert
