#include <gtest/gtest.h>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "tools/msc_builder.hpp"

using namespace tonvert;
using namespace tonvert::build;

TEST(Smoke, WorkedExample) {
  MusicFileBuilder file;
  file.song("Intro")
      .part(PartFlags::psg)
      .note("c4", L4)
      .note("d4", L8, Dot::dotted, art::staccato)
      .note("e4", L16, Dot::plain, art::staccato)
      .note("g4", L2, Dot::plain, art::slur)
      .note("g4", L2)
      .end();
  MemoryEnvironment env;
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = VoiceBankBuilder().bytes();
  EXPECT_EQ(run_conversion({"tune"}, env), 0);
  EXPECT_EQ(env.console, "cannot open 'tune.vct' for <r>\n");
  EXPECT_EQ(*env.text_of("tune/01 Intro.mml"),
            "#title \"Intro\"\r\n#timebase 48\r\n"
            "\r\n;===== PSG part1 (chord:1) =====\r\nA C1 v88 l16 Q8 @80 \r\nA t120o4c4Q4d8.eg2& | r2\r\n");
  EXPECT_EQ(*env.text_of("tune.vct"), "");
}
