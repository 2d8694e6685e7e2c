// The Windows rules of a run, on any system: '\' joins the output directory
// and the MML file name, '\' and '/' both end a directory name, a title keeps
// the double-byte characters of the code page (932 here) whole, and the
// console is a text stream, so "\n" comes out as CR LF and the two messages
// that end in CR LF come out with CR CR LF.
#include <gtest/gtest.h>

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

const Platform windows = windows_platform(&code_page_932_lead_byte);

MemoryEnvironment windows_environment() { return MemoryEnvironment(windows); }

Bytes one_note_file(const std::string& title = "Intro") {
  MusicFileBuilder file;
  file.song(title).part().note("c4", L4);
  return file.bytes();
}

const std::string one_note_mml =
    "#title \"Intro\"\r\n#timebase 48\r\n\r\n;===== FM part1 (chord:1) =====\r\n"
    "A C1 v88 l16 Q8 \r\nA t120o4c4\r\n";

class WindowsNames : public testing::TestWithParam<NamesCase> {};

TEST_P(WindowsNames, EveryFileOfTheRunFollowsArgumentOne) {
  expect_derived_names(GetParam(), windows);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowsNames,
    testing::Values(
        NamesCase{{"tune"}, "tune.msc", "tune.vce", "tune.vct", "tune\\01 Intro.mml", {}},
        NamesCase{{"songs\\tune.dat"}, "songs\\tune.dat", "songs\\tune.vce",
                         "songs\\tune.vct", "songs\\tune\\01 Intro.mml", {"songs"}},
        // A '.' in a directory name is no extension, whichever separator ends it.
        NamesCase{{"a.b\\tune"}, "a.b\\tune.msc", "a.b\\tune.vce", "a.b\\tune.vct",
                         "a.b\\tune\\01 Intro.mml", {"a.b"}},
        NamesCase{{"a.b/tune"}, "a.b/tune.msc", "a.b/tune.vce", "a.b/tune.vct",
                         "a.b/tune\\01 Intro.mml", {"a.b"}},
        NamesCase{{"a.b/c\\tune"}, "a.b/c\\tune.msc", "a.b/c\\tune.vce",
                         "a.b/c\\tune.vct", "a.b/c\\tune\\01 Intro.mml", {"a.b", "a.b/c"}},
        NamesCase{{"x.y\\tune.old.msc"}, "x.y\\tune.old.msc", "x.y\\tune.old.vce",
                         "x.y\\tune.old.vct", "x.y\\tune.old\\01 Intro.mml", {"x.y"}},
        // Argument 2 names the output directory only; a trailing separator
        // still gets one more.
        NamesCase{{"tune", "out"}, "tune.msc", "tune.vce", "tune.vct", "out\\01 Intro.mml",
                         {}},
        NamesCase{{"tune", "out\\"}, "tune.msc", "tune.vce", "tune.vct",
                         "out\\\\01 Intro.mml", {}},
        NamesCase{{"tune", "out/"}, "tune.msc", "tune.vce", "tune.vct",
                         "out/\\01 Intro.mml", {}},
        // An empty output directory is the current one: no separator at all.
        NamesCase{{"tune", ""}, "tune.msc", "tune.vce", "tune.vct", "01 Intro.mml", {}},
        NamesCase{{"songs\\"}, "songs\\.msc", "songs\\.vce", "songs\\.vct",
                         "songs\\\\01 Intro.mml", {"songs"}}));

TEST(WindowsRun, SeparatorsInTitlesBecomeUnderscoresInFileNamesOnly) {
  MusicFileBuilder file;
  file.song("A\\B").part().note("c4", L4);
  file.song("C/D").part().note("c4", L4);
  file.song("\\/").part().note("c4", L4);
  MemoryEnvironment env = windows_environment();
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();

  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  ASSERT_TRUE(env.text_of("tune\\01 A_B.mml"));
  ASSERT_TRUE(env.text_of("tune\\02 C_D.mml"));
  ASSERT_TRUE(env.text_of("tune\\03 __.mml"));
  EXPECT_EQ(env.text_of("tune\\01 A_B.mml")->substr(0, 14), "#title \"A\\B\"\r\n");
  EXPECT_EQ(env.text_of("tune\\02 C_D.mml")->substr(0, 14), "#title \"C/D\"\r\n");
}

struct DoubleByteTitleCase {
  std::string title;
  std::string file_name;
};

void PrintTo(const DoubleByteTitleCase& c, std::ostream* os) {
  *os << "title";
  for (const char byte : c.title) *os << ' ' << std::hex << (static_cast<unsigned char>(byte) & 0xFF);
}

