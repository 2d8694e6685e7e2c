// tonvert-dump's listing: a small file listed whole, and broken files whose
// faults the listing marks exactly where, and with the words with which, the
// converter warns about them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/dump/music_listing.hpp"
#include "app/memory_environment.hpp"
#include "tools/msc_builder.hpp"

using namespace tonvert;
using namespace tonvert::build;

namespace {

// A directory of its own under the system's temporary directory, removed
// with everything in it at the end of the test.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("tonvert-dump-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void write_file(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The listing of music bytes that went through a file, as the program reads
// them; with a voice bank when one is given.
std::string listing_through_files(const Bytes& music, const Bytes* bank = nullptr) {
  TemporaryDirectory directory;
  write_file(directory / "tune.msc", music);
  const Bytes music_read = read_file(directory / "tune.msc");
  if (bank == nullptr) return music_listing(ByteView(music_read));
  write_file(directory / "tune.vce", *bank);
  const Bytes bank_read = read_file(directory / "tune.vce");
  return music_listing(ByteView(music_read), VoiceBank(ByteView(bank_read)));
}

// The fault marks of a listing, each cut to the converter's warning text:
// from "*** " to the detail after ": ".
std::vector<std::string> fault_marks(const std::string& listing) {
  std::vector<std::string> marks;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    const auto start = line.find("*** ");
    if (start == std::string::npos) continue;
    const auto detail = line.find(": ", start);
    marks.push_back(line.substr(start, detail == std::string::npos ? std::string::npos : detail - start));
  }
  return marks;
}

// The "***" warnings that the converter prints for the same file.
std::vector<std::string> converter_warnings(const Bytes& music) {
  MemoryEnvironment env;
  env.files["tune.msc"] = music;
  env.files["tune.vce"] = VoiceBankBuilder().bytes();
  env.files["tune.vct"] = {};
  run_conversion({"tune"}, env);
  std::vector<std::string> warnings;
  std::istringstream lines(env.console);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("*** ")) warnings.push_back(line);
  }
  return warnings;
}

}  // namespace

