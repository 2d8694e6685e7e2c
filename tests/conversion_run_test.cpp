// The conversion run against an in-memory world: file names, messages and
// statuses, the voice table file's first and second run, the header check,
// the song loop and the file names of songs, broken files and the part
// layout as the run renders it.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "tests/support/derived_names.hpp"
#include "tools/msc_builder.hpp"

using namespace tonvert;
using namespace tonvert::build;
using tonvert::test_support::expect_derived_names;
using tonvert::test_support::NamesCase;

namespace {

const std::string song_head_intro = "#title \"Intro\"\r\n#timebase 48\r\n";
const std::string fm_header = "\r\n;===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 ";
const std::string vct_r_message = "cannot open 'tune.vct' for <r>\n";

Bytes as_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// One song with one FM part holding a quarter note c4.
Bytes one_note_file(const std::string& title = "Intro") {
  MusicFileBuilder file;
  file.song(title).part().note("c4", L4);
  return file.bytes();
}

// The MML text of one_note_file().
std::string one_note_mml(const std::string& title = "Intro") {
  return "#title \"" + title + "\"\r\n#timebase 48\r\n" + fm_header + "\r\nA t120o4c4\r\n";
}

MemoryEnvironment world(const Bytes& music, const Bytes& bank = VoiceBankBuilder().bytes()) {
  MemoryEnvironment env;
  env.files["tune.msc"] = music;
  env.files["tune.vce"] = bank;
  return env;
}

// The paths of every file in the environment under a directory prefix.
std::vector<std::string> files_under(const MemoryEnvironment& env, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& [path, bytes] : env.files) {
    if (path.rfind(prefix, 0) == 0) found.push_back(path);
  }
  return found;
}

// A file whose every write fails, as on a full disk.
class FailingOutputFile final : public OutputFile {
 public:
  bool write(std::string_view) override { return false; }
  bool commit() override { return false; }
};

// Passes every call to a memory environment and logs it; one path can be
// made to fail after its open.
class LoggingEnvironment final : public Environment {
 public:
  MemoryEnvironment inner;
  std::vector<std::string> log;
  std::string failing_write;

  const Platform& platform() const override { return inner.platform(); }
  ReadResult read_file(const std::string& path) override {
    log.push_back("read " + path);
    return inner.read_file(path);
  }
  void make_directory(const std::string& path) override {
    log.push_back("mkdir " + path);
    inner.make_directory(path);
  }
  std::unique_ptr<OutputFile> open_output(const std::string& path) override {
    log.push_back("write " + path);
    if (path == failing_write) return std::make_unique<FailingOutputFile>();
    return inner.open_output(path);
  }
  void print(std::string_view text) override { inner.print(text); }
  bool flush_console() override { return inner.flush_console(); }
  void report_console_failure() override { inner.report_console_failure(); }
};

}  // namespace

// --- File names -----------------------------------------------------------

class DerivedNames : public testing::TestWithParam<NamesCase> {};

TEST_P(DerivedNames, EveryFileOfTheRunFollowsArgumentOne) {
  expect_derived_names(GetParam(), posix_platform);
}

INSTANTIATE_TEST_SUITE_P(
    ConversionRun, DerivedNames,
    testing::Values(
        NamesCase{{"tune"}, "tune.msc", "tune.vce", "tune.vct", "tune/01 Intro.mml", {}},
        NamesCase{{"tune.msc"}, "tune.msc", "tune.vce", "tune.vct", "tune/01 Intro.mml", {}},
        NamesCase{{"songs/tune.dat"}, "songs/tune.dat", "songs/tune.vce", "songs/tune.vct",
                  "songs/tune/01 Intro.mml", {"songs"}},
        NamesCase{{"tune.old.msc"}, "tune.old.msc", "tune.old.vce", "tune.old.vct",
                  "tune.old/01 Intro.mml", {}},
        // A '.' in a directory name is no extension.
        NamesCase{{"a.b/tune"}, "a.b/tune.msc", "a.b/tune.vce", "a.b/tune.vct",
                  "a.b/tune/01 Intro.mml", {"a.b"}},
        NamesCase{{"./tune"}, "./tune.msc", "./tune.vce", "./tune.vct", "./tune/01 Intro.mml", {}},
        NamesCase{{"../x/tune"}, "../x/tune.msc", "../x/tune.vce", "../x/tune.vct",
                  "../x/tune/01 Intro.mml", {"../x"}},
        // Argument 2 names the output directory only.
        NamesCase{{"tune", "out"}, "tune.msc", "tune.vce", "tune.vct", "out/01 Intro.mml", {}},
        NamesCase{{"tune", "out/"}, "tune.msc", "tune.vce", "tune.vct", "out//01 Intro.mml",
                  {"out"}},
        NamesCase{{"tune.msc", "out", "ignored"}, "tune.msc", "tune.vce", "tune.vct",
                  "out/01 Intro.mml", {}},
        // An empty output directory is the current one.
        NamesCase{{"tune", ""}, "tune.msc", "tune.vce", "tune.vct", "01 Intro.mml", {}},
        NamesCase{{".msc"}, ".msc", ".vce", ".vct", "01 Intro.mml", {}},
        NamesCase{{""}, ".msc", ".vce", ".vct", "01 Intro.mml", {}},
        NamesCase{{"tune."}, "tune.", "tune.vce", "tune.vct", "tune/01 Intro.mml", {}},
        NamesCase{{"songs/"}, "songs/.msc", "songs/.vce", "songs/.vct", "songs//01 Intro.mml",
                  {"songs"}}));

