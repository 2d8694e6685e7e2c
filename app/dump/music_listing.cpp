#include "app/dump/music_listing.hpp"

#include <array>
#include <cstdint>
#include <string_view>

#include "app/file_names.hpp"
#include "formats/music_file.hpp"
#include "formats/voice_table.hpp"
#include "mml/control_events.hpp"
#include "mml/key_signature.hpp"
#include "mml/part_writer.hpp"

namespace tonvert {
namespace {

constexpr std::array<std::string_view, 12> major_keys = {
    "C", "D flat", "D", "E flat", "E", "F", "F sharp", "G", "A flat", "A", "B flat", "B"};
constexpr std::array<std::string_view, 12> minor_keys = {
    "C", "C sharp", "D", "D sharp", "E", "F", "F sharp", "G", "G sharp", "A", "B flat", "B"};
constexpr std::array<std::string_view, 8> letters = {"c", "d", "e", "f", "g", "a", "b", "c"};
constexpr std::array<std::string_view, 4> accidentals = {"", " sharp", " flat", " natural"};
constexpr std::array<std::string_view, 4> dots = {"", " dotted", " double dotted", " triplet"};
constexpr std::array<std::string_view, 4> articulations = {"normal", "slur", "staccato",
                                                           "staccatissimo"};
constexpr std::array<std::string_view, 5> octave_shift_labels = {"-15ma", "-8va", "oct0", "+8va",
                                                                 "+15ma"};

// The longest event: a note event of a chord part.
constexpr std::size_t widest_event = 4;

// Builds the listing line by line.
class Listing {
 public:
  explicit Listing(std::size_t file_size) {
    for (std::size_t left = file_size; left > 0xFFFF; left >>= 4) ++offset_width_;
  }

  Listing& put(std::string_view text) {
    out_.append(text);
    return *this;
  }
  Listing& put(char c) {
    out_.push_back(c);
    return *this;
  }
  Listing& number(long value) {
    out_.append(std::to_string(value));
    return *this;
  }
  Listing& hex_byte(std::uint8_t byte) {
    static constexpr std::string_view digits = "0123456789abcdef";
    out_.push_back(digits[byte >> 4]);
    out_.push_back(digits[byte & 15]);
    return *this;
  }
  Listing& hex_parameter(std::uint8_t byte) {
    put("0x");
    return hex_byte(byte);
  }
  // A file offset in hexadecimal, as wide as the largest offset of the file.
  Listing& offset(std::size_t value) {
    static constexpr std::string_view digits = "0123456789abcdef";
    for (int shift = 4 * (offset_width_ - 1); shift >= 0; shift -= 4) {
      out_.push_back(digits[(value >> shift) & 15]);
    }
    return *this;
  }
  Listing& bytes(ByteView view, std::size_t from, std::size_t count) {
    for (std::size_t i = 0; i < count && view.holds(from + i, 1); ++i) {
      if (i > 0) out_.push_back(' ');
      hex_byte(view.u8(from + i));
    }
    return *this;
  }
  // Spaces after `count` bytes up to the widest event, and two more.
  Listing& pad_bytes(std::size_t count) {
    out_.append(3 * (widest_event - count) + 2, ' ');
    return *this;
  }
  // Text from the file, in double quotes; control bytes, '"' and '\' are
  // escaped, other bytes kept as they are. Unquoted in the fault marks, which
  // name the song as the converter's warnings do.
  Listing& quoted(std::string_view text) {
    out_.push_back('"');
    escaped(text);
    out_.push_back('"');
    return *this;
  }
  Listing& escaped(std::string_view text) {
    for (const char c : text) {
      const auto byte = static_cast<std::uint8_t>(c);
      if (c == '"' || c == '\\') {
        out_.push_back('\\');
        out_.push_back(c);
      } else if (byte < 0x20 || byte == 0x7F) {
        put("\\x").hex_byte(byte);
      } else {
        out_.push_back(c);
      }
    }
    return *this;
  }
  // The indent of a line that belongs to the event above it: up to where
  // the event's meaning starts.
  Listing& continuation() {
    out_.append(4 + static_cast<std::size_t>(offset_width_) + 2 + 3 * widest_event + 1, ' ');
    return *this;
  }
  Listing& end_line() {
    out_.push_back('\n');
    return *this;
  }

