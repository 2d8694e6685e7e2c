// Key signatures and accidentals: the key command of a key signature event,
// the key signature in force, the natural fix of accidentals that contradict
// it, and the accidentals that hold for a letter until the bar ends.
#pragma once

#include <array>
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

// Writes the key command of a key signature event ("KJg ", "KIe ") and sets
// the key signature; the measure accidentals stay.
void write_key_signature_event(std::uint8_t parameter, KeySignature& key, TextOut& mml);

// The pitch byte, with its accidental made natural when it is a flat on a
// letter the key sharpens or a sharp on one it flattens.
std::uint8_t natural_fix(std::uint8_t pitch, const KeySignature& key);

// The pitch byte whose accidental gives the mark to write, remembering the
// accidentals of the bar.
std::uint8_t resolve_accidental(std::uint8_t pitch, MeasureAccidentals& measure);

inline void clear_measure(MeasureAccidentals& measure) { measure.fill(0); }

// The mark for the accidental bits of a pitch byte: "", "+", "-" or "*".
void write_accidental_mark(std::uint8_t pitch, TextOut& mml);

}  // namespace tonvert
