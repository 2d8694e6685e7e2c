#include "tests/fuzz/seeds.hpp"

#include <fstream>
#include <iterator>

#include "tools/msc_builder.hpp"

namespace tonvert::fuzz {
namespace {

using namespace tonvert::build;

std::optional<std::vector<std::uint8_t>> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> bank() {
  return VoiceBankBuilder().voice("Piano").voice("Oboe 2").voice("Violin").bytes();
}

std::vector<std::uint8_t> text(std::string_view s) { return {s.begin(), s.end()}; }

InputFiles every_kind() {
  MusicFileBuilder music;
  SongBuilder& song = music.song("Every kind");
  song.part(PartFlags::psg)
      .tempo(132).key(0x07).time(0x13).volume(6).voice(1).gate(5).lfo(1).portamento()
      .note("c4", L4).note("f-4", L8, Dot::dotted, art::staccato).note("f4", L16)
      .bar(Mark::repeat_open).note("g4", L4, Dot::plain, art::slur).note("g4", L4)
      .bar(Mark::repeat_break).note_shift().note("a4", L4).bar(0x12)
      .loop_start(0x40).octave_shift(1).note("b4", L2, Dot::triplet).bar(Mark::repeat_break)
      .loop_end(0x43).bar(Mark::block_open).rest(whole_bar).bar(Mark::block_close)
      .control(1, 0).control(13, 0).end().note("c5", L1);
  song.part(PartFlags::chord)
      .key(0x83).chord("c4", "e4", "g4", L2).chord("c+4", "r", "e4", L4)
      .chord("r", "e4", "g4", L4, Dot::plain, art::slur).chord("d4", "f+4", "a4", L1);
  song.part(PartFlags::noise | PartFlags::psg).note("c2", L8).rest(L8).loop_start(0x80).loop_end(0xA0);
  music.song("Second").part().note("e3", L64, Dot::double_dotted).voice(40).end();
  return {music.bytes(), bank(), std::nullopt};
}

InputFiles with_voice_table() {
  InputFiles files = every_kind();
  files.voice_table_file = text("1,@1 q6,V-2\r\n2\t@12\tO-1\n3,@7,Octave +1,v+\n");
  return files;
}

InputFiles broken_records() {
  MusicFileBuilder music;
  music.song("Cut").part().note("c4", L4).note("d4", L4).record_size(300);
  music.song("Bad").record_size(8);
  return {music.bytes(), bank(), std::nullopt};
}

}  // namespace

std::vector<InputFiles> seed_inputs(const std::string& source_dir) {
  std::vector<InputFiles> seeds = {every_kind(), with_voice_table(), broken_records()};
  const auto demo = read_file(source_dir + "/examples/demo.msc");
  const auto demo_bank = read_file(source_dir + "/examples/demo.vce");
  if (demo && demo_bank) seeds.push_back({*demo, *demo_bank, std::nullopt});
  return seeds;
}

}  // namespace tonvert::fuzz
