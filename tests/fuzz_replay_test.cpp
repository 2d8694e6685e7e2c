// Replays the fuzzers' seeds and every input they once failed on, and sweeps
// the demo collection through every truncation and many single-byte flips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/fuzz/conversion_check.hpp"
#include "tests/fuzz/seeds.hpp"

namespace tonvert::fuzz {
namespace {

TEST(FuzzReplay, SeedsKeepEveryProperty) {
  const auto seeds = seed_inputs(TONVERT_SOURCE_DIR);
  ASSERT_GE(seeds.size(), 4u) << "the demo collection should be among the seeds";
  for (const auto& seed : seeds) EXPECT_EQ(check_conversion(seed), "");
}

TEST(FuzzReplay, RegressionInputsKeepEveryProperty) {
  const std::filesystem::path directory =
      std::filesystem::path(TONVERT_SOURCE_DIR) / "tests/fuzz/regressions";
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().filename() == "README.md") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(check_conversion(split_input(bytes.data(), bytes.size())), "") << entry.path();
  }
}

TEST(FuzzReplay, DemoSurvivesEveryTruncationAndByteFlips) {
  const auto seeds = seed_inputs(TONVERT_SOURCE_DIR);
  ASSERT_GE(seeds.size(), 4u);
  const InputFiles demo = seeds.back();
  for (std::size_t size = 0; size < demo.music_file.size(); ++size) {
    InputFiles cut = demo;
    cut.music_file.resize(size);
    ASSERT_EQ(check_conversion(cut), "") << "cut at " << size;
  }
  std::uint32_t random = 12345;
  for (int flip = 0; flip < 3000; ++flip) {
    random = random * 1103515245u + 12345u;
    InputFiles changed = demo;
    changed.music_file[(random >> 8) % changed.music_file.size()] ^=
        static_cast<std::uint8_t>(1u << (random >> 28 & 7));
    ASSERT_EQ(check_conversion(changed), "") << "flip " << flip;
  }
}

}  // namespace
}  // namespace tonvert::fuzz