TEST(ConversionRun, OutputDirectoryIsMadeOnceAfterTheInputsAreRead) {
  LoggingEnvironment env;
  env.inner.files["tune.msc"] = one_note_file();
  env.inner.files["tune.vce"] = VoiceBankBuilder().bytes();
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.log, (std::vector<std::string>{"read tune.msc", "read tune.vce", "read tune.vct",
                                               "mkdir tune", "write tune/01 Intro.mml",
                                               "write tune.vct"}));
}

// --- Messages and statuses ------------------------------------------------------

TEST(ConversionRun, NoArgumentPrintsTheBannerAndTouchesNothing) {
  LoggingEnvironment env;
  env.inner.files["tune.msc"] = one_note_file();
  EXPECT_EQ(run_conversion({}, env), 1);
  EXPECT_EQ(env.inner.console,
            "tonvert: converts an OSTREL music file into MML files, one per song\n"
            "usage: tonvert <OSTREL music file(AAA.msc)> [MML files path]\n");
  EXPECT_TRUE(env.log.empty());
  EXPECT_EQ(env.inner.files.size(), 1u);
}

TEST(ConversionRun, MissingMusicFileStopsWithStatusOne) {
  MemoryEnvironment env;
  env.files["tune.vce"] = VoiceBankBuilder().bytes();
  EXPECT_EQ(run_conversion({"songs/tune.msc"}, env), 1);
  EXPECT_EQ(env.console, "cannot open 'songs/tune.msc' for <rb>\n");
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.console, "cannot open 'songs/tune.msc' for <rb>\ncannot open 'tune.msc' for <rb>\n");
  EXPECT_TRUE(env.directories.empty());
  EXPECT_EQ(env.files.size(), 1u);
}

TEST(ConversionRun, MissingVoiceBankStopsWithStatusOne) {
  LoggingEnvironment env;
  env.inner.files["tune.msc"] = one_note_file();
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.inner.console, "cannot open 'tune.vce' for <rb>\n");
  EXPECT_EQ(env.log, (std::vector<std::string>{"read tune.msc", "read tune.vce"}));
  EXPECT_EQ(env.inner.files.size(), 1u);
}

TEST(ConversionRun, MmlFileThatCannotBeOpenedStopsTheRun) {
  // The output directory's parent does not exist, so it is not made. The
  // song's own warning is not printed: its file was never written.
  MusicFileBuilder file;
  file.song("Intro").part().key(0x07).note("f-4", L4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune", "no/such"}, env), 1);
  EXPECT_EQ(env.console, vct_r_message + "cannot open 'no/such/01 Intro.mml' for <w>\n");
  EXPECT_FALSE(env.text_of("tune.vct"));
  EXPECT_EQ(env.files.size(), 2u);
}

TEST(ConversionRun, VoiceTableFileThatCannotBeOpenedForWritingEndsNormally) {
  // "songs" holds the inputs but is not a directory that can be written to.
  MemoryEnvironment env;
  MusicFileBuilder file;
  file.song_count(0);
  env.files["songs/tune.msc"] = file.bytes();
  env.files["songs/tune.vce"] = VoiceBankBuilder().bytes();
  EXPECT_EQ(run_conversion({"songs/tune"}, env), 0);
  EXPECT_EQ(env.console,
            "cannot open 'songs/tune.vct' for <r>\ncannot open 'songs/tune.vct' for <w>\n");
}

TEST(ConversionRun, FailedMmlWriteAfterItsOpenStopsWithStatusOne) {
  LoggingEnvironment env;
  MusicFileBuilder file;
  file.song("A").part().key(0x07).note("f-4", L4);
  file.song("B").part().note("d4", L4);
  env.inner.files["tune.msc"] = file.bytes();
  env.inner.files["tune.vce"] = VoiceBankBuilder().bytes();
  env.failing_write = "tune/01 A.mml";
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.inner.console, vct_r_message + "cannot write 'tune/01 A.mml'\n");
  EXPECT_EQ(env.log.back(), "write tune/01 A.mml");
}

