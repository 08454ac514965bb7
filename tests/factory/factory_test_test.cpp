// The factory test's line rules, range checks, verdict, its start through the timer, the reset
// rules, the listing and the lamps. The whole run against the simulated board, with the re-run of
// the resolution test and the report file, is cli/factory_cli_test.
#include <gtest/gtest.h>

#include "base/board_jobs.h"
#include "base/painter.h"
#include "support/recording_painter.h"
#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "factory/factory_report.h"
#include "factory/factory_test.h"
#include "support/recording_sinks.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

class RecordingOutput final : public FactoryTestOutput {
 public:
  void redraw_indicator() override { ++redraws; }
  void verdict_beep() override { ++beeps; }
  void verdict_error_sound() override { ++error_sounds; }
  std::atomic<int> redraws{0}, beeps{0}, error_sounds{0};
};

const std::tm kNow = make_local_time(2026, 12, 7, 21, 32, 9);

class FactoryTestTest : public ::testing::Test {
 protected:
  FactoryTestTest()
      : identity(configuration, *parse_identity_line(identity_line_for("VexaLog", 'S', 1404))),
        jobs(report, messages),
        test({channel, report, messages, identity, jobs, clock, output}) {
    identity.add_listener(&test);
  }
  ~FactoryTestTest() override { identity.remove_listener(&test); }

  // A new board type resets the states; '2' is a type without a factory test.
  void board(char letter) {
    identity.accept_identity(letter == '2' ? "VexaLog v1404" : identity_line_for("VexaLog", letter, 1404));
  }
  void lines(std::initializer_list<const char*> texts) {
    for (const char* t : texts) test.on_line(t);
  }
  int state(int i) const { return test.states()[static_cast<std::size_t>(i)]; }
  // The error window as the test start leaves it open.
  void open_error_window() { test.start_test(); }
  std::vector<std::string> errors() const {
    std::vector<std::string> found;
    for (const std::string& line : report.lines())
      if (line.rfind("Error ", 0) == 0) found.push_back(line);
    return found;
  }
  std::string pivot(int channel, double millivolts, double bits = 18.5) const {
    return format_text("ch%2d: pivot=%4d %8.3fmV %5.1fbits", channel, 2048, millivolts, bits);
  }
  void all_channels(int bad_channel = -1) {
    for (int c = 0; c < 16; ++c) {
      const double mv = c == 0 ? 1000 : c == 1 ? 238 : c % 2 ? 25 : 63;
      test.on_line(pivot(c, c == bad_channel ? 40 : mv));
    }
  }
  // Every 'S' test but the resolution passed.
  void s_results_without_resolution() {
    lines({"> 07.12.26\t1000\t238\t25", "dr=0", "ad=0 ok", "2026:12:07 21:32:09", "t=24 v=12.05"});
  }

  Messages messages;
  test::SharedReport report;
  test::RecordingChannel channel{&report};
  Configuration configuration;
  BoardIdentity identity;
  BoardJobs jobs;
  FixedClock clock{kNow};
  RecordingOutput output;
  FactoryTest test;
};

// The same analog line against each type's ranges; errors print only while the window is open.
TEST_F(FactoryTestTest, AnalogLinesAreCheckedAgainstTheBoardTypesRanges) {
  const struct {
    char letter;
    bool window;
    const char* line;
    int state;
    std::vector<std::string> errors;
  } rows[] = {
      {'F', false, "> \t1\t2\t500", kTestFailed, {}},  // before any window was opened
      {'F', false, ">x\t5200\t57000\t1240", kTestPassed, {}},
      {'E', true, "> \t1\t2\t529", kTestFailed, {"Error 0: a2 1240 mV 476<= 529 <= 528"}},
      {'F', true, "> \t1\t2\t500", kTestFailed,
       {"Error 0: a0 200 mV 5000<= 1 <= 5400", "Error 0: a1 2200 mV 55000<= 2 <= 59000",
        "Error 0: a12 1240 mV 1233<= 500 <= 1248"}},
      {'S', true, ">\t1000", kTestFailed, {"Error 0: a1 226<238<250 mV 226<= 0 <= 250"}},  // a missing value is 0
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line + std::string(" on ") + row.letter);
    board(row.letter);
    test.reset();
    report.clear();
    if (row.window) open_error_window();
    test.on_line(row.line);
    EXPECT_EQ(state(kTestFileData), row.state);
    EXPECT_EQ(errors(), row.errors);
  }
  // A good line sets the state back to passed; one without a TAB is no analog line.
  test.on_line("> \t1000\t238\t25");
  EXPECT_EQ(state(kTestFileData), kTestPassed);
  test.on_line("> 1 2 500");
  EXPECT_EQ(state(kTestFileData), kTestPassed);
}

