// The voice table file: option values, the reader's tokens and lines, the
// writer's lines, and reading back what the writer wrote.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/voice_bank.hpp"
#include "formats/voice_table.hpp"
#include "tools/msc_builder.hpp"

using namespace tonvert;
using namespace tonvert::build;

namespace {

VoiceTable read(std::string_view file) {
  VoiceTable table{};
  read_voice_table_file(file, table);
  return table;
}

// Every entry but the ones listed keeps its start values.
void expect_only(const VoiceTable& table, const std::vector<int>& changed) {
  for (int n = 0; n < voice_table_size; ++n) {
    bool listed = false;
    for (int c : changed) listed = listed || c == n;
    if (listed) continue;
    const VoiceEntry& e = table[static_cast<std::size_t>(n)];
    EXPECT_FALSE(e.text) << "entry " << n << " holds " << *e.text;
    EXPECT_EQ(e.octave_offset, 0) << "entry " << n;
    EXPECT_EQ(e.volume_offset, 0) << "entry " << n;
  }
}

void expect_entry(const VoiceTable& table, int n, const std::string& text, int octave, int volume) {
  const VoiceEntry& e = table[static_cast<std::size_t>(n)];
  ASSERT_TRUE(e.text) << "entry " << n;
  EXPECT_EQ(*e.text, text) << "entry " << n;
  EXPECT_EQ(e.octave_offset, octave) << "entry " << n;
  EXPECT_EQ(e.volume_offset, volume) << "entry " << n;
}

std::string written(const Bytes& bank_bytes, std::initializer_list<int> used_voices) {
  const VoiceBank bank{ByteView(bank_bytes)};
  UsedVoices used;
  for (int n : used_voices) used.set(static_cast<std::size_t>(n));
  StringSink out;
  TextOut text(out);
  write_voice_table_file(bank, used, text);
  text.flush();
  return out.text;
}

}  // namespace

// --- Option values ------------------------------------------------------------

TEST(OptionValue, WorkedValues) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 0},      {"2", 2},    {"+2", 2},   {"-2", -2},    {"++", 2},   {"--", -2},
      {"+-", 0},    {"0", 0},    {"+0", 1},   {"-0", -1},    {"12", 2},   {"-12", -2},
      {"3+", 4},    {"-2+", -1}, {"ctave -1", -1}, {"9", 9}, {"-9", -9},  {"1-", 0},
      {"+-+", 1},   {"x", 0},    {" 5 ", 5},  {"--3", -3},   {"-+3", 3},  {"5-9", 9},
      {"-5+9", -9}, {"2--", 0},  {"olume", 0}, {"+5------7", -7},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(option_value(text), value) << '"' << text << '"';
  }
}

TEST(OptionValue, IsASigned16BitNumber) {
  EXPECT_EQ(option_value(std::string(32767, '+')), 32767);
  EXPECT_EQ(option_value(std::string(32768, '+')), -32768);
  // Below 0 after the wrap, so the digit is negated.
  EXPECT_EQ(option_value(std::string(32768, '+') + "4"), -4);
  EXPECT_EQ(option_value(std::string(32769, '-')), 32767);
}

// --- Reader -----------------------------------------------------------------------

TEST(VoiceTableReader, CommasAndTabsSeparateTheSameTokens) {
  for (const char* line : {"3,@12,O-1,V+2", "3\t@12\tO-1\tV+2", "3,\t@12\t,O-1,,\tV+2\r\n",
                           ",\t3,@12,O-1,V+2"}) {
    const VoiceTable table = read(line);
    expect_entry(table, 2, "@12", -1, 2);
    expect_only(table, {2});
  }
}

TEST(VoiceTableReader, SpacesBelongToTheirTokens) {
  const VoiceTable table = read("3,@12 q6,v-3\n4, @1 ,o2 ,  V1\n");
  expect_entry(table, 2, "@12 q6", 0, -3);
  // " V1" does not begin with an option letter.
  expect_entry(table, 3, " @1 ", 2, 0);
  expect_only(table, {2, 3});
}

