// Renders one song record as the text of an MML file: the song header, then
// every part record in file order.
#pragma once

#include "formats/music_file.hpp"
#include "mml/run_state.hpp"

namespace tonvert {

// Appends the whole song to out.mml and its warnings to out.console.
void write_song(const SongRecord& song, RunState& run, SongOutput& out);

}  // namespace tonvert
