#include "mml/part_writer.hpp"

#include <array>

#include "mml/control_events.hpp"
#include "mml/key_signature.hpp"
#include "mml/part_state.hpp"
#include "mml/warning.hpp"

namespace tonvert {
namespace {

constexpr std::array<char, 8> letter_names = {'c', 'd', 'e', 'f', 'g', 'a', 'b', 'c'};

void write_part_header(const PartRecord& part, const PartInfo& info, TextOut& mml) {
  static constexpr std::array<std::string_view, 3> type_names = {"FM", "PSG", "NOISE"};
  mml.line_end();
  mml.put(";===== ");
  mml.put(type_names[static_cast<std::size_t>(part.type())]);
  mml.put(" part");
  mml.number(info.number);
  mml.put(" (chord:");
  mml.number(part.chord_value() + 1);
  mml.put(") =====");
  mml.line_end();
  mml.put(info.letter);
  mml.put(" C");
  mml.number(info.number);
  mml.put(" v88 l16 Q8 ");
  if (part.psg_bit()) mml.put("@80 ");
}

// Runs before every event: the pending line start or bar separator (which a
// bar mark takes the place of), and a due "k-20".
void event_prologue(std::uint8_t kind, const PartInfo& info, PartState& state, TextOut& mml) {
  if (state.line_start_pending) {
    if (kind != kind_bar_mark) {
      mml.line_end();
      mml.put(info.letter);
      mml.put(' ');
    }
    state.line_start_pending = false;
    state.bars_on_line = 0;
    state.bar_separator_pending = false;
  } else if (state.bar_separator_pending) {
    if (kind != kind_bar_mark) mml.put(" | ");
    state.bar_separator_pending = false;
  }
  if (state.note_shift == NoteShift::closing && kind != kind_note_shift) {
    mml.put("k-20");
    state.note_shift = NoteShift::idle;
  }
}

void write_octave(int target, PartState& state, TextOut& mml) {
  if (state.written_octave == target) return;
  if (state.written_octave && target == *state.written_octave - 1) {
    mml.put('<');
  } else if (state.written_octave && target == *state.written_octave + 1) {
    mml.put('>');
  } else {
    mml.put('o');
    mml.number(target);
  }
  state.written_octave = target;
}

// Writes the length text of a note and returns its ticks.
int write_length(std::uint8_t kind, int bar_length, TextOut& mml) {
  const int length = length_code(kind);
  if (length == 0) {
    mml.put('%');
    mml.number(bar_length);
    return bar_length;
  }
  const int value = 1 << (length - 1);
  const int base = 192 / value;
  switch (dot_code(kind)) {
    case 3:
      mml.put('%');
      mml.number(2 * base / 3);
      return 2 * base / 3;
    case 2:
      if (value != 16) mml.number(value);
      mml.put("..");
      return base + base / 2 + base / 4;
    case 1:
      if (value != 16) mml.number(value);
      mml.put('.');
      return base + base / 2;
    default:
      if (value != 16) mml.number(value);
      return base;
  }
}

void write_note(ByteView events, std::size_t at, std::size_t next, const PartInfo& info,
                PartState& state, RunState& run, SongOutput& out, TextOut& mml) {
  const std::uint8_t kind = events.u8(at);
  const std::uint8_t first = events.u8(at + 1);
  const int articulation_code = articulation(kind);

  if (state.note_shift == NoteShift::armed) state.note_shift = NoteShift::closing;
  if (run.song_tempo == 0) {
    mml.put("t120");
    run.song_tempo = 120;
  }

  if (first != rest_pitch) {
    write_octave(state.voice->octave_offset + octave(first) + state.octave_shift, state, mml);
  }

  const bool tied = articulation_code == 1 && first == look_ahead(events, next);
  if (!tied && !state.tie_pending && articulation_code != state.written_articulation) {
    state.written_articulation = articulation_code;
    mml.put('Q');
    mml.number(run.gate_table[static_cast<std::size_t>(articulation_code)]);
  }

  const std::size_t pitches = info.note_size == 4 ? 3 : 1;
  for (std::size_t i = 0; i < pitches; ++i) {
    const std::uint8_t pitch = events.u8(at + 1 + i);
    if (pitch == rest_pitch || state.tie_pending) {
      if (i == 0) mml.put('r');
      break;
    }
    mml.put(letter_names[static_cast<std::size_t>(letter(pitch))]);
    const std::uint8_t fixed = natural_fix(pitch, run.key_signature);
    if (fixed != pitch) warn_part(out.console, "fix natural", info.title, info.number);
    write_accidental_mark(resolve_accidental(fixed, run.measure_accidentals), mml);
    if (i + 1 < pitches && events.u8(at + 2 + i) != rest_pitch) mml.put('0');
  }
  state.tie_pending = false;

  const int ticks = write_length(kind, state.bar_length, mml);
  if (tied) {
    mml.put('&');
    state.tie_pending = true;
  }

  state.ticks_in_bar += ticks;
  if (state.ticks_in_bar >= state.bar_length) {
    ++state.bars_on_line;
    if (state.bars_on_line >= 8 && !state.tie_pending) {
      state.bars_on_line = 0;
      state.line_start_pending = true;
    }
    state.ticks_in_bar = 0;
    clear_measure(run.measure_accidentals);
    state.bar_separator_pending = true;
  }
}

}  // namespace

std::uint8_t look_ahead(ByteView events, std::size_t position) {
  for (; events.holds(position, 2); position += 2) {
    if (is_note_kind(events.u8(position))) return events.u8(position + 1);
  }
  return rest_pitch;
}

void write_part(const PartRecord& part, int part_index, std::string_view title, RunState& run,
                SongOutput& out) {
  TextOut mml(out.mml);
  const PartInfo info{static_cast<char>(static_cast<unsigned char>('A' + part_index)),
                      part_index + 1, part.note_event_size(), title, part.events()};
  write_part_header(part, info, mml);

  PartState state;
  state.voice = &run.voices[0];
  run.gate_table[0] = initial_gate_table[0];
  set_up_key_signature(run.key_signature, 0, true);
  clear_measure(run.measure_accidentals);

  const ByteView events = info.events;
  for (std::size_t at = 0; at < events.size();) {
    const std::uint8_t kind = events.u8(at);
    const std::size_t size = is_note_kind(kind) ? info.note_size : 2;
    if (!events.holds(at, size)) {
      warn_part(out.console, "cut event at the end of the part", title, info.number);
      break;
    }
    const std::size_t next = at + size;
    event_prologue(kind, info, state, mml);
    if (kind == kind_end) break;
    if (is_note_kind(kind)) {
      write_note(events, at, next, info, state, run, out, mml);
    } else if (kind == kind_note_shift) {
      if (state.note_shift == NoteShift::idle) mml.put("k+20");
      state.note_shift = NoteShift::armed;
    } else if (kind == kind_key_signature) {
      write_key_signature_event(events.u8(at + 1), run.key_signature, mml);
    } else if (kind != 1 && kind != 13) {
      write_control_event(kind, events.u8(at + 1), next, info, state, run, out);
    }
    at = next;
  }
  mml.line_end();
}

}  // namespace tonvert