TEST(ConversionRun, FailedVoiceTableWriteAfterItsOpenEndsNormally) {
  LoggingEnvironment env;
  env.inner.files["tune.msc"] = one_note_file();
  env.inner.files["tune.vce"] = VoiceBankBuilder().bytes();
  env.failing_write = "tune.vct";
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.inner.console, vct_r_message + "cannot write 'tune.vct'\n");
  EXPECT_EQ(*env.inner.text_of("tune/01 Intro.mml"), one_note_mml());
}

// --- The voice table file -----------------------------------------------------

TEST(ConversionRun, FirstRunWritesTheUsedVoicesAndSecondRunReadsThem) {
  MusicFileBuilder file;
  file.song("One").part().voice(1).note("c4", L4);
  file.song("Two").part().voice(4).voice(6).note("c4", L4);
  // Voice 6 is at the voice count: used, but it has no line.
  MemoryEnvironment env = world(
      file.bytes(),
      VoiceBankBuilder().voice("A").voice("B").voice("C").voice("D").voice("E").voice("F").bytes());

  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  const std::string written = "2\t@0\t/* B */\r\n5\t@0\t/* E */\r\n";
  EXPECT_EQ(env.text_of("tune.vct"), written);
  EXPECT_EQ(*env.text_of("tune/01 One.mml"),
            "#title \"One\"\r\n#timebase 48\r\n" + fm_header + "\r\nA @0/* B */ t120o4c4\r\n");
  EXPECT_EQ(*env.text_of("tune/02 Two.mml"),
            "#title \"Two\"\r\n#timebase 48\r\n" + fm_header +
                "\r\nA @0/* E */ @0/* #6 */ t120o4c4\r\n");

  // The second run reads the file it wrote, prints nothing and keeps it.
  env.console.clear();
  const auto first_one = env.text_of("tune/01 One.mml");
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, "");
  EXPECT_EQ(env.text_of("tune.vct"), written);
  EXPECT_EQ(env.text_of("tune/01 One.mml"), first_one);
}

TEST(ConversionRun, VoiceTableFileIsAppliedToEverySongAndNeverRewritten) {
  MusicFileBuilder file;
  file.song("One").part().voice(1).note("c4", L4);
  file.song("Two").part().note("c4", L4).voice(1).note("c4", L4);
  MemoryEnvironment env = world(file.bytes(), VoiceBankBuilder().voice("A").voice("B").bytes());
  const std::string vct = "2,@12 q6,O1,V-2\r\n";
  env.files["tune.vct"] = as_bytes(vct);

  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, "");
  EXPECT_EQ(env.text_of("tune.vct"), vct);
  EXPECT_EQ(*env.text_of("tune/01 One.mml"), "#title \"One\"\r\n#timebase 48\r\n" + fm_header +
                                                 "\r\nA @12 q6/* B */ v64 t120o5c4\r\n");
  EXPECT_EQ(*env.text_of("tune/02 Two.mml"), "#title \"Two\"\r\n#timebase 48\r\n" + fm_header +
                                                 "\r\nA t120o4c4@12 q6/* B */ v64 >c4\r\n");
}

TEST(ConversionRun, EmptyVoiceTableFileCountsAsRead) {
  MusicFileBuilder file;
  file.song("One").part().voice(0);
  MemoryEnvironment env = world(file.bytes(), VoiceBankBuilder().voice("Piano").bytes());
  env.files["tune.vct"] = {};
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, "");
  EXPECT_EQ(env.text_of("tune.vct"), "");
  EXPECT_EQ(*env.text_of("tune/01 One.mml"),
            "#title \"One\"\r\n#timebase 48\r\n" + fm_header + "\r\nA @0/* Piano */ \r\n");
}

TEST(ConversionRun, VoiceTableFileThatCannotBeReadStopsBeforeAnythingIsMade) {
  MemoryEnvironment env = world(one_note_file());
  env.files["tune.vct"] = as_bytes("1,@5\r\n");
  env.unreadable.insert("tune.vct");
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.console, "cannot read 'tune.vct'\n");
  EXPECT_TRUE(env.directories.empty());
  EXPECT_TRUE(env.written.empty());
  EXPECT_EQ(env.text_of("tune.vct"), "1,@5\r\n");
}

// --- Files whole or not at all --------------------------------------------------

TEST(ConversionRun, FailedWriteKeepsWhatTheFileHeld) {
  MusicFileBuilder file;
  file.song("Intro").part().voice(0).note("c4", L4);
  MemoryEnvironment env = world(file.bytes(), VoiceBankBuilder().voice("Piano").bytes());
  env.directories.insert("tune");
  env.files["tune/01 Intro.mml"] = as_bytes("old");
  env.file_size_limit = 20;
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.console, vct_r_message + "cannot write 'tune/01 Intro.mml'\n");
  EXPECT_EQ(env.text_of("tune/01 Intro.mml"), "old");
  EXPECT_FALSE(env.text_of("tune.vct"));
}

