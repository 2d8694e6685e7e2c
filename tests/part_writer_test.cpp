// The song and part writer: song header, part header, line and bar layout,
// notes, rests, chords, octaves, Q values, lengths, ties and note shifts,
// checked on whole MML texts of small songs.
#include <gtest/gtest.h>

#include "tests/support/convert.hpp"

using namespace tonvert::build;
using namespace tonvert::test_support;

namespace {

PartBuilder& whole_notes(PartBuilder& p, int count) {
  for (int i = 0; i < count; ++i) p.note("c4", L1);
  return p;
}

}  // namespace

TEST(PartWriter, WorkedExample) {
  const auto r = convert_part(
      [](PartBuilder& p) {
        p.note("c4", L4)
            .note("d4", L8, Dot::dotted, art::staccato)
            .note("e4", L16, Dot::plain, art::staccato)
            .note("g4", L2, Dot::plain, art::slur)
            .note("g4", L2)
            .end();
      },
      PartFlags::psg);
  EXPECT_EQ(r.mml.at(0), song_head() +
                             "\n;===== PSG part1 (chord:1) =====\nA C1 v88 l16 Q8 @80 \n"
                             "A t120o4c4Q4d8.eg2& | r2\n");
  EXPECT_EQ(r.console, "");
  EXPECT_EQ(r.status, 0);
}

TEST(PartWriter, MmlFileUsesCrLfLineEnds) {
  tonvert::MemoryEnvironment env;
  MusicFileBuilder file;
  file.song("Intro").part().note("c4", L4).end();
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();
  env.files["tune.vct"] = {};
  ASSERT_EQ(tonvert::run_conversion({"tune"}, env), 0);
  EXPECT_EQ(*env.text_of("tune/01 Intro.mml"),
            "#title \"Intro\"\r\n#timebase 48\r\n\r\n;===== FM part1 (chord:1) =====\r\n"
            "A C1 v88 l16 Q8 \r\nA t120o4c4\r\n");
}

