// The control events: time signatures, bar marks, tempo, octave shifts,
// voice changes, gate times, LFO switches, volume, portamento and loops,
// checked on whole MML texts and the exact console output.
#include <gtest/gtest.h>

#include "tests/support/convert.hpp"

using namespace tonvert::build;
using namespace tonvert::test_support;

namespace {

VoiceBankBuilder bank_of(int count) {
  VoiceBankBuilder bank;
  for (int i = 0; i < count; ++i) bank.voice("Voice " + std::to_string(i));
  return bank;
}

}  // namespace

TEST(ControlEvents, TimeSignatureTextAndBarLength) {
  struct Case {
    std::uint8_t parameter;
    const char* text;
    const char* bar;
  } const cases[] = {
      {0x00, "/* 4/4 */ ", "%192"}, {0x13, "/* 3/4 */ ", "%144"}, {0x2C, "/* 6/8 */ ", "%144"},
      {0x01, "/* 1/1 */ ", "%192"}, {0x07, "/* 1/64 */ ", "%3"},  {0xFF, "/* 32/64 */ ", "%96"},
      {0x1B, "/* 4/4 */ ", "%192"}, {0x22, "/* 5/2 */ ", "%480"},
      // No denominator code: read as code 1.
      {0x10, "/* 3/1 */ ", "%576"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    // A whole-bar note shows the bar length; the bar it fills ends at once.
    const auto r = convert_part(
        [&](PartBuilder& p) { p.time(c.parameter).note("c4", whole_bar).note("c4", L4); });
    EXPECT_EQ(r.mml.at(0), fm_mml(std::string("\nA ") + c.text + "t120o4c" + c.bar + " | c4\n"));
  }
}

TEST(ControlEvents, TimeSignatureInTheMiddleOfABar) {
  expect_bodies({
      {"3/4 after one quarter",
       [](PartBuilder& p) {
         p.note("c4", L4).time(0x13).note("c4", L4).note("c4", L4).note("c4", L4);
       },
       "\nA t120o4c4/* 3/4 */ c4c4 | c4\n"},
      {"bar already longer than the new length",
       [](PartBuilder& p) { p.note("c4", L2).time(0x0B).note("c4", L16).note("c4", L16); },
       "\nA t120o4c2/* 2/4 */ c | c\n"},
  });
}

TEST(ControlEvents, RepeatOpenAndClose) {
  struct Case {
    std::uint8_t close;
    const char* text;
  } const closes[] = {{0x02, "]"}, {0x12, "]3"}, {0xF2, "]17"}};
  for (const auto& c : closes) {
    SCOPED_TRACE(c.text);
    const auto r = convert_part([&](PartBuilder& p) {
      p.tempo(120).note("c4", L4).bar(Mark::repeat_open).note("c4", L4).bar(c.close).note("c4", L4);
    });
    EXPECT_EQ(r.mml.at(0), fm_mml(std::string("\nA t120 o4c4[o4c4") + c.text + "\nA o4c4\n"));
  }
  expect_bodies({
      {"close at depth 0 does nothing",
       [](PartBuilder& p) { p.tempo(120).note("c4", L4).bar(0xF2).note("c4", L4); },
       "\nA t120 o4c4c4\n"},
      {"nested repeats, one surplus close",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open).bar(Mark::repeat_open).note("c4", L4);
         p.bar(Mark::repeat_close).note("c4", L4).bar(Mark::repeat_close).note("c4", L4);
         p.bar(Mark::repeat_close).note("c4", L4);
       },
       "\nA t120 [[o4c4]\nA o4c4]\nA o4c4c4\n"},
      {"a written close starts the bar again",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open).note("c4", L2).bar(Mark::repeat_close);
         p.note("c4", L2).note("c4", L2).note("c4", L2);
       },
       "\nA t120 [o4c2]\nA o4c2c2 | c2\n"},
      {"close after a gate time writes Q8 and resets entry 0",
       [](PartBuilder& p) {
         p.tempo(120).gate(5).bar(Mark::repeat_open).note("c4", L4).bar(Mark::repeat_close);
         p.note("c4", L4, Dot::plain, art::staccato).note("c4", L4);
       },
       "\nA t120 Q6[o4c4 Q8]\nA o4Q4c4Q8c4\n"},
      {"close after another articulation writes Q8",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open).note("c4", L4, Dot::plain, art::staccato);
         p.bar(Mark::repeat_close).note("c4", L4);
       },
       "\nA t120 [o4Q4c4 Q8]\nA o4c4\n"},
      {"close with Q8 already in force",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open).note("c4", L4).bar(Mark::repeat_close);
       },
       "\nA t120 [o4c4]\n"},
      {"gate time 7 in force is Q8 already",
       [](PartBuilder& p) {
         p.tempo(120).gate(7).bar(Mark::repeat_open).note("c4", L4).bar(0x22);
       },
       "\nA t120 Q8[o4c4]4\n"},
      {"close right after the eighth bar stays on its line",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open);
         for (int i = 0; i < 8; ++i) p.note("c4", L1);
         p.bar(Mark::repeat_close).note("c4", L4);
       },
       "\nA t120 [o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1]\nA o4c4\n"},
      {"repeat break anywhere",
       [](PartBuilder& p) {
         p.tempo(120).note("c4", L4).bar(Mark::repeat_break).note("c4", L4).bar(0x19);
       },
       "\nA t120 o4c4:c4:\n"},
  });
}

