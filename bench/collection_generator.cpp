#include "bench/collection_generator.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "tools/msc_builder.hpp"

namespace tonvert::bench {
namespace {

using build::Dot;
using build::Length;
using build::PartBuilder;
using build::SongBuilder;

// splitmix64: small, fast and the same everywhere (the standard library's
// distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  int between(int low, int high) { return low + below(high - low + 1); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T, std::size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(below(static_cast<int>(N)))];
  }

 private:
  std::uint64_t state_;
};

// --- Rhythm -----------------------------------------------------------------

struct Duration {
  Length length;
  Dot dot;
  int ticks;  // one note; a triplet duration stands for its three notes
  bool triplet = false;
};

constexpr std::array<Duration, 12> durations = {{
    {build::L1, Dot::plain, 192},
    {build::L2, Dot::dotted, 144},
    {build::L2, Dot::plain, 96},
    {build::L4, Dot::dotted, 72},
    {build::L4, Dot::plain, 48},
    {build::L8, Dot::dotted, 36},
    {build::L8, Dot::plain, 24},
    {build::L16, Dot::dotted, 18},
    {build::L16, Dot::plain, 12},
    {build::L32, Dot::plain, 6},
    {build::L8, Dot::triplet, 16, true},   // three make a quarter
    {build::L16, Dot::triplet, 8, true},   // three make an eighth
}};
enum DurationIndex { d1, d2dot, d2, d4dot, d4, d8dot, d8, d16dot, d16, d32, t8, t16 };

using Weights = std::array<int, durations.size()>;

enum class Role { melody, counter, bass, chords, arpeggio, drums };

Weights weights_of(Role role) {
  //                    1  2. 2  4. 4   8. 8   16. 16 32 t8 t16
  switch (role) {
    case Role::melody:   return {1, 2, 6, 4, 28, 6, 34, 2, 12, 1, 3, 1};
    case Role::counter:  return {2, 3, 12, 5, 34, 4, 26, 0, 8, 0, 5, 1};
    case Role::bass:     return {2, 2, 14, 6, 36, 4, 30, 0, 6, 0, 0, 0};
    case Role::chords:   return {8, 6, 34, 6, 34, 2, 10, 0, 0, 0, 0, 0};
    case Role::arpeggio: return {0, 0, 0, 0, 2, 0, 18, 0, 70, 4, 0, 6};
    case Role::drums:    return {0, 0, 1, 0, 10, 2, 40, 0, 42, 3, 2, 0};
  }
  return {};
}

// A duration that fits in `room` ticks, drawn with the role's weights.
const Duration& draw_duration(Random& random, const Weights& weights, int room) {
  int total = 0;
  for (std::size_t i = 0; i < durations.size(); ++i) {
    const int needs = durations[i].ticks * (durations[i].triplet ? 3 : 1);
    if (needs <= room) total += weights[i];
  }
  if (total == 0) return durations[d32];
  int draw = random.below(total);
  for (std::size_t i = 0; i < durations.size(); ++i) {
    const int needs = durations[i].ticks * (durations[i].triplet ? 3 : 1);
    if (needs > room) continue;
    if (draw < weights[i]) return durations[i];
    draw -= weights[i];
  }
  return durations[d32];
}

// --- Pitch ------------------------------------------------------------------

// A pitch as a step of the white keys: octave * 7 + letter.
std::uint8_t pitch_byte(int step, int accidental) {
  const int octave = std::clamp(step / 7, 0, 7);
  return static_cast<std::uint8_t>(accidental << 6 | octave << 3 | step % 7);
}

struct RoleRange {
  int low;
  int high;
};

RoleRange range_of(Role role) {
  switch (role) {
    case Role::melody: return {4 * 7, 6 * 7 + 2};
    case Role::counter: return {3 * 7 + 4, 5 * 7 + 4};
    case Role::bass: return {1 * 7 + 5, 3 * 7 + 4};
    case Role::chords: return {3 * 7, 4 * 7 + 6};
    case Role::arpeggio: return {4 * 7, 6 * 7 + 4};
    case Role::drums: return {3 * 7, 5 * 7};
  }
  return {28, 42};
}

// True for keys written with sharps (or none): fewer steps up by fifths than
// by fourths from C major or A minor to the tonic.
bool is_sharp_key(std::uint8_t key) {
  const int tonic = key & 15;
  const int reference = (key & 0x80) != 0 ? 9 : 0;
  int sharps = 0;
  int flats = 0;
  for (int p = reference; p != tonic % 12 && sharps < 6; p = (p + 7) % 12) ++sharps;
  for (int p = reference; p != tonic % 12 && flats < 6; p = (p + 5) % 12) ++flats;
  return sharps <= flats;
}

