// The exchange's commands and the handling of received lines: the configuration request and
// its reply, the erase, single assignment lines, the time command and the clock check.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "config/fake_board.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

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
  FixedTimeOfDay pc{((12 * 60 + 0) * 60 + 1) * 1000LL + 250};
  BoardClockCheck clock_check{report, line_feed, pc};
  FixedClock clock{make_local_time(2026, 3, 1, 0, 30, 15)};
  ConfigExchange exchange{config, identity, board, board, report, &clock_check, clock};
  CountingRebuild rebuild;

  Rig() {
    board.consumer = &exchange;
    config.set_rebuild_requester(&rebuild);
  }
  ~Rig() { config.set_rebuild_requester(nullptr); }
};

TEST(ExchangeLines, ConfRequestAbsorbsIdentityAndAssignments) {
  Rig rig;
  rig.config.parse_assignments("an=old", false);
  rig.board.replies["conf\n"] = {"VexaLog F v603", "bd=9600 sf=0", "Ok"};
  EXPECT_TRUE(rig.exchange.request_configuration());
  EXPECT_EQ(rig.board.written, (std::vector<std::string>{"conf\n"}));
  EXPECT_TRUE(rig.report.contains("conf"));
  // The identity line started from an empty table; the old value is gone.
  EXPECT_EQ(rig.identity.type_letter(), 'F');
  EXPECT_EQ(rig.identity.firmware_version(), 603);
  EXPECT_FALSE(rig.config.find_parameter("an")->has_value);
  EXPECT_EQ(rig.config.parameter_value("bd"), "9600");
  EXPECT_EQ(rig.config.parameter_value("sf"), "0");
  EXPECT_EQ(rig.rebuild.count, 1);  // only the assignment line asked for a rebuild
}

TEST(ExchangeLines, EraseWritesZConfAndClosedPortPrintsOnlyTheError) {
  Rig rig;
  EXPECT_TRUE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.board.written.back(), "z;conf\n");
  EXPECT_EQ(rig.report.lines.back(), "z;conf");

  rig.board.port_open = false;
  rig.report.lines.clear();
  EXPECT_FALSE(rig.exchange.request_configuration());
  EXPECT_FALSE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.report.lines,
            (std::vector<std::string>{"Error Port is not open", "Error Port is not open"}));
}

TEST(ExchangeLines, SendAssignmentLinePrintsStoresAndWrites) {
  Rig rig;
  rig.exchange.send_assignment_line("a3=a*2+0 a3.name=Outside");
  EXPECT_EQ(rig.report.lines.back(), "a3=a*2+0 a3.name=Outside");
  EXPECT_EQ(rig.board.written.back(), "a3=a*2+0 a3.name=Outside\n");
  EXPECT_EQ(rig.config.parameter_value("a3"), "a*2+0");
  EXPECT_EQ(rig.config.find_parameter("a3")->name, "Outside");
  EXPECT_EQ(rig.rebuild.count, 1);
  EXPECT_TRUE(rig.board.commands.empty());  // no reply awaited
}

TEST(ExchangeLines, ClockLinesWithTheSwitchOnAreTakenByTheClockCheck) {
  Rig rig;
  rig.line_feed = true;
  rig.exchange.on_line("ti=120000 x");
  // The two lines' texts are the clock check's own test's (ExchangeClock).
  EXPECT_EQ(rig.report.lines.size(), 2u);
  EXPECT_FALSE(rig.config.find_parameter("ti").has_value());
  EXPECT_EQ(rig.rebuild.count, 0);
}

TEST(ExchangeLines, ClockLinesWithTheSwitchOffAreStoredAsUnknownKeys) {
  Rig rig;
  rig.exchange.on_line("ti=120000 dt=240101");
  EXPECT_TRUE(rig.report.lines.empty());
  EXPECT_EQ(rig.config.parameter_value("ti"), "120000");
  EXPECT_EQ(rig.config.parameter_value("dt"), "240101");
  EXPECT_EQ(rig.config.find_index("ti"), kDefinedParameters);
  EXPECT_EQ(rig.rebuild.count, 1);
}

TEST(ExchangeLines, LinesWithoutAssignmentsChangeNothing) {
  Rig rig;
  rig.config.parse_assignments("bd=9600", false);
  for (const char* line : {"Ok", "", "VexaLog S 1404", "# bd=1", "Error v", "conf"})
    rig.exchange.on_line(line);
  EXPECT_EQ(rig.config.parameter_value("bd"), "9600");
  EXPECT_EQ(rig.rebuild.count, 0);
}

TEST(ExchangeLines, TimeCommandModesAtHalfPastMidnightOnFirstMarch) {
  Rig rig;
  rig.exchange.send_time(TimeMode::hour_earlier);
  EXPECT_EQ(rig.report.lines.back(), "ti=233015 dt=260228");
  EXPECT_EQ(rig.board.written.back(), "ti=233015 dt=260228\n");
  rig.exchange.send_time(TimeMode::now, ";tt");
  EXPECT_EQ(rig.board.written.back(), "ti=003015 dt=260301;tt\n");
  EXPECT_TRUE(rig.board.commands.empty());
}

// Received lines on one thread while a download reads the table and the board on another.
TEST(ExchangeLines, ReceiveAndDownloadRunSideBySide) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  test::RecordingReport report;
  test::FakeBoard board(report);
  ConfigExchange exchange(config, identity, board, board, report);
  std::thread receive([&] {
    for (int i = 0; i < 200; ++i) {
      exchange.on_line(i % 50 == 0 ? "VexaLog F v603" : "bd=9600 sf=0 a3=a*1+0");
    }
  });
  int downloads = 0;
  for (int i = 0; i < 20; ++i) downloads += exchange.download_configuration() ? 1 : 0;
  receive.join();
  EXPECT_EQ(downloads, 20);
  EXPECT_EQ(identity.type_letter(), 'F');
  EXPECT_EQ(config.parameter_value("bd"), "9600");
}

}  // namespace
}  // namespace vexa
