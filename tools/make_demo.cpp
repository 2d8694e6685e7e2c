// make_demo: builds an OSTREL music file and its voice bank from a readable
// source text (examples/demo.txt is the one that ships).
//
//   make_demo <source.txt> <out-base>     writes <out-base>.msc and <out-base>.vce
//
// The source is a stream of whitespace-separated tokens; "#" at the start of
// a token comments out the rest of the line. The format is described at the
// top of examples/demo.txt. Every bad token is reported with its line number
// on standard error, and the program then exits with status 1.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/msc_builder.hpp"

namespace {

using namespace tonvert::build;

struct SourceError : std::runtime_error {
  SourceError(int line_number, const std::string& message)
      : std::runtime_error(message), line(line_number) {}
  int line;
};

struct Token {
  std::string text;
  int line = 0;
  bool quoted = false;
};

std::vector<Token> tokenize(std::istream& in) {
  std::vector<Token> tokens;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::size_t i = 0;
    while (i < line.size()) {
      const char c = line[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        const auto close = line.find('"', i + 1);
        if (close == std::string::npos) throw SourceError(number, "unterminated quoted text");
        tokens.push_back({line.substr(i + 1, close - i - 1), number, true});
        i = close + 1;
      } else {
        const auto stop = line.find_first_of(" \t\r", i);
        const auto end = stop == std::string::npos ? line.size() : stop;
        tokens.push_back({line.substr(i, end - i), number, false});
        i = end;
      }
    }
  }
  return tokens;
}