// --- Song plan ----------------------------------------------------------------

enum class SectionKind { plain, repeat, repeat_with_break, block, guarded_loop, plain_loop };

struct Section {
  SectionKind kind = SectionKind::plain;
  int bars = 4;
  int count = 2;              // repeat or loop count
  std::uint8_t loop_id = 0;   // loop start parameter
  std::uint8_t time = 0;      // time signature parameter
  std::optional<std::uint8_t> key;  // a key change at the section start
  std::optional<int> tempo;         // a tempo change (first part)
  bool bar_line_before = false;     // a bar mark without effect before it
};

int bar_length_of(std::uint8_t time) {
  if (time == 0) return 192;
  const int numerator = (time >> 3) + 1;
  const int code = (time & 7) == 0 ? 1 : time & 7;
  return numerator * (192 >> (code - 1));
}

std::uint8_t draw_time_signature(Random& random) {
  static constexpr std::array<std::uint8_t, 20> times = {
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x1B, 0x1B, 0x1B,  // 4/4
      0x13, 0x13, 0x13,                                                        // 3/4
      0x2C, 0x2C,                                                              // 6/8
      0x0B,                                                                    // 2/4
      0x23,                                                                    // 5/4
      0x5C};                                                                   // 12/8
  return random.pick(times);
}

std::uint8_t draw_key(Random& random) {
  const auto tonic = static_cast<std::uint8_t>(random.below(12));
  return random.chance(30) ? static_cast<std::uint8_t>(0x80 | tonic) : tonic;
}

struct SongPlan {
  std::string title;
  int tempo = 120;
  bool has_tempo = true;
  std::uint8_t key = 0;
  std::uint8_t time = 0;
  std::vector<Section> sections;
  std::vector<Role> roles;
  std::vector<std::uint8_t> flags;
};

std::string draw_title(Random& random, int song_number) {
  static constexpr std::array<std::string_view, 24> first = {
      "Morning", "Harbor", "Neon", "Crystal", "Last", "Silent", "Burning", "Sky",
      "Forest", "Stage", "Desert", "Midnight", "Blue", "Iron", "Winter", "Star",
      "Lost", "Ocean", "Thunder", "Golden", "Shadow", "Spring", "Final", "Moon"};
  static constexpr std::array<std::string_view, 24> second = {
      "Theme", "Run", "March", "Waltz", "Town", "Battle", "Boss", "Dream",
      "Castle", "Road", "Rain", "Echo", "Dance", "Gate", "Tower", "Field",
      "Ending", "Night", "Wind", "Heart", "Ruins", "Sea", "Ballad", "Fanfare"};
  std::string title(random.pick(first));
  title += random.chance(4) ? "/" : " ";
  title += random.pick(second);
  if (random.chance(40)) {
    title += ' ';
    title += std::to_string(song_number % 100);
  }
  return title;  // at most 7 + 1 + 7 + 3 = 18 bytes
}

Section draw_section(Random& random, std::uint8_t time, bool first) {
  Section section;
  const int kind = random.below(100);
  if (kind < 40) {
    section.kind = SectionKind::plain;
  } else if (kind < 58) {
    section.kind = SectionKind::repeat;
  } else if (kind < 70) {
    section.kind = SectionKind::repeat_with_break;
  } else if (kind < 78) {
    section.kind = SectionKind::block;
  } else if (kind < 92) {
    section.kind = SectionKind::guarded_loop;
  } else {
    section.kind = SectionKind::plain_loop;
  }
  static constexpr std::array<int, 6> bar_counts = {2, 4, 4, 4, 8, 8};
  section.bars = random.pick(bar_counts);
  section.count = random.chance(70) ? 2 : random.between(3, 8);
  section.loop_id = section.kind == SectionKind::guarded_loop
                        ? (random.chance(70) ? 0x40 : 0x80)
                        : static_cast<std::uint8_t>(random.between(1, 3));
  section.time = (!first && random.chance(8)) ? draw_time_signature(random) : time;
  if (!first && random.chance(6)) section.key = draw_key(random);
  if (!first && random.chance(12)) section.tempo = random.between(70, 200);
  section.bar_line_before = !first && random.chance(10);
  return section;
}

