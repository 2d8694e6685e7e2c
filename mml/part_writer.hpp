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

// Whether the note event at `at` (the next event at `next`) is tied to the
// next note: slurred, and the next note's first pitch byte is its own.
inline bool tied_to_next(ByteView events, std::size_t at, std::size_t next) {
  return articulation(events.u8(at)) == 1 && events.u8(at + 1) == look_ahead(events, next);
}

// The pitch bytes of the note event at `at` that are written as letters:
// those before the first rest byte, at most the chord size. A note that a
// tie leads into writes none: it is written as a rest.
inline int letter_pitches(ByteView events, std::size_t at, int chord_size) {
  int count = 0;
  while (count < chord_size && events.u8(at + 1 + static_cast<std::size_t>(count)) != rest_pitch) {
    ++count;
  }
  return count;
}

}  // namespace tonvert