TEST(DumpListing, SmallFileWhole) {
  MusicFileBuilder file;
  SongBuilder& song = file.song("Intro");
  song.part(PartFlags::psg)
      .tempo(140)
      .key(0x07)
      .time(0x13)
      .voice(1)
      .voice(9)
      .volume(9)
      .gate(5)
      .lfo(1)
      .octave_shift(-1)
      .note_shift()
      .note("f+4", L4, Dot::dotted, art::staccato)
      .note("g4", L2, Dot::plain, art::slur)
      .note("g4", L8, Dot::triplet)
      .rest(L16, Dot::double_dotted)
      .note_bytes(note_kind(whole_bar), 0x07)
      .bar(Mark::repeat_open)
      .bar(0x32)
      .bar(0x03)
      .loop_start(0x40)
      .loop_end(0x43)
      .loop_start(0x80)
      .loop_end(0xA0)
      .loop_start(0x03)
      .portamento()
      .control(13, 0)
      .end()
      .note("c4", L4);
  song.part(PartFlags::noise | PartFlags::chord)
      .key(0x8C)
      .time(0x20)
      .chord("c4", "e-4", "g*4", L2)
      .note("b3", L4)
      .chord("c5", "d5", "r", L4)
      .end();
  file.song("Coda");
  const Bytes bank = VoiceBankBuilder().voice("Piano").voice("Flute \"Solo\"").bytes();

  EXPECT_EQ(listing_through_files(file.bytes(), &bank), R"LIST(music file: 160 bytes
voice bank: 2 voices

header at 0000: 4d 53 43 00 00 00 02 00 00 00 00 00 00 00 00 00
  magic "MSC" ok, song count 2

song 1 at 0010: record size 112, 2 parts, title "Intro"
  MML file "01 Intro.mml"
  part 1 (A) at 0030: record size 58, flags 0x80: PSG, chord value 0 (1 pitch byte per note), PSG bit on
    0034  05 8c        tempo 140
    0036  02 07        key signature G major
    0038  03 13        time signature 3/4 (bar 144 ticks)
    003a  07 01        voice change 2 "Flute \"Solo\"" (raw byte 1)
    003c  07 09        voice change 10 (raw byte 9; not in the voice bank: named #9)
    003e  0a 09        volume level 9 (limited to 7 when written)
    0040  08 05        gate time Q6
    0042  09 01        LFO on
    0044  06 ff        octave shift -1 (-8va)
    0046  0b 00        note shift mark
    0048  cb 63        note f sharp o4, 1/4 dotted (72 ticks), staccato
    004a  a2 24        note g o4, 1/2 (96 ticks), slur, tied to the next note
    004c  9c 24        note g o4, 1/8 triplet (16 ticks), normal, written r: the note before is tied to it
    004e  95 ff        rest, 1/16 double dotted (21 ticks), normal
    0050  80 07        note c (letter 7) o0, whole bar, normal
    0052  04 0c        bar mark repeat open
    0054  04 32        bar mark repeat close, repeat count 5
    0056  04 03        bar mark code 3 (no effect)
    0058  0e 40        loop start id 0x40, guarded, its loop end lies ahead
    005a  0f 43        loop end count 4, id 0x40
    005c  0e 80        loop start id 0x80, guarded, no loop end of its own ahead: skipped
                       *** skip '[' in [Intro] part#1: song 1, the loop start above is not written
    005e  0f a0        loop end count 33, id 0xa0
    0060  0e 03        loop start id 0x03, not guarded
    0062  0c 00        portamento
    0064  0d 00        kind 13 (no effect)
    0066  00 00        end
    0068  83 20        note c o4, 1/4 (48 ticks), normal (not rendered)
  part 2 (B) at 006a: record size 22, flags 0x07: NOISE, chord value 1 (3 pitch bytes per note), PSG bit off
    006e  02 8c        key signature tonic 12 minor (written as C minor, six sharps)
    0070  03 20        time signature 5/1 (denominator code 0, read as 1; bar 960 ticks)
    0072  82 20 a2 e4  chord c o4 + e flat + g natural, 1/2 (96 ticks), normal
                       *** fix natural in [Intro] part#2: song 1, e flat on a letter the key sharpens, written as a natural (e*)
    0076  83 1e ff ff  note b o3, 1/4 (48 ticks), normal
    007a  83 28 29 ff  chord c o5 + d, 1/4 (48 ticks), normal
    007e  00 00        end

song 2 at 0080: record size 32, 0 parts, title "Coda"
  MML file "02 Coda.mml"
)LIST");
}

// Song 1: a cut event behind the end event (not rendered, so no fault), a cut
// event that is rendered, then a part record size below its head. Song 2, the
// last in the file, claims more bytes than the file holds and so does its
// second part, whose last note event is cut. The song count asks for a third.
Bytes broken_file() {
  MusicFileBuilder file;
  file.song_count(3);
  SongBuilder& first = file.song("Broken");
  first.part().note("c4", L4).end().raw({0x83});
  first.part().note("d4", L4).raw({0x85});
  first.part().record_size(3).note("e4", L4);
  first.part().note("f4", L4);
  SongBuilder& second = file.song("").raw_title("ABCDEFGHIJKLMNOPQRSTUVWX").record_size(200);
  second.part().note("g4", L8);
  second.part(PartFlags::chord).record_size(40).chord("c4", "e4", "g4", L2).raw({0x83, 0x20});
  return file.bytes();
}

TEST(DumpListing, BrokenFileMarksEveryFault) {
  EXPECT_EQ(listing_through_files(broken_file()), R"LIST(music file: 124 bytes
voice bank: none (voice names not shown)

header at 0000: 4d 53 43 00 00 00 03 00 00 00 00 00 00 00 00 00
  magic "MSC" ok, song count 3

song 1 at 0010: record size 60, 4 parts, title "Broken"
  MML file "01 Broken.mml"
  part 1 (A) at 0030: record size 9, flags 0x00: FM, chord value 0 (1 pitch byte per note), PSG bit off
    0034  83 20        note c o4, 1/4 (48 ticks), normal
    0036  00 00        end
    0038  83           cut event: 1 of 2 bytes (not rendered)
  part 2 (B) at 0039: record size 7, flags 0x00: FM, chord value 0 (1 pitch byte per note), PSG bit off
    003d  83 21        note d o4, 1/4 (48 ticks), normal
    003f  85           *** cut event at the end of the part in [Broken] part#2: 1 of 2 bytes
  part 3 (C) at 0040: *** bad part record size in [Broken] part#3: 3, below its 4-byte head

song 2 at 004c: record size 200, 2 parts, title "ABCDEFGHIJKLMNOPQRSTUVWX" (no zero byte: all 24 bytes)
  MML file "02 ABCDEFGHIJKLMNOPQRSTUVWX.mml"
  *** song record cut at the end of the file in song#2: 48 of 200 bytes
  part 1 (A) at 006c: record size 6, flags 0x00: FM, chord value 0 (1 pitch byte per note), PSG bit off
    0070  84 24        note g o4, 1/8 (24 ticks), normal
  part 2 (B) at 0072: record size 40, flags 0x04: FM, chord value 1 (3 pitch bytes per note), PSG bit off
    *** part record cut at the end of its song in [ABCDEFGHIJKLMNOPQRSTUVWX] part#2: 10 of 40 bytes
    0076  82 20 22 24  chord c o4 + e + g, 1/2 (96 ticks), normal
    007a  83 20        *** cut event at the end of the part in [ABCDEFGHIJKLMNOPQRSTUVWX] part#2: 2 of 4 bytes

song 3 at 0114: *** missing song record in song#3: 0 bytes left in the file, fewer than its 32-byte head
)LIST");
}

// Notes the natural fix changes and guarded loop starts that are skipped,
// beside the ones the converter does not warn about: a note a tie leads
// into, pitches after an empty chord slot, notes after the end event, and a
// part that starts again in C major. Two songs share a title.
Bytes warning_file() {
  MusicFileBuilder file;
  SongBuilder& first = file.song("Keys");
  first.part()
      .key(0x07)                                    // G major: F is sharpened
      .note("f-4", L4)
      .note("f-4", L4, Dot::plain, art::slur)
      .note("f-4", L4)                              // tied into: written r
      .loop_start(0x40)
      .loop_start(0x80)
      .note("c4", L4)
      .loop_end(0x80)
      .end()
      .note("f-4", L4)
      .loop_start(0x40);
  first.part().note("f-4", L4).key(0x05).note("b+4", L4).note("b-4", L4);  // F major
  first.part(PartFlags::chord)
      .key(0x07)
      .chord("f-4", "r", "f-5", L4)
      .chord("f-4", "a4", "f-5", L4);
  file.song("Keys").part().key(0x07).note("f-3", L8).raw({0x83});
  return file.bytes();
}

// The listing and the converter find the same faults and warnings, in the
// same order.
TEST(DumpListing, FaultMarksAreTheConverterWarnings) {
  MusicFileBuilder missing_part;
  missing_part.song("Short").part_count(2).part().note("c4", L4);

  EXPECT_EQ(converter_warnings(warning_file()),
            (std::vector<std::string>{
                "*** fix natural in [Keys] part#1", "*** fix natural in [Keys] part#1",
                "*** skip '[' in [Keys] part#1", "*** fix natural in [Keys] part#2",
                "*** fix natural in [Keys] part#3", "*** fix natural in [Keys] part#3",
                "*** fix natural in [Keys] part#3", "*** fix natural in [Keys] part#1",
                "*** cut event at the end of the part in [Keys] part#1"}));
  for (const Bytes& music : {broken_file(), missing_part.bytes(), warning_file()}) {
    const auto warnings = converter_warnings(music);
    EXPECT_FALSE(warnings.empty());
    EXPECT_EQ(fault_marks(music_listing(ByteView(music))), warnings);
  }
}

// Files that no song is read from: the header bytes that exist, and why.
TEST(DumpListing, HeaderFaults) {
  MusicFileBuilder bad_magic;
  bad_magic.magic("MSCX").song("Intro").part().note("c4", L4);
  const Bytes bad_magic_bytes = bad_magic.bytes();
  const Bytes short_file = {'M', 'S', 'C', 0, 0, 0, 1, 0, 0, 0};
  const Bytes empty_file;

  struct Case {
    Bytes music;
    std::string expected;
  };
  const Case cases[] = {
      {Bytes(bad_magic_bytes.begin(), bad_magic_bytes.begin() + 16),
       "music file: 16 bytes\nvoice bank: none (voice names not shown)\n\n"
       "header at 0000: 4d 53 43 58 00 00 01 00 00 00 00 00 00 00 00 00\n"
       "  *** bad magic: the file does not start with \"MSC\" and a zero byte; no song is read\n"},
      {short_file,
       "music file: 10 bytes\nvoice bank: none (voice names not shown)\n\n"
       "header at 0000: 4d 53 43 00 00 00 01 00 00 00\n"
       "  *** file too short for its header (10 of 16 bytes); no song is read\n"},
      {empty_file,
       "music file: 0 bytes\nvoice bank: none (voice names not shown)\n\n"
       "header at 0000: no bytes\n"
       "  *** bad magic: the file does not start with \"MSC\" and a zero byte; no song is read\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(music_listing(ByteView(c.music)), c.expected);
}
