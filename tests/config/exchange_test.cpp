// The configuration exchange: download lines (packing, availability, group tails, macros) and
// their sending to a board that stops answering; the configuration request and its reply, the
// erase, the time command and the clock check.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "config/fake_board.h"
#include "config/time_command.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using Lines = std::vector<std::string>;

// Whether "key=" starts an assignment in a line ("a1=" must not match inside "ra1=").
bool assigns(const std::string& line, const std::string& key) {
  return line.rfind(key + "=", 0) == 0 || line.find("; " + key + "=") != std::string::npos;
}

// Assignments are packed into lines of at most 61 characters, a longer one alone on its line;
// on S, gf ends its line.
TEST(ExchangeDownload, PackingWhichKeysGoOutAndMacrosLast) {
  Configuration config('e');
  config.parse_assignments("bd=9600 sf=0 rx=1", false);
  EXPECT_EQ(plan_download(config.snapshot(), 'E', 1404),
            (Lines{"rn=; bd=9600; sf=0; rx=1; fs=; fe=; an=; ad=; as=; am=; ae=",
                   "a0=; a1=; a2=; a3=; a4=; a5=; a6=; a7=; of=; mo=; ax=; dk=", "lp=; wd=; dc=; fo=; po="}));
  const std::string long_value(70, 'x');
  config.parse_assignments("fs=" + long_value + " gf=ftp.example.org grt=5", false);
  const Lines e = plan_download(config.snapshot(), 'E', 1404);
  ASSERT_GE(e.size(), 3u);
  EXPECT_EQ(e[0], "rn=; bd=9600; sf=0; rx=1");
  EXPECT_EQ(e[1], "fs=" + long_value);
  EXPECT_EQ(e[2].substr(0, 4), "fe=;");
  const Lines s = plan_download(config.snapshot(), 'S', 1404);
  const auto gf = std::find_if(s.begin(), s.end(), [](const std::string& l) { return assigns(l, "gf"); });
  ASSERT_TRUE(gf + 1 < s.end());
  EXPECT_TRUE(gf->ends_with("gf=ftp.example.org")) << *gf;
  EXPECT_TRUE(gf[1].starts_with("grt=5;")) << gf[1];
  // Availability by type and firmware (a value never makes a known key available where it is
  // absent), group tails only with a value (first members always), never statistics, free slots
  // or the version row, and unknown keys with values everywhere.
  config.reset_configuration();
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
      {'S', 1404, "a20", true, "tail with value"},  {'S', 1404, "rq10", true, "tail with value"},
      {'S', 1404, "rq9", true, "no tail"},          {'S', 1404, "rq11", false, "empty tail"},
      {'S', 1404, "gr0", true, "first member"},     {'S', 1404, "grb0", true, "first member"},
      {'S', 1404, "gre0", true, "first member"},    {'S', 1404, "gr1", false, "empty tail"},
      {'S', 1404, "grb1", false, "empty tail"},     {'S', 1404, "gre5", true, "tail with value"},
      {'S', 1404, "bm0", false, "statistic"},       {'S', 1404, "9q", false, "no letter first"},
      {'S', 1404, "  ", false, "version row"},      {'S', 1404, "zz", true, "unknown, valued"},
      {'E', 603, "zz", true, "unknown, valued"},    {'E', 1404, "m0", false, "no macros on E"},
      {'F', 1404, "a15", true, "F has sixteen"},     {'F', 1404, "a20", false, "F has sixteen"},
      {'F', 1404, "m9", true, "F has ten macros"},   {'F', 1404, "m10", false, "F has ten macros"},
      {'S', 1404, "bd", false, "E and F only"},      {'E', 400, "bd", true, "E and F only"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " on " + row.letter + ": " + row.note);
    const Lines lines = plan_download(table, row.letter, row.firmware);
    EXPECT_EQ(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return assigns(l, row.key); }),
              row.sent);
  }
  // Macros go last, each on a line of its own, m0 to m2 always.
  config.parse_assignments("m5=30,1000ms,st;up x", false);
  config.parse_assignments("m12=1,st", false);
  const Lines macros = plan_download(config.snapshot(), 'S', 1404);
  ASSERT_GE(macros.size(), 7u);
  EXPECT_EQ((Lines{macros.end() - 7, macros.end()}),
            (Lines{"m0=", "m1=", "m2=", "m5=30,1000ms,st;up x", "m9=1", "m10=1", "m12=1,st"}));
}

constexpr std::int64_t at(int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s) * 1000LL + ms; }

struct CountingRebuild : RebuildRequester {
  std::atomic<int> count{0};
  void request_rebuild() override { ++count; }
};

struct Rig {
  Configuration config{'e'};
  BoardIdentity identity{config, *parse_identity_line("VexaLog S v1404")};
  test::RecordingReport report;
  test::FakeBoard board{report};
  std::atomic<bool> line_feed{false};
  FixedTimeOfDay pc{at(12, 0, 1, 250)};
  BoardClockCheck clock_check{report, line_feed, pc};
  FixedClock clock{make_local_time(2026, 3, 1, 0, 30, 15)};
  ConfigExchange exchange{config, identity, board, board, report, &clock_check, clock};
  CountingRebuild rebuild;

  Rig() {
    board.consumer = &exchange;
    config.set_rebuild_requester(&rebuild);
  }
};