TEST(PartWriter, PartHeaderByPartFlags) {
  struct Case {
    std::uint8_t flags;
    const char* head;
  } const cases[] = {
      {0x00, "\n;===== FM part1 (chord:1) =====\nA C1 v88 l16 Q8 "},
      {0x03, "\n;===== NOISE part1 (chord:1) =====\nA C1 v88 l16 Q8 "},
      {0x83, "\n;===== NOISE part1 (chord:1) =====\nA C1 v88 l16 Q8 @80 "},
      {0x80, "\n;===== PSG part1 (chord:1) =====\nA C1 v88 l16 Q8 @80 "},
      {0x04, "\n;===== FM part1 (chord:2) =====\nA C1 v88 l16 Q8 "},
      {0x08, "\n;===== FM part1 (chord:3) =====\nA C1 v88 l16 Q8 "},
      {0x0C, "\n;===== FM part1 (chord:4) =====\nA C1 v88 l16 Q8 "},
      {0x01, "\n;===== FM part1 (chord:1) =====\nA C1 v88 l16 Q8 "},
      {0x8F, "\n;===== NOISE part1 (chord:4) =====\nA C1 v88 l16 Q8 @80 "},
      {0x70, "\n;===== FM part1 (chord:1) =====\nA C1 v88 l16 Q8 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.flags));
    // An empty event stream: the final "\n" ends the settings line.
    const auto r = convert_part([](PartBuilder&) {}, c.flags);
    EXPECT_EQ(r.mml.at(0), song_head() + c.head + "\n");
  }
}

TEST(PartWriter, EmptyStreamAndEndOnlyStream) {
  EXPECT_EQ(convert_part([](PartBuilder&) {}).mml.at(0), fm_mml("\n"));
  EXPECT_EQ(convert_part([](PartBuilder& p) { p.end(); }).mml.at(0), fm_mml("\nA \n"));
}

TEST(PartWriter, SongHeaderAndPartCount) {
  MusicFileBuilder file;
  file.song("My Song");
  file.song("Two").part_count(-1).part().note("c4", L4);
  file.song("Three").part_count(1).part().note("c4", L4);
  file.song("Three").part();  // second song of the same title, for the file order
  const auto r = convert(file);
  ASSERT_EQ(r.mml.size(), 4u);
  EXPECT_EQ(r.mml[0], "#title \"My Song\"\n#timebase 48\n");
  EXPECT_EQ(r.mml[1], "#title \"Two\"\n#timebase 48\n");
  EXPECT_EQ(r.mml[2], song_head("Three") + part_head() + "\nA t120o4c4\n");
  EXPECT_EQ(r.mml[3], song_head("Three") + part_head() + "\n");
}

TEST(PartWriter, PartLettersNumbersAndDefaultTempoOncePerSong) {
  MusicFileBuilder file;
  auto& song = file.song("T");
  for (int i = 0; i < 27; ++i) {
    auto& p = song.part();
    if (i == 1 || i == 26) p.note("c4", L4);
  }
  file.song("U").part().note("d4", L4);
  const auto r = convert(file);
  ASSERT_EQ(r.mml.size(), 2u);
  std::string expected = song_head() + part_head(0) + "\n";
  expected += "\n;===== FM part2 (chord:1) =====\nB C2 v88 l16 Q8 \nB t120o4c4\n";
  for (int i = 2; i < 26; ++i) expected += part_head(i) + "\n";
  expected += "\n;===== FM part27 (chord:1) =====\n[ C27 v88 l16 Q8 \n[ o4c4\n";
  EXPECT_EQ(r.mml[0], expected);
  // The song tempo starts again at 0 in the next song.
  EXPECT_EQ(r.mml[1], song_head("U") + part_head() + "\nA t120o4d4\n");
}

TEST(PartWriter, TempoEventOfAnEarlierPartSuppressesDefaultTempo) {
  MusicFileBuilder file;
  auto& song = file.song("T");
  song.part().tempo(90);
  song.part().note("c4", L4);
  const auto r = convert(file);
  EXPECT_EQ(r.mml.at(0), song_head() + part_head(0) + "\nA t90 \n" + part_head(1) + "\nB o4c4\n");
}

TEST(PartWriter, Octaves) {
  expect_bodies({
      {"steps, rests and repeat open",
       [](PartBuilder& p) {
         p.note("c4", L4).note("c5", L4).note("c3", L4).note("c2", L4);
         p.rest(L4).note("c2", L4).bar(Mark::repeat_open).note("c2", L4).note("d2", L4).end();
       },
       "\nA t120o4c4>c4o3c4<c4 | r4c4[o2c4d4 | \n"},
      {"two octaves up is absolute",
       [](PartBuilder& p) { p.note("c2", L4).note("c4", L4).note("c7", L4).note("c0", L4); },
       "\nA t120o2c4o4c4o7c4o0c4\n"},
      {"a rest first writes no octave",
       [](PartBuilder& p) { p.rest(L4).note("e3", L4).rest(L4).note("e4", L4); },
       "\nA t120r4o3e4r4>e4\n"},
  });
}

TEST(PartWriter, OctaveOffsetsOfTheVoiceEntry) {
  Inputs minus1;
  minus1.vct = "1,@0,O-1\n3,@3,O+1\n";
  expect_bodies(
      {
          {"offset -1 and shift +1 cancel",
           [](PartBuilder& p) { p.octave_shift(1).note("c4", L4); }, "\nA /* +8va */t120o4c4\n"},
          {"o-1 then one up",
           [](PartBuilder& p) { p.note("c0", L4).note("c1", L4).note("c0", L4); },
           "\nA t120o-1c4>c4<c4\n"},
          {"o-1 again after a repeat open",
           [](PartBuilder& p) { p.note("c0", L4).bar(Mark::repeat_open).note("c0", L4); },
           "\nA t120o-1c4[o-1c4\n"},
          {"voice change brings its own offset",
           [](PartBuilder& p) { p.note("c4", L4).voice(2).note("c4", L4); },
           "\nA t120o3c4@3/* #2 */ o5c4\n"},
      },
      minus1);

  Inputs minus2;
  minus2.vct = "1,@0,O-2\n";
  expect_bodies({{"first note in octave 0", [](PartBuilder& p) { p.note("c0", L4); },
                  "\nA t120o-2c4\n"}},
                minus2);
}

TEST(PartWriter, QValuesFollowTheArticulation) {
  expect_bodies({
      {"articulations 0 2 2 3 1 0",
       [](PartBuilder& p) {
         p.note("c4", L4).note("d4", L4, Dot::plain, art::staccato);
         p.note("e4", L4, Dot::plain, art::staccato).note("f4", L4, Dot::plain, art::staccatissimo);
         p.note("g4", L4, Dot::plain, art::slur).note("a4", L4);
       },
       "\nA t120o4c4Q4d4e4Q2f4 | Q8g4Q8a4\n"},
      {"gate time changes entry 0 only",
       [](PartBuilder& p) {
         p.gate(5).note("c4", L4).note("d4", L4, Dot::plain, art::staccato).note("e4", L4);
       },
       "\nA Q6t120o4c4Q4d4Q6e4\n"},
      {"rests take part in the Q rule",
       [](PartBuilder& p) { p.rest(L4, Dot::plain, art::staccato).rest(L4); },
       "\nA t120Q4r4Q8r4\n"},
  });
}

TEST(PartWriter, Ties) {
  expect_bodies({
      {"same pitch byte ties",
       [](PartBuilder& p) { p.note("g4", L2, Dot::plain, art::slur).note("g4", L2); },
       "\nA t120o4g2&r2\n"},
      {"other accidental bits do not tie",
       [](PartBuilder& p) { p.note("c4", L4, Dot::plain, art::slur).note("c+4", L4); },
       "\nA t120o4Q8c4Q8c+4\n"},
      {"slurred rest before a rest",
       [](PartBuilder& p) { p.rest(L4, Dot::plain, art::slur).rest(L4); }, "\nA t120r4&r4\n"},
      {"slurred rest at the end of the stream",
       [](PartBuilder& p) { p.rest(L4, Dot::plain, art::slur); }, "\nA t120r4&\n"},
      {"slurred note at the end of the stream",
       [](PartBuilder& p) { p.note("c4", L4, Dot::plain, art::slur); }, "\nA t120o4Q8c4\n"},
      {"chain of three",
       [](PartBuilder& p) {
         p.note("d4", L4).note("c4", L4, Dot::plain, art::slur);
         p.note("c4", L4, Dot::plain, art::slur).note("c4", L4);
       },
       "\nA t120o4d4c4&r4&r4\n"},
      {"control events stand between & and r",
       [](PartBuilder& p) { p.note("g4", L2, Dot::plain, art::slur).tempo(90).note("g4", L2); },
       "\nA t120o4g2&t90 r2\n"},
      {"the tied note keeps its octave step",
       [](PartBuilder& p) {
         p.note("c4", L4, Dot::plain, art::slur).octave_shift(1).note("c4", L4);
       },
       "\nA t120o4c4&/* +8va */>r4\n"},
      {"look-ahead goes past the end event",
       [](PartBuilder& p) { p.note("g4", L2, Dot::plain, art::slur).end().note("g4", L2); },
       "\nA t120o4g2&\n"},
      {"a tied note with another articulation writes no Q",
       [](PartBuilder& p) {
         p.note("g4", L4, Dot::plain, art::slur).note("g4", L4, Dot::plain, art::staccato);
         p.note("a4", L4, Dot::plain, art::staccato);
       },
       "\nA t120o4g4&r4Q4a4\n"},
  });
}

TEST(PartWriter, Chords) {
  expect_bodies(
      {
          {"three pitches", [](PartBuilder& p) { p.chord("c4", "e4", "g4", L4); },
           "\nA t120o4c0e0g4\n"},
          {"empty middle slot ends the chord", [](PartBuilder& p) { p.chord("c4", "r", "g4", L4); },
           "\nA t120o4c4\n"},
          {"empty last slot", [](PartBuilder& p) { p.chord("c4", "e4", "r", L4); },
           "\nA t120o4c0e4\n"},
          {"rest first", [](PartBuilder& p) { p.chord("r", "e4", "g4", L4); }, "\nA t120r4\n"},
          {"octave from the first pitch only",
           [](PartBuilder& p) { p.chord("c4", "e5", "g3", L4).chord("d4", "f6", "a1", L4); },
           "\nA t120o4c0e0g4d0f0a4\n"},
          {"tied by the first pitch only",
           [](PartBuilder& p) {
             p.chord("c4", "e4", "g4", L4, Dot::plain, art::slur).chord("c4", "f4", "a4", L4);
           },
           "\nA t120o4c0e0g4&r4\n"},
          {"different first pitch is not tied",
           [](PartBuilder& p) {
             p.chord("c4", "e4", "g4", L4, Dot::plain, art::slur).chord("d4", "e4", "g4", L4);
           },
           "\nA t120o4Q8c0e0g4Q8d0e0g4\n"},
          {"control events between four-byte notes",
           [](PartBuilder& p) { p.chord("c4", "e4", "g4", L4).tempo(90).chord("d4", "f4", "a4", L4); },
           "\nA t120o4c0e0g4t90 d0f0a4\n"},
      },
      {}, PartFlags::chord);
}

namespace {

// Rests that last exactly `ticks` (0 or at least 2) and the text they write.
std::string fill_rests(PartBuilder& p, int ticks) {
  std::string text;
  const auto fits = [](int left) { return left == 0 || left >= 2; };
  while (ticks >= 48 && fits(ticks - 48)) {
    p.rest(L4);
    text += "r4";
    ticks -= 48;
  }
  while (ticks >= 3 && fits(ticks - 3)) {
    p.rest(L64);
    text += "r64";
    ticks -= 3;
  }
  while (ticks >= 2) {
    p.rest(L64, Dot::triplet);
    text += "r%2";
    ticks -= 2;
  }
  return text;
}

}  // namespace

TEST(PartWriter, LengthTextsAndTicks) {
  struct Case {
    Length length;
    Dot dot;
    const char* text;
    int ticks;
  } const cases[] = {
      {L1, Dot::plain, "1", 192},      {L1, Dot::dotted, "1.", 288},
      {L1, Dot::double_dotted, "1..", 336}, {L1, Dot::triplet, "%128", 128},
      {L2, Dot::plain, "2", 96},       {L2, Dot::dotted, "2.", 144},
      {L2, Dot::double_dotted, "2..", 168}, {L2, Dot::triplet, "%64", 64},
      {L4, Dot::plain, "4", 48},       {L4, Dot::dotted, "4.", 72},
      {L4, Dot::double_dotted, "4..", 84},  {L4, Dot::triplet, "%32", 32},
      {L8, Dot::plain, "8", 24},       {L8, Dot::dotted, "8.", 36},
      {L8, Dot::double_dotted, "8..", 42},  {L8, Dot::triplet, "%16", 16},
      {L16, Dot::plain, "", 12},       {L16, Dot::dotted, ".", 18},
      {L16, Dot::double_dotted, "..", 21},  {L16, Dot::triplet, "%8", 8},
      {L32, Dot::plain, "32", 6},      {L32, Dot::dotted, "32.", 9},
      {L32, Dot::double_dotted, "32..", 10}, {L32, Dot::triplet, "%4", 4},
      {L64, Dot::plain, "64", 3},      {L64, Dot::dotted, "64.", 4},
      {L64, Dot::double_dotted, "64..", 4}, {L64, Dot::triplet, "%2", 2},
      {whole_bar, Dot::plain, "%192", 192}, {whole_bar, Dot::dotted, "%192", 192},
      {whole_bar, Dot::double_dotted, "%192", 192}, {whole_bar, Dot::triplet, "%192", 192},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("length text ") + c.text);
    // The note, then rests up to the end of its bar (a bar that it overfills
    // is followed by a full bar of rests), then one more rest after " | ".
    std::string expected = std::string("\nA t120o4c") + c.text;
    const auto r = convert_part([&](PartBuilder& p) {
      p.note("c4", c.length, c.dot);
      if (c.ticks >= 192) {
        expected += " | ";
        expected += fill_rests(p, 192);
      } else {
        expected += fill_rests(p, 192 - c.ticks);
      }
      p.rest(L4);
      expected += " | r4\n";
    });
    EXPECT_EQ(r.mml.at(0), fm_mml(expected));
  }
}