SongPlan draw_plan(Random& random, int song_number) {
  SongPlan plan;
  plan.title = draw_title(random, song_number);
  plan.has_tempo = !random.chance(8);  // then the first note writes the default tempo
  plan.tempo = random.between(70, 190);
  plan.key = draw_key(random);
  plan.time = draw_time_signature(random);

  // Parts: a melody and a bass always; then chords, counter melodies,
  // arpeggios and drums.
  const auto fm = build::PartFlags::fm;
  const auto psg = build::PartFlags::psg;
  plan.roles = {Role::melody, Role::bass};
  plan.flags = {random.chance(70) ? fm : psg, fm};
  const int extra = random.between(1, 7);
  for (int i = 0; i < extra; ++i) {
    switch (random.below(6)) {
      case 0:
      case 1:
        plan.roles.push_back(Role::chords);
        plan.flags.push_back(random.chance(75) ? build::PartFlags::chord
                                               : static_cast<std::uint8_t>(psg | build::PartFlags::chord));
        break;
      case 2:
        plan.roles.push_back(Role::counter);
        plan.flags.push_back(random.chance(50) ? fm : psg);
        break;
      case 3:
        plan.roles.push_back(Role::arpeggio);
        plan.flags.push_back(psg);
        break;
      default:
        plan.roles.push_back(Role::drums);
        plan.flags.push_back(build::PartFlags::noise);
        break;
    }
  }

  // About 2 to 24 KB of events, from the bytes a bar takes in each part.
  int bytes_per_bar = 0;
  for (const Role role : plan.roles) {
    switch (role) {
      case Role::melody: bytes_per_bar += 14; break;
      case Role::counter: bytes_per_bar += 11; break;
      case Role::bass: bytes_per_bar += 11; break;
      case Role::chords: bytes_per_bar += 14; break;
      case Role::arpeggio: bytes_per_bar += 30; break;
      case Role::drums: bytes_per_bar += 20; break;
    }
  }
  const int target_bytes = random.chance(10) ? random.between(2000, 6000) : random.between(6000, 24000);
  int bars = 0;
  std::uint8_t time = plan.time;
  while (bars * bytes_per_bar < target_bytes) {
    plan.sections.push_back(draw_section(random, time, plan.sections.empty()));
    time = plan.sections.back().time;
    bars += plan.sections.back().bars;
  }
  return plan;
}

// --- Parts ------------------------------------------------------------------

class PartMaker {
 public:
  PartMaker(PartBuilder& part, Role role, bool chord_part, Random& random)
      : part_(part), role_(role), chord_part_(chord_part), random_(random),
        weights_(weights_of(role)), range_(range_of(role)),
        step_((range_.low + range_.high) / 2) {}

  void write(const SongPlan& plan, bool first_part) {
    write_opening(plan, first_part);
    sharp_key_ = is_sharp_key(plan.key);
    std::uint8_t time = plan.time;
    for (std::size_t i = 0; i < plan.sections.size(); ++i) {
      const Section& section = plan.sections[i];
      if (section.bar_line_before) part_.bar(0x00);
      if (section.time != time) {
        time = section.time;
        part_.time(time);
      }
      if (section.key) {
        part_.key(*section.key);
        sharp_key_ = is_sharp_key(*section.key);
      }
      if (section.tempo && first_part) part_.tempo(static_cast<std::uint8_t>(*section.tempo));
      write_section_settings();
      write_section(section, bar_length_of(time));
    }
    part_.end();
  }

 private:
  void write_opening(const SongPlan& plan, bool first_part) {
    if (first_part && plan.has_tempo) part_.tempo(static_cast<std::uint8_t>(plan.tempo));
    if (plan.key != 0 || random_.chance(50)) part_.key(plan.key);
    if (plan.time != 0 || random_.chance(40)) part_.time(plan.time);
    if (role_ != Role::drums || random_.chance(30)) {
      part_.voice(static_cast<std::uint8_t>(random_.below(128)));
    }
    part_.volume(static_cast<std::uint8_t>(random_.between(4, 7)));
    if (random_.chance(20)) part_.gate(static_cast<std::uint8_t>(random_.between(4, 7)));
    if (random_.chance(25)) part_.lfo(1);
  }

  void write_section_settings() {
    if (random_.chance(8)) part_.voice(static_cast<std::uint8_t>(random_.below(128)));
    if (random_.chance(12)) part_.volume(static_cast<std::uint8_t>(random_.between(3, 7)));
    if (random_.chance(5)) part_.lfo(static_cast<std::uint8_t>(random_.below(2)));
    if (random_.chance(4)) part_.gate(static_cast<std::uint8_t>(random_.between(3, 7)));
  }

