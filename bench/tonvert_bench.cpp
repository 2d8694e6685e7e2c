// Throughput of the converter in memory, on generated collections:
//   BM_WriteSongs      every song of a collection through write_song into a
//                      sink that keeps nothing, as the conversion run renders
//                      them (input and MML rates);
//   BM_RunConversion   the whole run_conversion on a MemoryEnvironment;
//   BM_ReadVoiceTable  the .vct reader over a large voice table text.
// Each runs at several sizes and fits the cost against the size, which
// should come out linear (oN).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "bench/collection_generator.hpp"
#include "formats/music_file.hpp"
#include "formats/voice_table.hpp"
#include "mml/run_state.hpp"
#include "mml/song_writer.hpp"

namespace {

using tonvert::bench::Collection;

// Collections are made once per size and kept for the whole program.
const Collection& collection_of(int songs) {
  static std::map<int, Collection> made;
  auto found = made.find(songs);
  if (found == made.end()) found = made.emplace(songs, tonvert::bench::make_collection(songs)).first;
  return found->second;
}

// Takes the MML text a buffer at a time and keeps none of it, as a file
// would.
class DiscardingSink final : public tonvert::ByteSink {
 public:
  bool write(std::string_view bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    return true;
  }
};

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

// The song records of a well-formed music file, in file order.
std::vector<tonvert::SongRecord> songs_of(tonvert::ByteView file) {
  std::vector<tonvert::SongRecord> songs;
  std::size_t start = tonvert::file_header_size;
  for (int n = 0; n < tonvert::song_count(file); ++n) {
    const auto record = tonvert::record_at(file, start, tonvert::song_head_size);
    songs.emplace_back(record.bytes);
    start = record.next;
  }
  return songs;
}

// Rates in MB (10^6 bytes) per second of CPU time: in_MB (music file) and
// mml_MB (MML text); bytes_per_second is the input rate in binary units.
void set_rates(benchmark::State& state, std::size_t input_bytes, std::size_t output_bytes) {
  const auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(input_bytes) * state.iterations());
  state.counters["in_MB"] =
      benchmark::Counter(static_cast<double>(input_bytes) * iterations / 1e6, benchmark::Counter::kIsRate);
  state.counters["mml_MB"] =
      benchmark::Counter(static_cast<double>(output_bytes) * iterations / 1e6, benchmark::Counter::kIsRate);
  state.counters["input_size_MB"] = static_cast<double>(input_bytes) / 1e6;
  state.counters["output_size_MB"] = static_cast<double>(output_bytes) / 1e6;
}

void BM_WriteSongs(benchmark::State& state) {
  const Collection& collection = collection_of(static_cast<int>(state.range(0)));
  const tonvert::ByteView file(collection.music);
  const auto songs = songs_of(file);

  auto run = std::make_unique<tonvert::RunState>();
  run->voice_bank = tonvert::VoiceBank(tonvert::ByteView(collection.voice_bank));
  tonvert::read_voice_table_file(collection.voice_table, run->voices);

  DiscardingSink sink;
  std::size_t output_bytes = 0;
  for (auto _ : state) {
    output_bytes = 0;
    for (const auto& song : songs) {
      tonvert::SongOutput out(sink);
      run->song_tempo = 0;
      tonvert::write_song(song, *run, out);
      out.mml.flush();
      output_bytes += out.mml.size();
    }
    benchmark::ClobberMemory();
  }
  set_rates(state, collection.music.size(), output_bytes);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteSongs)
    ->RangeMultiplier(2)
    ->Range(256, 2048)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_RunConversion(benchmark::State& state) {
  const Collection& collection = collection_of(static_cast<int>(state.range(0)));
  tonvert::MemoryEnvironment environment;
  environment.files["tune.msc"] = collection.music;
  environment.files["tune.vce"] = collection.voice_bank;
  environment.files["tune.vct"] = bytes_of(collection.voice_table);
  const std::vector<std::string> arguments = {"tune"};

  int status = 0;
  for (auto _ : state) {
    environment.console.clear();
    environment.written.clear();
    status = tonvert::run_conversion(arguments, environment);
    benchmark::DoNotOptimize(status);
  }
  if (status != 0) state.SkipWithError("the conversion failed");

  std::size_t output_bytes = 0;
  for (const auto& [path, bytes] : environment.files) {
    if (path.rfind("tune/", 0) == 0) output_bytes += bytes.size();
  }
  set_rates(state, collection.music.size(), output_bytes);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RunConversion)
    ->RangeMultiplier(2)
    ->Range(256, 2048)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_ReadVoiceTable(benchmark::State& state) {
  const std::string text = tonvert::bench::make_voice_table_text(static_cast<std::size_t>(state.range(0)));
  auto table = std::make_unique<tonvert::VoiceTable>();
  for (auto _ : state) {
    tonvert::read_voice_table_file(text, *table);
    benchmark::DoNotOptimize(table->data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(text.size()) * state.iterations());
  state.counters["in_MB"] = benchmark::Counter(
      static_cast<double>(text.size()) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
  state.counters["lines"] = benchmark::Counter(
      static_cast<double>(state.range(0)) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadVoiceTable)
    ->RangeMultiplier(4)
    ->Range(1 << 14, 1 << 18)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
