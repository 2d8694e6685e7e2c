// The control events that the part writer hands over: time signatures, bar
// marks, tempo, octave shifts, voice changes, gate times, LFO switches,
// volume, portamento, loop starts and loop ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/byte_view.hpp"
#include "mml/part_state.hpp"
#include "mml/run_state.hpp"

namespace tonvert {

inline constexpr std::array<int, 8> volume_table = {32, 48, 64, 76, 88, 100, 112, 127};

// Writes one control event of kind 3 to 10, 12, 14 or 15 and applies its
// state changes. `next` is the position of the event after it.
void write_control_event(std::uint8_t kind, std::uint8_t parameter, std::size_t next,
                         const PartInfo& part, PartState& state, RunState& run, SongOutput& out);

// Whether a loop start with this parameter is written: always, unless it is
// a guarded one (0x40 or 0x80), which needs its loop end ahead in the part
// before any other bar mark than a plain repeat break and before another
// loop start of its own.
bool loop_start_found(std::uint8_t parameter, ByteView events, std::size_t from,
                      std::size_t note_size);

// The volume level plus the volume offset, limited to 0..7.
int volume_clamp(int level, int offset);

}  // namespace tonvert