  void write_section(const Section& section, int bar_length) {
    const bool shifted = (role_ == Role::melody || role_ == Role::counter) && random_.chance(5);
    if (shifted) part_.octave_shift(random_.chance(50) ? 1 : -1);
    switch (section.kind) {
      case SectionKind::plain:
        write_bars(section.bars, bar_length);
        break;
      case SectionKind::repeat:
        part_.bar(build::Mark::repeat_open);
        write_bars(section.bars, bar_length);
        part_.bar(repeat_close(section.count));
        break;
      case SectionKind::repeat_with_break:
        part_.bar(build::Mark::repeat_open);
        write_bars(section.bars, bar_length);
        part_.bar(build::Mark::repeat_break);
        write_bars(std::max(1, section.bars / 2), bar_length);
        part_.bar(repeat_close(section.count));
        break;
      case SectionKind::block:
        part_.bar(build::Mark::block_open);
        write_bars(section.bars, bar_length);
        part_.bar(build::Mark::block_close);
        break;
      case SectionKind::guarded_loop:
        // The loop end carries the loop's identifier in bits 5-7, so the
        // count stays below 32.
        part_.loop_start(section.loop_id);
        write_bars(section.bars, bar_length);
        part_.loop_end(static_cast<std::uint8_t>(section.loop_id | (section.count - 1)));
        break;
      case SectionKind::plain_loop:
        part_.loop_start(section.loop_id);
        write_bars(section.bars, bar_length);
        part_.loop_end(static_cast<std::uint8_t>(section.count - 1));
        break;
    }
    if (shifted) part_.octave_shift(0);
  }

  static std::uint8_t repeat_close(int count) {
    return static_cast<std::uint8_t>(build::Mark::repeat_close | (count - 2) << 4);
  }

  void write_bars(int bars, int bar_length) {
    for (int bar = 0; bar < bars; ++bar) {
      const bool last_bar = bar + 1 == bars;
      for (int room = bar_length; room > 0;) {
        const Duration& duration = draw_duration(random_, weights_, room);
        const int notes = duration.triplet ? 3 : 1;
        room -= duration.ticks * notes;
        for (int i = 0; i < notes; ++i) write_note(duration, last_bar && room == 0 && i + 1 == notes);
      }
    }
  }

  void write_note(const Duration& duration, bool last_of_section) {
    if (!tied_step_ && role_ != Role::drums && random_.chance(9)) {
      part_.rest(duration.length, duration.dot);
      return;
    }
    if (role_ == Role::drums) {
      static constexpr std::array<int, 4> kit = {21, 23, 25, 28};
      part_.note_bytes(build::note_kind(duration.length, duration.dot,
                                        random_.chance(30) ? build::art::staccato : build::art::normal),
                       pitch_byte(random_.pick(kit), 0));
      return;
    }
    if (role_ == Role::melody && random_.chance(2)) part_.note_shift();
    if (role_ == Role::melody && random_.chance(1)) part_.portamento();

    int accidental = 0;
    if (tied_step_) {
      step_ = *tied_step_;
      accidental = tied_accidental_;
      tied_step_.reset();
    } else {
      move();
      accidental = draw_accidental();
    }

    // Articulation: phrases of staccato, slurs that tie to an equal next note.
    if (random_.chance(10)) staccato_ = !staccato_;
    int articulation = staccato_ ? build::art::staccato : build::art::normal;
    if (random_.chance(2)) articulation = build::art::staccatissimo;
    if (!last_of_section && random_.chance(role_ == Role::chords ? 10 : 6)) {
      articulation = build::art::slur;
      if (random_.chance(85)) {  // the next note repeats the pitch: a tie
        tied_step_ = step_;
        tied_accidental_ = accidental;
      }
    }

    const std::uint8_t kind = build::note_kind(duration.length, duration.dot, articulation);
    if (!chord_part_) {
      part_.note_bytes(kind, pitch_byte(step_, accidental));
      return;
    }
    const std::uint8_t third =
        random_.chance(15) ? build::rest_byte : pitch_byte(std::min(step_ + 4, 55), 0);
    part_.note_bytes(kind, pitch_byte(step_, accidental), pitch_byte(std::min(step_ + 2, 55), 0),
                     third);
  }

  // Accidentals that go with the key: sharps in sharp keys, flats in flat
  // keys, naturals in both; a few in ten thousand go against the key.
  int draw_accidental() {
    const int a = random_.below(10000);
    if (a < 3) return sharp_key_ ? 2 : 1;
    if (a < 600) return sharp_key_ ? 1 : 2;
    if (a < 800) return 3;
    return 0;
  }

