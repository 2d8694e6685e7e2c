// Makes large song collections for the benchmarks: an OSTREL music file with
// many songs, its voice bank and a voice table file text. Everything is drawn
// from a fixed seed with a generator of our own, so the bytes are the same on
// every machine and every build.
//
// Songs are built through tools/msc_builder.hpp and look like real music:
// FM, PSG, noise and chord parts; bars filled to their time signature with
// notes, rests, triplets, dotted notes and chords; ties across notes and bars;
// repeats with breaks, blocks, guarded and plain loops; key and time signature
// changes, tempo, voice, volume, gate, octave shift, note shift, LFO and
// portamento events. Song n depends only on the seed and n, so a collection
// of 2N songs starts with the collection of N songs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvert::bench {

inline constexpr std::uint64_t default_seed = 0x5EED'2024'0611ULL;

struct Collection {
  std::vector<std::uint8_t> music;       // the .msc file
  std::vector<std::uint8_t> voice_bank;  // the .vce file
  std::string voice_table;               // the .vct file text (128 entries)
};

// One music file with songs first_song .. first_song + song_count - 1 (at
// most 32767 songs). Each song record stays within 32767 bytes; the mean
// song record is about 12 KB.
std::vector<std::uint8_t> make_music_file(int song_count, std::uint64_t seed = default_seed,
                                          int first_song = 0);

// A voice bank of 128 named voices.
std::vector<std::uint8_t> make_voice_bank();

// A voice table file text: `lines` lines (CR LF ends) of listed numbers 1 to
// 128 in turn with voice texts and octave and volume options; with
// `passed_over` now and then a line the reader passes over (a comment, an
// empty line, a listed number out of range).
std::string make_voice_table_text(std::size_t lines, std::uint64_t seed = default_seed,
                                  bool passed_over = true);

// The three files together; the voice table holds 128 lines.
Collection make_collection(int song_count, std::uint64_t seed = default_seed);

}  // namespace tonvert::bench
