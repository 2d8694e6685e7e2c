// tonvert-dump's voice table listing: every line as the converter reads it,
// the skipped ones with their reasons, hints at lines written with spaces,
// and notes where a line overrides another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/dump/voice_table_listing.hpp"
#include "tests/support/run_program.hpp"

using namespace tonvert;

TEST(VoiceTableListing, EveryLineAsTheConverterReadsIt) {
  const std::string file = std::string(
      "2\t@0\t/* Wooden Flute */\r\n"
      "2    @12 q6    O-1  V+1\n"
      "1 @5 O-1 V+2\n"
      "1\t@5 q6 O-1\n"
      "\n"
      "7x,@1,x9\n"
      "129,@3\n"
      "5\n"
      "1 @5,O-1\n"
      "2,@7,V-1,O2,o-1\n"
      "3,O-1\n"
      "4,@4,V1\0,O5\n"
      ",,\t\r\n"
      "1,\"q\"\\,V+", 150);
  EXPECT_EQ(voice_table_listing(file), R"LIST(voice table file: 14 lines, 6 skipped, 5 voices set
line 1: voice 2, text "@0", octave 0, volume 0, ignored "/* Wooden Flute */"
line 2: skipped, fewer than two fields: "2    @12 q6    O-1  V+1"
  hint: spaces belong to the text; fields are separated by commas or TABs: 2,@12 q6,O-1,V+1
line 3: skipped, fewer than two fields: "1 @5 O-1 V+2"
  hint: spaces belong to the text; fields are separated by commas or TABs: 1,@5,O-1,V+2
line 4: voice 1, text "@5 q6 O-1", octave 0, volume 0
  hint: the text ends in "O-1", which looks like an option; options need a comma or a TAB before them: 1,@5 q6,O-1
line 5: skipped, empty
line 6: voice 7, text "@1", octave 0, volume 0, ignored "x9"
  hint: only the number is read from field 1 "7x"
line 7: skipped, no number from 1 to 128 in field 1: "129,@3"
line 8: skipped, fewer than two fields: "5"
line 9: voice 1, text "O-1", octave 0, volume 0
  hint: only the number is read from field 1 "1 @5"; fields are separated by commas or TABs, not spaces
  hint: the text "O-1" looks like an option; the voice text comes first, in field 2
  note: overrides line 4 for voice 1 (the text, and the offsets this line names)
line 10: voice 2, text "@7", octave -1, volume -1
  note: overrides line 1 for voice 2 (the text, and the offsets this line names)
line 11: voice 3, text "O-1", octave 0, volume 0
  hint: the text "O-1" looks like an option; the voice text comes first, in field 2
line 12: voice 4, text "@4", octave 0, volume +1
  note: the line ends at a zero byte; what follows it is not read
line 13: skipped, no fields: ",,\t"
line 14: voice 1, text "\"q\"\\", octave 0, volume +1
  note: overrides line 9 for voice 1 (the text, and the offsets this line names)
)LIST");
}

// Offsets that a later line does not name stay with the line that set them.
TEST(VoiceTableListing, KeptOffsetsNameTheirLine) {
  EXPECT_EQ(voice_table_listing("5,@3,V+2,O-1\n5,@7,O1\n"),
            "voice table file: 2 lines, 0 skipped, 1 voice set\n"
            "line 1: voice 5, text \"@3\", octave -1, volume +2\n"
            "line 2: voice 5, text \"@7\", octave +1, volume +2 (from line 1)\n"
            "  note: overrides line 1 for voice 5 (the text, and the offsets this line names)\n");
  EXPECT_EQ(voice_table_listing(""), "voice table file: 0 lines, 0 skipped, 0 voices set\n");
}

// The program lists a file whose name ends in ".vct", in any case, as a
// voice table file; one it cannot open is an error on standard error.
TEST(VoiceTableListing, ProgramTakesTheVoiceTableFileByItsExtension) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tonvert-vct-listing-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string text = "1,@5 O-1\n";
  std::ofstream(dir / "Tune.VCT", std::ios::binary) << text;

  const auto listed = testing_support::run_program(TONVERT_DUMP_BINARY, {"Tune.VCT"}, dir.string());
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, voice_table_listing(text));
  EXPECT_EQ(listed.err, "");

  const auto missing = testing_support::run_program(TONVERT_DUMP_BINARY, {"none.vct"}, dir.string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "tonvert-dump: cannot open 'none.vct'\n");
  std::filesystem::remove_all(dir);
}