TEST(PartWriter, BarAccounting) {
  expect_bodies({
      {"whole bar note in 3/4 whatever the dot code",
       [](PartBuilder& p) {
         p.time(0x13).note("c4", whole_bar, Dot::dotted).note("c4", whole_bar, Dot::triplet);
         p.note("c4", L4);
       },
       "\nA /* 3/4 */ t120o4c%144 | c%144 | c4\n"},
      {"overfilled bar drops its excess",
       [](PartBuilder& p) {
         p.note("c4", L4).note("c4", L4).note("c4", L4).note("c4", L1);
         p.note("c4", L4).note("c4", L4).note("c4", L4).note("c4", L4).rest(L4);
       },
       "\nA t120o4c4c4c4c1 | c4c4c4c4 | r4\n"},
  });
}

TEST(PartWriter, LineLayout) {
  expect_bodies({
      {"ninth bar starts a new line",
       [](PartBuilder& p) { whole_notes(p, 9); },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1\nA c1\n"},
      {"ties hold the line open",
       [](PartBuilder& p) {
         whole_notes(p, 7);
         p.note("c4", L1, Dot::plain, art::slur).note("c4", L1, Dot::plain, art::slur);
         whole_notes(p, 2);
       },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1& | r1& | r1\nA c1\n"},
      {"end event after a bar", [](PartBuilder& p) { whole_notes(p, 1).end(); },
       "\nA t120o4c1 | \n"},
      {"end event after the eighth bar", [](PartBuilder& p) { whole_notes(p, 8).end(); },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1\nA \n"},
      {"stream runs out after a bar", [](PartBuilder& p) { whole_notes(p, 8); },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1\n"},
      {"bar mark without effect as first event",
       [](PartBuilder& p) { p.bar(0x00).note("c4", L4); }, "t120o4c4\n"},
      {"repeat open as first event",
       [](PartBuilder& p) { p.bar(Mark::repeat_open).note("c4", L4); }, "[t120o4c4\n"},
      {"bar mark without effect takes the place of \" | \"",
       [](PartBuilder& p) { whole_notes(p, 1).bar(0x03); whole_notes(p, 1); },
       "\nA t120o4c1c1\n"},
      {"bar mark without effect at a line start restarts the bar count",
       [](PartBuilder& p) { whole_notes(p, 8).bar(0x0F); whole_notes(p, 2); },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1c1 | c1\n"},
      {"kind 13 writes the pending \" | \"",
       [](PartBuilder& p) { whole_notes(p, 1).control(13, 0x55); }, "\nA t120o4c1 | \n"},
      {"kind 1 writes the pending line start",
       [](PartBuilder& p) { whole_notes(p, 8).control(1, 0x55); },
       "\nA t120o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | c1\nA \n"},
  });
}

TEST(PartWriter, NoteShift) {
  expect_bodies({
      {"one marked note",
       [](PartBuilder& p) {
         p.tempo(120).note("a4", L4).note_shift().note("c4", L4).note("d4", L4).note("e4", L4);
       },
       "\nA t120 o4a4k+20c4k-20d4e4\n"},
      {"two marked notes share one shift",
       [](PartBuilder& p) {
         p.tempo(120).note("a4", L4).note_shift().note("c4", L4).note_shift().note("d4", L4);
         p.note("e4", L4);
       },
       "\nA t120 o4a4k+20c4d4k-20e4\n"},
      {"two marks before one note",
       [](PartBuilder& p) {
         p.tempo(120).note("a4", L4).note_shift().note_shift().note("c4", L4).note("d4", L4);
       },
       "\nA t120 o4a4k+20c4k-20d4\n"},
      {"the shift closes after its note also when that note writes the default tempo",
       [](PartBuilder& p) { p.note_shift().note("c4", L4).note("d4", L4).note("e4", L4); },
       "\nA k+20t120o4c4k-20d4e4\n"},
      {"closed by the end event",
       [](PartBuilder& p) { p.tempo(120).note_shift().note("c4", L4).end(); },
       "\nA t120 k+20o4c4k-20\n"},
      {"closed after a line start",
       [](PartBuilder& p) {
         p.tempo(120);
         whole_notes(p, 7).note_shift().note("c4", L1).note("c4", L4);
       },
       "\nA t120 o4c1 | c1 | c1 | c1 | c1 | c1 | c1 | k+20c1\nA k-20c4\n"},
      {"closed by kind 1",
       [](PartBuilder& p) { p.tempo(120).note_shift().note("c4", L4).control(1, 0); },
       "\nA t120 k+20o4c4k-20\n"},
      {"left open when the stream runs out",
       [](PartBuilder& p) { p.tempo(120).note_shift().note("c4", L4); }, "\nA t120 k+20o4c4\n"},
      {"a mark as last event", [](PartBuilder& p) { p.tempo(120).note_shift(); },
       "\nA t120 k+20\n"},
  });
}