  // A small random walk over the white keys, kept in the role's range.
  void move() {
    static constexpr std::array<int, 9> steps = {-3, -2, -1, -1, 0, 1, 1, 2, 3};
    int next = step_ + random_.pick(steps);
    if (role_ == Role::bass && random_.chance(15)) next = step_ + (random_.chance(50) ? 7 : -7);
    if (next < range_.low) next += 7;
    if (next > range_.high) next -= 7;
    step_ = std::clamp(next, range_.low, range_.high);
  }

  PartBuilder& part_;
  Role role_;
  bool chord_part_;
  Random& random_;
  Weights weights_;
  RoleRange range_;
  int step_;
  bool staccato_ = false;
  bool sharp_key_ = true;
  std::optional<int> tied_step_;
  int tied_accidental_ = 0;
};

SongBuilder make_song(int song_number, std::uint64_t seed) {
  // Song n draws from its own stream, so that collections share prefixes.
  Random random(seed ^ (0xA0761D6478BD642FULL * static_cast<std::uint64_t>(song_number + 1)));
  SongPlan plan = draw_plan(random, song_number);
  for (;;) {
    SongBuilder song(plan.title);
    for (std::size_t i = 0; i < plan.roles.size(); ++i) {
      PartBuilder& part = song.part(plan.flags[i]);
      PartMaker(part, plan.roles[i], part.chord_part(), random).write(plan, i == 0);
    }
    // A song record holds at most 32767 bytes: drop sections until it fits.
    try {
      if (song.bytes().size() <= 32767) return song;
    } catch (const std::length_error&) {
    }
    plan.sections.pop_back();
  }
}

}  // namespace

std::vector<std::uint8_t> make_music_file(int song_count, std::uint64_t seed, int first_song) {
  if (song_count < 0 || song_count > 32767) throw std::invalid_argument("0 to 32767 songs");
  build::MusicFileBuilder file;
  for (int n = first_song; n < first_song + song_count; ++n) {
    SongBuilder song = make_song(n, seed);
    file.song("") = std::move(song);
  }
  return file.bytes();
}

std::vector<std::uint8_t> make_voice_bank() {
  static constexpr std::array<std::string_view, 16> families = {
      "Grand Piano", "E.Piano", "Organ", "Guitar", "Slap Bass", "Synth Bass", "Strings", "Brass",
      "Flute", "Clarinet", "Bell", "Marimba", "Lead Saw", "Lead Square", "Pad Warm", "Choir"};
  build::VoiceBankBuilder bank;
  for (int n = 0; n < 128; ++n) {
    std::string name(families[static_cast<std::size_t>(n % 16)]);
    name += ' ';
    name += std::to_string(n / 16 + 1);
    bank.voice(name);
  }
  return bank.bytes();
}

std::string make_voice_table_text(std::size_t lines, std::uint64_t seed, bool passed_over) {
  Random random(seed ^ 0x7C7C7C7C7C7C7C7CULL);
  static constexpr std::array<std::string_view, 8> octave_options = {"", "", "", "O+", "O-", "O2", "o-1", "O++"};
  static constexpr std::array<std::string_view, 8> volume_options = {"", "", "V+", "V-", "V3", "v-2", "V--", ""};
  std::string text;
  text.reserve(lines * 24);
  for (std::size_t line = 0; line < lines; ++line) {
    const int kind = passed_over ? random.below(100) : 100;
    if (kind < 3) {
      text += "; voices for the FM parts\r\n";  // one token: passed over
      continue;
    }
    if (kind < 5) {
      text += "\r\n";
      continue;
    }
    if (kind < 6) {
      text += "200,@1\r\n";  // listed number out of range: passed over
      continue;
    }
    const auto listed = static_cast<int>(line % 128) + 1;
    text += std::to_string(listed);
    text += random.chance(50) ? "\t" : ",";
    text += '@';
    text += std::to_string(random.below(256));
    if (random.chance(20)) {
      text += "@v";
      text += std::to_string(random.between(1, 15));
    }
    const auto octave = random.pick(octave_options);
    if (!octave.empty()) {
      text += '\t';
      text += octave;
    }
    const auto volume = random.pick(volume_options);
    if (!volume.empty()) {
      text += ',';
      text += volume;
    }
    text += "\r\n";
  }
  return text;
}

Collection make_collection(int song_count, std::uint64_t seed) {
  Collection collection;
  collection.music = make_music_file(song_count, seed);
  collection.voice_bank = make_voice_bank();
  collection.voice_table = make_voice_table_text(128, seed, false);
  return collection;
}

}  // namespace tonvert::bench
