// Runs a whole conversion over a music file built in memory and hands back
// what it produced: the exit status, the console, every MML file in song
// order and the voice table file.
//
// MML and voice table texts come back with their CR LF line ends turned into
// "\n", so that expected texts read naturally; a CR or LF that is not part of
// a CR LF pair is shown as "<CR>" or "<LF>", so a wrong line end still fails.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "tools/msc_builder.hpp"

namespace tonvert::test_support {

inline std::string lf_text(std::string_view crlf) {
  std::string out;
  for (std::size_t i = 0; i < crlf.size(); ++i) {
    const char c = crlf[i];
    if (c == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') {
      out += '\n';
      ++i;
    } else if (c == '\r') {
      out += "<CR>";
    } else if (c == '\n') {
      out += "<LF>";
    } else {
      out += c;
    }
  }
  return out;
}

struct Inputs {
  // The voice table file beside the music file; none: no such file, so the
  // run prints its open message and writes one at the end. The default is an
  // existing empty file, which keeps the console to the writers' warnings.
  std::optional<std::string> vct = std::string();
  build::VoiceBankBuilder bank;
};

struct Conversion {
  int status = -1;
  std::string console;
  std::vector<std::string> mml;     // "tune/NN title.mml", in song order
  std::optional<std::string> vct;   // tune.vct after the run
};

inline Conversion convert(const build::MusicFileBuilder& file, const Inputs& inputs = {}) {
  MemoryEnvironment env;
  env.files["tune.msc"] = file.bytes();
  env.files["tune.vce"] = inputs.bank.bytes();
  if (inputs.vct) env.files["tune.vct"].assign(inputs.vct->begin(), inputs.vct->end());
  Conversion result;
  result.status = run_conversion({"tune"}, env);
  result.console = env.console;
  for (const auto& [path, bytes] : env.files) {  // std::map: "01 ..." before "02 ..."
    if (path.rfind("tune/", 0) == 0 && path.size() > 4 &&
        path.compare(path.size() - 4, 4, ".mml") == 0) {
      result.mml.push_back(lf_text(std::string(bytes.begin(), bytes.end())));
    }
  }
  if (const auto vct = env.text_of("tune.vct")) result.vct = lf_text(*vct);
  return result;
}

using Events = std::function<void(build::PartBuilder&)>;

// A one-song, one-part file: song "T", the part with the given flags.
inline Conversion convert_part(const Events& events, std::uint8_t flags = build::PartFlags::fm,
                               const Inputs& inputs = {}) {
  build::MusicFileBuilder file;
  events(file.song("T").part(flags));
  return convert(file, inputs);
}

inline std::string song_head(std::string_view title = "T") {
  return "#title \"" + std::string(title) + "\"\n#timebase 48\n";
}

// The comment line and the settings line of a part, up to the end of the
// settings line's text.
inline std::string part_head(int index = 0, std::string_view type = "FM", int chord = 1,
                             bool psg = false) {
  std::string text = "\n;===== " + std::string(type) + " part" + std::to_string(index + 1) +
                     " (chord:" + std::to_string(chord) + ") =====\n";
  text += static_cast<char>('A' + index);
  text += " C" + std::to_string(index + 1) + " v88 l16 Q8 ";
  if (psg) text += "@80 ";
  return text;
}

// The whole MML text of song "T" with one FM part whose text after the
// settings line is `body`.
inline std::string fm_mml(std::string_view body) {
  return song_head() + part_head() + std::string(body);
}

// Same, for a part with three pitch bytes per note (part flags 0x04).
inline std::string chord_mml(std::string_view body) {
  return song_head() + part_head(0, "FM", 2) + std::string(body);
}

// One part's events and the text they must give.
struct BodyCase {
  const char* name;
  Events events;
  const char* body;          // the part's text after its settings line
  const char* console = "";  // the whole console
};

// Converts each case as the one part of song "T" and checks the whole MML
// text, the whole console and the status.
inline void expect_bodies(const std::vector<BodyCase>& cases, const Inputs& inputs = {},
                          std::uint8_t flags = build::PartFlags::fm) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = convert_part(c.events, flags, inputs);
    ASSERT_EQ(r.mml.size(), 1u);
    const std::string head = (flags & 0x0C) != 0 ? chord_mml("") : fm_mml("");
    EXPECT_EQ(r.mml[0], head + c.body);
    EXPECT_EQ(r.console, c.console);
    EXPECT_EQ(r.status, 0);
  }
}

}  // namespace tonvert::test_support
