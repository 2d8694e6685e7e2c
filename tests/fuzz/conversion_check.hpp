// The properties that every conversion keeps, whatever the input bytes: it
// ends, stays inside its buffers (the sanitizers watch that), writes output
// bounded linearly by the input, and a music file cut right after a whole
// song record converts the songs before the cut exactly as before. The
// listing of tonvert-dump is made from the same bytes as well, and marks as
// many notes and loop starts as the converter warns about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvert::fuzz {

struct InputFiles {
  std::vector<std::uint8_t> music_file;
  std::vector<std::uint8_t> voice_bank;
  std::optional<std::vector<std::uint8_t>> voice_table_file;
};

// One fuzz input as the three files of a run:
//   byte 0 bit 0: a voice table file exists; bytes 1-2 and 3-4: the lengths
//   (little-endian) of the voice bank and the voice table file, which follow
//   in that order; the rest is the music file.
InputFiles split_input(const std::uint8_t* data, std::size_t size);

// The inverse of split_input, for writing seeds.
std::vector<std::uint8_t> join_input(const InputFiles& files);

// The output bound: every byte the run writes (MML files, voice table file,
// console) is at most
//   output_per_music_byte × music file size
//   + (music file size / 2) × (longest voice text + 1)   (voice changes)
//   + fixed_output_allowance.
inline constexpr std::size_t output_per_music_byte = 80;
inline constexpr std::size_t fixed_output_allowance = 16384;

// Converts the files in memory and checks the properties. Returns "" when
// they hold, else what failed.
std::string check_conversion(const InputFiles& files);

}  // namespace tonvert::fuzz
