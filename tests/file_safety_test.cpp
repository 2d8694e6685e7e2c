// The built program when things go wrong around the conversion: special
// files in place of inputs and outputs, a file size limit, files it may not
// write, symbolic links, an output that would replace an input, a console
// that cannot be written, a kill halfway and two runs into one directory.
// Whatever happens, every file under an MML or voice table file name is
// whole, and the status says whether the run did its work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "tests/support/program_directory.hpp"

namespace fs = std::filesystem;
using namespace tonvert::build;
using tonvert::testing_support::ProgramDirectory;
using tonvert::testing_support::ProgramOptions;
using tonvert::testing_support::ProgramResult;

namespace {

const std::string vct_r_message = "cannot open 'tune.vct' for <r>\n";
const std::string intro_mml =
    "#title \"Intro\"\r\n#timebase 48\r\n"
    "\r\n;===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 \r\nA @0/* Piano */ t120o4c4\r\n";

class FileSafety : public ProgramDirectory {
 protected:
  // The hidden temporary files left in a directory.
  std::set<std::string> temporaries(const std::string& directory) const {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_ / directory)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".tonvert-", 0) == 0) found.insert(name);
    }
    return found;
  }

  // Songs "S1" to "Sn" whose MML files are large: each part changes voice
  // many times, and the voice table file gives the voice a long text.
  void put_large_collection(const std::string& base, int songs, const std::string& voice_text) {
    MusicFileBuilder file;
    for (int n = 1; n <= songs; ++n) {
      PartBuilder& part = file.song(std::string("S").append(std::to_string(n))).part();
      for (int i = 0; i < 400; ++i) part.voice(0).note("c4", L4);
    }
    put(base + ".msc", file.bytes());
    put(base + ".vce", VoiceBankBuilder().voice("Piano").bytes());
    put(base + ".vct", "1," + voice_text + "\r\n");
  }

  // Starts the program without waiting for it; its console goes nowhere.
  pid_t start(const std::vector<std::string>& arguments) {
    std::vector<std::string> text{TONVERT_BINARY};
    text.insert(text.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : text) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string directory = dir_.string();
    const pid_t child = ::fork();
    if (child == 0) {
      const int null_file = ::open("/dev/null", O_RDWR);
      if (::chdir(directory.c_str()) != 0 || null_file < 0 || ::dup2(null_file, 1) < 0) ::_exit(126);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return child;
  }
  static int wait_for(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

}  // namespace

TEST_F(FileSafety, SpecialFilesAreRefusedAtOnce) {
  struct Case {
    const char* fifo;
    std::string out;
    int status;
  };
  const Case cases[] = {
      {"tune.msc", "cannot open 'tune.msc' for <rb>\n", 1},
      {"tune.vce", "cannot open 'tune.vce' for <rb>\n", 1},
      {"tune.vct", vct_r_message + "cannot open 'tune.vct' for <w>\n", 0},
      {"tune/01 Intro.mml", vct_r_message + "cannot open 'tune/01 Intro.mml' for <w>\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fifo);
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tune");
    put_tune();
    fs::remove(dir_ / c.fifo);
    ASSERT_EQ(::mkfifo((dir_ / c.fifo).c_str(), 0666), 0);
    ProgramOptions options;
    options.time_limit_ms = 10000;
    const ProgramResult result = run({"tune"}, options);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_TRUE(fs::is_fifo(dir_ / c.fifo));
  }
}

TEST_F(FileSafety, FileSizeLimitKeepsWhatTheFilesHeld) {
  // The song's MML is larger than the limit: the old file stays.
  MusicFileBuilder file;
  PartBuilder& part = file.song("Long").part();
  for (int i = 0; i < 2000; ++i) part.note("c4", L16);
  put("tune.msc", file.bytes());
  put("tune.vce", VoiceBankBuilder().bytes());
  put("tune/01 Long.mml", std::string("old"));
  ProgramOptions options;
  options.file_size_limit = 1024;
  ProgramResult result = run({"tune"}, options);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, vct_r_message + "cannot write 'tune/01 Long.mml'\n");
  EXPECT_EQ(contents("tune/01 Long.mml"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce", "tune/", "tune/01 Long.mml"}));

  // The voice table file of 128 long names is larger than the limit, the
  // songs' files are not: no voice table file is left behind, so the next
  // run lists every voice again.
  MusicFileBuilder voices;
  VoiceBankBuilder bank;
  for (int n = 0; n < 128; ++n) {
    voices.song(std::string("V").append(std::to_string(n))).part().voice(static_cast<std::uint8_t>(n));
    bank.voice(std::string(60, static_cast<char>('a' + n % 26)));
  }
  put("tune.msc", voices.bytes());
  put("tune.vce", bank.bytes());
  result = run({"tune"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message + "cannot write 'tune.vct'\n");
  EXPECT_FALSE(fs::exists(dir_ / "tune.vct"));
  EXPECT_TRUE(temporaries(".").empty());
  result = run({"tune"});
  EXPECT_EQ(result.out, vct_r_message);
  const std::string listed = contents("tune.vct").value_or("");
  EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 128);
}

TEST_F(FileSafety, FileThatMayNotBeWrittenIsNotReplaced) {
  // As root every file may be written, so the run gets an ordinary user's
  // rights; the directories let that user in.
  put_tune();
  put("tune/01 Intro.mml", std::string("read only"));
  fs::permissions(dir_, fs::perms::all);
  fs::permissions(dir_ / "tune", fs::perms::all);
  fs::permissions(dir_ / "tune/01 Intro.mml", fs::perms::owner_read | fs::perms::group_read |
                                                   fs::perms::others_read);
  ProgramOptions options;
  options.as_ordinary_user = true;
  const ProgramResult result = run({"tune"}, options);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, vct_r_message + "cannot open 'tune/01 Intro.mml' for <w>\n");
  EXPECT_EQ(contents("tune/01 Intro.mml"), "read only");
  EXPECT_TRUE(temporaries("tune").empty());
}

TEST_F(FileSafety, ReplacedFileKeepsItsPermissionBits) {
  put_tune();
  put("tune/01 Intro.mml", std::string("old"));
  fs::permissions(dir_ / "tune/01 Intro.mml", fs::perms::owner_read | fs::perms::owner_write |
                                                   fs::perms::group_read);
  EXPECT_EQ(run({"tune"}).status, 0);
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(fs::status(dir_ / "tune/01 Intro.mml").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileSafety, SymbolicLinkAtAnOutputNameLeadsToTheFileReplaced) {
  put_tune();
  put("kept/intro.mml", std::string("old"));
  fs::create_directories(dir_ / "tune");
  fs::create_symlink("../kept/intro.mml", dir_ / "tune/01 Intro.mml");
  fs::create_symlink("kept/voices.vct", dir_ / "tune.vct");  // leads nowhere yet
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "tune/01 Intro.mml"));
  EXPECT_EQ(contents("kept/intro.mml"), intro_mml);
  EXPECT_TRUE(fs::is_symlink(dir_ / "tune.vct"));
  EXPECT_EQ(contents("kept/voices.vct"), "1\t@0\t/* Piano */\r\n");
}

TEST_F(FileSafety, OutputNeverReplacesAnInput) {
  // The music file is named as its first song's MML file would be.
  MusicFileBuilder file;
  file.song("Intro").part().note("c4", L4);
  const Bytes music = file.bytes();
  put("01 Intro.mml", music);
  put("01 Intro.vce", VoiceBankBuilder().bytes());
  const ProgramResult result = run({"01 Intro.mml", "."});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "cannot open '01 Intro.vct' for <r>\ncannot open './01 Intro.mml' for <w>\n");
  EXPECT_EQ(contents("01 Intro.mml"), std::string(music.begin(), music.end()));
}