TEST(ControlEvents, BlockOpenAndClose) {
  expect_bodies({
      {"double open, double close",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::block_open).bar(Mark::block_open).note("c4", L4);
         p.bar(Mark::block_close).bar(Mark::block_close).note("c4", L4);
         p.bar(Mark::block_open).note("c4", L4).bar(Mark::block_close).note("c4", L4);
       },
       // The second close writes nothing but takes the place of the line start.
       "\nA t120 [o4c4]o4c4[o4c4]\nA o4c4\n"},
      {"close without an open block",
       [](PartBuilder& p) { p.tempo(120).note("c4", L4).bar(Mark::block_close).note("c4", L4); },
       "\nA t120 o4c4c4\n"},
      {"open resets the octave, the line goes on",
       [](PartBuilder& p) { p.tempo(120).note("c4", L4).bar(Mark::block_open).note("c4", L4); },
       "\nA t120 o4c4[o4c4\n"},
      {"a written block close starts the bar again",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::block_open).note("c4", L2).bar(Mark::block_close);
         p.note("c4", L2).note("c4", L2).note("c4", L2);
       },
       "\nA t120 [o4c2]\nA o4c2c2 | c2\n"},
      {"blocks and repeats are counted apart",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::block_open).note("c4", L4).bar(Mark::repeat_close);
         p.bar(Mark::repeat_open).note("c4", L4).bar(Mark::block_close).note("c4", L4);
         p.bar(Mark::repeat_close).note("c4", L4);
       },
       "\nA t120 [o4c4[o4c4]\nA o4c4]\nA o4c4\n"},
      {"block close writes no Q8",
       [](PartBuilder& p) {
         p.tempo(120).gate(3).bar(Mark::block_open).note("c4", L4).bar(Mark::block_close);
         p.note("c4", L4, Dot::plain, art::staccato).note("c4", L4);
       },
       "\nA t120 Q4[o4c4]\nA o4Q4c4Q4c4\n"},
  });
}

TEST(ControlEvents, BlockOpenFlagStartsClearInEveryPart) {
  MusicFileBuilder file;
  auto& song = file.song("T");
  song.part().bar(Mark::block_open);
  song.part().bar(Mark::block_close).bar(Mark::block_open).note("c4", L4);
  const auto r = convert(file);
  EXPECT_EQ(r.mml.at(0), song_head() + part_head(0) + "[\n" + part_head(1) + "[t120o4c4\n");
}

TEST(ControlEvents, GateTableEntryZeroStartsAtEightInEveryPart) {
  MusicFileBuilder file;
  auto& song = file.song("T");
  song.part().gate(5);
  song.part().note("c4", L4, Dot::plain, art::staccato).note("c4", L4);
  EXPECT_EQ(convert(file).mml.at(0),
            song_head() + part_head(0) + "\nA Q6\n" + part_head(1) + "\nB t120o4Q4c4Q8c4\n");
}

TEST(ControlEvents, Tempo) {
  expect_bodies({
      {"tempo 0 leaves the default tempo due",
       [](PartBuilder& p) { p.tempo(0).note("c4", L4).tempo(255); }, "\nA t0 t120o4c4t255 \n"},
      {"later tempo events only write",
       [](PartBuilder& p) { p.tempo(100).note("c4", L4).tempo(0).note("c4", L4).tempo(80); },
       "\nA t100 o4c4t0 c4t80 \n"},
  });

  MusicFileBuilder file;
  auto& song = file.song("T");
  song.part().tempo(0).tempo(200);
  song.part().note("c4", L4);
  EXPECT_EQ(convert(file).mml.at(0),
            song_head() + part_head(0) + "\nA t0 t200 \n" + part_head(1) + "\nB o4c4\n");
}

