// Builds the bytes of OSTREL music files and voice banks in memory, event by
// event and by name, for the tests, the demo collection and the benchmarks.
//
//   MusicFileBuilder file;
//   file.song("Intro")
//       .part(PartFlags::psg)
//       .tempo(140).key(0x07)
//       .note("c4", L4).note("f+4", L8, Dot::dotted).rest(L16)
//       .end();
//   std::vector<std::uint8_t> msc = file.bytes();
//
// Pitches are written as a letter, an optional accidental mark ("+" sharp,
// "-" flat, "*" natural) and the octave digit: "c4", "f+3", "b-5", "e*4".
// Everything that a well-formed file derives (record sizes, counts, the
// magic) can be overridden to build broken files.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvert::build {

using Bytes = std::vector<std::uint8_t>;

// Length codes of a note kind byte.
enum Length : std::uint8_t { whole_bar = 0, L1 = 1, L2 = 2, L4 = 3, L8 = 4, L16 = 5, L32 = 6, L64 = 7 };

// Dot codes of a note kind byte.
enum class Dot : std::uint8_t { plain = 0, dotted = 1, double_dotted = 2, triplet = 3 };

// Articulations: the index into the gate table; 1 also asks for a tie.
namespace art {
inline constexpr int normal = 0;
inline constexpr int slur = 1;
inline constexpr int staccato = 2;
inline constexpr int staccatissimo = 3;
}  // namespace art

namespace PartFlags {
inline constexpr std::uint8_t fm = 0x00;
inline constexpr std::uint8_t noise = 0x03;
inline constexpr std::uint8_t chord = 0x04;  // chord value 1: three pitch bytes per note
inline constexpr std::uint8_t psg = 0x80;
}  // namespace PartFlags

// Bar mark parameters (mark codes).
namespace Mark {
inline constexpr std::uint8_t repeat_close = 0x02;
inline constexpr std::uint8_t block_close = 0x05;
inline constexpr std::uint8_t block_open = 0x08;
inline constexpr std::uint8_t repeat_break = 0x09;
inline constexpr std::uint8_t repeat_open = 0x0C;
}  // namespace Mark

inline constexpr std::uint8_t rest_byte = 0xFF;

// The pitch byte of "c4", "f+3", "b-5", "e*4"; "r" is the rest byte.
// Throws std::invalid_argument on any other text.
std::uint8_t pitch(std::string_view text);

// A note kind byte (bit 7 always set, as stored files have it).
std::uint8_t note_kind(Length length, Dot dot = Dot::plain, int articulation = art::normal);

class PartBuilder {
 public:
  explicit PartBuilder(std::uint8_t flags = PartFlags::fm) : flags_(flags) {}

  // Note events. In a part with three pitch bytes per note, note() and rest()
  // fill the second and third pitch bytes with the rest byte.
  PartBuilder& note(std::string_view pitch_text, Length length, Dot dot = Dot::plain,
                    int articulation = art::normal);
  PartBuilder& rest(Length length, Dot dot = Dot::plain, int articulation = art::normal);
  PartBuilder& chord(std::string_view p1, std::string_view p2, std::string_view p3, Length length,
                     Dot dot = Dot::plain, int articulation = art::normal);
  PartBuilder& note_bytes(std::uint8_t kind, std::uint8_t p1, std::uint8_t p2 = rest_byte,
                          std::uint8_t p3 = rest_byte);

  // Control events, by kind.
  PartBuilder& end() { return control(0, 0); }
  PartBuilder& key(std::uint8_t parameter) { return control(2, parameter); }
  PartBuilder& time(std::uint8_t parameter) { return control(3, parameter); }
  PartBuilder& bar(std::uint8_t parameter) { return control(4, parameter); }
  PartBuilder& tempo(std::uint8_t bpm) { return control(5, bpm); }
  PartBuilder& octave_shift(int shift) { return control(6, static_cast<std::uint8_t>(shift)); }
  PartBuilder& voice(std::uint8_t number) { return control(7, number); }
  PartBuilder& gate(std::uint8_t q_minus_1) { return control(8, q_minus_1); }
  PartBuilder& lfo(std::uint8_t on) { return control(9, on); }
  PartBuilder& volume(std::uint8_t level) { return control(10, level); }
  PartBuilder& note_shift() { return control(11, 0); }
  PartBuilder& portamento() { return control(12, 0); }
  PartBuilder& loop_start(std::uint8_t id) { return control(14, id); }
  PartBuilder& loop_end(std::uint8_t parameter) { return control(15, parameter); }
  PartBuilder& control(std::uint8_t kind, std::uint8_t parameter);

  // Any bytes, for cut or malformed streams.
  PartBuilder& raw(std::initializer_list<std::uint8_t> bytes);

  // The record size written in the part head (default: the real size).
  PartBuilder& record_size(std::int16_t size) {
    size_override_ = size;
    return *this;
  }

  bool chord_part() const { return (flags_ & 0x0C) != 0; }
  Bytes bytes() const;

 private:
  std::uint8_t flags_;
  Bytes events_;
  std::optional<std::int16_t> size_override_;
};

class SongBuilder {
 public:
  explicit SongBuilder(std::string title) : title_(std::move(title)) {}

  // Adds a part and returns it for its events; the reference stays valid
  // while the song lives.
  PartBuilder& part(std::uint8_t flags = PartFlags::fm);

  SongBuilder& record_size(std::int16_t size) {
    size_override_ = size;
    return *this;
  }
  SongBuilder& part_count(std::int16_t count) {
    count_override_ = count;
    return *this;
  }
  // The 24 title bytes as given (no zero byte added), for titles that fill
  // the field.
  SongBuilder& raw_title(std::string bytes24) {
    raw_title_ = std::move(bytes24);
    return *this;
  }

  Bytes bytes() const;

 private:
  std::string title_;
  std::deque<PartBuilder> parts_;
  std::optional<std::int16_t> size_override_;
  std::optional<std::int16_t> count_override_;
  std::optional<std::string> raw_title_;
};

class MusicFileBuilder {
 public:
  SongBuilder& song(std::string title);

  MusicFileBuilder& song_count(std::int16_t count) {
    count_override_ = count;
    return *this;
  }
  MusicFileBuilder& magic(std::string four_bytes) {
    magic_ = std::move(four_bytes);
    return *this;
  }

  Bytes bytes() const;

 private:
  std::deque<SongBuilder> songs_;
  std::optional<std::int16_t> count_override_;
  std::string magic_{"MSC", 4};
};

class VoiceBankBuilder {
 public:
  VoiceBankBuilder& voice(std::string name) {
    names_.push_back(std::move(name));
    return *this;
  }
  VoiceBankBuilder& voice_count(std::int16_t count) {
    count_override_ = count;
    return *this;
  }
  Bytes bytes() const;

 private:
  std::vector<std::string> names_;
  std::optional<std::int16_t> count_override_;
};

}  // namespace tonvert::build