TEST_F(FileSafety, ConsoleThatCannotBeWrittenFailsTheRunButNotTheFiles) {
  put_tune();
  ProgramOptions options;
  options.standard_output = "/dev/full";
  ProgramResult result = run({"tune"}, options);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "tonvert: cannot write to standard output: No space left on device\n");
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(contents("tune.vct"), "1\t@0\t/* Piano */\r\n");

  // A run with nothing to say has nothing to lose.
  result = run({"tune"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
}

TEST_F(FileSafety, KilledRunLeavesNoCutFile) {
  put_large_collection("tune", 12, std::string(3000, 'x'));
  ASSERT_EQ(run({"tune", "whole"}).status, 0);
  for (const int delay_ms : {1, 4, 8, 15}) {
    SCOPED_TRACE(delay_ms);
    const pid_t child = start({"tune", "cut"});
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    ::kill(child, SIGKILL);
    wait_for(child);
    if (!fs::exists(dir_ / "cut")) continue;
    for (const auto& entry : fs::directory_iterator(dir_ / "cut")) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".tonvert-", 0) == 0) continue;
      EXPECT_EQ(contents("cut/" + name), contents("whole/" + name)) << name;
    }
    EXPECT_LE(temporaries("cut").size(), 1u);
    for (const auto& name : temporaries("cut")) fs::remove(dir_ / "cut" / name);
  }
}

TEST_F(FileSafety, TwoRunsIntoOneDirectoryLeaveEachFileWhole) {
  put_large_collection("a", 8, std::string(2000, 'a'));
  put_large_collection("b", 8, std::string(2000, 'b'));
  ASSERT_EQ(run({"a", "only-a"}).status, 0);
  ASSERT_EQ(run({"b", "only-b"}).status, 0);
  fs::create_directories(dir_ / "both");
  const pid_t first = start({"a", "both"});
  const pid_t second = start({"b", "both"});
  EXPECT_EQ(wait_for(first), 0);
  EXPECT_EQ(wait_for(second), 0);
  for (int n = 1; n <= 8; ++n) {
    const std::string name = (n < 10 ? "0" : "") + std::to_string(n) + " S" + std::to_string(n) + ".mml";
    const auto found = contents("both/" + name);
    EXPECT_TRUE(found == contents("only-a/" + name) || found == contents("only-b/" + name)) << name;
  }
  EXPECT_TRUE(temporaries("both").empty());
}
