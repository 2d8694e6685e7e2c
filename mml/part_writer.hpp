// Renders one part record: the part header, then the event stream in file
// order, with the line and bar layout, notes, rests, chords and ties. Key
// signatures and the other control events are handed to their writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/music_file.hpp"
#include "mml/run_state.hpp"

namespace tonvert {

// Appends the part to out.mml and its warnings to out.console. part_index
// counts from 0.
void write_part(const PartRecord& part, int part_index, std::string_view title, RunState& run,
                SongOutput& out);

// The ticks a note with this kind byte lasts: its length and dots, two
// thirds of its length as a triplet, or the bar for length code 0.
int note_ticks(std::uint8_t kind, int bar_length);

// The first pitch byte of the first note event at or after `position`, or
// the rest byte when the stream ends first. Steps over control events only.
std::uint8_t look_ahead(ByteView events, std::size_t position);

}  // namespace tonvert