TEST(VoiceTableReader, EmptyFieldsVanish) {
  const VoiceTable table = read("1,,@5\n2,@6,,,O3\n");
  expect_entry(table, 0, "@5", 0, 0);
  expect_entry(table, 1, "@6", 3, 0);
  expect_only(table, {0, 1});
}

TEST(VoiceTableReader, ListedNumberIsTakenAsFarAsItsDigitsGo) {
  expect_entry(read("7x,@1"), 6, "@1", 0, 0);
  expect_entry(read(" 7,@1"), 6, "@1", 0, 0);
  expect_entry(read("+7,@1"), 6, "@1", 0, 0);
  expect_entry(read("007,@1"), 6, "@1", 0, 0);
  expect_entry(read("7 8,@1"), 6, "@1", 0, 0);
  expect_entry(read("128,@9"), 127, "@9", 0, 0);
  expect_entry(read("1,@9"), 0, "@9", 0, 0);
}

TEST(VoiceTableReader, OptionsByFirstLetterAndTheLaterWins) {
  const VoiceTable table = read(
      "4,@2,o3,o-1\n"
      "5,@3,x9,V+2,Piano\n"
      "6,@4,V3,V\n"
      "7,@5,Octave -1,Volume +2\n"
      "8,@6,O2,v1,V-1,o+\n");
  expect_entry(table, 3, "@2", -1, 0);
  expect_entry(table, 4, "@3", 0, 2);
  expect_entry(table, 5, "@4", 0, 0);
  expect_entry(table, 6, "@5", -1, 2);
  expect_entry(table, 7, "@6", 1, -1);
  expect_only(table, {3, 4, 5, 6, 7});
}

TEST(VoiceTableReader, LaterLineSetsOnlyWhatItNames) {
  const VoiceTable table = read("5,@3,V+2,O-1\n5,@7\n6,@1,O2\n6,@8,V-1\n");
  expect_entry(table, 4, "@7", -1, 2);
  expect_entry(table, 5, "@8", 2, -1);
  expect_only(table, {4, 5});
}

TEST(VoiceTableReader, LinesTheTableCannotHoldAreSkipped) {
  const VoiceTable table = read(
      "\n"
      "\r\n"
      ",,\t,\r\n"
      "5\n"
      "5,\n"
      "3 @12\n"
      "0,@1,O2\n"
      "129,@1,V2\n"
      "-1,@1\n"
      "abc,@1\n"
      "99999999999999999999,@1\n"
      "4294967298,@1\n"
      "9,@2\n");
  expect_entry(table, 8, "@2", 0, 0);
  expect_only(table, {8});
}

TEST(VoiceTableReader, LineEndsAndZeroBytes) {
  // LF and CR LF lines, a last line without a line end, and a zero byte that
  // ends its line.
  const std::string file = std::string("1,@1 \r\n2,@2\n3,@3,V1\0,O5\n4,@4", 28);
  const VoiceTable table = read(file);
  expect_entry(table, 0, "@1 ", 0, 0);
  expect_entry(table, 1, "@2", 0, 0);
  expect_entry(table, 2, "@3", 0, 1);
  expect_entry(table, 3, "@4", 0, 0);
  expect_only(table, {0, 1, 2, 3});
}

TEST(VoiceTableReader, LongLinesAreReadWhole) {
  const std::string text(300, 'q');
  // 255 characters before ",2,@2": a reader that split the line there would
  // take the rest as a line for voice 2.
  const std::string long_line = "1,@1," + std::string(250, 'x') + ",2,@2\n";
  const VoiceTable table = read("3,@" + text + ",O1\n" + long_line + "4," + text + ",V2\n");
  expect_entry(table, 2, "@" + text, 1, 0);
  expect_entry(table, 0, "@1", 0, 0);
  expect_entry(table, 3, text, 0, 2);
  expect_only(table, {0, 2, 3});
}

// --- Writer -------------------------------------------------------------------------

