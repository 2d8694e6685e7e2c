// The file names that one run derives from its arguments, checked by
// converting a one-note song "Intro" on a platform and looking at every file.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "tools/msc_builder.hpp"

namespace tonvert::test_support {

struct NamesCase {
  std::vector<std::string> arguments;
  std::string music_file;
  std::string voice_bank;
  std::string voice_table_file;
  std::string first_mml;
  std::vector<std::string> existing_directories;
};

inline void PrintTo(const NamesCase& c, std::ostream* os) {
  *os << "arguments";
  for (const auto& a : c.arguments) *os << " '" << a << "'";
}

// Runs the case on the platform: the run reads its inputs where the case
// says, prints only the voice table file's open message (in the platform's
// console line end) and writes exactly the MML file and the voice table file.
inline void expect_derived_names(const NamesCase& c, const Platform& platform) {
  MemoryEnvironment env(platform);
  for (const auto& directory : c.existing_directories) env.directories.insert(directory);
  build::MusicFileBuilder file;
  file.song("Intro").part().note("c4", build::L4);
  env.files[c.music_file] = file.bytes();
  env.files[c.voice_bank] = build::VoiceBankBuilder().bytes();

  EXPECT_EQ(run_conversion(c.arguments, env), 0);
  const std::string line_end = platform.message_line_end == "\n" ? "\n" : "\r\n";
  EXPECT_EQ(env.console, "cannot open '" + c.voice_table_file + "' for <r>" + line_end);
  ASSERT_TRUE(env.text_of(c.first_mml)) << c.first_mml;
  EXPECT_EQ(*env.text_of(c.first_mml),
            "#title \"Intro\"\r\n#timebase 48\r\n\r\n;===== FM part1 (chord:1) =====\r\n"
            "A C1 v88 l16 Q8 \r\nA t120o4c4\r\n");
  EXPECT_EQ(env.text_of(c.voice_table_file), "");
  // The music file, the voice bank, the MML file and the voice table file.
  EXPECT_EQ(env.files.size(), 4u);
}

}  // namespace tonvert::test_support
