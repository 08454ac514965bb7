// Download lines: packing, the gf break, group tails, statistics, macros, availability; and
// the exchange's sending through a board that stops answering.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "config/fake_board.h"

namespace vexa {
namespace {

using Lines = std::vector<std::string>;

// Whether "key=" starts an assignment in a line ("a1=" must not match inside "ra1=").
bool assigns(const std::string& line, const std::string& key) {
  return line.rfind(key + "=", 0) == 0 || line.find("; " + key + "=") != std::string::npos;
}

TEST(ExchangeDownload, FreshlyResetEBoardWithThreeValuesSendsThreeLines) {
  Configuration config('e');
  config.parse_assignments("bd=9600 sf=0 rx=1", false);
  Lines lines = plan_download(config.snapshot(), 'E', 1404);
  EXPECT_EQ(lines, (Lines{"rn=; bd=9600; sf=0; rx=1; fs=; fe=; an=; ad=; as=; am=; ae=",
                          "a0=; a1=; a2=; a3=; a4=; a5=; a6=; a7=; of=; mo=; ax=; dk=",
                          "lp=; wd=; dc=; fo=; po="}));
}

TEST(ExchangeDownload, LongAssignmentGoesAloneOnItsLine) {
  Configuration config('e');
  std::string long_value(70, 'x');
  config.parse_assignments("fs=" + long_value, false);
  Lines lines = plan_download(config.snapshot(), 'E', 1404);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "rn=; bd=; sf=; rx=");
  EXPECT_EQ(lines[1], "fs=" + long_value);
  EXPECT_EQ(lines[2].substr(0, 4), "fe=;");
}

TEST(ExchangeDownload, GfEndsItsLineOnS) {
  Configuration config('e');
  config.parse_assignments("gf=ftp.example.org grt=5", false);
  const Lines lines = plan_download(config.snapshot(), 'S', 1404);
  const auto gf = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return assigns(l, "gf"); });
  ASSERT_TRUE(gf + 1 < lines.end());
  EXPECT_TRUE(gf->ends_with("; gf=ftp.example.org")) << *gf;
  EXPECT_TRUE(gf[1].starts_with("grt=5;")) << gf[1];
}

// Availability by type and firmware (a value never makes a known key available where it is
// absent), group tails only with a value (first members always), never statistics, free slots
// or the version row, and unknown keys with values everywhere.
TEST(ExchangeDownload, WhichKeysGoOut) {
  Configuration config('e');
  config.parse_assignments("gry=1 gr5=x gre5=y a20=a*2+0 rq10=1 ex=3 dg=1 bm0=5 zz=7 9q=1", false);
  config.parse_assignments("m9=1", false);
  config.parse_assignments("m10=1", false);
  const ParameterTable table = config.snapshot();
  const struct {
    char letter;
    int firmware;
    const char* key;
    bool sent;
    const char* note;
  } rows[] = {
      {'S', 1201, "gry", false, "gry from 1202"},  {'S', 1202, "gry", true, "gry from 1202"},
      {'2', 600, "gry", false, "the S column"},    {'F', 1404, "gry", false, "S only"},
      {'S', 1404, "a15", true, "no tail"},          {'S', 1404, "a16", false, "empty tail"},
      {'S', 1404, "a20", true, "tail with value"},  {'S', 1404, "rq9", true, "no tail"},
      {'S', 1404, "rq10", true, "tail with value"}, {'S', 1404, "rq11", false, "empty tail"},
      {'S', 1404, "gr0", true, "first member"},     {'S', 1404, "grb0", true, "first member"},
      {'S', 1404, "gre0", true, "first member"},    {'S', 1404, "gr1", false, "empty tail"},
      {'S', 1404, "grb1", false, "empty tail"},     {'S', 1404, "gre5", true, "tail with value"},
      {'S', 1404, "ex", false, "statistic"},        {'S', 1404, "bm0", false, "statistic"},
      {'S', 1404, "9q", false, "no letter first"},  {'S', 1404, "  ", false, "version row"},
      {'S', 1404, "zz", true, "unknown, valued"},   {'E', 603, "zz", true, "unknown, valued"},
      {'F', 603, "zz", true, "unknown, valued"},    {'E', 1404, "m0", false, "no macros on E"},
      {'E', 1404, "a7", true, "E has eight inputs"}, {'E', 1404, "a8", false, "E has eight inputs"},
      {'F', 1404, "a15", true, "F has sixteen"},     {'F', 1404, "a20", false, "F has sixteen"},
      {'F', 1404, "m9", true, "F has ten macros"},   {'F', 1404, "m10", false, "F has ten macros"},
      {'S', 1404, "bb", false, "not on S"},          {'F', 1404, "bb", true, "on F"},
      {'S', 1404, "bd", false, "E and F only"},      {'E', 400, "bd", true, "E and F only"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " on " + row.letter + ": " + row.note);
    const Lines lines = plan_download(table, row.letter, row.firmware);
    EXPECT_EQ(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return assigns(l, row.key); }),
              row.sent);
  }
}

TEST(ExchangeDownload, MacrosGoLastEachOnALineOfItsOwnTheFirstThreeAlways) {
  Configuration config('e');
  config.parse_assignments("m5=30,1000ms,st;up x", false);
  config.parse_assignments("m12=1,st", false);
  Lines s = plan_download(config.snapshot(), 'S', 1404);
  ASSERT_GE(s.size(), 5u);
  EXPECT_EQ((Lines{s.end() - 5, s.end()}),
            (Lines{"m0=", "m1=", "m2=", "m5=30,1000ms,st;up x", "m12=1,st"}));
}

// Through the exchange: the plan for the connected board, each line acknowledged, nothing sent
// after the first line without "Ok"; a single assignment follows the board, too.
TEST(ExchangeDownload, TheExchangeSendsThePlanForTheConnectedBoardAndStopsAtTheFirstMissingOk) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog E v1404"));
  test::RecordingReport report;
  test::FakeBoard board(report);
  ConfigExchange exchange(config, identity, board, board, report);
  config.parse_assignments("bd=9600 a9=a*1+0", false);
  EXPECT_TRUE(exchange.download_configuration());
  EXPECT_EQ(board.commands, plan_download(config.snapshot(), 'E', 1404));
  board.commands.clear();
  board.oks_left = 1;
  EXPECT_FALSE(exchange.download_configuration());
  ASSERT_EQ(board.commands.size(), 2u);
  EXPECT_EQ(board.commands[1].substr(0, 3), "a0=");
  std::string line;
  for (const char* key : {"bd", "a9", "nosuch", "sf"}) exchange.append_assignment(line, key);
  EXPECT_EQ(line, "bd=9600; sf=");  // a9 is not on E
  identity.accept_identity("VexaLog F v603");
  config.parse_assignments("a9=a*1+0", false);
  line.clear();
  exchange.append_assignment(line, "a9");
  EXPECT_EQ(line, "a9=a*1+0");
}

}  // namespace
}  // namespace vexa