  std::string take() { return std::move(out_); }

 private:
  std::string out_;
  int offset_width_ = 4;
};

std::string_view plural(long count, std::string_view one, std::string_view more) {
  return count == 1 ? one : more;
}

std::size_t bytes_left(ByteView area, std::size_t start) {
  return start < area.size() ? area.size() - start : 0;
}

// One pitch byte: letter, accidental and, for the first pitch byte of a
// note, the octave ("f sharp o4").
void put_pitch(Listing& out, std::uint8_t pitch, bool with_octave) {
  out.put(letters[static_cast<std::size_t>(letter(pitch))]);
  if (letter(pitch) == 7) out.put(" (letter 7)");
  out.put(accidentals[static_cast<std::size_t>(accidental(pitch))]);
  if (with_octave) out.put(" o").number(octave(pitch));
}

void put_note(Listing& out, const PartRecord& part, ByteView events, std::size_t at,
              std::size_t next, bool tie_pending) {
  const std::uint8_t kind = events.u8(at);
  const std::uint8_t first = events.u8(at + 1);
  if (first == rest_pitch) {
    out.put("rest");
  } else {
    const int pitches = letter_pitches(events, at, part.chord_size());
    out.put(pitches == 1 ? "note " : "chord ");
    put_pitch(out, first, true);
    for (int i = 1; i < pitches; ++i) {
      out.put(" + ");
      put_pitch(out, events.u8(at + 1 + static_cast<std::size_t>(i)), false);
    }
  }

  const int length = length_code(kind);
  if (length == 0) {
    out.put(", whole bar");
  } else {
    const int dot = dot_code(kind);
    const int ticks = note_ticks(kind, 0);
    out.put(", 1/").number(1L << (length - 1)).put(dots[static_cast<std::size_t>(dot)]);
    out.put(" (").number(ticks).put(ticks == 1 ? " tick)" : " ticks)");
  }
  const int art = articulation(kind);
  out.put(", ").put(articulations[static_cast<std::size_t>(art)]);
  if (tied_to_next(events, at, next)) out.put(", tied to the next note");
  if (tie_pending && first != rest_pitch) out.put(", written r: the note before is tied to it");
}

void put_control(Listing& out, std::uint8_t kind, std::uint8_t parameter, const PartRecord& part,
                 ByteView events, std::size_t next, const std::optional<VoiceBank>& bank) {
  switch (kind) {
    case kind_end:
      out.put("end");
      return;
    case kind_key_signature: {
      const int tonic = parameter & 15;
      const bool minor = (parameter & 0x80) != 0;
      const auto& names = minor ? minor_keys : major_keys;
      const std::string_view mode = minor ? " minor" : " major";
      if (tonic < 12) {
        out.put("key signature ").put(names[static_cast<std::size_t>(tonic)]).put(mode);
      } else {
        out.put("key signature tonic ").number(tonic).put(mode).put(" (written as ");
        out.put(names[static_cast<std::size_t>(tonic % 12)]).put(mode).put(", six sharps)");
      }
      return;
    }
    case kind_time_signature: {
      int numerator = 4;
      int denominator = 4;
      const bool code_zero = parameter != 0 && (parameter & 7) == 0;
      if (parameter != 0) {
        numerator = (parameter >> 3) + 1;
        denominator = 1 << ((code_zero ? 1 : parameter & 7) - 1);
      }
      out.put("time signature ").number(numerator).put('/').number(denominator).put(" (");
      if (code_zero) out.put("denominator code 0, read as 1; ");
      out.put("bar ").number(numerator * (192 / denominator)).put(" ticks)");
      return;
    }
    case kind_bar_mark:
      out.put("bar mark ");
      switch (parameter & 15) {
        case 2:
          out.put("repeat close");
          if ((parameter >> 4) != 0) out.put(", repeat count ").number((parameter >> 4) + 2);
          return;
        case 5: out.put("block close"); return;
        case 8: out.put("block open"); return;
        case 9: out.put("repeat break"); return;
        case 12: out.put("repeat open"); return;
        default: out.put("code ").number(parameter & 15).put(" (no effect)"); return;
      }
    case kind_tempo:
      out.put("tempo ").number(parameter);
      return;
    case kind_octave_shift: {
      const int shift = static_cast<std::int8_t>(parameter);
      out.put("octave shift ");
      if (shift > 0) out.put('+');
      out.number(shift).put(" (");
      if (shift >= -2 && shift <= 2) {
        out.put(octave_shift_labels[static_cast<std::size_t>(shift + 2)]);
      } else {
        out.put(shift > 0 ? "oct+" : "oct").number(shift);
      }
      out.put(')');
      return;
    }
    case kind_voice_change:
      // Shown by its listed number, the line of the voice table file.
      out.put("voice change ").number(parameter + 1);
      if (bank && bank->has_name(parameter)) out.put(' ').quoted(bank->name(parameter));
      out.put(" (raw byte ").number(parameter);
      if (bank && !bank->has_name(parameter)) {
        out.put("; not in the voice bank: named #").number(parameter);
      }
      if (parameter >= voice_table_size) out.put("; beyond the voice table: written @0");
      out.put(')');
      return;
    case kind_gate_time:
      out.put("gate time Q").number(parameter + 1);
      return;
    case kind_lfo_switch:
      out.put(parameter == 0 ? "LFO off" : "LFO on");
      return;
    case kind_volume:
      out.put("volume level ").number(parameter);
      if (parameter > 7) out.put(" (limited to 7 when written)");
      return;
    case kind_note_shift:
      out.put("note shift mark");
      return;
    case kind_portamento:
      out.put("portamento");
      return;
    case kind_loop_start:
      out.put("loop start id ").hex_parameter(parameter);
      if (parameter != 0x40 && parameter != 0x80) {
        out.put(", not guarded");
      } else if (loop_start_found(parameter, events, next, part.note_event_size())) {
        out.put(", guarded, its loop end lies ahead");
      } else {
        out.put(", guarded, no loop end of its own ahead: skipped");
      }
      return;
    case kind_loop_end:
      out.put("loop end count ").number((parameter & 0x3F) + 1).put(", id ");
      out.hex_parameter(static_cast<std::uint8_t>(parameter & 0xE0));
      return;
    default:  // kinds 1 and 13
      out.put("kind ").number(kind).put(" (no effect)");
      return;
  }
}

// Where the converter warns about an event: "*** <what> in [title] part#N",
// then the song number and the details.
void put_warning(Listing& out, std::string_view what, std::string_view title, int part_number,
                 int song_number) {
  out.continuation().put("*** ").put(what).put(" in [").escaped(title).put("] part#");
  out.number(part_number).put(": song ").number(song_number).put(", ");
}

// One mark for each pitch byte of a rendered note that the natural fix
// changes, found as the part writer finds them.
void put_natural_fixes(Listing& out, ByteView events, std::size_t at, int letter_count,
                       const KeySignature& key, std::string_view title, int part_number,
                       int song_number) {
  for (int i = 0; i < letter_count; ++i) {
    const std::uint8_t pitch = events.u8(at + 1 + static_cast<std::size_t>(i));
    const std::uint8_t fixed = natural_fix(pitch, key);
    if (fixed == pitch) continue;
    const std::string_view letter_name = letters[static_cast<std::size_t>(letter(pitch))];
    put_warning(out, "fix natural", title, part_number, song_number);
    out.put(letter_name).put(accidentals[static_cast<std::size_t>(accidental(pitch))]);
    out.put(accidental(pitch) == 2 ? " on a letter the key sharpens" : " on a letter the key flattens");
    out.put(", written as a natural (").put(letter_name).put("*)").end_line();
  }
}

void list_events(Listing& out, const PartRecord& part, std::size_t events_offset,
                 std::string_view title, int part_number, int song_number,
                 const std::optional<VoiceBank>& bank) {
  const ByteView events = part.events();
  bool rendered = true;
  // The part writer's state that decides its warnings: the key signature,
  // which starts as C major in every part, and whether a tie leads into the
  // next note.
  KeySignature key{};
  set_up_key_signature(key, 0, true);
  bool tie_pending = false;
  for (std::size_t at = 0; at < events.size();) {
    const std::uint8_t kind = events.u8(at);
    const std::size_t size = is_note_kind(kind) ? part.note_event_size() : 2;
    out.put("    ").offset(events_offset + at).put("  ");
    if (!events.holds(at, size)) {
      const std::size_t present = events.size() - at;
      out.bytes(events, at, present).pad_bytes(present);
      if (rendered) {
        out.put("*** cut event at the end of the part in [").escaped(title).put("] part#");
        out.number(part_number).put(": ");
      } else {
        out.put("cut event: ");
      }
      out.number(static_cast<long>(present)).put(" of ").number(static_cast<long>(size));
      out.put(" bytes");
      if (!rendered) out.put(" (not rendered)");
      out.end_line();
      return;
    }
    const std::size_t next = at + size;
    out.bytes(events, at, size).pad_bytes(size);
    if (is_note_kind(kind)) {
      put_note(out, part, events, at, next, rendered && tie_pending);
    } else {
      put_control(out, kind, events.u8(at + 1), part, events, next, bank);
    }
    if (!rendered) out.put(" (not rendered)");
    out.end_line();
    if (rendered && is_note_kind(kind)) {
      const int letter_count = tie_pending ? 0 : letter_pitches(events, at, part.chord_size());
      put_natural_fixes(out, events, at, letter_count, key, title, part_number, song_number);
      tie_pending = tied_to_next(events, at, next);
    } else if (rendered && kind == kind_key_signature) {
      set_key_signature_of_event(events.u8(at + 1), key);
    } else if (rendered && kind == kind_loop_start &&
               !loop_start_found(events.u8(at + 1), events, next, part.note_event_size())) {
      put_warning(out, "skip '['", title, part_number, song_number);
      out.put("the loop start above is not written").end_line();
    }
    if (kind == kind_end) rendered = false;
    at = next;
  }
}

void put_part_type(Listing& out, const PartRecord& part) {
  switch (part.type()) {
    case PartType::fm: out.put("FM"); break;
    case PartType::psg: out.put("PSG"); break;
    case PartType::noise: out.put("NOISE"); break;
  }
}

void list_song(Listing& out, const SongRecord& song, int song_number, std::size_t song_offset,
               const std::optional<VoiceBank>& bank) {
  const ByteView bytes = song.bytes();
  const std::string_view title = song.title();
  const int count = song.part_count();
  std::size_t start = song_head_size;
  for (int index = 0; index < count; ++index) {
    const int number = index + 1;
    const RecordAt record = record_at(bytes, start, part_head_size);
    out.put("  part ").number(number).put(" (");
    const auto letter_byte = static_cast<char>(static_cast<unsigned char>('A' + index));
    const auto letter_code = static_cast<std::uint8_t>(letter_byte);
    if (letter_code < 0x20 || letter_code >= 0x7F) {
      out.put("letter \\x").hex_byte(letter_code);
    } else {
      out.put(letter_byte);
    }
    out.put(") at ").offset(song_offset + start).put(": ");
    if (record.fault == RecordFault::missing) {
      out.put("*** missing part record in [").escaped(title).put("] part#").number(number);
      const auto left = static_cast<long>(bytes_left(bytes, start));
      out.put(": ").number(left).put(plural(left, " byte", " bytes"));
      out.put(" left in the song record, fewer than its ").number(part_head_size);
      out.put("-byte head").end_line();
      return;
    }
    if (record.fault == RecordFault::bad_size) {
      out.put("*** bad part record size in [").escaped(title).put("] part#").number(number);
      out.put(": ").number(bytes.i16(start)).put(", below its ").number(part_head_size);
      out.put("-byte head").end_line();
      return;
    }
    const PartRecord part(record.bytes);
    out.put("record size ").number(bytes.i16(start)).put(", flags ").hex_parameter(part.flags());
    out.put(": ");
    put_part_type(out, part);
    out.put(", chord value ").number(part.chord_value());
    out.put(part.chord_size() == 1 ? " (1 pitch byte per note)" : " (3 pitch bytes per note)");
    out.put(", PSG bit ").put(part.psg_bit() ? "on" : "off").end_line();
    if (record.fault == RecordFault::cut) {
      out.put("    *** part record cut at the end of its song in [").escaped(title).put("] part#");
      out.number(number).put(": ").number(static_cast<long>(record.bytes.size())).put(" of ");
      out.number(bytes.i16(start)).put(" bytes").end_line();
    }
    list_events(out, part, song_offset + start + part_head_size, title, number, song_number, bank);
    start = record.next;
  }
  if (start < bytes.size()) {
    const long left = static_cast<long>(bytes.size() - start);
    out.put("  ").offset(song_offset + start).put(": ").number(left);
    out.put(plural(left, " byte", " bytes")).put(" after the last part, not read").end_line();
  }
}

}  // namespace

std::string music_listing(ByteView file, std::optional<VoiceBank> bank) {
  Listing out(file.size());
  const long file_size = static_cast<long>(file.size());
  out.put("music file: ").number(file_size).put(plural(file_size, " byte", " bytes")).end_line();
  if (bank) {
    out.put("voice bank: ").number(bank->voice_count());
    out.put(plural(bank->voice_count(), " voice", " voices")).end_line();
  } else {
    out.put("voice bank: none (voice names not shown)").end_line();
  }
  out.end_line();

  out.put("header at ").offset(0).put(": ");
  if (file.size() == 0) out.put("no bytes");
  out.bytes(file, 0, file_header_size).end_line();
  if (!has_music_magic(file)) {
    out.put("  *** bad magic: the file does not start with \"MSC\" and a zero byte;");
    out.put(" no song is read").end_line();
    return out.take();
  }
  if (file.size() < file_header_size) {
    out.put("  *** file too short for its header (").number(file_size).put(" of ");
    out.number(file_header_size).put(" bytes); no song is read").end_line();
    return out.take();
  }
  const int count = song_count(file);
  out.put("  magic \"MSC\" ok, song count ").number(count).end_line();

  std::size_t start = file_header_size;
  for (int number = 1; number <= count; ++number) {
    out.end_line();
    const RecordAt record = record_at(file, start, song_head_size);
    out.put("song ").number(number).put(" at ").offset(start).put(": ");
    if (record.fault == RecordFault::missing) {
      const auto left = static_cast<long>(bytes_left(file, start));
      out.put("*** missing song record in song#").number(number).put(": ").number(left);
      out.put(plural(left, " byte", " bytes")).put(" left in the file, fewer than its ");
      out.number(song_head_size).put("-byte head").end_line();
      return out.take();
    }
    if (record.fault == RecordFault::bad_size) {
      out.put("*** bad song record size in song#").number(number).put(": ");
      out.number(file.i16(start)).put(", below its ").number(song_head_size).put("-byte head");
      out.end_line();
      return out.take();
    }
    const SongRecord song(record.bytes);
    const int parts = song.part_count();
    out.put("record size ").number(file.i16(start)).put(", ").number(parts);
    out.put(plural(parts, " part", " parts")).put(", title ").quoted(song.title());
    if (song.bytes().text(8, title_field_size).size() == title_field_size) {
      out.put(" (no zero byte: all 24 bytes)");
    }
    out.end_line();
    out.put("  MML file ").quoted(mml_file_name(number, song.title())).end_line();
    if (record.fault == RecordFault::cut) {
      out.put("  *** song record cut at the end of the file in song#").number(number).put(": ");
      out.number(static_cast<long>(record.bytes.size())).put(" of ").number(file.i16(start));
      out.put(" bytes").end_line();
    }
    list_song(out, song, number, start, bank);
    start = record.next;
  }
  if (start < file.size()) {
    const long left = static_cast<long>(file.size() - start);
    out.end_line();
    out.offset(start).put(": ").number(left).put(plural(left, " byte", " bytes"));
    out.put(" after the last song, not read").end_line();
  }
  return out.take();
}

}  // namespace tonvert
