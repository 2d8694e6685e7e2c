// Key signatures and accidentals: the key command, the key signature that
// it sets up (seen through the natural fix), the measure accidentals and the
// moments that clear them.
#include <gtest/gtest.h>

#include <string_view>

#include "tests/support/convert.hpp"

using namespace tonvert::build;
using namespace tonvert::test_support;

namespace {

constexpr const char* fix_warning = "*** fix natural in [T] part#1\n";
const std::string fix = fix_warning;

std::string repeated(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace

// Every letter with a flat, then every letter with a sharp, in one bar of
// sixteenths: a flat on a sharpened letter and a sharp on a flattened letter
// come out natural, with one warning each; the rest keep their marks.
TEST(KeySignature, KeyCommandsAndTheirSignatures) {
  struct Case {
    std::uint8_t parameter;
    const char* command;
    std::string_view sharps;  // letters that the key sharpens
    std::string_view flats;   // letters that the key flattens
  } const cases[] = {
      {0x00, "KJc ", "", ""},           {0x01, "KJd- ", "", "beadg"},
      {0x02, "KJd ", "fc", ""},         {0x03, "KJe- ", "", "bea"},
      {0x04, "KJe ", "fcgd", ""},       {0x05, "KJf ", "", "b"},
      {0x06, "KJf+ ", "fcgdae", ""},    {0x07, "KJg ", "f", ""},
      {0x08, "KJa- ", "", "bead"},      {0x09, "KJa ", "fcg", ""},
      {0x0A, "KJb- ", "", "be"},        {0x0B, "KJb ", "fcgda", ""},
      {0x80, "KIc ", "", "bea"},        {0x81, "KIc+ ", "fcgd", ""},
      {0x82, "KId ", "", "b"},          {0x83, "KId+ ", "fcgdae", ""},
      {0x84, "KIe ", "f", ""},          {0x85, "KIf ", "", "bead"},
      {0x86, "KIf+ ", "fcg", ""},       {0x87, "KIg ", "", "be"},
      {0x88, "KIg+ ", "fcgda", ""},     {0x89, "KIa ", "", ""},
      {0x8A, "KIb- ", "", "beadg"},     {0x8B, "KIb ", "fc", ""},
      // Bits 4-6 are not read.
      {0x17, "KJg ", "f", ""},          {0xF9, "KIa ", "", ""},
      {0x79, "KJa ", "fcg", ""},
      // Tonics 12 to 15: the name of tonic mod 12, six sharps.
      {0x0C, "KJc ", "fcgdae", ""},     {0x0D, "KJd- ", "fcgdae", ""},
      {0x8E, "KId ", "fcgdae", ""},     {0x8F, "KId+ ", "fcgdae", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    std::string body = std::string("\nA ") + c.command + "t120o4";
    const auto r = convert_part([&](PartBuilder& p) {
      p.key(c.parameter);
      for (char letter : std::string_view("cdefgab")) {
        p.note(std::string{letter, '-', '4'}, L16);
        body += letter;
        body += c.sharps.find(letter) != std::string_view::npos ? "*" : "-";
      }
      for (char letter : std::string_view("cdefgab")) {
        p.note(std::string{letter, '+', '4'}, L16);
        body += letter;
        body += c.flats.find(letter) != std::string_view::npos ? "*" : "+";
      }
    });
    EXPECT_EQ(r.mml.at(0), fm_mml(body + "\n"));
    EXPECT_EQ(r.console, repeated(fix, c.sharps.size() + c.flats.size()));
  }
}

TEST(KeySignature, NaturalFixAndMarks) {
  expect_bodies({
      {"G major: flat f fixed, sharp f and plain f kept",
       [](PartBuilder& p) { p.key(0x07).note("f-4", L1).note("f+4", L1).note("f4", L1); },
       "\nA KJg t120o4f*1 | f+1 | f1\n", fix_warning},
      {"F major: sharp b fixed, flat b kept",
       [](PartBuilder& p) { p.key(0x05).note("b+4", L1).note("b-4", L1); },
       "\nA KJf t120o4b*1 | b-1\n", fix_warning},
      {"naturals are kept without a warning",
       [](PartBuilder& p) { p.note("f*4", L1).key(0x07).note("f*4", L1).key(0x05).note("b*4", L1); },
       "\nA t120o4f*1 | KJg f*1 | KJf b*1\n"},
      {"a fixed flat carries to the next f of the bar, warned once",
       [](PartBuilder& p) { p.key(0x07).note("f-4", L2).note("f4", L2).note("f4", L4); },
       "\nA KJg t120o4f*2f*2 | f4\n", fix_warning},
      {"the second note of a tie runs no fix",
       [](PartBuilder& p) {
         p.key(0x07).note("f-4", L4, Dot::plain, art::slur).note("f-4", L4);
       },
       "\nA KJg t120o4f*4&r4\n", fix_warning},
  });
}

TEST(KeySignature, MeasureAccidentals) {
  expect_bodies({
      {"a sharp holds for the letter in every octave until the bar ends",
       [](PartBuilder& p) {
         p.note("c+4", L4).note("c5", L4).note("c4", L2).note("c4", L4).note("d4", L4);
       },
       "\nA t120o4c+4>c+4<c+2 | c4d4\n"},
      {"the latest accidental of the letter wins",
       [](PartBuilder& p) {
         p.note("e-4", L8).note("e4", L8).note("e*4", L8).note("e4", L8).note("e+4", L8);
         p.note("e4", L8);
       },
       "\nA t120o4e-8e-8e*8e*8e+8e+8\n"},
      {"a key signature in the bar keeps them",
       [](PartBuilder& p) { p.note("c+4", L4).key(0x00).note("c4", L4); },
       "\nA t120o4c+4KJc c+4\n"},
      {"a repeat close at depth 0 keeps them",
       [](PartBuilder& p) { p.note("c+4", L4).bar(0xF2).note("c4", L4); },
       "\nA t120o4c+4c+4\n"},
      {"a written repeat close clears them",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::repeat_open).note("c+4", L4).bar(Mark::repeat_close);
         p.note("c4", L4);
       },
       "\nA t120 [o4c+4]\nA o4c4\n"},
      {"a written block close clears them",
       [](PartBuilder& p) {
         p.tempo(120).bar(Mark::block_open).note("c+4", L4).bar(Mark::block_close);
         p.note("c4", L4);
       },
       "\nA t120 [o4c+4]\nA o4c4\n"},
      {"other marks, loops and time signatures keep them",
       [](PartBuilder& p) {
         p.tempo(120).note("c+4", L16).bar(Mark::block_close).note("c4", L16);
         p.bar(Mark::block_open).note("c4", L16).bar(Mark::repeat_open).note("c4", L16);
         p.bar(Mark::repeat_break).note("c4", L16).loop_start(0).note("c4", L16);
         p.loop_end(0).note("c4", L16).time(0x13).note("c4", L16);
       },
       "\nA t120 o4c+c+[o4c+[o4c+:c+[o4c+]1c+/* 3/4 */ c+\n"},
      {"rests and tied notes leave them alone",
       [](PartBuilder& p) {
         p.note("d+4", L8).rest(L8).note("d4", L8, Dot::plain, art::slur).note("d4", L8);
         p.note("d4", L8);
       },
       "\nA t120o4d+8r8d+8&r8d+8\n"},
  });
}

TEST(KeySignature, ChordsShareTheMeasureAccidentals) {
  expect_bodies({{"c sharp first, c third",
                  [](PartBuilder& p) { p.chord("c+4", "e4", "c5", L4).chord("g4", "c4", "r", L4); },
                  "\nA t120o4c+0e0c+4g0c+4\n"},
                 {"a fixed chord pitch warns on its own",
                  [](PartBuilder& p) { p.key(0x07).chord("d4", "f-4", "a4", L4); },
                  "\nA KJg t120o4d0f*0a4\n", fix_warning}},
                {}, PartFlags::chord);
}

TEST(KeySignature, EveryPartStartsInCMajor) {
  MusicFileBuilder file;
  auto& song = file.song("Song B");
  song.part().key(0x07).note("f-4", L4);
  song.part().note("f-4", L4).note("c+4", L4);
  song.part().note("c4", L4).key(0x05).note("b+4", L4);
  const auto r = convert(file);
  EXPECT_EQ(r.mml.at(0), song_head("Song B") + part_head(0) + "\nA KJg t120o4f*4\n" +
                             part_head(1) + "\nB o4f-4c+4\n" + part_head(2) +
                             "\nC o4c4KJf b*4\n");
  EXPECT_EQ(r.console,
            "*** fix natural in [Song B] part#1\n*** fix natural in [Song B] part#3\n");
}

TEST(KeySignature, LetterSevenCountsAsC) {
  expect_bodies({
      {"plain, sharp, then c",
       [](PartBuilder& p) {
         p.note_bytes(note_kind(L4), 0x27).note_bytes(note_kind(L4), 0x67).note("c4", L4);
       },
       "\nA t120o4c4c+4c+4\n"},
      {"flat in D major",
       [](PartBuilder& p) { p.key(0x02).note_bytes(note_kind(L4), 0xA7).note("c4", L4); },
       "\nA KJd t120o4c*4c*4\n", fix_warning},
  });
}
