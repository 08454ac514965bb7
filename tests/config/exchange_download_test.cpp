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

bool any_line_has(const Lines& lines, const std::string& text) {
  for (const auto& l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

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
  for (const auto& l : lines) EXPECT_LE(l.size(), kDownloadLineChars);
}

TEST(ExchangeDownload, ThroughTheChannelEachLineWaitsForOkAndTheFirstMissingOkStops) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog E v1404"));
  test::RecordingReport report;
  test::FakeBoard board(report);
  ConfigExchange exchange(config, identity, board, board, report);
  config.parse_assignments("bd=9600 sf=0 rx=1", false);
  EXPECT_TRUE(exchange.download_configuration());
  EXPECT_EQ(board.commands.size(), 3u);

  board.commands.clear();
  board.oks_left = 1;
  EXPECT_FALSE(exchange.download_configuration());
  ASSERT_EQ(board.commands.size(), 2u);  // the second line got no "Ok": nothing after it
  EXPECT_EQ(board.commands[1].substr(0, 3), "a0=");
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
  // A value at the 99-character limit, too.
  config.parse_assignments("an=" + std::string(150, 'y'), false);
  lines = plan_download(config.snapshot(), 'E', 1404);
  EXPECT_TRUE(std::find(lines.begin(), lines.end(), "an=" + std::string(99, 'y')) != lines.end());
}

TEST(ExchangeDownload, GfEndsItsLineOnS) {
  Configuration config('e');
  config.parse_assignments("gf=ftp.example.org grt=5", false);
  Lines lines = plan_download(config.snapshot(), 'S', 1404);
  bool seen = false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (!assigns(l, "gf")) continue;
    seen = true;
    std::string tail = "gf=ftp.example.org";
    EXPECT_EQ(l.substr(l.size() - tail.size()), tail) << l;
    EXPECT_EQ(lines[i + 1].substr(0, 6), "grt=5;") << lines[i + 1];
  }
  EXPECT_TRUE(seen);
}

TEST(ExchangeDownload, GryOnSOnlyFromFirmware1202) {
  Configuration config('e');
  config.parse_assignments("gry=1", false);
  EXPECT_FALSE(any_line_has(plan_download(config.snapshot(), 'S', 1201), "gry="));
  EXPECT_TRUE(any_line_has(plan_download(config.snapshot(), 'S', 1202), "gry=1"));
  EXPECT_TRUE(any_line_has(plan_download(config.snapshot(), 'S', 1404), "gry=1"));
  // A board without a letter ('2') follows the S column.
  EXPECT_FALSE(any_line_has(plan_download(config.snapshot(), '2', 600), "gry="));
  EXPECT_FALSE(any_line_has(plan_download(config.snapshot(), 'F', 1404), "gry="));
}

TEST(ExchangeDownload, GroupTailsOnlyWithValuesAndFirstMembersAlways) {
  Configuration config('e');
  config.parse_assignments("gr5=x gre5=y", false);
  Lines lines = plan_download(config.snapshot(), 'S', 1404);
  auto has = [&](const std::string& key) {
    for (const auto& l : lines)
      if (assigns(l, key)) return true;
    return false;
  };
  EXPECT_TRUE(has("a3"));
  EXPECT_TRUE(has("a15"));
  EXPECT_FALSE(has("a16"));
  EXPECT_FALSE(has("a20"));
  EXPECT_TRUE(has("gr0"));
  EXPECT_TRUE(has("gre0"));
  EXPECT_TRUE(has("grb0"));
  EXPECT_FALSE(has("gr1"));
  EXPECT_FALSE(has("grb1"));
  EXPECT_TRUE(has("gr5"));
  EXPECT_TRUE(has("gre5"));
  EXPECT_TRUE(has("grt"));
  EXPECT_TRUE(has("rq"));
  EXPECT_TRUE(has("rq9"));
  EXPECT_FALSE(has("rq10"));
  EXPECT_TRUE(any_line_has(lines, "a3=;") || any_line_has(lines, "; a3="));

  config.parse_assignments("a20=a*2+0 rq10=1", false);
  lines = plan_download(config.snapshot(), 'S', 1404);
  EXPECT_TRUE(has("a20"));
  EXPECT_TRUE(has("rq10"));
}

TEST(ExchangeDownload, StatisticsAndFreeSlotsAreNeverSentButUnknownKeysWithValuesAre) {
  Configuration config('e');
  config.parse_assignments("ex=3 dg=1 bm0=5 zz=7 9q=1", false);
  Lines lines = plan_download(config.snapshot(), 'S', 1404);
  for (const auto& l : lines) {
    EXPECT_FALSE(assigns(l, "ex")) << l;
    EXPECT_FALSE(assigns(l, "dg")) << l;
    EXPECT_FALSE(assigns(l, "bm0")) << l;
    EXPECT_FALSE(assigns(l, "9q")) << l;  // keys must begin with a letter
    EXPECT_FALSE(l.find("  =") != std::string::npos) << l;
  }
  EXPECT_TRUE(any_line_has(lines, "zz=7"));
  for (char letter : {'E', 'F'}) EXPECT_TRUE(any_line_has(plan_download(config.snapshot(), letter, 603), "zz=7"));
}

TEST(ExchangeDownload, MacrosByBoardType) {
  Configuration config('e');
  config.parse_assignments("m5=30,1000ms,st;up x", false);
  config.parse_assignments("m12=1,st", false);
  Lines e = plan_download(config.snapshot(), 'E', 1404);
  for (const auto& l : e)
    for (const char* key : {"m0", "m1", "m2", "m5", "m12"}) EXPECT_FALSE(assigns(l, key)) << l;

  Lines f = plan_download(config.snapshot(), 'F', 1404);
  ASSERT_GE(f.size(), 4u);
  EXPECT_EQ((Lines{f.end() - 4, f.end()}), (Lines{"m0=", "m1=", "m2=", "m5=30,1000ms,st;up x"}));

  Lines s = plan_download(config.snapshot(), 'S', 1404);
  ASSERT_GE(s.size(), 5u);
  EXPECT_EQ((Lines{s.end() - 5, s.end()}),
            (Lines{"m0=", "m1=", "m2=", "m5=30,1000ms,st;up x", "m12=1,st"}));
}

TEST(ExchangeDownload, AppendAssignmentFollowsTheConnectedBoard) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog E v1404"));
  test::RecordingReport report;
  test::FakeBoard board(report);
  ConfigExchange exchange(config, identity, board, board, report);
  config.parse_assignments("bd=9600 a9=a*1+0", false);
  std::string line;
  exchange.append_assignment(line, "bd");
  EXPECT_EQ(line, "bd=9600");
  exchange.append_assignment(line, "a9");  // not on E
  exchange.append_assignment(line, "nosuch");
  EXPECT_EQ(line, "bd=9600");
  exchange.append_assignment(line, "sf");
  EXPECT_EQ(line, "bd=9600; sf=");

  identity.accept_identity("VexaLog F v603");
  config.parse_assignments("a9=a*1+0", false);
  line.clear();
  exchange.append_assignment(line, "a9");
  EXPECT_EQ(line, "a9=a*1+0");
}

}  // namespace
}  // namespace vexa