TEST(VoiceTableWriter, OneLinePerUsedVoiceBelowTheCount) {
  Bytes bank = VoiceBankBuilder()
                   .voice("Piano")
                   .voice("Oboe 2")
                   .voice("Strings")
                   .voice("Brass")
                   .voice("Violin")
                   .voice("F")
                   .voice("G")
                   .voice("H")
                   .bytes();
  EXPECT_EQ(written(bank, {1, 4}), "2\t@0\t/* Oboe 2 */\r\n5\t@0\t/* Violin */\r\n");
  EXPECT_EQ(written(bank, {}), "");
  EXPECT_EQ(written(bank, {7, 8, 127}), "8\t@0\t/* H */\r\n");
}

TEST(VoiceTableWriter, VoiceCountOfZeroOrBelowWritesNothing) {
  for (const std::int16_t count : {0, -1, -32768}) {
    const Bytes bank = VoiceBankBuilder().voice("A").voice("B").voice_count(count).bytes();
    EXPECT_EQ(written(bank, {0, 1}), "") << count;
  }
  // Too short to hold a voice count.
  for (std::size_t size : {0u, 6u, 7u}) {
    Bytes bank = VoiceBankBuilder().voice("A").bytes();
    bank.resize(size);
    EXPECT_EQ(written(bank, {0}), "") << size;
  }
}

TEST(VoiceTableWriter, CountAbove128ListsVoices0To127Only) {
  VoiceBankBuilder builder;
  for (int n = 0; n < 130; ++n) builder.voice(std::string("v").append(std::to_string(n)));
  const Bytes bank = builder.voice_count(200).bytes();
  const VoiceBank voices{ByteView(bank)};
  UsedVoices used;
  used.set();
  StringSink out;
  TextOut text(out);
  write_voice_table_file(voices, used, text);
  text.flush();
  std::string expected;
  for (int n = 0; n < 128; ++n) {
    expected += std::to_string(n + 1) + "\t@0\t/* v" + std::to_string(n) + " */\r\n";
  }
  EXPECT_EQ(out.text, expected);
}

TEST(VoiceTableWriter, NamesAreCutAtTheRecordAndTheBank) {
  const std::string full(64, 'N');
  Bytes bank = VoiceBankBuilder().voice(full + "overflow").voice("Bass").voice("Cello").voice_count(5).bytes();
  // Record 2 keeps its first three bytes; records 3 and 4 are missing.
  bank.resize(16 + 64 * 2 + 3);
  EXPECT_EQ(written(bank, {0, 1, 2, 3, 4}),
            "1\t@0\t/* " + full + " */\r\n"
            "2\t@0\t/* Bass */\r\n"
            "3\t@0\t/* Cel */\r\n"
            "4\t@0\t/* #3 */\r\n"
            "5\t@0\t/* #4 */\r\n");
  // A record that starts exactly at the bank's end is missing too.
  bank.resize(16 + 64 * 2);
  EXPECT_EQ(written(bank, {2}), "3\t@0\t/* #2 */\r\n");
}

TEST(VoiceTableWriter, NameBytesAreKeptButDelimitersBecomeSpaces) {
  const Bytes bank = VoiceBankBuilder().voice("E.Piano, bright\t\xE9\x7F").voice("Bass,O2\r\nV-1").bytes();
  EXPECT_EQ(written(bank, {0, 1}),
            "1\t@0\t/* E.Piano  bright \xE9\x7F */\r\n"
            "2\t@0\t/* Bass O2  V-1 */\r\n");
  const VoiceTable table = read(written(bank, {0, 1}));
  expect_entry(table, 1, "@0", 0, 0);
}

TEST(VoiceTableWriter, ReadingBackAWrittenFileChangesNothingButTheTexts) {
  const Bytes bank = VoiceBankBuilder()
                         .voice("Oboe 2")
                         .voice("Violin")
                         .voice("Piano")
                         .voice("voice 5")
                         .voice("Organ -1")
                         .voice("")
                         .bytes();
  std::string file = written(bank, {0, 1, 2, 3, 4, 5});
  const VoiceTable table = read(file);
  for (int n = 0; n < 6; ++n) expect_entry(table, n, "@0", 0, 0);
  expect_only(table, {0, 1, 2, 3, 4, 5});
}
