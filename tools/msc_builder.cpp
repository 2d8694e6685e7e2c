#include "msc_builder.hpp"

#include <stdexcept>

namespace tonvert::build {
namespace {

void put16(Bytes& out, std::size_t at, std::int16_t value) {
  const auto u = static_cast<std::uint16_t>(value);
  out[at] = static_cast<std::uint8_t>(u & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(u >> 8);
}

void append(Bytes& out, const Bytes& more) {
  out.reserve(out.size() + more.size());
  out.insert(out.end(), more.begin(), more.end());
}

std::int16_t checked_size(std::size_t size) {
  if (size > 32767) throw std::length_error("record larger than 32767 bytes");
  return static_cast<std::int16_t>(size);
}

}  // namespace

std::uint8_t pitch(std::string_view text) {
  if (text == "r") return rest_byte;
  static constexpr std::string_view letters = "cdefgab";
  if (text.size() < 2 || text.size() > 3) throw std::invalid_argument("bad pitch text");
  const auto letter = letters.find(text[0]);
  if (letter == std::string_view::npos) throw std::invalid_argument("bad pitch letter");
  unsigned accidental = 0;
  if (text.size() == 3) {
    switch (text[1]) {
      case '+': accidental = 1; break;
      case '-': accidental = 2; break;
      case '*': accidental = 3; break;
      default: throw std::invalid_argument("bad accidental mark");
    }
  }
  const char octave = text.back();
  if (octave < '0' || octave > '7') throw std::invalid_argument("bad octave");
  return static_cast<std::uint8_t>(accidental << 6 | static_cast<unsigned>(octave - '0') << 3 |
                                   letter);
}

std::uint8_t note_kind(Length length, Dot dot, int articulation) {
  return static_cast<std::uint8_t>(0x80 | (articulation & 3) << 5 |
                                   static_cast<unsigned>(dot) << 3 | length);
}

PartBuilder& PartBuilder::note(std::string_view pitch_text, Length length, Dot dot,
                               int articulation) {
  return note_bytes(note_kind(length, dot, articulation), pitch(pitch_text));
}

PartBuilder& PartBuilder::rest(Length length, Dot dot, int articulation) {
  return note_bytes(note_kind(length, dot, articulation), rest_byte);
}

PartBuilder& PartBuilder::chord(std::string_view p1, std::string_view p2, std::string_view p3,
                                Length length, Dot dot, int articulation) {
  return note_bytes(note_kind(length, dot, articulation), pitch(p1), pitch(p2), pitch(p3));
}

PartBuilder& PartBuilder::note_bytes(std::uint8_t kind, std::uint8_t p1, std::uint8_t p2,
                                     std::uint8_t p3) {
  events_.push_back(kind);
  events_.push_back(p1);
  if (chord_part()) {
    events_.push_back(p2);
    events_.push_back(p3);
  }
  return *this;
}

PartBuilder& PartBuilder::control(std::uint8_t kind, std::uint8_t parameter) {
  events_.push_back(kind);
  events_.push_back(parameter);
  return *this;
}

PartBuilder& PartBuilder::raw(std::initializer_list<std::uint8_t> bytes) {
  events_.insert(events_.end(), bytes);
  return *this;
}

Bytes PartBuilder::bytes() const {
  Bytes out(4, 0);
  append(out, events_);
  put16(out, 0, size_override_.value_or(checked_size(out.size())));
  out[2] = flags_;
  return out;
}

PartBuilder& SongBuilder::part(std::uint8_t flags) { return parts_.emplace_back(flags); }

Bytes SongBuilder::bytes() const {
  Bytes out(32, 0);
  for (const auto& part : parts_) append(out, part.bytes());
  put16(out, 0, size_override_.value_or(checked_size(out.size())));
  put16(out, 2, count_override_.value_or(static_cast<std::int16_t>(parts_.size())));
  const std::string& title = raw_title_ ? *raw_title_ : title_;
  for (std::size_t i = 0; i < title.size() && i < (raw_title_ ? 24u : 23u); ++i) {
    out[8 + i] = static_cast<std::uint8_t>(title[i]);
  }
  return out;
}

SongBuilder& MusicFileBuilder::song(std::string title) {
  return songs_.emplace_back(std::move(title));
}

Bytes MusicFileBuilder::bytes() const {
  Bytes out(16, 0);
  for (std::size_t i = 0; i < 4 && i < magic_.size(); ++i) {
    out[i] = static_cast<std::uint8_t>(magic_[i]);
  }
  put16(out, 6, count_override_.value_or(static_cast<std::int16_t>(songs_.size())));
  for (const auto& song : songs_) append(out, song.bytes());
  return out;
}

Bytes VoiceBankBuilder::bytes() const {
  Bytes out(16 + 64 * names_.size(), 0);
  put16(out, 6, count_override_.value_or(static_cast<std::int16_t>(names_.size())));
  for (std::size_t n = 0; n < names_.size(); ++n) {
    for (std::size_t i = 0; i < names_[n].size() && i < 64; ++i) {
      out[16 + 64 * n + i] = static_cast<std::uint8_t>(names_[n][i]);
    }
  }
  return out;
}

}  // namespace tonvert::build
