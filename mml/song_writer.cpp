#include "mml/song_writer.hpp"

#include "mml/part_writer.hpp"
#include "mml/warning.hpp"

namespace tonvert {

void write_song(const SongRecord& song, RunState& run, SongOutput& out) {
  TextOut& mml = out.mml;
  const std::string_view title = song.title();
  mml.put("#title \"");
  mml.put_text(title);
  mml.put('"');
  mml.line_end();
  mml.put("#timebase 48");
  mml.line_end();

  std::size_t start = song_head_size;
  for (int index = 0; index < song.part_count(); ++index) {
    const RecordAt record = record_at(song.bytes(), start, part_head_size);
    if (record.fault == RecordFault::missing) {
      warn_part(out.console, "missing part record", title, index + 1);
      return;
    }
    if (record.fault == RecordFault::bad_size) {
      warn_part(out.console, "bad part record size", title, index + 1);
      return;
    }
    if (record.fault == RecordFault::cut) {
      warn_part(out.console, "part record cut at the end of its song", title, index + 1);
    }
    run.block_open = false;
    write_part(PartRecord(record.bytes), index, title, run, out);
    start = record.next;
  }
}

}  // namespace tonvert