TEST(ConversionRun, FilesThatMayNotBeReplacedAreOpenFailures) {
  struct Case {
    const char* name;
    std::function<void(MemoryEnvironment&)> set_up;
    std::vector<std::string> arguments;
    std::string console;
    int status;
  };
  const std::vector<Case> cases = {
      {"read-only MML file", [](MemoryEnvironment& env) { env.read_only.insert("tune/01 Intro.mml"); },
       {"tune"}, vct_r_message + "cannot open 'tune/01 Intro.mml' for <w>\n", 1},
      {"directory in place of the MML file",
       [](MemoryEnvironment& env) { env.directories.insert("tune/01 Intro.mml"); }, {"tune"},
       vct_r_message + "cannot open 'tune/01 Intro.mml' for <w>\n", 1},
      {"read-only voice table file", [](MemoryEnvironment& env) { env.read_only.insert("tune.vct"); },
       {"tune"}, vct_r_message + "cannot open 'tune.vct' for <w>\n", 0},
      // The music file is named as the song's MML file in the current
      // directory, under either spelling of its path.
      {"MML file that is the music file",
       [](MemoryEnvironment& env) { env.files["tune/01 Intro.mml"] = env.files["tune.msc"]; },
       {"tune/01 Intro.mml", "tune"}, "cannot open 'tune/01 Intro.vct' for <r>\n"
       "cannot open 'tune/01 Intro.mml' for <w>\n", 1},
      {"MML file that is the music file, spelled otherwise",
       [](MemoryEnvironment& env) {
         env.files["01 Intro.mml"] = env.files["tune.msc"];
         env.files["01 Intro.vce"] = env.files["tune.vce"];
       },
       {"01 Intro.mml", "."}, "cannot open '01 Intro.vct' for <r>\n"
       "cannot open './01 Intro.mml' for <w>\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryEnvironment env = world(one_note_file());
    env.directories.insert("tune");
    env.files["tune/01 Intro.vce"] = env.files["tune.vce"];
    c.set_up(env);
    const auto before = env.files;
    EXPECT_EQ(run_conversion(c.arguments, env), c.status);
    EXPECT_EQ(env.console, c.console);
    for (const auto& [path, bytes] : before) EXPECT_EQ(env.files[path], bytes) << path;
  }
}

TEST(ConversionRun, ConsoleThatCannotBeWrittenFailsTheRunButNotTheFiles) {
  MemoryEnvironment env = world(one_note_file());
  env.console_fails = true;
  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_TRUE(env.console_failure_reported);
  EXPECT_EQ(env.written, (std::vector<std::string>{"tune/01 Intro.mml", "tune.vct"}));
  EXPECT_EQ(env.text_of("tune/01 Intro.mml"), one_note_mml());
}

namespace {

// Output files that count their bytes and keep none, and note the most heap
// in use while they are written.
class CountingEnvironment final : public Environment {
 public:
  MemoryEnvironment inner;
  std::size_t bytes_written = 0;
  std::size_t peak_heap = 0;

  const Platform& platform() const override { return inner.platform(); }
  ReadResult read_file(const std::string& path) override { return inner.read_file(path); }
  void make_directory(const std::string& path) override { inner.make_directory(path); }
  std::unique_ptr<OutputFile> open_output(const std::string&) override {
    return std::make_unique<CountingFile>(*this);
  }
  void print(std::string_view text) override { inner.print(text); }
  bool flush_console() override { return true; }
  void report_console_failure() override {}

  static std::size_t heap_in_use() {
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
  }

 private:
  class CountingFile final : public OutputFile {
   public:
    explicit CountingFile(CountingEnvironment& env) : env_(env) {}
    bool write(std::string_view bytes) override {
      env_.bytes_written += bytes.size();
      env_.peak_heap = std::max(env_.peak_heap, heap_in_use());
      return true;
    }
    bool commit() override { return true; }

   private:
    CountingEnvironment& env_;
  };
};

}  // namespace

TEST(ConversionRun, LongVoiceTextsUsedOftenTakeNoMoreMemory) {
  // 64 changes to a voice whose text is 1 MiB: 64 MiB of MML, which reaches
  // its file a buffer at a time.
  MusicFileBuilder file;
  PartBuilder& part = file.song("Long").part();
  for (int i = 0; i < 64; ++i) part.voice(0);
  CountingEnvironment env;
  env.inner.files["tune.msc"] = file.bytes();
  env.inner.files["tune.vce"] = VoiceBankBuilder().voice("Piano").bytes();
  env.inner.files["tune.vct"] = as_bytes("1," + std::string(1 << 20, 'x') + "\r\n");
  const std::size_t heap_before = CountingEnvironment::heap_in_use();
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_GT(env.bytes_written, 64u << 20);
  // The loaded voice table file and its voice text, a buffer and little else.
  EXPECT_LT(env.peak_heap, heap_before + (4u << 20));
}

// --- Header check and song count ------------------------------------------------

// A file that is no music file is a failure that creates nothing: no output
// directory, and no voice table file that later runs would trust.
TEST(ConversionRun, RefusedHeaderFailsAndCreatesNothing) {
  struct Case {
    Bytes music;
    std::string message;
  };
  MusicFileBuilder good;
  good.song("Intro").part().voice(0).note("c4", L4);
  std::vector<Case> cases;
  for (const std::string& magic : {std::string("MSCX"), std::string("MSD\0", 4),
                                  std::string("msc\0", 4)}) {
    MusicFileBuilder file;
    file.magic(magic);
    file.song("Intro").part().voice(0).note("c4", L4);
    cases.push_back({file.bytes(), "Illegual OSTREL music file header!\n"});
  }
  for (const std::string& bytes : {std::string(), std::string("MSC"), std::string("MS")}) {
    cases.push_back({as_bytes(bytes), "Illegual OSTREL music file header!\n"});
  }
  for (std::size_t size : {4u, 8u, 15u}) {
    Bytes bytes = good.bytes();
    bytes.resize(size);
    cases.push_back({bytes, "OSTREL music file too short for its header (" + std::to_string(size) +
                                " of 16 bytes)!\n"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message + std::to_string(c.music.size()));
    MemoryEnvironment env = world(c.music, VoiceBankBuilder().voice("Piano").bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 1);
    EXPECT_EQ(env.console, vct_r_message + c.message);
    EXPECT_TRUE(env.directories.empty());
    EXPECT_EQ(env.files.size(), 2u);
    EXPECT_FALSE(env.text_of("tune.vct"));
  }
}

TEST(ConversionRun, HeaderBytesBesideMagicAndCountAreNotRead) {
  Bytes bytes = one_note_file();
  for (std::size_t i : {4u, 5u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u}) bytes[i] = 0xA5;
  MemoryEnvironment env = world(bytes);
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  EXPECT_EQ(*env.text_of("tune/01 Intro.mml"), one_note_mml());
}

TEST(ConversionRun, SongCountOfZeroOrBelowWritesNoSong) {
  for (const std::int16_t count : {0, -1, -32768}) {
    MusicFileBuilder file;
    file.song("Intro").part().note("c4", L4);
    file.song_count(count);
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0) << count;
    EXPECT_EQ(env.console, vct_r_message);
    EXPECT_EQ(env.directories.count("tune"), 1u);
    EXPECT_TRUE(files_under(env, "tune/").empty());
    EXPECT_EQ(env.text_of("tune.vct"), "");
  }
}

// --- Song numbers and titles ----------------------------------------------------

TEST(ConversionRun, SongNumbersRunFrom01To99ThenOn) {
  MusicFileBuilder file;
  for (int i = 0; i < 100; ++i) file.song("Same");
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  EXPECT_EQ(files_under(env, "tune/").size(), 100u);
  for (const char* name : {"tune/01 Same.mml", "tune/02 Same.mml", "tune/09 Same.mml",
                           "tune/10 Same.mml", "tune/99 Same.mml", "tune/100 Same.mml"}) {
    EXPECT_EQ(env.text_of(name), "#title \"Same\"\r\n#timebase 48\r\n") << name;
  }
}

TEST(ConversionRun, TitlesNameTheFilesByteForByte) {
  MusicFileBuilder file;
  file.song("");
  file.song("abcdefghijklmnopqrstuvw");  // 23 characters and the zero byte
  file.song("").raw_title("ABCDEFGHIJKLMNOPQRSTUVWX");  // 24 bytes, no zero byte
  file.song("A/B");
  file.song("\xE9t\xE9 \xFF");
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  EXPECT_EQ(env.text_of("tune/01 .mml"), "#title \"\"\r\n#timebase 48\r\n");
  EXPECT_EQ(env.text_of("tune/02 abcdefghijklmnopqrstuvw.mml"),
            "#title \"abcdefghijklmnopqrstuvw\"\r\n#timebase 48\r\n");
  EXPECT_EQ(env.text_of("tune/03 ABCDEFGHIJKLMNOPQRSTUVWX.mml"),
            "#title \"ABCDEFGHIJKLMNOPQRSTUVWX\"\r\n#timebase 48\r\n");
  // A '/' stays in the title but not in the file name.
  EXPECT_EQ(env.text_of("tune/04 A_B.mml"), "#title \"A/B\"\r\n#timebase 48\r\n");
  EXPECT_EQ(env.text_of("tune/05 \xE9t\xE9 \xFF.mml"), "#title \"\xE9t\xE9 \xFF\"\r\n#timebase 48\r\n");
  EXPECT_EQ(files_under(env, "tune/").size(), 5u);
}

TEST(ConversionRun, TitleWithoutZeroByteStopsAtTheTitleField) {
  // The part count follows the title field, so the bytes after it are no title.
  MusicFileBuilder file;
  file.song("").raw_title("ABCDEFGHIJKLMNOPQRSTUVWX").part().note("c4", L4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  EXPECT_EQ(env.text_of("tune/01 ABCDEFGHIJKLMNOPQRSTUVWX.mml"),
            one_note_mml("ABCDEFGHIJKLMNOPQRSTUVWX"));
}

TEST(ConversionRun, SongTempoStartsAgainWithEverySong) {
  MusicFileBuilder file;
  file.song("A").part().tempo(90).note("c4", L4);
  file.song("B").part().note("c4", L4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.text_of("tune/01 A.mml"),
            "#title \"A\"\r\n#timebase 48\r\n" + fm_header + "\r\nA t90 o4c4\r\n");
  EXPECT_EQ(env.text_of("tune/02 B.mml"), one_note_mml("B"));
}

TEST(ConversionRun, ExistingMmlFilesAreOverwrittenAndOthersKept) {
  MemoryEnvironment env = world(one_note_file());
  env.directories.insert("tune");
  env.files["tune/01 Intro.mml"] = as_bytes("old text that is longer than the new one ...............");
  env.files["tune/notes.txt"] = as_bytes("keep");
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.text_of("tune/01 Intro.mml"), one_note_mml());
  EXPECT_EQ(env.text_of("tune/notes.txt"), "keep");
}

// --- Broken files -----------------------------------------------------------------

TEST(ConversionRun, SongHeadOutsideTheFileEndsTheSongs) {
  MusicFileBuilder file;
  file.song("A").part().note("c4", L4);
  file.song("B").part().note("c4", L4);
  file.song_count(4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** missing song record in song#3\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
  EXPECT_EQ(env.text_of("tune/02 B.mml"), one_note_mml("B"));
  EXPECT_EQ(files_under(env, "tune/").size(), 2u);
  EXPECT_EQ(env.text_of("tune.vct"), "");
}

TEST(ConversionRun, SongHeadCutByTheFileIsMissing) {
  // 31 of the 32 head bytes are there.
  Bytes bytes = one_note_file();
  bytes.resize(16 + 31);
  MemoryEnvironment env = world(bytes);
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** missing song record in song#1\n");
  EXPECT_TRUE(files_under(env, "tune/").empty());
  EXPECT_EQ(env.text_of("tune.vct"), "");
}

TEST(ConversionRun, SongRecordSizeBelowItsHeadEndsTheSongs) {
  for (const std::int16_t size : {31, 0, -1, -32768}) {
    MusicFileBuilder file;
    file.song("A").part().note("c4", L4);
    file.song("B").record_size(size).part().note("c4", L4);
    file.song("C");
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0) << size;
    EXPECT_EQ(env.console, vct_r_message + "*** bad song record size in song#2\n") << size;
    EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
    EXPECT_EQ(files_under(env, "tune/").size(), 1u) << size;
    EXPECT_EQ(env.text_of("tune.vct"), "");
  }
}

TEST(ConversionRun, SongRecordOfExactlyItsHeadIsASongWithoutParts) {
  MusicFileBuilder file;
  file.song("A").record_size(32);
  file.song("B");
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  EXPECT_EQ(env.text_of("tune/01 A.mml"), "#title \"A\"\r\n#timebase 48\r\n");
  EXPECT_EQ(env.text_of("tune/02 B.mml"), "#title \"B\"\r\n#timebase 48\r\n");
}

TEST(ConversionRun, SongRecordPastTheFileEndIsRenderedWithWhatIsThere) {
  MusicFileBuilder file;
  file.song("A").record_size(200).part().note("c4", L4);
  file.song_count(2);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** song record cut at the end of the file in song#1\n" +
                             "*** missing song record in song#2\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
}

TEST(ConversionRun, SongWarningComesBeforeThePartWarningsOfItsSong) {
  MusicFileBuilder file;
  auto& song = file.song("A");
  song.record_size(100).part_count(2).part().note("c4", L4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** song record cut at the end of the file in song#1\n" +
                             "*** missing part record in [A] part#2\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
}

TEST(ConversionRun, PartHeadOutsideItsSongRecordEndsTheParts) {
  MusicFileBuilder file;
  file.song("A").part_count(3).part().note("c4", L4);
  // The song record ends at its head, though a part follows in the file.
  file.song("B").record_size(32).part().note("c4", L4);
  file.song_count(2);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** missing part record in [A] part#2\n" +
                             "*** missing part record in [B] part#1\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
  EXPECT_EQ(env.text_of("tune/02 B.mml"), "#title \"B\"\r\n#timebase 48\r\n");
}

TEST(ConversionRun, PartRecordSizeBelowItsHeadEndsTheParts) {
  for (const std::int16_t size : {3, 0, -4}) {
    MusicFileBuilder file;
    auto& song = file.song("A");
    song.part().note("c4", L4);
    song.part().record_size(size).note("d4", L4);
    song.part().note("e4", L4);
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0) << size;
    EXPECT_EQ(env.console, vct_r_message + "*** bad part record size in [A] part#2\n") << size;
    EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A")) << size;
  }
}

TEST(ConversionRun, PartPastItsSongRecordIsRenderedCut) {
  // The part claims 40 bytes; its song record ends after the two notes.
  MusicFileBuilder file;
  file.song("A").part().record_size(40).note("c4", L4).note("d4", L4);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** part record cut at the end of its song in [A] part#1\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"),
            "#title \"A\"\r\n#timebase 48\r\n" + fm_header + "\r\nA t120o4c4d4\r\n");
}