TEST(ExchangeLines, DownloadStopsAtTheFirstMissingOkConfRequestAbsorbsTheReplyEraseWritesZConf) {
  Rig rig;
  rig.identity.accept_identity("VexaLog E v1404");
  rig.config.parse_assignments("bd=9600", false);
  EXPECT_TRUE(rig.exchange.download_configuration());
  EXPECT_EQ(rig.board.commands, plan_download(rig.config.snapshot(), 'E', 1404));
  rig.board.commands.clear();
  rig.board.oks_left = 1;
  EXPECT_FALSE(rig.exchange.download_configuration());
  ASSERT_EQ(rig.board.commands.size(), 2u);
  EXPECT_EQ(rig.board.commands[1].substr(0, 3), "a0=");
  // The configuration request absorbs the identity and the assignments; the erase writes
  // "z;conf"; with the port closed both only tell so.
  rig.board.replies["conf\n"] = {"VexaLog F v603", "bd=9600 sf=0", "Ok"};
  EXPECT_TRUE(rig.exchange.request_configuration());
  EXPECT_EQ(rig.board.written, (Lines{"conf\n"}));
  EXPECT_TRUE(rig.report.contains("conf"));
  EXPECT_EQ(rig.identity.line(), "VexaLog F v603");
  // Lines without assignments change nothing; single assignment lines sent are the tabs' tests'.
  for (const char* line : {"", "VexaLog S 1404", "# sf=1", "Error v", "conf"}) rig.exchange.on_line(line);
  EXPECT_EQ(rig.config.parameter_value("sf"), "0");
  EXPECT_EQ(rig.rebuild.count, 1);  // only the assignment line asked for a rebuild
  EXPECT_TRUE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.board.written.back(), "z;conf\n");
  EXPECT_EQ(rig.report.lines.back(), "z;conf");
  rig.board.port_open = false;
  rig.report.lines.clear();
  EXPECT_FALSE(rig.exchange.request_configuration());
  EXPECT_FALSE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.report.lines, (Lines{"Error Port is not open", "Error Port is not open"}));
}

// A clock whose second changes after a few reads.
class TickingClock final : public Clock {
 public:
  std::tm local_now() const override { return make_local_time(2026, 1, 1, 10, 0, 0); }
  std::time_t epoch_now() const override {
    std::tm t = make_local_time(2026, 1, 1, 10, 0, reads_++ < 3 ? 0 : 1);
    return std::mktime(&t);
  }
  std::int64_t epoch_ms() const override { return static_cast<std::int64_t>(epoch_now()) * 1000; }
  std::int64_t monotonic_ms() const override { return 0; }
  std::int64_t local_ms_of_day() const override { return 10 * 3600 * 1000; }
  void sleep_ms(int) const override {}
  mutable int reads_ = 0;
};

// With the switch off, clock lines are unknown keys; with it on, the clock check takes them:
// each prints the difference, and an " x" line the integer average since the last one.
TEST(ExchangeClock, ClockLinesPrintTheDifferenceAndTheAverageOnlyWhileTheSwitchIsOnAndTimeCommands) {
  Rig rig;
  rig.exchange.on_line("ti=120000 dt=240101");
  EXPECT_TRUE(rig.report.lines.empty());
  EXPECT_EQ(rig.config.parameter_value("dt"), "240101");
  rig.config.reset_configuration();
  rig.line_feed = true;
  rig.pc.set(at(12, 0, 1, 0));
  rig.exchange.on_line("ti=120000");  // +1000
  rig.pc.set(at(11, 59, 59, 999));
  rig.exchange.on_line("ti=120000 dt=240101");  // -1
  rig.pc.set(at(12, 0, 0, 0));
  rig.exchange.on_line("ti=120000 x");  // 0
  EXPECT_EQ(rig.report.lines, (Lines{"time tgt=43200.000 pc=43201.000 delta=1.000",
                                     "time tgt=43200.000 pc=43199.999 delta=-0.001",
                                     "time tgt=43200.000 pc=43200.000 delta=0.000",
                                     "time delta=0.333 3600.333"}));
  EXPECT_FALSE(rig.config.find_parameter("ti").has_value());
  EXPECT_EQ(rig.rebuild.count, 1);
  // The sums start again after an " x" line.
  rig.pc.set(at(12, 0, 2, 250));
  rig.exchange.on_line("ti=120000 x");
  EXPECT_EQ(rig.report.lines.back(), "time delta=2.250 3602.250");
  rig.report.lines.clear();
  EXPECT_FALSE(rig.clock_check.check_board_clock("bd=9600"));
  EXPECT_FALSE(rig.clock_check.check_board_clock(" ti=120000"));
  EXPECT_TRUE(rig.clock_check.check_board_clock("ti="));  // short text: the missing digits read as 0
  EXPECT_EQ(rig.report.lines, (Lines{"time tgt=0.000 pc=43202.250 delta=43202.250"}));
  // The time command by mode, across the end of February; through the exchange it is printed
  // and written with LF, no reply awaited.
  const FixedClock common(make_local_time(2026, 3, 1, 0, 30, 15)), leap(make_local_time(2024, 3, 1, 0, 30, 15));
  EXPECT_EQ(time_command(common, TimeMode::hour_earlier, ""), "ti=233015 dt=260228");
  EXPECT_EQ(time_command(leap, TimeMode::hour_earlier, ""), "ti=233015 dt=240229");
  // FixedClock's monotonic time does not move either: the poll count ends the wait.
  EXPECT_EQ(time_command(common, TimeMode::next_second, ";x"), "ti=003015 dt=260301;x");
  rig.exchange.send_time(TimeMode::now, ";tt");
  EXPECT_EQ(rig.report.lines.back(), "ti=003015 dt=260301;tt");
  EXPECT_EQ(rig.board.written.back(), "ti=003015 dt=260301;tt\n");
  EXPECT_TRUE(rig.board.commands.empty());
  TickingClock clock;
  EXPECT_EQ(time_command(clock, TimeMode::next_second, ""), "ti=100001 dt=260101");
}

}  // namespace
}  // namespace vexa
