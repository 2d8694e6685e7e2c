// The listing of tonvert-dump marks every warning the converter prints, with
// the same words and in the same order, so that grepping the listing for a
// warning finds each note it is about: on the demo collection and on
// generated collections full of keys, accidentals, ties, chords and loops.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/dump/music_listing.hpp"
#include "app/memory_environment.hpp"
#include "bench/collection_generator.hpp"

using namespace tonvert;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The lines of `text` that hold "*** ", from there up to the details that
// the listing adds after ": ".
std::vector<std::string> warnings_in(const std::string& text) {
  std::vector<std::string> found;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto start = line.find("*** ");
    if (start == std::string::npos) continue;
    const auto detail = line.find(": ", start);
    found.push_back(line.substr(start, detail == std::string::npos ? detail : detail - start));
  }
  return found;
}

std::vector<std::string> converter_warnings(const Bytes& music, const Bytes& bank) {
  MemoryEnvironment env;
  env.files["c.msc"] = music;
  env.files["c.vce"] = bank;
  env.files["c.vct"] = {};
  EXPECT_EQ(run_conversion({"c"}, env), 0);
  return warnings_in(env.console);
}

long count_of(const std::vector<std::string>& warnings, const std::string& what) {
  long count = 0;
  for (const auto& w : warnings) count += w.starts_with("*** " + what + " in [") ? 1 : 0;
  return count;
}

// Returns the converter's warnings.
std::vector<std::string> expect_listing_marks_every_warning(const Bytes& music, const Bytes& bank) {
  const auto printed = converter_warnings(music, bank);
  const auto marked = warnings_in(music_listing(ByteView(music), VoiceBank(ByteView(bank))));
  EXPECT_EQ(count_of(marked, "fix natural"), count_of(printed, "fix natural"));
  EXPECT_EQ(count_of(marked, "skip '['"), count_of(printed, "skip '['"));
  EXPECT_EQ(marked, printed);
  return printed;
}

}  // namespace

TEST(WarningAgreement, DemoCollection) {
  const auto read = [](const std::string& name) {
    std::ifstream in(std::string(TONVERT_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  expect_listing_marks_every_warning(read("demo.msc"), read("demo.vce"));
}

TEST(WarningAgreement, GeneratedCollections) {
  for (const std::uint64_t seed : {bench::default_seed, std::uint64_t{1}, std::uint64_t{2},
                                   std::uint64_t{0x7E57}}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const bench::Collection collection = bench::make_collection(40, seed);
    const auto printed = expect_listing_marks_every_warning(collection.music, collection.voice_bank);
    EXPECT_GT(count_of(printed, "fix natural"), 0);
  }
}