class DoubleByteTitles : public testing::TestWithParam<DoubleByteTitleCase> {};

// A lead byte takes the byte after it into one character, even a '\' (0x5C
// is a valid second byte in code page 932); the byte after that pair is a
// character of its own again.
TEST_P(DoubleByteTitles, KeepTheirCharactersWhole) {
  const DoubleByteTitleCase& c = GetParam();
  MemoryEnvironment env = windows_environment();
  env.files["tune.msc"] = one_note_file(c.title);
  env.files["tune.vce"] = VoiceBankBuilder().bytes();

  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_TRUE(env.text_of("tune\\" + c.file_name)) << c.file_name;
  EXPECT_EQ(env.files.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, DoubleByteTitles,
    testing::Values(DoubleByteTitleCase{"\x95\x5C", "01 \x95\x5C.mml"},
                    DoubleByteTitleCase{"\x95\x5C\x5C", "01 \x95\x5C_.mml"},
                    DoubleByteTitleCase{"\x81\x81\x5C", "01 \x81\x81_.mml"},
                    DoubleByteTitleCase{"\x81\x5C\x81\x5C/", "01 \x81\x5C\x81\x5C_.mml"},
                    DoubleByteTitleCase{"\xE0\x5C\xFC\x5C", "01 \xE0\x5C\xFC\x5C.mml"},
                    // Bytes 0xA0 to 0xDF are single-byte characters.
                    DoubleByteTitleCase{"\xA0\x5C\xDF/", "01 \xA0_\xDF_.mml"},
                    // A lead byte at the end of the title stands alone.
                    DoubleByteTitleCase{"A\\\x95", "01 A_\x95.mml"}));

TEST(WindowsRun, BannerLinesEndInCrCrLf) {
  MemoryEnvironment env = windows_environment();
  EXPECT_EQ(run_conversion({}, env), 1);
  EXPECT_EQ(env.console,
            "tonvert: converts an OSTREL music file into MML files, one per song\r\r\n"
            "usage: tonvert <OSTREL music file(AAA.msc)> [MML files path]\r\r\n");
  EXPECT_TRUE(env.files.empty());
  EXPECT_TRUE(env.directories.empty());
}

TEST(WindowsRun, HeaderMessageEndsInCrCrLf) {
  MusicFileBuilder file;
  file.magic(std::string("MSC!", 4));
  file.song("Intro").part().note("c4", L4);
  MemoryEnvironment env = windows_environment();
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();

  EXPECT_EQ(run_conversion({"tune"}, env), 1);
  EXPECT_EQ(env.console,
            "cannot open 'tune.vct' for <r>\r\nIllegual OSTREL music file header!\r\r\n");
  EXPECT_FALSE(env.text_of("tune.vct"));
  EXPECT_TRUE(env.directories.empty());
}

TEST(WindowsRun, WarningsEndInCrLf) {
  MusicFileBuilder file;
  file.song("Intro").part().key(0x07).note("f-4", L4);
  file.song_count(2);
  MemoryEnvironment env = windows_environment();
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();
  env.files["tune.vct"] = {};

  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console,
            "*** fix natural in [Intro] part#1\r\n"
            "*** missing song record in song#2\r\n");
}

TEST(WindowsRun, MissingInputFilesStopWithTheirBackslashPaths) {
  MemoryEnvironment env = windows_environment();
  EXPECT_EQ(run_conversion({"dir\\tune"}, env), 1);
  EXPECT_EQ(env.console, "cannot open 'dir\\tune.msc' for <rb>\r\n");

  env.console.clear();
  env.files["dir\\tune.msc"] = one_note_file();
  EXPECT_EQ(run_conversion({"dir\\tune"}, env), 1);
  EXPECT_EQ(env.console, "cannot open 'dir\\tune.vce' for <rb>\r\n");
  EXPECT_EQ(env.files.size(), 1u);
  EXPECT_TRUE(env.directories.empty());
}

TEST(WindowsRun, MmlFileThatCannotBeOpenedNamesItsBackslashPath) {
  MemoryEnvironment env = windows_environment();
  env.files["tune.msc"] = one_note_file();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();

  EXPECT_EQ(run_conversion({"tune", "no\\such\\"}, env), 1);
  EXPECT_EQ(env.console,
            "cannot open 'tune.vct' for <r>\r\n"
            "cannot open 'no\\such\\\\01 Intro.mml' for <w>\r\n");
  EXPECT_EQ(env.files.size(), 2u);
}

}  // namespace
