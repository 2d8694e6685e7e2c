// Fuzzes the writers with well-formed records around random event streams,
// so that loops, repeats, ties, chords and voice changes are reached deep
// inside parts rather than stopped at the header or a record size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/conversion_check.hpp"
#include "tools/msc_builder.hpp"

namespace {

using namespace tonvert::build;

std::uint8_t pitch_byte(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: return rest_byte;
    case 1: return in.ConsumeIntegral<std::uint8_t>();
    default: {
      // A letter, octave and accidental from a small set, so that ties
      // (equal pitch bytes) and measure accidentals meet often.
      const auto letter = in.ConsumeIntegralInRange(0, 6);
      const auto octave = in.ConsumeIntegralInRange(2, 5);
      const auto accidental = in.ConsumeIntegralInRange(0, 3);
      return static_cast<std::uint8_t>(accidental << 6 | octave << 3 | letter);
    }
  }
}

std::uint8_t control_parameter(FuzzedDataProvider& in, std::uint8_t kind) {
  static constexpr std::uint8_t bar_marks[] = {0x02, 0x12, 0x05, 0x08, 0x09, 0x19, 0x0C, 0x00};
  static constexpr std::uint8_t loop_ids[] = {0x40, 0x80, 0x00, 0x41};
  static constexpr std::uint8_t loop_ends[] = {0x40, 0x43, 0x80, 0x81, 0xA0, 0x60};
  if (in.ConsumeBool()) return in.ConsumeIntegral<std::uint8_t>();
  switch (kind) {
    case 4: return bar_marks[in.ConsumeIntegralInRange<std::size_t>(0, 7)];
    case 14: return loop_ids[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
    case 15: return loop_ends[in.ConsumeIntegralInRange<std::size_t>(0, 5)];
    case 7: return in.ConsumeIntegralInRange<std::uint8_t>(0, 9);
    default: return in.ConsumeIntegralInRange<std::uint8_t>(0, 12);
  }
}

void add_events(FuzzedDataProvider& in, PartBuilder& part) {
  const int events = in.ConsumeIntegralInRange(0, 96);
  for (int e = 0; e < events && in.remaining_bytes() > 0; ++e) {
    if (in.ConsumeIntegralInRange(0, 9) < 6) {
      const auto kind = static_cast<std::uint8_t>(in.ConsumeIntegralInRange(16, 255));
      const std::uint8_t p1 = pitch_byte(in);
      const std::uint8_t p2 = pitch_byte(in);
      part.note_bytes(kind, p1, p2, pitch_byte(in));
    } else {
      const auto kind = static_cast<std::uint8_t>(in.ConsumeIntegralInRange(1, 16) % 16);
      part.control(kind, control_parameter(in, kind));
    }
  }
}

std::vector<std::uint8_t> voice_table_text(FuzzedDataProvider& in) {
  std::string text;
  const int lines = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < lines; ++i) {
    text += std::to_string(in.ConsumeIntegralInRange(0, 12)) + ",@" +
            std::to_string(in.ConsumeIntegralInRange(0, 99));
    if (in.ConsumeBool()) text += ",O" + in.ConsumeBytesAsString(2);
    if (in.ConsumeBool()) text += ",v" + in.ConsumeBytesAsString(2);
    text += in.ConsumeBool() ? "\r\n" : "\n";
  }
  return {text.begin(), text.end()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  tonvert::fuzz::InputFiles files;

  VoiceBankBuilder bank;
  const int voices = in.ConsumeIntegralInRange(0, 6);
  for (int v = 0; v < voices; ++v) bank.voice(in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 12)));
  files.voice_bank = bank.bytes();
  if (in.ConsumeBool()) files.voice_table_file = voice_table_text(in);

  MusicFileBuilder music;
  const int songs = in.ConsumeIntegralInRange(1, 4);
  for (int s = 0; s < songs; ++s) {
    SongBuilder& song = music.song(in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 8)));
    const int parts = in.ConsumeIntegralInRange(1, 4);
    for (int p = 0; p < parts; ++p) add_events(in, song.part(in.ConsumeIntegral<std::uint8_t>()));
  }
  files.music_file = music.bytes();

  const std::string failure = tonvert::fuzz::check_conversion(files);
  if (!failure.empty()) {
    std::fprintf(stderr, "property failed: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
