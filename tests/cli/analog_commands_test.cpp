// vexacli expr, convert and calibrate as scripts use them: output lines and exit status.
#include <gtest/gtest.h>

#include "support/child_process.h"

namespace vexa {
namespace {

using test::built_program;
using test::run_program;

test::RunResult cli(std::vector<std::string> args) { return run_program(built_program("cli/vexacli"), args); }

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(AnalogCommands, ExprPrintsWhatEachBoardStores) {
  EXPECT_EQ(first_line(cli({"expr", "--board", "F", "a*3.814685+0,2"}).out), "a*3.81468511+0,2");
  EXPECT_EQ(first_line(cli({"expr", "--board", "E", "a*3.814685+0,2"}).out), "a*3+0,2");
  auto s = cli({"expr", "--board", "S", "a*3.814685+0,2"});
  EXPECT_EQ(s.exit_code, 0);
  EXPECT_EQ(s.out.rfind("a*3.8146851,2", 0), 0u) << s.out;
  EXPECT_NE(s.out.find("decimals: 2"), std::string::npos);
  // Alarms from firmware 603 on.
  EXPECT_EQ(first_line(cli({"expr", "--board", "F", "--firmware", "602", "a*1+0,0<5"}).out), "a*1.00000000+0,0");
  EXPECT_EQ(first_line(cli({"expr", "--board", "F", "--firmware", "603", "a*1+0,0<5"}).out), "a*1.00000000+0,0<5");
}

TEST(AnalogCommands, ConvertAndCalibrate) {
  auto converted = cli({"convert", "--board", "E", "a*98-127,3", "1023"});
  EXPECT_EQ(converted.exit_code, 0);
  EXPECT_EQ(converted.out, "2557.5mV\n100.127\n");
  auto solved = cli({"calibrate", "--board", "E", "0", "0", "1023", "100"});
  EXPECT_EQ(solved.exit_code, 0);
  EXPECT_EQ(solved.out, "a*98-127,3\n");
  auto traced = cli({"calibrate", "--board", "E", "--verbose", "100", "-10", "900", "250"});
  EXPECT_NE(traced.out.find("why= +x>FFFF"), std::string::npos) << traced.out;
  EXPECT_NE(traced.out.find("a*33-4500,2\n"), std::string::npos);
}

TEST(AnalogCommands, BadArgumentsSayWhatIsWrong) {
  auto no_board = cli({"expr", "a"});
  EXPECT_EQ(no_board.exit_code, 2);
  EXPECT_NE(no_board.err.find("--board"), std::string::npos);
  EXPECT_EQ(cli({"expr", "--board", "S", "--firmware", "99", "a"}).exit_code, 2);
  EXPECT_EQ(cli({"convert", "--board", "S", "a", "many"}).exit_code, 2);
  auto equal = cli({"calibrate", "--board", "S", "5", "0", "5", "1"});
  EXPECT_EQ(equal.exit_code, 1);
  EXPECT_NE(equal.err.find("no scaling"), std::string::npos);
  EXPECT_EQ(cli({"calibrate", "--board", "S", "x", "0", "5", "1"}).exit_code, 2);
}

}  // namespace
}  // namespace vexa
