// The byte layout of an OSTREL music file (.msc), read in place.
//
// File header (16 bytes): "MSC\0", then the song count (int16) at offset 6.
// Song records follow from offset 16, each with a 32-byte head (record size,
// part count, 24-byte title) and its part records; each part record has a
// 4-byte head (record size, part flags) and its event stream. All numbers
// are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/byte_view.hpp"

namespace tonvert {

inline constexpr std::size_t file_header_size = 16;
inline constexpr std::size_t song_head_size = 32;
inline constexpr std::size_t part_head_size = 4;
inline constexpr std::size_t title_field_size = 24;
inline constexpr std::uint8_t rest_pitch = 0xFF;

// True when the buffer starts with the magic "MSC" and a zero byte.
bool has_music_magic(ByteView file);

// The song count of a file that holds its whole header.
inline std::int16_t song_count(ByteView file) { return file.i16(6); }

// --- Events ---------------------------------------------------------------

// A kind byte above 15 starts a note event; 0 to 15 a two-byte control event.
constexpr bool is_note_kind(std::uint8_t kind) { return kind > 15; }

// Fields of a note kind byte.
constexpr int length_code(std::uint8_t kind) { return kind & 7; }
constexpr int dot_code(std::uint8_t kind) { return (kind >> 3) & 3; }
constexpr int articulation(std::uint8_t kind) { return (kind >> 5) & 3; }

// Fields of a pitch byte.
constexpr int letter(std::uint8_t pitch) { return pitch & 7; }
constexpr int octave(std::uint8_t pitch) { return (pitch >> 3) & 7; }
constexpr int accidental(std::uint8_t pitch) { return pitch >> 6; }

// Control event kinds.
enum EventKind : std::uint8_t {
  kind_end = 0,
  kind_no_effect_1 = 1,
  kind_key_signature = 2,
  kind_time_signature = 3,
  kind_bar_mark = 4,
  kind_tempo = 5,
  kind_octave_shift = 6,
  kind_voice_change = 7,
  kind_gate_time = 8,
  kind_lfo_switch = 9,
  kind_volume = 10,
  kind_note_shift = 11,
  kind_portamento = 12,
  kind_no_effect_13 = 13,
  kind_loop_start = 14,
  kind_loop_end = 15,
};

// --- Records ----------------------------------------------------------------

enum class PartType { fm, psg, noise };

class PartRecord {
 public:
  // bytes: the whole record, head included, already cut to its song record.
  explicit PartRecord(ByteView bytes) : bytes_(bytes) {}

  std::uint8_t flags() const { return bytes_.u8(2); }
  int noise_code() const { return flags() & 3; }
  int chord_value() const { return (flags() >> 2) & 3; }
  bool psg_bit() const { return (flags() & 0x80) != 0; }
  PartType type() const {
    if (noise_code() == 3) return PartType::noise;
    return psg_bit() ? PartType::psg : PartType::fm;
  }
  // Pitch bytes per note event: 1, or 3 in a chord part.
  int chord_size() const { return chord_value() == 0 ? 1 : 3; }
  std::size_t note_event_size() const { return chord_value() == 0 ? 2 : 4; }

  // The event stream: from offset 4 to the end of the record.
  ByteView events() const { return bytes_.sub(part_head_size, bytes_.size()); }

 private:
  ByteView bytes_;
};

class SongRecord {
 public:
  // bytes: the whole record, at least its 32-byte head, cut to the file.
  explicit SongRecord(ByteView bytes) : bytes_(bytes) {}

  std::int16_t part_count() const { return bytes_.i16(2); }
  // The title bytes before the first zero byte; all 24 when there is none.
  std::string_view title() const { return bytes_.text(8, title_field_size); }
  ByteView bytes() const { return bytes_; }

 private:
  ByteView bytes_;
};

// --- Walking a chain of records ---------------------------------------------

enum class RecordFault {
  none,
  cut,       // the record runs past the end of its area; cut there
  missing,   // the record's head does not lie inside the area
  bad_size,  // the record size is below the head size
};

struct RecordAt {
  RecordFault fault;
  ByteView bytes;    // the record (cut when fault is cut); empty when missing or bad_size
  std::size_t next;  // where the next record of the chain starts
};

// The record that starts at `start` of `area`, whose fixed head is
// `head_size` bytes long and begins with its int16 record size.
RecordAt record_at(ByteView area, std::size_t start, std::size_t head_size);

}  // namespace tonvert
