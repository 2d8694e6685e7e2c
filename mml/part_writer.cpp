#include "mml/part_writer.hpp"

#include <array>

#include "mml/control_events.hpp"
#include "mml/key_signature.hpp"
#include "mml/part_state.hpp"
#include "mml/warning.hpp"

namespace tonvert {
namespace {

constexpr std::array<char, 7> letter_names = {'c', 'd', 'e', 'f', 'g', 'a', 'b'};

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
  if (state.written_octave != no_octave && target == state.written_octave - 1) {
    mml.put('<');
  } else if (state.written_octave != no_octave && target == state.written_octave + 1) {
    mml.put('>');
  } else {
    mml.put('o');
    mml.number(target);
  }
  state.written_octave = target;
}

// The length text and ticks of a note by its dot code and length code 1 to
// 7: the note value N (none for the default 16) and its dots, or "%" and
// the ticks of a triplet.
struct LengthText {
  char text[8];
  std::uint8_t size;
  std::uint16_t ticks;
};

constexpr std::array<LengthText, 32> make_length_texts() {
  std::array<LengthText, 32> texts{};
  for (int dot = 0; dot < 4; ++dot) {
    for (int length = 1; length < 8; ++length) {
      LengthText& entry = texts[static_cast<std::size_t>(dot * 8 + length)];
      const auto append_number = [&entry](int n) {
        if (n >= 100) entry.text[entry.size++] = static_cast<char>('0' + n / 100);
        if (n >= 10) entry.text[entry.size++] = static_cast<char>('0' + n / 10 % 10);
        entry.text[entry.size++] = static_cast<char>('0' + n % 10);
      };
      const int value = 1 << (length - 1);
      const int base = 192 / value;
      if (dot == 3) {
        entry.ticks = static_cast<std::uint16_t>(2 * base / 3);
        entry.text[entry.size++] = '%';
        append_number(entry.ticks);
        continue;
      }
      if (value != 16) append_number(value);
      for (int d = 0; d < dot; ++d) entry.text[entry.size++] = '.';
      const int ticks[] = {base, base + base / 2, base + base / 2 + base / 4};
      entry.ticks = static_cast<std::uint16_t>(ticks[dot]);
    }
  }
  return texts;
}

constexpr std::array<LengthText, 32> length_texts = make_length_texts();

// Writes the length text of a note and returns its ticks; length code 0
// lasts the bar. Needs 8 bytes of room.
int write_length(std::uint8_t kind, int bar_length, TextOut& mml) {
  if (length_code(kind) == 0) {
    mml.put('%');
    mml.number(bar_length);
    return bar_length;
  }
  const LengthText& entry = length_texts[kind & 31];
  mml.push_first(entry.text, entry.size);
  return entry.ticks;
}

// The most a note writes from its letters on: three letters with marks,
// two joiners, eight bytes of length text and "&".
constexpr std::size_t note_tail_room = 3 * 2 + 2 + 8 + 1;

void write_note(ByteView events, std::size_t at, std::size_t next, const PartInfo& info,
                PartState& state, RunState& run, SongOutput& out) {
  TextOut& mml = out.mml;
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

  const bool tied = tied_to_next(events, at, next);
  if (!tied & !state.tie_pending & (articulation_code != state.written_articulation)) {
    state.written_articulation = articulation_code;
    mml.put('Q');
    mml.number(run.gate_table[static_cast<std::size_t>(articulation_code)]);
  }

  mml.reserve(note_tail_room);
  const auto letters =
      static_cast<std::size_t>(state.tie_pending ? 0 : letter_pitches(events, at, info.chord_size));
  if (letters == 0) mml.push('r');
  for (std::size_t i = 0; i < letters; ++i) {
    const std::uint8_t pitch = events.u8(at + 1 + i);
    mml.push(letter_names[letter_index(pitch)]);
    const std::uint8_t fixed = natural_fix(pitch, run.key_signature);
    if (fixed != pitch) warn_part(out.console, "fix natural", info.title, info.number);
    mml.push_unless_zero(accidental_mark(resolve_accidental(fixed, run.measure_accidentals)));
    if (i + 1 < letters) mml.push('0');
  }
  state.tie_pending = tied;

  const int ticks = write_length(kind, state.bar_length, mml);
  if (tied) mml.push('&');

  // Bar accounting: a full bar counts on the line, drops its extra ticks,
  // clears the measure accidentals and sets up " | " or, after eight bars
  // not ending in a tie, a new line.
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

int note_ticks(std::uint8_t kind, int bar_length) {
  return length_code(kind) == 0 ? bar_length : length_texts[kind & 31].ticks;
}

std::uint8_t look_ahead(ByteView events, std::size_t position) {
  for (; events.holds(position, 2); position += 2) {
    if (is_note_kind(events.u8(position))) return events.u8(position + 1);
  }
  return rest_pitch;
}

void write_part(const PartRecord& part, int part_index, std::string_view title, RunState& run,
                SongOutput& out) {
  TextOut& mml = out.mml;
  const PartInfo info{static_cast<char>(static_cast<unsigned char>('A' + part_index)),
                      part_index + 1,
                      part.chord_size(),
                      part.note_event_size(),
                      title,
                      part.events()};
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
      write_note(events, at, next, info, state, run, out);
    } else if (kind == kind_note_shift) {
      if (state.note_shift == NoteShift::idle) mml.put("k+20");
      state.note_shift = NoteShift::armed;
    } else if (kind == kind_key_signature) {
      write_key_signature_event(events.u8(at + 1), run.key_signature, mml);
    } else if (kind != kind_no_effect_1 && kind != kind_no_effect_13) {
      write_control_event(kind, events.u8(at + 1), next, info, state, run, out);
    }
    at = next;
  }
  mml.line_end();
}

}  // namespace tonvert
