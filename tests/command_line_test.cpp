// The built program on a real file system: each test runs it in a fresh
// temporary directory and looks at its output, its status and the files it
// leaves. Nothing may go to standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>

#include "tests/support/program_directory.hpp"

namespace fs = std::filesystem;
using namespace tonvert::build;
using tonvert::testing_support::ProgramDirectory;
using tonvert::testing_support::ProgramResult;

namespace {

const std::string vct_r_message = "cannot open 'tune.vct' for <r>\n";

class CommandLine : public ProgramDirectory {};

const std::string intro_mml =
    "#title \"Intro\"\r\n#timebase 48\r\n"
    "\r\n;===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 \r\nA @0/* Piano */ t120o4c4\r\n";
const std::string intro_vct = "1\t@0\t/* Piano */\r\n";

}  // namespace

TEST_F(CommandLine, NoArgumentPrintsTheUsageBanner) {
  put_tune();
  const ProgramResult result = run({});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "tonvert: converts an OSTREL music file into MML files, one per song\n"
            "usage: tonvert <OSTREL music file(AAA.msc)> [MML files path]\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce"}));
}

// --help, -h and --version answer on standard output with status 0 and touch
// no file; a music file named like an option is reached through "./".
TEST_F(CommandLine, HelpAndVersionAnswerWithoutConverting) {
  put_tune();
  const ProgramResult help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out,
            "tonvert: converts an OSTREL music file into MML files, one per song\n"
            "usage: tonvert <OSTREL music file(AAA.msc)> [MML files path]\n"
            "\n"
            "Reads   NAME.msc (the music file), NAME.vce (its voice bank) and NAME.vct\n"
            "        (the voice table file) when there is one.\n"
            "Writes  one MML file per song, \"NN Title.mml\", into NAME/ or the directory\n"
            "        given as argument 2, and NAME.vct when none was read.\n"
            "\n"
            "The voice table file, NAME.vct:\n"
            "  1. The first run writes it: one line per voice, \"2<TAB>@0<TAB>/* Name */\".\n"
            "  2. Edit field 2, options after commas (spaces belong to the text):\n"
            "     2,@12 q6,O-1,V+1     Check it with: tonvert-dump NAME.vct\n"
            "  3. Run again: the file is read, applied and never rewritten.\n"
            "\n"
            "tonvert --help, -h   this text        tonvert --version   the version\n"
            "A music file named like an option is reached as ./--help.\n"
            "See man tonvert.\n");
  const ProgramResult short_help = run({"-h", "tune.msc"});
  EXPECT_EQ(short_help.status, 0);
  EXPECT_EQ(short_help.out, help.out);
  const ProgramResult version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tonvert " TONVERT_VERSION "\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce"}));

  put_tune("--help");
  const ProgramResult file_named_help = run({"./--help"});
  EXPECT_EQ(file_named_help.status, 0);
  EXPECT_EQ(file_named_help.out, "cannot open './--help.vct' for <r>\n");
  EXPECT_EQ(contents("--help/01 Intro.mml"), intro_mml);
}

TEST_F(CommandLine, MissingMusicFile) {
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "cannot open 'tune.msc' for <rb>\n");
  EXPECT_TRUE(entries().empty());
}

TEST_F(CommandLine, MissingVoiceBank) {
  put_tune();
  fs::remove(dir_ / "tune.vce");
  const ProgramResult result = run({"tune.msc"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "cannot open 'tune.vce' for <rb>\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc"}));
}

TEST_F(CommandLine, FirstRunWritesTheVoiceTableFileAndSecondRunKeepsIt) {
  put_tune();
  ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message);
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(contents("tune.vct"), intro_vct);
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce", "tune.vct", "tune/",
                                              "tune/01 Intro.mml"}));

  // Age the voice table file so that a rewrite would show in its time.
  const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ / "tune.vct").c_str(), old_times, 0), 0);
  result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(contents("tune.vct"), intro_vct);
  struct stat status {};
  ASSERT_EQ(::stat((dir_ / "tune.vct").c_str(), &status), 0);
  EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
}

TEST_F(CommandLine, EditedVoiceTableFileIsApplied) {
  put_tune();
  put("tune.vct", std::string("1,@5 q7,V-1,O1\r\n"));
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(contents("tune/01 Intro.mml"),
            "#title \"Intro\"\r\n#timebase 48\r\n"
            "\r\n;===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 \r\nA @5 q7/* Piano */ t120o5c4\r\n");
  EXPECT_EQ(contents("tune.vct"), "1,@5 q7,V-1,O1\r\n");
}

TEST_F(CommandLine, OutputDirectoryArgument) {
  put_tune();
  const ProgramResult result = run({"tune", "out"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message);
  EXPECT_EQ(contents("out/01 Intro.mml"), intro_mml);
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce", "tune.vct", "out/",
                                              "out/01 Intro.mml"}));
}