TEST(ConversionRun, SongRecordSizeCutsItsPartEvenInsideTheFile) {
  // The song record ends after the first note, though the part goes on.
  MusicFileBuilder file;
  file.song("A").record_size(32 + 6).part().note("c4", L4).note("d4", L4);
  file.song_count(1);
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** part record cut at the end of its song in [A] part#1\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), one_note_mml("A"));
}

TEST(ConversionRun, CutEventIsNotRenderedAndItsPartEnds) {
  struct Case {
    std::uint8_t flags;
    std::vector<std::uint8_t> tail;
    std::string line;
  };
  // A whole note ends a bar, so a rendered prologue would write " | ".
  const std::vector<Case> cases = {
      {PartFlags::fm, {0x83}, "\r\nA t120o4c1"},
      {PartFlags::fm, {0x05}, "\r\nA t120o4c1"},
      {PartFlags::chord, {0x83, 0x20, 0x22}, "\r\nA t120o4c1"},
      {PartFlags::chord, {0x83}, "\r\nA t120o4c1"},
  };
  for (const Case& c : cases) {
    MusicFileBuilder file;
    auto& song = file.song("A");
    auto& part = song.part(c.flags).note("c4", L1);
    for (std::uint8_t b : c.tail) part.raw({b});
    song.part().note("c4", L4);
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0);
    EXPECT_EQ(env.console, vct_r_message + "*** cut event at the end of the part in [A] part#1\n");
    const std::string header = c.flags == PartFlags::fm ? fm_header
                                                        : "\r\n;===== FM part1 (chord:2) =====\r\nA C1 v88 l16 Q8 ";
    EXPECT_EQ(env.text_of("tune/01 A.mml"),
              "#title \"A\"\r\n#timebase 48\r\n" + header + c.line + "\r\n" +
                  "\r\n;===== FM part2 (chord:1) =====\r\nB C2 v88 l16 Q8 \r\nB o4c4\r\n");
  }
}