TEST_F(FactoryTestTest, ResolutionPassesOnSixteenGoodChannelsAndFailsOnOneBadOne) {
  open_error_window();
  all_channels();
  EXPECT_EQ(state(kTestResolution), kTestPassed);  // only once every channel's bit is in the mask
  EXPECT_TRUE(errors().empty());  // no summary
  test.on_line(pivot(4, 63, 12.0));  // the millivolt error text is factory_cli_test's
  EXPECT_EQ(errors(), (std::vector<std::string>{"Error 3: a4 res >=16 bits 16<= 12 <= 22"}));
  test.reset();
  all_channels(7);
  EXPECT_EQ(test.channel_mask(), 0xFFFFu & ~(1u << 7));
  EXPECT_EQ(state(kTestResolution), kTestFailed);
  // Channels outside 0..15 and lines without "mV" or "bits" count for nothing.
  test.reset();
  lines({"ch16: pivot=1 1000.000mV 18.5bits", "ch 3: pivot=1 25.000mV", "ch-1: pivot=1 25.000mV 18bits"});
  EXPECT_EQ(test.channel_mask(), 0u);
  EXPECT_EQ(state(kTestResolution), kTestNotSeen);
}

// Result lines in the order the board might send them, and the state each leaves its test in.
TEST_F(FactoryTestTest, EachResultLineSetsItsTestsState) {
  const struct {
    int test;
    const char* line;
    int state;
  } steps[] = {
      {kTestDisk, "dr=3", kTestFailed},
      {kTestDisk, "dr=0", kTestFailed},  // a disk failure is not undone by a later good line
      // The resolution summary of a12 wants 14 to 16 bits.
      {kTestResolution, "res a12 min=1 max=2 delta= 15", kTestPassed},
      {kTestResolution, "res a12 delta= 9", kTestFailed},
      {kTestResolution, "res a12 delta=16", kTestPassed},  // no blank after "delta=": the number right after it
      {kTestResolution, "res a12 delta=x 17", kTestFailed},
      {kTestResolution, "res a1 delta= 15", kTestFailed},  // not the a12 summary
      // Converter errors: zero followed by a blank.
      {kTestConverter, "ad=0 conversions lost", kTestPassed},
      {kTestConverter, "ad=0", kTestFailed},
      {kTestSerialFile, "VEXARS2 TXT 1000", kTestPassed},
      {kTestSerialFile, "VEXARS2 TXT  500", kTestFailed},
      // The clock passes within two seconds of the PC's.
      {kTestClock, "2026:12:07 21:32:11 rtc", kTestPassed},
      {kTestClock, "2026:12:07 21:32:06", kTestFailed},  // three seconds late
      {kTestClock, "2026:12:07 21:32:07", kTestPassed},
      {kTestClock, "200 bytes", kTestFailed},  // any line that starts with "20" is a clock line
      {kTestTemperature, "t=24 v=12.05", kTestPassed},
      {kTestTemperature, "t=24", kTestFailed},
      {kTestTemperature, "t=24 v=13.1", kTestFailed},
      {kTestTemperature, "t=35 v=12.0", kTestFailed},
  };
  for (const auto& step : steps) {
    test.on_line(step.line);
    EXPECT_EQ(state(step.test), step.state) << step.line;
  }
  test.reset();
  test.on_line("free dr=0 x");
  EXPECT_EQ(state(kTestDisk), kTestPassed);
  // F checks the temperature alone.
  board('F');
  const std::pair<const char*, int> on_f[] = {{"t=15", kTestPassed}, {"t=14 v=12.0", kTestFailed}, {"t=34", kTestPassed}};
  for (const auto& [line, after] : on_f) {
    test.on_line(line);
    EXPECT_EQ(state(kTestTemperature), after) << line;
  }
}