bool parse_int(const std::string& text, long& value) {
  if (text.empty()) return false;
  try {
    std::size_t used = 0;
    value = std::stol(text, &used, 0);
    return used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

std::string loop_id_text(unsigned id) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", id);
  return text;
}

// Ticks of a note as the converter counts them: 48 to a quarter note.
int note_ticks(Length length, Dot dot, int bar_length) {
  if (length == whole_bar) return bar_length;
  const int base = 192 >> (length - 1);
  switch (dot) {
    case Dot::plain: return base;
    case Dot::dotted: return base + base / 2;
    case Dot::double_dotted: return base + base / 2 + base / 4;
    case Dot::triplet: return 2 * base / 3;
  }
  return base;
}

class DemoParser {
 public:
  explicit DemoParser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  void parse() {
    while (pos_ < tokens_.size()) statement();
    close_part(tokens_.empty() ? 1 : tokens_.back().line);
    for (const auto& [number, line] : voices_used_) {
      if (!voice_names_.contains(number)) {
        throw SourceError(line, "voice " + std::to_string(number) +
                                    " is used but never declared (voice " +
                                    std::to_string(number) + " \"Name\")");
      }
    }
  }

  Bytes music_file() const { return file_.bytes(); }

  Bytes voice_bank() const {
    VoiceBankBuilder bank;
    if (!voice_names_.empty()) {
      const int count = voice_names_.rbegin()->first;
      for (int n = 1; n <= count; ++n) {
        const auto found = voice_names_.find(n);
        bank.voice(found == voice_names_.end() ? std::string() : found->second);
      }
    }
    return bank.bytes();
  }

 private:
  // ---- token access ----
  const Token& next(const Token& after, const char* what) {
    if (pos_ >= tokens_.size() || tokens_[pos_].line != after.line) {
      throw SourceError(after.line, "'" + after.text + "' needs " + what + " on the same line");
    }
    return tokens_[pos_++];
  }

  bool next_is_number_on(int line) const {
    long ignored = 0;
    return pos_ < tokens_.size() && tokens_[pos_].line == line && !tokens_[pos_].quoted &&
           parse_int(tokens_[pos_].text, ignored);
  }

  long number(const Token& after, const char* what, long low, long high) {
    const Token& t = next(after, what);
    long value = 0;
    if (t.quoted || !parse_int(t.text, value) || value < low || value > high) {
      throw SourceError(t.line, "'" + after.text + "' needs " + what + " from " +
                                    std::to_string(low) + " to " + std::to_string(high) +
                                    ", not '" + t.text + "'");
    }
    return value;
  }

  PartBuilder& in_part(const Token& t) {
    if (part_ == nullptr) {
      throw SourceError(t.line, "'" + t.text + "' must stand inside a part (after 'part ...')");
    }
    if (part_ended_) throw SourceError(t.line, "'" + t.text + "' after the part's 'end'");
    return *part_;
  }

  // ---- statements ----
  void statement() {
    const Token& t = tokens_[pos_++];
    if (t.quoted) throw SourceError(t.line, "unexpected quoted text \"" + t.text + "\"");
    const std::string& w = t.text;
    if (w == "song") return song(t);
    if (w == "part") return part(t);
    if (w == "voice") return voice(t);
    if (w == "tempo" || w == "key" || w == "time") return setting(t);
    if (w == "end") {
      in_part(t).end();
      part_ended_ = true;
      return;
    }
    if (w == "|") return bar_check(t);
    if (w == "volume") {
      return void(in_part(t).volume(static_cast<std::uint8_t>(number(t, "a level", 0, 7))));
    }
    if (w == "gate") {
      const long q = number(t, "a Q value", 1, 256);
      return void(in_part(t).gate(static_cast<std::uint8_t>(q - 1)));
    }
    if (w == "octave-shift") {
      const long shift = number(t, "a shift in octaves", -2, 2);
      return void(in_part(t).octave_shift(static_cast<int>(shift)));
    }
    if (w == "lfo") {
      const Token& v = next(t, "on or off");
      if (v.text != "on" && v.text != "off") throw SourceError(v.line, "'lfo' takes on or off");
      return void(in_part(t).lfo(v.text == "on" ? 1 : 0));
    }
    if (w == "portamento") return void(in_part(t).portamento());
    if (w == "note-shift") return void(in_part(t).note_shift());
    if (w == "repeat-open" || w == "repeat-close" || w == "repeat-break" || w == "block-open" ||
        w == "block-close") {
      return bar_mark(t);
    }
    if (w == "loop-start") return loop_start(t);
    if (w == "loop-end") return loop_end(t);
    if (!w.empty() && ((w[0] >= 'a' && w[0] <= 'g') || w[0] == 'r')) return note(t);
    throw SourceError(t.line, "unknown word '" + w + "'");
  }

  void song(const Token& t) {
    const Token& title = next(t, "a quoted title");
    if (!title.quoted) throw SourceError(title.line, "song titles are quoted: song \"Title\"");
    if (title.text.empty() || title.text.size() > 23) {
      throw SourceError(title.line, "a song title holds 1 to 23 characters");
    }
    close_part(t.line);
    song_ = &file_.song(title.text);
    part_ = nullptr;
    part_count_ = 0;
    song_tempo_.reset();
    song_key_.reset();
    song_time_.reset();
  }

  void part(const Token& t) {
    if (song_ == nullptr) throw SourceError(t.line, "'part' before the first 'song'");
    close_part(t.line);
    std::uint8_t flags = PartFlags::fm;
    bool fm = false;
    int words = 0;
    while (pos_ < tokens_.size() && tokens_[pos_].line == t.line && !tokens_[pos_].quoted) {
      const std::string& w = tokens_[pos_].text;
      if (w == "fm") fm = true;
      else if (w == "psg") flags |= PartFlags::psg;
      else if (w == "noise") flags |= PartFlags::noise;
      else if (w == "chord") flags |= PartFlags::chord;
      else break;
      ++pos_;
      ++words;
    }
    if (words == 0) {
      throw SourceError(t.line, "'part' needs its type: fm, psg or noise (and chord)");
    }
    if (fm && (flags & (PartFlags::psg | PartFlags::noise)) != 0) {
      throw SourceError(t.line, "a part is fm, psg or noise, not more than one");
    }
    part_ = &song_->part(flags);
    part_ended_ = false;
    part_line_ = t.line;
    chord_part_ = (flags & PartFlags::chord) != 0;
    bar_length_ = 192;
    ticks_in_bar_ = 0;
    repeat_depth_ = 0;
    block_open_ = false;
    loops_.clear();
    if (part_count_++ == 0 && song_tempo_) part_->tempo(*song_tempo_);
    if (song_key_) part_->key(*song_key_);
    if (song_time_) {
      part_->time(song_time_->first);
      bar_length_ = song_time_->second;
    }
  }

  // Checks that a part leaves nothing open; runs when the next part or song
  // starts and at the end of the source.
  void close_part(int line) {
    if (part_ == nullptr) return;
    const std::string where = "the part that starts on line " + std::to_string(part_line_);
    if (repeat_depth_ > 0) {
      throw SourceError(line, where + " leaves a repeat-open without repeat-close");
    }
    if (block_open_) throw SourceError(line, where + " leaves a block-open without block-close");
    if (!loops_.empty()) throw SourceError(line, where + " leaves a loop-start without loop-end");
  }

  // Voices are numbered as the voice table file lists them, from 1: voice n
  // is the voice bank's record n - 1, and a change to it stores n - 1.
  void voice(const Token& t) {
    const long n = number(t, "a voice number", 1, 128);
    if (pos_ < tokens_.size() && tokens_[pos_].line == t.line && tokens_[pos_].quoted) {
      const Token& name = tokens_[pos_++];
      if (name.text.empty() || name.text.size() > 63) {
        throw SourceError(name.line, "a voice name holds 1 to 63 characters");
      }
      if (!voice_names_.emplace(static_cast<int>(n), name.text).second) {
        throw SourceError(t.line, "voice " + std::to_string(n) + " is declared twice");
      }
      return;
    }
    in_part(t).voice(static_cast<std::uint8_t>(n - 1));
    voices_used_.emplace(static_cast<int>(n), t.line);
  }

  // tempo, key and time: before a song's first part they are the song's
  // settings (key and time go to the start of every part, the tempo to the
  // start of the first); inside a part they are events where they stand.
  void setting(const Token& t) {
    const bool song_level = song_ != nullptr && part_ == nullptr;
    if (!song_level) in_part(t);
    if (t.text == "tempo") {
      const auto bpm = static_cast<std::uint8_t>(number(t, "a tempo", 1, 255));
      if (song_level) song_tempo_ = bpm;
      else part_->tempo(bpm);
    } else if (t.text == "key") {
      const std::uint8_t parameter = key_parameter(t);
      if (song_level) song_key_ = parameter;
      else part_->key(parameter);
    } else {
      const auto [parameter, bar_length] = time_parameter(t);
      if (song_level) {
        song_time_ = {parameter, bar_length};
      } else {
        part_->time(parameter);
        bar_length_ = bar_length;
      }
    }
  }

  // "G", "Bb", "F#m", "E minor", "Eb major": the key signature parameter.
  std::uint8_t key_parameter(const Token& t) {
    const Token& k = next(t, "a key such as G, Bb, F#m or E minor");
    std::string text = k.text;
    bool minor = false;
    if (pos_ < tokens_.size() && tokens_[pos_].line == t.line &&
        (tokens_[pos_].text == "minor" || tokens_[pos_].text == "major")) {
      minor = tokens_[pos_++].text == "minor";
    } else if (text.size() >= 2 && text.back() == 'm') {
      minor = true;
      text.pop_back();
    }
    static const std::string letters = "CDEFGAB";
    static const int classes[] = {0, 2, 4, 5, 7, 9, 11};
    const auto letter = text.empty() ? std::string::npos : letters.find(text[0]);
    int pitch_class = -1;
    if (letter != std::string::npos && text.size() <= 2) {
      pitch_class = classes[letter];
      if (text.size() == 2) {
        if (text[1] == '#') pitch_class += 1;
        else if (text[1] == 'b') pitch_class += 11;
        else pitch_class = -1;
      }
    }
    if (pitch_class < 0) {
      throw SourceError(k.line, "bad key '" + k.text + "' (write G, Bb, F#m, E minor ...)");
    }
    return static_cast<std::uint8_t>((minor ? 0x80 : 0) | pitch_class % 12);
  }

  // "3/4", "6/8": the time signature parameter and the bar length in ticks.
  std::pair<std::uint8_t, int> time_parameter(const Token& t) {
    const Token& s = next(t, "a time signature such as 3/4");
    const auto slash = s.text.find('/');
    long top = 0;
    long bottom = 0;
    int code = 0;
    if (slash != std::string::npos && parse_int(s.text.substr(0, slash), top) &&
        parse_int(s.text.substr(slash + 1), bottom)) {
      for (int c = 1; c <= 7; ++c) {
        if (bottom == 1L << (c - 1)) code = c;
      }
    }
    if (top < 1 || top > 32 || code == 0) {
      throw SourceError(s.line, "bad time signature '" + s.text +
                                    "' (1 to 32 beats over 1, 2, 4, 8, 16, 32 or 64)");
    }
    return {static_cast<std::uint8_t>((top - 1) << 3 | code),
            static_cast<int>(top * (192 / bottom))};
  }

  void bar_check(const Token& t) {
    in_part(t);
    if (ticks_in_bar_ != 0) {
      throw SourceError(t.line, "bar check: the bar so far holds " + std::to_string(ticks_in_bar_) +
                                    " of its " + std::to_string(bar_length_) +
                                    " ticks (a quarter note is 48)");
    }
  }

  void bar_mark(const Token& t) {
    PartBuilder& p = in_part(t);
    const std::string& w = t.text;
    if (w != "repeat-break") {
      for (const std::uint8_t id : loops_) {
        if (id == 0x40 || id == 0x80) {
          throw SourceError(t.line, "'" + w + "' inside a loop-start " + loop_id_text(id) +
                                        " loop: that loop would be dropped; use loop-start 1 "
                                        "for a loop holding repeats");
        }
      }
    }
    if (w == "repeat-open") {
      ++repeat_depth_;
      p.bar(Mark::repeat_open);
    } else if (w == "repeat-close") {
      if (repeat_depth_ == 0) throw SourceError(t.line, "'repeat-close' without 'repeat-open'");
      long times = 2;
      if (next_is_number_on(t.line)) times = number(t, "the number of times played", 2, 17);
      --repeat_depth_;
      p.bar(static_cast<std::uint8_t>((times - 2) << 4 | Mark::repeat_close));
      ticks_in_bar_ = 0;
    } else if (w == "repeat-break") {
      if (repeat_depth_ == 0) throw SourceError(t.line, "'repeat-break' outside a repeat");
      p.bar(Mark::repeat_break);
    } else if (w == "block-open") {
      if (block_open_) throw SourceError(t.line, "'block-open' inside an open block");
      block_open_ = true;
      p.bar(Mark::block_open);
    } else {
      if (!block_open_) throw SourceError(t.line, "'block-close' without 'block-open'");
      block_open_ = false;
      p.bar(Mark::block_close);
      ticks_in_bar_ = 0;
    }
  }

  // loop-start [id]: the id 0x40 (the default) or 0x80 makes a loop that the
  // converter checks for its loop-end; any other id is taken as it is.
  void loop_start(const Token& t) {
    PartBuilder& p = in_part(t);
    long id = 0x40;
    if (next_is_number_on(t.line)) id = number(t, "a loop id", 0, 255);
    if (id == 0x40 || id == 0x80) {
      for (const std::uint8_t open : loops_) {
        if (open == id) {
          throw SourceError(t.line, "a loop-start " + loop_id_text(open) +
                                        " inside another one with the same id");
        }
      }
    }
    loops_.push_back(static_cast<std::uint8_t>(id));
    p.loop_start(static_cast<std::uint8_t>(id));
  }

  void loop_end(const Token& t) {
    PartBuilder& p = in_part(t);
    if (loops_.empty()) throw SourceError(t.line, "'loop-end' without 'loop-start'");
    const std::uint8_t id = loops_.back();
    const bool guarded = id == 0x40 || id == 0x80;
    const long times = number(t, "the number of times played", 1, guarded ? 32 : 64);
    loops_.pop_back();
    p.loop_end(static_cast<std::uint8_t>((guarded ? id : 0) | (times - 1)));
  }

  // A pitch in source notation ("f#4", "bb3", "en5", "c4") as the builder
  // writes it ("f+4", "b-3", "e*5", "c4").
  static std::optional<std::string> builder_pitch(const std::string& text) {
    if (text.size() < 2 || text.size() > 3 || text[0] < 'a' || text[0] > 'g') return std::nullopt;
    const char octave = text.back();
    if (octave < '0' || octave > '7') return std::nullopt;
    std::string out(1, text[0]);
    if (text.size() == 3) {
      switch (text[1]) {
        case '#': out += '+'; break;
        case 'b': out += '-'; break;
        case 'n': out += '*'; break;
        default: return std::nullopt;
      }
    }
    out += octave;
    return out;
  }

  // Notes: PITCH:LENGTH, rests r:LENGTH, chords P1+P2[+P3]:LENGTH.
  // LENGTH is 1 2 4 8 16 32 64 or "bar", then "." or ".." (dotted) or "t"
  // (triplet), then one articulation mark: "~" slur/tie, "'" staccato, "!"
  // staccatissimo.
  void note(const Token& t) {
    PartBuilder& p = in_part(t);
    const auto colon = t.text.find(':');
    if (colon == std::string::npos) {
      throw SourceError(t.line, "unknown word '" + t.text + "' (notes are written like c4:8)");
    }
    const std::string pitches_text = t.text.substr(0, colon);
    const std::string length_text = t.text.substr(colon + 1);

    std::vector<std::string> pitches;
    if (pitches_text != "r") {
      std::size_t start = 0;
      while (true) {
        const auto plus = pitches_text.find('+', start);
        const std::string one = pitches_text.substr(start, plus - start);
        const auto converted = builder_pitch(one);
        if (!converted) {
          throw SourceError(t.line, "bad pitch '" + one + "' in '" + t.text +
                                        "' (letter, optional # b n, octave 0-7: f#4)");
        }
        pitches.push_back(*converted);
        if (plus == std::string::npos) break;
        start = plus + 1;
      }
      if (pitches.size() > 3) throw SourceError(t.line, "a chord holds at most three pitches");
      if (pitches.size() > 1 && !chord_part_) {
        throw SourceError(t.line, "chord '" + t.text + "' in a part without 'chord'");
      }
    }

    std::size_t i = 0;
    while (i < length_text.size() && length_text[i] >= '0' && length_text[i] <= '9') ++i;
    Length length = whole_bar;
    if (i == 0 && length_text.compare(0, 3, "bar") == 0) {
      i = 3;
    } else {
      static const std::map<std::string, Length> values = {
          {"1", L1}, {"2", L2}, {"4", L4}, {"8", L8}, {"16", L16}, {"32", L32}, {"64", L64}};
      const auto found = values.find(length_text.substr(0, i));
      if (found == values.end()) {
        throw SourceError(t.line, "bad length in '" + t.text + "' (1 2 4 8 16 32 64 or bar)");
      }
      length = found->second;
    }
    int dots = 0;
    bool triplet = false;
    int articulation = art::normal;
    bool articulated = false;
    for (; i < length_text.size(); ++i) {
      const char c = length_text[i];
      const bool mark = c == '~' || c == '\'' || c == '!';
      if (articulated || (!mark && c != '.' && c != 't')) {
        throw SourceError(t.line, "bad ending '" + length_text.substr(i) + "' in '" + t.text +
                                      "' (dots or t, then one of ~ ' !)");
      }
      if (c == '.') ++dots;
      else if (c == 't') triplet = true;
      else {
        articulated = true;
        articulation = c == '~' ? art::slur : c == '\'' ? art::staccato : art::staccatissimo;
      }
    }
    if (dots > 2 || (dots > 0 && triplet) || (length == whole_bar && (dots > 0 || triplet))) {
      throw SourceError(t.line, "bad length in '" + t.text + "'");
    }
    const Dot dot = triplet ? Dot::triplet : dots == 2 ? Dot::double_dotted
                                           : dots == 1 ? Dot::dotted : Dot::plain;

    if (pitches.empty()) {
      p.rest(length, dot, articulation);
    } else if (pitches.size() == 1) {
      p.note(pitches[0], length, dot, articulation);
    } else if (pitches.size() == 3) {
      p.chord(pitches[0], pitches[1], pitches[2], length, dot, articulation);
    } else {
      p.note_bytes(note_kind(length, dot, articulation), pitch(pitches[0]), pitch(pitches[1]),
                   rest_byte);
    }

    ticks_in_bar_ += note_ticks(length, dot, bar_length_);
    if (ticks_in_bar_ >= bar_length_) ticks_in_bar_ = 0;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;

  MusicFileBuilder file_;
  std::map<int, std::string> voice_names_;
  std::map<int, int> voices_used_;  // voice number -> first line that uses it

  SongBuilder* song_ = nullptr;
  int part_count_ = 0;
  std::optional<std::uint8_t> song_tempo_;
  std::optional<std::uint8_t> song_key_;
  std::optional<std::pair<std::uint8_t, int>> song_time_;

  PartBuilder* part_ = nullptr;
  bool part_ended_ = false;
  int part_line_ = 0;
  bool chord_part_ = false;
  int bar_length_ = 192;
  int ticks_in_bar_ = 0;
  int repeat_depth_ = 0;
  bool block_open_ = false;
  std::vector<std::uint8_t> loops_;
};

bool write_file(const std::string& name, const Bytes& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "make_demo: cannot write '" << name << "'\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_demo <source.txt> <out-base>\n"
                 "writes <out-base>.msc and <out-base>.vce\n";
    return 1;
  }
  const std::string source = argv[1];
  const std::string base = argv[2];
  std::ifstream in(source);
  if (!in) {
    std::cerr << "make_demo: cannot open '" << source << "'\n";
    return 1;
  }
  Bytes msc;
  Bytes vce;
  try {
    DemoParser parser(tokenize(in));
    parser.parse();
    msc = parser.music_file();
    vce = parser.voice_bank();
  } catch (const SourceError& e) {
    std::cerr << source << ":" << e.line << ": error: " << e.what() << "\n";
    return 1;
  } catch (const std::length_error& e) {
    std::cerr << source << ": error: a song or part is too long for its record (" << e.what()
              << ")\n";
    return 1;
  }
  if (!write_file(base + ".msc", msc) || !write_file(base + ".vce", vce)) return 1;
  return 0;
}
