#include "mml/control_events.hpp"

#include <string_view>

#include "formats/music_file.hpp"
#include "mml/warning.hpp"

namespace tonvert {
namespace {

// The entry of a voice number beyond the voice table: no text, no offsets.
const VoiceEntry no_voice_entry{};

void write_volume(int level, int offset, TextOut& mml) {
  mml.put('v');
  mml.number(volume_table[static_cast<std::size_t>(volume_clamp(level, offset))]);
  mml.put(' ');
}

void write_time_signature(std::uint8_t parameter, PartState& state, TextOut& mml) {
  int numerator = 4;
  int denominator = 4;
  if (parameter != 0) {
    numerator = (parameter >> 3) + 1;
    // Code 0 has no denominator in the encoding; it is read as code 1.
    const int code = (parameter & 7) == 0 ? 1 : parameter & 7;
    denominator = 1 << (code - 1);
  }
  mml.put("/* ");
  mml.number(numerator);
  mml.put('/');
  mml.number(denominator);
  mml.put(" */ ");
  state.bar_length = numerator * (192 / denominator);
}

// After a written repeat or block close the next event starts a line.
void close_bracket(PartState& state, RunState& run) {
  state.line_start_pending = true;
  state.ticks_in_bar = 0;
  clear_measure(run.measure_accidentals);
  state.written_octave = no_octave;
}

void write_bar_mark(std::uint8_t parameter, PartState& state, RunState& run, TextOut& mml) {
  switch (parameter & 15) {
    case 2:  // repeat close
      if (state.repeat_depth == 0) return;
      --state.repeat_depth;
      if (state.written_articulation != 0 || run.gate_table[0] != 8) {
        state.written_articulation = 0;
        run.gate_table[0] = 8;
        mml.put(" Q8");
      }
      mml.put(']');
      if ((parameter >> 4) != 0) mml.number((parameter >> 4) + 2);
      close_bracket(state, run);
      return;
    case 5:  // block close
      if (!run.block_open) return;
      run.block_open = false;
      mml.put(']');
      close_bracket(state, run);
      return;
    case 8:  // block open
      if (run.block_open) return;
      run.block_open = true;
      mml.put('[');
      state.written_octave = no_octave;
      return;
    case 9:  // repeat break
      mml.put(':');
      return;
    case 12:  // repeat open
      mml.put('[');
      state.written_octave = no_octave;
      ++state.repeat_depth;
      return;
    default:
      return;
  }
}

void write_octave_shift(std::uint8_t parameter, PartState& state, TextOut& mml) {
  static constexpr std::array<std::string_view, 5> labels = {"-15ma", "-8va", "oct0", "+8va",
                                                             "+15ma"};
  const int shift = static_cast<std::int8_t>(parameter);
  state.octave_shift = shift;
  mml.put("/* ");
  if (shift >= -2 && shift <= 2) {
    mml.put(labels[static_cast<std::size_t>(shift + 2)]);
  } else {
    mml.put(shift > 0 ? "oct+" : "oct");
    mml.number(shift);
  }
  mml.put(" */");
}

void write_voice_change(int n, PartState& state, RunState& run, TextOut& mml) {
  const int old_offset = state.voice->volume_offset;
  const bool in_table = n < voice_table_size;
  state.voice = in_table ? &run.voices[static_cast<std::size_t>(n)] : &no_voice_entry;

  if (state.voice->text) {
    mml.put_text(*state.voice->text);
  } else {
    mml.put("@0");
  }
  mml.put("/* ");
  if (run.voice_bank.has_name(n)) {
    mml.put_text(run.voice_bank.name(n));
  } else {
    mml.put('#');
    mml.number(n);
  }
  mml.put(" */ ");
  if (in_table) run.used_voices.set(static_cast<std::size_t>(n));
  if (state.voice->volume_offset != old_offset) {
    write_volume(state.volume_level, state.voice->volume_offset, mml);
  }
}

}  // namespace

int volume_clamp(int level, int offset) {
  const int sum = level + offset;
  return sum < 0 ? 0 : sum > 7 ? 7 : sum;
}

bool loop_start_found(std::uint8_t parameter, ByteView events, std::size_t from,
                      std::size_t note_size) {
  if (parameter != 0x40 && parameter != 0x80) return true;
  for (std::size_t at = from; events.holds(at, 2);) {
    const std::uint8_t kind = events.u8(at);
    const std::uint8_t next_byte = events.u8(at + 1);
    if (kind == kind_bar_mark && next_byte != 9) return false;
    if (kind == kind_loop_start && next_byte == parameter) return false;
    if (kind == kind_loop_end && (next_byte & 0xE0) == parameter) return true;
    at += is_note_kind(kind) ? note_size : 2;
  }
  return false;
}

void write_control_event(std::uint8_t kind, std::uint8_t parameter, std::size_t next,
                         const PartInfo& part, PartState& state, RunState& run, SongOutput& out) {
  TextOut& mml = out.mml;
  switch (kind) {
    case kind_time_signature:
      write_time_signature(parameter, state, mml);
      return;
    case kind_bar_mark:
      write_bar_mark(parameter, state, run, mml);
      return;
    case kind_tempo:
      mml.put('t');
      mml.number(parameter);
      mml.put(' ');
      if (run.song_tempo == 0) run.song_tempo = parameter;
      return;
    case kind_octave_shift:
      write_octave_shift(parameter, state, mml);
      return;
    case kind_voice_change:
      write_voice_change(parameter, state, run, mml);
      return;
    case kind_gate_time:
      mml.put('Q');
      mml.number(parameter + 1);
      run.gate_table[0] = parameter + 1;
      return;
    case kind_lfo_switch:
      mml.put(parameter == 0 ? "/* LFO OFF */ " : "/* LFO ON */ ");
      return;
    case kind_volume:
      state.volume_level = parameter;
      write_volume(state.volume_level, state.voice->volume_offset, mml);
      return;
    case kind_portamento:
      mml.put("/* Port */ ");
      return;
    case kind_loop_start:
      if (loop_start_found(parameter, part.events, next, part.note_size)) {
        mml.put('[');
        state.written_octave = no_octave;
      } else {
        warn_part(out.console, "skip '['", part.title, part.number);
      }
      return;
    case kind_loop_end:
      mml.put(']');
      mml.number((parameter & 0x3F) + 1);
      return;
    default:
      return;
  }
}

}  // namespace tonvert