TEST_F(FactoryTestTest, APassBeepsAndAnotherFailureGivesTheErrorSoundWithoutReRun) {
  s_results_without_resolution();
  all_channels();
  test.on_line("endTstS");
  EXPECT_EQ(test.last_verdict(), FactoryVerdict::passed);
  EXPECT_EQ(output.beeps.load(), 1);
  test.reset();
  s_results_without_resolution();
  all_channels(7);
  test.on_line("2026:12:07 21:32:01");
  test.on_line("endTstS");
  EXPECT_EQ(test.last_verdict(), FactoryVerdict::failed);
  EXPECT_TRUE(channel.written().empty());
  EXPECT_EQ(output.error_sounds.load(), 1);
  EXPECT_EQ(output.beeps.load(), 1);
  // Without the indicator lines are ignored.
  FactoryTest hidden({channel, report, messages, identity, jobs, clock, output}, false);
  hidden.on_line("dr=3");
  hidden.on_line("endTstS");
  EXPECT_EQ(hidden.states()[kTestDisk], kTestNotSeen);
  EXPECT_EQ(hidden.verdicts(), 0);
}

TEST_F(FactoryTestTest, MalformedAndHugeLinesAreBoundedAndHarmless) {
  open_error_window();
  const std::string huge = "99999999999999999999999999999";
  test.on_line(">\t" + huge + "\t-" + huge + "\t");
  EXPECT_EQ(errors().front(), "Error 0: a0 970<1000<1030 mV 970<= 2147483647 <= 1030");
  // Fragments that break no rule are fuzz_factory_lines' matter; a supply beyond a double fails.
  test.on_line("dr=");
  EXPECT_EQ(state(kTestDisk), kTestPassed);
  test.on_line("t=24 v=1e999");
  EXPECT_EQ(state(kTestTemperature), kTestFailed);
  test.on_line(std::string("\0\t\xff dr=\xff ad=\xff", 13));
  EXPECT_EQ(state(kTestConverter), kTestFailed);
}

TEST_F(FactoryTestTest, PrepareSendsTheClockWithTheSetupTheTimerStartsTheTestAndAnotherJobOrStopKeepsItOut) {
  test.on_line("dr=3");
  test.prepare();
  EXPECT_TRUE(test.running());
  EXPECT_EQ(state(kTestDisk), kTestNotSeen);  // prepared: states reset
  EXPECT_EQ(channel.written(),
            std::vector<std::string>{"ti=213209 dt=261207;st;z;ad=100ms;go;wt 500;rm -f vexalog.adc;sn=p77=2612\n"});
  for (int tick = 0; tick < 25; ++tick) ASSERT_FALSE(test.tick_100ms()) << tick;
  EXPECT_EQ(test.error_window(), 105);
  EXPECT_TRUE(test.tick_100ms());  // the 26th tick starts the test and ends there
  EXPECT_EQ(test.error_window(), 50);
  EXPECT_EQ(channel.written().size(), 3u);
  EXPECT_EQ(channel.written()[1], "st;up vexalog.adc;ls;ar;t;z;d;ec endTstS\n");
  EXPECT_EQ(channel.written()[2], "ar;ec endTstS\n");
  for (int tick = 0; tick < 49; ++tick) test.tick_100ms();
  EXPECT_TRUE(test.running());
  test.tick_100ms();
  EXPECT_FALSE(test.running());  // the window has closed: the gate is free again

  channel.clear();
  {
    auto other = jobs.try_begin("The upload");
    ASSERT_TRUE(other);
    test.prepare();
    EXPECT_TRUE(channel.written().empty());
  }
  test.prepare();
  ASSERT_TRUE(test.running());
  jobs.request_stop();
  EXPECT_FALSE(test.tick_100ms());
  EXPECT_FALSE(test.running());
  EXPECT_TRUE(report.contains("Factory test stopped."));
  for (int tick = 0; tick < 30; ++tick) EXPECT_FALSE(test.tick_100ms());
  EXPECT_EQ(channel.written().size(), 1u);  // no test start after Stop
  // A board type without a test sends nothing.
  board('2');
  test.prepare();
  EXPECT_EQ(channel.written().size(), 1u);
  EXPECT_TRUE(report.contains("The factory test has no commands for board type 2."));
  EXPECT_FALSE(test.running());
}