TEST(ConversionRun, CutFirstEventLeavesThePartWithoutALine) {
  MusicFileBuilder file;
  file.song("A").part().raw({0x0A});
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message + "*** cut event at the end of the part in [A] part#1\n");
  EXPECT_EQ(env.text_of("tune/01 A.mml"), "#title \"A\"\r\n#timebase 48\r\n" + fm_header + "\r\n");
}

// --- Part flags, part counts and the event stream's layout ------------------------

TEST(ConversionRun, PartFlagsChooseTypeChordAndPsgSetting) {
  struct Case {
    std::uint8_t flags;
    std::string header;
  };
  const std::vector<Case> cases = {
      {0x00, ";===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 "},
      {0x01, ";===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 "},
      {0x02, ";===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 "},
      {0x03, ";===== NOISE part1 (chord:1) =====\r\nA C1 v88 l16 Q8 "},
      {0x83, ";===== NOISE part1 (chord:1) =====\r\nA C1 v88 l16 Q8 @80 "},
      {0x80, ";===== PSG part1 (chord:1) =====\r\nA C1 v88 l16 Q8 @80 "},
      {0x82, ";===== PSG part1 (chord:1) =====\r\nA C1 v88 l16 Q8 @80 "},
      {0x04, ";===== FM part1 (chord:2) =====\r\nA C1 v88 l16 Q8 "},
      {0x08, ";===== FM part1 (chord:3) =====\r\nA C1 v88 l16 Q8 "},
      {0x0C, ";===== FM part1 (chord:4) =====\r\nA C1 v88 l16 Q8 "},
      {0x8F, ";===== NOISE part1 (chord:4) =====\r\nA C1 v88 l16 Q8 @80 "},
      {0x70, ";===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 "},
  };
  for (const Case& c : cases) {
    MusicFileBuilder file;
    file.song("A").part(c.flags);
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0);
    EXPECT_EQ(env.text_of("tune/01 A.mml"), "#title \"A\"\r\n#timebase 48\r\n\r\n" + c.header + "\r\n")
        << int(c.flags);
  }
}

