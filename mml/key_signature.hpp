// Key signatures and accidentals: the key command of a key signature event,
// the key signature in force, the natural fix of accidentals that contradict
// it, and the accidentals that hold for a letter until the bar ends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "formats/text_out.hpp"

namespace tonvert {

// +1 where the key sharpens the letter of a pitch class, -1 where it
// flattens it, 0 otherwise; indexed by pitch class 0 (C) to 11 (B).
using KeySignature = std::array<std::int8_t, 12>;

// For each letter c to b, the last pitch byte of that letter that carried an
// accidental in the current bar, or 0.
using MeasureAccidentals = std::array<std::uint8_t, 7>;

// Rebuilds the key signature for a tonic pitch class and mode. A tonic of
// 12 to 15, which no count of fifths reaches, gets six sharps.
void set_up_key_signature(KeySignature& key, int tonic, bool major);

// Sets the key signature that a key signature event's parameter gives:
// tonic in the low four bits, minor when the top bit is set.
void set_key_signature_of_event(std::uint8_t parameter, KeySignature& key);

// Writes the key command of a key signature event ("KJg ", "KIe ") and sets
// the key signature; the measure accidentals stay.
void write_key_signature_event(std::uint8_t parameter, KeySignature& key, TextOut& mml);

// The letter's index into the measure accidentals: letter 7, which is no
// letter of the format, is written "c" and treated as c.
constexpr std::size_t letter_index(std::uint8_t pitch) {
  return (pitch & 7) == 7 ? 0 : pitch & 7;
}

// The pitch byte, with its accidental made natural when it is a flat on a
// letter the key sharpens or a sharp on one it flattens.
inline std::uint8_t natural_fix(std::uint8_t pitch, const KeySignature& key) {
  static constexpr std::array<std::size_t, 7> letter_pitch_class = {0, 2, 4, 5, 7, 9, 11};
  // By key entry (-1, 0, +1) and accidental: the bits that make it natural.
  static constexpr std::uint8_t fix[3][4] = {{0, 0xC0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0xC0, 0}};
  const int k = key[letter_pitch_class[letter_index(pitch)]];
  return static_cast<std::uint8_t>(pitch | fix[k + 1][pitch >> 6]);
}

// The pitch byte whose accidental gives the mark to write, remembering the
// accidentals of the bar.
inline std::uint8_t resolve_accidental(std::uint8_t pitch, MeasureAccidentals& measure) {
  std::uint8_t& remembered = measure[letter_index(pitch)];
  if ((pitch >> 6) != 0) {
    remembered = pitch;
    return pitch;
  }
  return (remembered >> 6) != 0 ? remembered : pitch;
}

inline void clear_measure(MeasureAccidentals& measure) { measure.fill(0); }

// The mark for the accidental bits of a pitch byte: '+', '-', '*', or the
// zero byte for none.
constexpr char accidental_mark(std::uint8_t pitch) {
  constexpr std::array<char, 4> marks = {0, '+', '-', '*'};
  return marks[pitch >> 6];
}

}  // namespace tonvert
