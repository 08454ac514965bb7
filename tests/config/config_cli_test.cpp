// vexacli's configuration commands end to end against the simulated board: what a script
// sees in files, on standard output and in the exit status. What is sent and compared is the
// exchange's and the files' tests'; here each command runs once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/board_and_cli.h"
#include "support/build_paths.h"

namespace vexa {
namespace {

using test::has;
using test::TempDir;

using ConfigCommands = test::BoardAndCli;

TEST_F(ConfigCommands, GetCompareEraseSetTimeAndPutConfWhichStopsAtTheFirstLineWithoutOk) {
  start_board("F");
  const std::string saved = dir.file("f-board");  // no '.': ".txt" is added
  auto got = cli({"get-conf", saved, "--quiet-ms", "200"});
  ASSERT_EQ(got.exit_code, 0) << got.out << got.err;
  const std::string text = TempDir::read(saved + ".txt");
  EXPECT_EQ(text.rfind("# Configuration VexaLog F v1404 ", 0), 0u) << text;
  EXPECT_EQ(cli({"compare", saved + ".txt", "--quiet-ms", "200"}).exit_code, 0);
  // With the input type file where the program runs, the inputs get their types and the file
  // holds their ".type" lines, as the desktop's save does.
  TempDir typed_dir;
  typed_dir.write("ainputs.txt", TempDir::read(test::shipped_input_types()));
  auto typed = cli({"get-conf", typed_dir.file("typed.txt"), "--quiet-ms", "200"}, {}, typed_dir.path());
  ASSERT_EQ(typed.exit_code, 0) << typed.out << typed.err;
  EXPECT_TRUE(has(TempDir::read(typed_dir.file("typed.txt")), "\na0.type="));
  EXPECT_EQ(cli({"compare", dir.write("edited.txt", text + "zz=1\n"), "--quiet-ms", "200"}).exit_code, 1);
  auto erase = cli({"erase", "--quiet-ms", "200"});
  EXPECT_EQ(erase.exit_code, 0) << erase.out << erase.err;
  EXPECT_TRUE(has(erase.out, "VexaLog F v1404")) << erase.out;
  auto time = cli({"set-time", "hour-earlier"});
  EXPECT_EQ(time.exit_code, 0) << time.out;
  EXPECT_TRUE(has(time.out, "ti=")) << time.out;
  // An unknown key that the board refuses: the download ends there.
  auto refused = cli({"put-conf", dir.write("bad.txt", "# comment\nzz=1\nad=1s\n"), "--quiet-ms", "200"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(has(refused.out, "expected: Ok got: Error unknown key")) << refused.out;
  // Told it is an S board, the program sends S keys, which the F board refuses; asked itself,
  // the board says F: rs0 is not sent at all.
  const std::string file = dir.write("s.txt", "rs0=1\n");
  auto as_s = cli({"--target", "VexaLog S v1404", "put-conf", file});
  EXPECT_EQ(as_s.exit_code, 1) << as_s.out;
  EXPECT_TRUE(has(as_s.out, "rs0=1")) << as_s.out;
  auto asked = cli({"put-conf", file, "--quiet-ms", "200"});
  EXPECT_EQ(asked.exit_code, 0) << asked.out << asked.err;
  EXPECT_FALSE(has(asked.out, "rs0=1")) << asked.out;
}

// What can be known before the board is asked stops the command before the port is opened:
// a file that cannot be read, a speed in the settings that is no number (named as written).
TEST_F(ConfigCommands, ASilentBoardFailsAndAnUnreadableFileOrABadSpeedStopsBeforeThePortOpens) {
  start_board("S", {"--drop-reply", "1"});
  auto silent = cli({"get-conf"});
  EXPECT_EQ(silent.exit_code, 1);
  EXPECT_TRUE(has(silent.err, "did not answer")) << silent.err;
  EXPECT_EQ(cli({"set-time", "tomorrow"}).exit_code, 2);
  auto missing = cli({"put-conf", dir.file("none.txt")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_TRUE(has(missing.err, "cannot read " + dir.file("none.txt") + ": No such file or directory")) << missing.err;
  EXPECT_FALSE(has(missing.out, "open ")) << missing.out;
  dir.write("VexaTerm.ini", "Baud=" + std::string(10000, '7') + "\n");
  auto speed = cli({"get-conf"});
  EXPECT_EQ(speed.exit_code, 1);
  EXPECT_TRUE(has(speed.err, "Baud=7777777777")) << speed.err;
  EXPECT_TRUE(has(speed.err, "characters) is not a speed; give --baud N")) << speed.err;
  EXPECT_FALSE(has(speed.out, "open ")) << speed.out;
}

}  // namespace
}  // namespace vexa