TEST(ConversionRun, PartCountOfZeroOrBelowWritesTheSongHeadOnly) {
  for (const std::int16_t count : {0, -1}) {
    MusicFileBuilder file;
    file.song("A").part_count(count).part().note("c4", L4);
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0);
    EXPECT_EQ(env.console, vct_r_message);
    EXPECT_EQ(env.text_of("tune/01 A.mml"), "#title \"A\"\r\n#timebase 48\r\n");
  }
}

TEST(ConversionRun, PartLettersCountOnFromAModulo256) {
  MusicFileBuilder file;
  auto& song = file.song("A");
  for (int i = 0; i < 258; ++i) song.part();
  MemoryEnvironment env = world(file.bytes());
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, vct_r_message);
  const std::string text = *env.text_of("tune/01 A.mml");
  auto header = [](char letter, int number) {
    return ";===== FM part" + std::to_string(number) + " (chord:1) =====\r\n" +
           std::string(1, letter) + " C" + std::to_string(number) + " v88 l16 Q8 \r\n";
  };
  EXPECT_NE(text.find(header('B', 2)), std::string::npos);
  EXPECT_NE(text.find(header('[', 27)), std::string::npos);
  EXPECT_NE(text.find(header('\xFF', 191)), std::string::npos);
  EXPECT_NE(text.find(header('\0', 192)), std::string::npos);
  EXPECT_NE(text.find(header('@', 256)), std::string::npos);
  EXPECT_NE(text.find(header('A', 257)), std::string::npos);
  EXPECT_NE(text.find(header('B', 258)), std::string::npos);
}