TEST(ControlEvents, OctaveShiftLabels) {
  struct Case {
    int shift;
    const char* label;
  } const cases[] = {{-2, "-15ma"}, {-1, "-8va"}, {0, "oct0"},    {1, "+8va"},
                     {2, "+15ma"},  {3, "oct+3"}, {-3, "oct-3"},  {-128, "oct-128"},
                     {127, "oct+127"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto r = convert_part([&](PartBuilder& p) { p.octave_shift(c.shift); });
    EXPECT_EQ(r.mml.at(0), fm_mml(std::string("\nA /* ") + c.label + " */\n"));
  }
  expect_bodies({
      {"the next note takes the shift",
       [](PartBuilder& p) {
         p.note("c4", L4).octave_shift(-1).note("c4", L4).octave_shift(0xFF).note("c4", L4);
       },
       "\nA t120o4c4/* -8va */<c4/* -8va */c4\n"},
      {"a shift outside -2..2 is used as it is",
       [](PartBuilder& p) { p.note("c2", L4).octave_shift(3).note("c2", L4); },
       "\nA t120o2c4/* oct+3 */o5c4\n"},
  });
}

TEST(ControlEvents, VoiceChangeNamesAndTexts) {
  Inputs three;
  three.bank = bank_of(3);
  expect_bodies({{"voice beyond the voice count", [](PartBuilder& p) { p.voice(5); },
                  "\nA @0/* #5 */ \n"}},
                three);

  Inputs ten;
  ten.bank = bank_of(10);
  ten.vct = "6,@12 q6\n";
  expect_bodies({{"named voice with a voice text", [](PartBuilder& p) { p.voice(5).voice(4); },
                  "\nA @12 q6/* Voice 5 */ @0/* Voice 4 */ \n"}},
                ten);

  Inputs negative;
  negative.bank = bank_of(2).voice_count(-1);
  expect_bodies({{"negative voice count names no voice", [](PartBuilder& p) { p.voice(0); },
                  "\nA @0/* #0 */ \n"}},
                negative);

  Inputs short_bank;
  short_bank.bank = bank_of(1).voice_count(5);
  expect_bodies({{"voice record beyond the loaded bank", [](PartBuilder& p) { p.voice(0).voice(3); },
                  "\nA @0/* Voice 0 */ @0/* #3 */ \n"}},
                short_bank);
}

TEST(ControlEvents, VoiceChangesMarkTheVoicesForTheVoiceTableFile) {
  Inputs inputs;
  inputs.vct = std::nullopt;
  inputs.bank = bank_of(10);
  const auto r = convert_part([](PartBuilder& p) {
    p.voice(5).note("c4", L4).voice(200).voice(1).voice(5).voice(12);
  }, PartFlags::fm, inputs);
  EXPECT_EQ(r.mml.at(0), fm_mml("\nA @0/* Voice 5 */ t120o4c4@0/* #200 */ @0/* Voice 1 */ "
                                "@0/* Voice 5 */ @0/* #12 */ \n"));
  EXPECT_EQ(r.console, "cannot open 'tune.vct' for <r>\n");
  EXPECT_EQ(r.vct, "2\t@0\t/* Voice 1 */\n6\t@0\t/* Voice 5 */\n");
}

TEST(ControlEvents, VoiceChangeVolumeOffsets) {
  Inputs offsets;
  offsets.vct = "2,@1,V-2\n3,@2,V-2\n4,@3,V-3\n";
  expect_bodies(
      {
          {"0 to -2, -2 to -2, back to 0",
           [](PartBuilder& p) { p.voice(1).voice(2).voice(0); },
           "\nA @1/* #1 */ v64 @2/* #2 */ @0/* #0 */ v88 \n"},
          {"volume level kept unclamped",
           [](PartBuilder& p) { p.volume(9).voice(3); }, "\nA v127 @3/* #3 */ v112 \n"},
          {"volume with the current entry's offset",
           [](PartBuilder& p) { p.voice(3).volume(0).volume(255).volume(7); },
           "\nA @3/* #3 */ v48 v32 v127 v88 \n"},
      },
      offsets);

  Inputs entry0;
  entry0.vct = "1,@0,V+1\n3,@3,V+1\n";
  expect_bodies({{"first change compares with entry 0",
                  [](PartBuilder& p) { p.voice(2).voice(0).volume(6).voice(200); },
                  // Voice 200 has no entry: offset 0.
                  "\nA @3/* #2 */ @0/* #0 */ v127 @0/* #200 */ v112 \n"}},
                entry0);
}

TEST(ControlEvents, VolumeGateLfoPortamento) {
  Inputs minus3;
  minus3.vct = "1,@0,V-3\n";
  expect_bodies({{"volume 0 with offset -3", [](PartBuilder& p) { p.volume(0).volume(4); },
                  "\nA v32 v48 \n"}},
                minus3);
  expect_bodies({
      {"volume levels",
       [](PartBuilder& p) {
         for (int v : {0, 1, 2, 3, 4, 5, 6, 7, 9, 255}) p.volume(static_cast<std::uint8_t>(v));
       },
       "\nA v32 v48 v64 v76 v88 v100 v112 v127 v127 v127 \n"},
      {"gate times", [](PartBuilder& p) { p.gate(0).gate(255).gate(7); }, "\nA Q1Q256Q8\n"},
      {"LFO switches", [](PartBuilder& p) { p.lfo(0).lfo(1).lfo(0x80); },
       "\nA /* LFO OFF */ /* LFO ON */ /* LFO ON */ \n"},
      {"portamento", [](PartBuilder& p) { p.control(12, 0x77); }, "\nA /* Port */ \n"},
  });
}

TEST(ControlEvents, LoopStartAndEnd) {
  const char* skip = "*** skip '[' in [T] part#1\n";
  expect_bodies({
      {"unguarded loop start needs no end",
       [](PartBuilder& p) { p.tempo(120).note("c4", L4).loop_start(0).note("c4", L4); },
       "\nA t120 o4c4[o4c4\n"},
      {"guarded start closed later",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x40).note("c4", L4).note("d4", L4).loop_end(0x43);
         p.note("e4", L4);
       },
       "\nA t120 [o4c4d4]4e4\n"},
      {"a repeat break inside is allowed",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x40).bar(0x09).note("c4", L4).loop_end(0x41);
       },
       "\nA t120 [:o4c4]2\n"},
      {"a repeat break with high bits rejects",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x40).bar(0x19).note("c4", L4).loop_end(0x41);
       },
       "\nA t120 :o4c4]2\n", skip},
      {"any other bar mark rejects",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x80).bar(0x00).loop_end(0x80);
       },
       "\nA t120 ]1\n", skip},
      {"same loop start again rejects the first",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x40).loop_start(0x40).note("c4", L4).loop_end(0x41);
       },
       "\nA t120 [o4c4]2\n", skip},
      {"another guarded start is passed over",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0x40).loop_start(0x80).note("c4", L4).loop_end(0x41);
       },
       "\nA t120 [o4c4]2\n", skip},
      {"loop end with bit 5 closes nothing",
       [](PartBuilder& p) { p.tempo(120).loop_start(0x80).note("c4", L4).loop_end(0xA0); },
       "\nA t120 o4c4]33\n", skip},
      {"loop end behind the end event",
       [](PartBuilder& p) { p.tempo(120).loop_start(0x40).note("c4", L4).end().loop_end(0x40); },
       "\nA t120 [o4c4\n"},
      {"loop end without loop start",
       [](PartBuilder& p) { p.tempo(120).loop_end(0x3F).loop_end(0xFF).loop_end(0); },
       "\nA t120 ]64]64]1\n"},
      {"a rejected start keeps the octave",
       [](PartBuilder& p) { p.tempo(120).note("c4", L4).loop_start(0x40).note("c4", L4); },
       "\nA t120 o4c4c4\n", skip},
      {"a loop end keeps octave, line and bar",
       [](PartBuilder& p) {
         p.tempo(120).loop_start(0).note("c4", L2).loop_end(1).note("c4", L2).note("c4", L4);
       },
       "\nA t120 [o4c2]2c2 | c4\n"},
  });
}

TEST(ControlEvents, LoopStartScanStepsOverFourByteNotes) {
  // Read as events, the chord's second and third pitch bytes (0x04 0x02)
  // would be a bar mark that rejects the loop start.
  expect_bodies({{"chord part",
                  [](PartBuilder& p) {
                    p.tempo(120).loop_start(0x40).note_bytes(note_kind(L4), pitch("c4"), 0x04, 0x02);
                    p.loop_end(0x41);
                  },
                  "\nA t120 [o4c0g0e4]2\n"}},
                {}, PartFlags::chord);
}

TEST(ControlEvents, SkipWarningNamesSongAndPart) {
  MusicFileBuilder file;
  auto& song = file.song("Song A");
  song.part().loop_start(0x40);
  song.part().loop_start(0x80).loop_end(0x40);
  const auto r = convert(file);
  EXPECT_EQ(r.console, "*** skip '[' in [Song A] part#1\n*** skip '[' in [Song A] part#2\n");
  EXPECT_EQ(r.mml.at(0), song_head("Song A") + part_head(0) + "\nA \n" + part_head(1) + "\nB ]1\n");
}
