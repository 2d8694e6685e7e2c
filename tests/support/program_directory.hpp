// A test that runs the built program in a fresh temporary directory and
// looks at its output, its status and the files it leaves. Nothing may go to
// standard error unless a test says otherwise.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#include "tools/msc_builder.hpp"

namespace tonvert::testing_support {

namespace fs = std::filesystem;
using build::Bytes;
using build::L4;
using build::MusicFileBuilder;
using build::VoiceBankBuilder;

class ProgramDirectory : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tonvert-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  ProgramResult run(const std::vector<std::string>& arguments, const ProgramOptions& options = {}) {
    ProgramResult result = run_program(TONVERT_BINARY, arguments, dir_.string(), options);
    // A run whose console goes to a file checks its own error stream.
    if (!options.standard_output) {
      EXPECT_EQ(result.err, "");
    }
    return result;
  }

  void put(const std::string& path, const Bytes& bytes) {
    fs::create_directories((dir_ / path).parent_path());
    std::ofstream out(dir_ / path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void put(const std::string& path, const std::string& text) { put(path, Bytes(text.begin(), text.end())); }

  std::optional<std::string> contents(const std::string& path) const {
    std::ifstream in(dir_ / path, std::ios::binary);
    if (!in || fs::is_directory(dir_ / path)) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every file and directory below the temporary directory, directories
  // with a trailing '/'.
  std::set<std::string> entries() const {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      std::string name = fs::relative(entry.path(), dir_).string();
      if (entry.is_directory()) name += '/';
      found.insert(name);
    }
    return found;
  }

  // The inputs of a run: tune.msc with one song "Intro" that changes to
  // voice 0 and plays c4, and tune.vce naming voice 0 "Piano".
  void put_tune(const std::string& base = "tune") {
    MusicFileBuilder file;
    file.song("Intro").part().voice(0).note("c4", L4);
    put(base + ".msc", file.bytes());
    put(base + ".vce", VoiceBankBuilder().voice("Piano").bytes());
  }

  fs::path dir_;
};

}  // namespace tonvert::testing_support