TEST_F(CommandLine, OutputDirectoryWithTrailingSeparator) {
  put_tune();
  const ProgramResult result = run({"tune", "out/"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message);
  EXPECT_EQ(contents("out/01 Intro.mml"), intro_mml);
}

TEST_F(CommandLine, OutputDirectoryWhoseParentIsMissing) {
  put_tune();
  const ProgramResult result = run({"tune", "no/such"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, vct_r_message + "cannot open 'no/such/01 Intro.mml' for <w>\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce"}));
}

TEST_F(CommandLine, MmlFileThatCannotBeOpenedStopsAfterTheEarlierSongs) {
  MusicFileBuilder file;
  file.song("A").part().note("c4", L4);
  file.song("B").part().note("d4", L4);
  file.song("C").part().note("e4", L4);
  put("tune.msc", file.bytes());
  put("tune.vce", VoiceBankBuilder().bytes());
  fs::create_directories(dir_ / "tune" / "02 B.mml");
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, vct_r_message + "cannot open 'tune/02 B.mml' for <w>\n");
  EXPECT_EQ(contents("tune/01 A.mml"),
            "#title \"A\"\r\n#timebase 48\r\n"
            "\r\n;===== FM part1 (chord:1) =====\r\nA C1 v88 l16 Q8 \r\nA t120o4c4\r\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce", "tune/", "tune/01 A.mml",
                                              "tune/02 B.mml/"}));
}

TEST_F(CommandLine, VoiceTableFileThatCannotBeOpenedEitherWay) {
  put_tune();
  fs::create_directories(dir_ / "tune.vct");
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message + "cannot open 'tune.vct' for <w>\n");
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
}

TEST_F(CommandLine, ExistingMmlFilesAreOverwrittenAndOtherFilesLeftAlone) {
  put_tune();
  put("tune/01 Intro.mml", std::string(500, 'z'));
  put("tune/02 Other.mml", std::string("keep me"));
  put("tune/notes.txt", std::string("keep me too"));
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(contents("tune/02 Other.mml"), "keep me");
  EXPECT_EQ(contents("tune/notes.txt"), "keep me too");
}

TEST_F(CommandLine, ExplicitCurrentDirectoryInArgumentOne) {
  put_tune();
  const ProgramResult result = run({"./tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "cannot open './tune.vct' for <r>\n");
  EXPECT_EQ(contents("tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(contents("tune.vct"), intro_vct);
}

TEST_F(CommandLine, DotInADirectoryNameIsNoExtension) {
  put_tune("a.b/tune");
  const ProgramResult result = run({"a.b/tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "cannot open 'a.b/tune.vct' for <r>\n");
  EXPECT_EQ(contents("a.b/tune/01 Intro.mml"), intro_mml);
  EXPECT_EQ(entries(), (std::set<std::string>{"a.b/", "a.b/tune.msc", "a.b/tune.vce",
                                              "a.b/tune.vct", "a.b/tune/",
                                              "a.b/tune/01 Intro.mml"}));
}

TEST_F(CommandLine, EmptyOutputDirectoryIsTheCurrentOne) {
  put_tune();
  const ProgramResult result = run({"tune", ""});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message);
  EXPECT_EQ(contents("01 Intro.mml"), intro_mml);
  EXPECT_EQ(entries(),
            (std::set<std::string>{"tune.msc", "tune.vce", "tune.vct", "01 Intro.mml"}));
}

TEST_F(CommandLine, SlashInATitleStaysInsideTheOutputDirectory) {
  MusicFileBuilder file;
  file.song("A/B");
  put("tune.msc", file.bytes());
  put("tune.vce", VoiceBankBuilder().bytes());
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message);
  EXPECT_EQ(contents("tune/01 A_B.mml"), "#title \"A/B\"\r\n#timebase 48\r\n");
  EXPECT_EQ(entries(),
            (std::set<std::string>{"tune.msc", "tune.vce", "tune.vct", "tune/", "tune/01 A_B.mml"}));
}

TEST_F(CommandLine, BadHeaderFailsAndCreatesNothing) {
  MusicFileBuilder file;
  file.magic("MSC!");
  file.song("Intro").part().voice(0).note("c4", L4);
  put("tune.msc", file.bytes());
  put("tune.vce", VoiceBankBuilder().voice("Piano").bytes());
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, vct_r_message + "Illegual OSTREL music file header!\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"tune.msc", "tune.vce"}));
}

TEST_F(CommandLine, WarningsGoToStandardOutputWithPlainLineEnds) {
  MusicFileBuilder file;
  file.song("A").part_count(2).part().note("c4", L4);
  file.song_count(2);
  put("tune.msc", file.bytes());
  put("tune.vce", VoiceBankBuilder().bytes());
  const ProgramResult result = run({"tune"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, vct_r_message + "*** missing part record in [A] part#2\n" +
                            "*** missing song record in song#2\n");
}
