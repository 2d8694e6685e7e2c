// The working record of the part writer for one part, shared with the
// control event writer; and what is fixed for the whole part.
#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

#include "formats/byte_view.hpp"
#include "formats/voice_table.hpp"

namespace tonvert {

// "No octave written yet": a state of its own, below every octave a note can
// have (octave offsets are 16-bit, shifts 8-bit).
inline constexpr int no_octave = std::numeric_limits<int>::min();

enum class NoteShift {
  idle,     // no shift open
  armed,    // "k+20" written; the next note is the shifted one
  closing,  // the shifted note is written; "k-20" is due
};

struct PartState {
  bool line_start_pending = true;
  bool bar_separator_pending = false;
  int bars_on_line = 0;
  int ticks_in_bar = 0;
  int bar_length = 192;
  // The octave the last note wrote; no_octave after a part start, a written
  // repeat or block bracket or loop start, so the next note writes "o%d".
  int written_octave = no_octave;
  int octave_shift = 0;
  const VoiceEntry* voice = nullptr;  // the current voice entry
  int volume_level = 4;
  int written_articulation = 0;
  int repeat_depth = 0;
  NoteShift note_shift = NoteShift::idle;
  bool tie_pending = false;
};

// What a part is, fixed while it is written.
struct PartInfo {
  char letter;             // 'A' + part index
  int number;              // part index + 1
  int chord_size;          // pitch bytes per note event: 1, or 3 in a chord part
  std::size_t note_size;   // bytes per note event: 2, or 4 in a chord part
  std::string_view title;  // the song title, for warnings
  ByteView events;         // the event stream
};

}  // namespace tonvert