TEST_F(FactoryTestTest, ResultListingPrintsTheSevenStatesWhichResetOnANewTypeOrWhenForcedOnly) {
  lines({"dr=3", "ad=0 x"});
  report.clear();
  test.list_results();
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"0 file data", "1 disk dr=0", "0 vexars232.txt 0/1000",
                                                      "0 res a12", "2 ad=0", "0 rtc", "0 t="}));
  // The states reset on a new board type or when forced only.
  board('S');  // the same type again: kept
  EXPECT_EQ(state(kTestDisk), kTestFailed);
  board('F');
  EXPECT_EQ(state(kTestDisk), kTestNotSeen);
  test.on_line("dr=3");
  test.reset_on_board_change('F', false);
  EXPECT_EQ(state(kTestDisk), kTestFailed);
  test.reset_on_board_change('F', true);  // after a firmware download
  EXPECT_EQ(state(kTestDisk), kTestNotSeen);
}

// Every enabled test has a dot, 10 pixels after the previous position, in its state's colour.
TEST_F(FactoryTestTest, LampsAreTheEnabledTestsInTheirStateColours) {
  const char* colours[] = {"00ffff", "0000ff", "00ff00"};  // not seen, failed, passed
  for (char letter : {'E', 'F', 'S', '2'}) {
    SCOPED_TRACE(letter);
    board(letter);
    test.on_line(">\t0\t0\t0");                 // file data fails on every type
    test.on_line("dr=0");                       // disk passes
    test.on_line("2026:12:07 21:32:09 clock");  // the clock passes
    std::vector<std::string> expected;
    for (int i = 0; i < kFactoryTestCount; ++i)
      if (factory_test_enabled(letter, i))
        expected.push_back(format_text("ellipse %d,2 10x10 000000 %s", 2 + 10 * i, colours[state(i)]));
    EXPECT_EQ(expected.size(), letter == 'E' ? 4u : letter == '2' ? 0u : 6u);  // never the serial file's
    RecordingPainter painter;
    test.draw(painter);
    EXPECT_EQ(painter.calls(), expected);
  }
  EXPECT_EQ(factory_test_by_name("rtc"), kTestClock);
  EXPECT_EQ(factory_test_by_name("nope"), -1);
}

TEST(FactoryReportTest, VerdictNamesAndJsonEscapes) {
  std::array<int, kFactoryTestCount> states = {2, 2, 0, 1, 2, 1, 2};
  EXPECT_FALSE(factory_passed('S', states));
  EXPECT_EQ(factory_failures('S', states), (std::vector<std::string>{"res", "rtc"}));
  EXPECT_TRUE(factory_passed('E', {2, 2, 0, 1, 2, 2, 0}));
  EXPECT_FALSE(factory_passed('2', {2, 2, 2, 2, 2, 2, 2}));
  FactoryReport report{"VexaLog \"S\" v1404", 'S', kNow, states,
                       {{kTestClock, "rtc", std::string("20\x01\xe9", 4), "", "", false}}};
  const std::string json = factory_report_json(report);
  EXPECT_NE(json.find("\"board\": \"VexaLog \\\"S\\\" v1404\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"time\": \"2026-12-07T21:32:09\""), std::string::npos);
  EXPECT_NE(json.find("{\"label\": \"rtc\", \"value\": \"20\\u0001\xc3\xa9\", \"passed\": false}"), std::string::npos)
      << json;
}

}  // namespace
}  // namespace vexa
