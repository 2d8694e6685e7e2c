// The values that live across parts and songs of one conversion run. The run
// owns one of these and passes it down to the writers.
#pragma once

#include <array>
#include <string>

#include "formats/text_out.hpp"
#include "formats/voice_bank.hpp"
#include "formats/voice_table.hpp"
#include "mml/key_signature.hpp"

namespace tonvert {

inline constexpr std::array<int, 4> initial_gate_table = {8, 8, 4, 2};

struct RunState {
  // 0 until the song writes a tempo above 0 or the default tempo.
  int song_tempo = 0;
  // Q values by articulation; entry 0 is reset at every part start.
  std::array<int, 4> gate_table = initial_gate_table;
  bool block_open = false;
  KeySignature key_signature{};
  MeasureAccidentals measure_accidentals{};
  VoiceTable voices{};
  UsedVoices used_voices{};
  VoiceBank voice_bank{};
};

// Where one song's text goes: the MML file's text, on its way to the file,
// and the messages for the console ("\n" line ends) in the order they arise.
struct SongOutput {
  explicit SongOutput(ByteSink& file) : mml(file) {}
  TextOut mml;
  std::string console;
};

}  // namespace tonvert