TEST(ConversionRun, EventStreamLayout) {
  struct Case {
    std::string name;
    std::uint8_t flags;
    Bytes events;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"record size 4", PartFlags::fm, {}, ""},
      {"end in the middle", PartFlags::fm, {0x83, 0x20, 0x00, 0x00, 0x83, 0x22}, "\r\nA t120o4c4"},
      {"end only", PartFlags::fm, {0x00, 0x00}, "\r\nA "},
      {"events after the end", PartFlags::fm, {0x00, 0x00, 0x05, 0x50}, "\r\nA "},
      {"whole-bar note 0x80", PartFlags::fm, {0x80, 0x20}, "\r\nA t120o4c%192"},
      {"kind 0x10 is a note", PartFlags::fm, {0x10, 0x20}, "\r\nA t120o4c%192"},
      {"kinds 1 and 13", PartFlags::fm, {0x01, 0x33, 0x0D, 0x44, 0x83, 0x20}, "\r\nA t120o4c4"},
      {"chord part: rest takes 4 bytes, control 2",
       PartFlags::chord,
       {0x83, 0x20, 0x22, 0x24, 0x83, 0xFF, 0x22, 0x24, 0x05, 0x64, 0x83, 0x21, 0xFF, 0xFF},
       "\r\nA t120o4c0e0g4r4t100 d4"},
      {"chord part: empty second slot", PartFlags::chord, {0x83, 0x20, 0xFF, 0x24}, "\r\nA t120o4c4"},
      {"chord value 3 reads 4-byte notes", 0x0C, {0x83, 0x20, 0x22, 0xFF, 0x84, 0x21, 0xFF, 0xFF},
       "\r\nA t120o4c0e4d8"},
  };
  for (const Case& c : cases) {
    MusicFileBuilder file;
    auto& part = file.song("A").part(c.flags);
    for (std::uint8_t b : c.events) part.raw({b});
    MemoryEnvironment env = world(file.bytes());
    EXPECT_EQ(run_conversion({"tune"}, env), 0) << c.name;
    EXPECT_EQ(env.console, vct_r_message) << c.name;
    const int chord = ((c.flags >> 2) & 3) + 1;
    EXPECT_EQ(env.text_of("tune/01 A.mml"),
              "#title \"A\"\r\n#timebase 48\r\n\r\n;===== FM part1 (chord:" + std::to_string(chord) +
                  ") =====\r\nA C1 v88 l16 Q8 " + c.line + "\r\n")
        << c.name;
  }
}

TEST(ConversionRun, KeyParameterBitsFourToSixAreNotRead) {
  auto render = [](std::uint8_t key) {
    MusicFileBuilder file;
    file.song("A").part().key(key).note("f4", L4).note("c4", L4);
    MemoryEnvironment env = world(file.bytes());
    run_conversion({"tune"}, env);
    return *env.text_of("tune/01 A.mml");
  };
  EXPECT_EQ(render(0x17), render(0x07));
  EXPECT_EQ(render(0x77), render(0x07));
  EXPECT_NE(render(0x07), render(0x00));
}
