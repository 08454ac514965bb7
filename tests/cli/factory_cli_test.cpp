// vexacli factory-test end to end against vexaboard on a pseudo-terminal: passes on E, F and S
// boards, fails naming the tests the board was told to fail, re-runs the resolution test of an
// 'S' board once, writes its JSON record and ends on a board that does not answer. The verdicts
// themselves are the factory subsystem's. Jobs whose board goes away mid-job (vexaboard ended:
// its pseudo-terminal closes and its link disappears) end at once with the port's own line and
// say the board is gone, and an upload keeps every line it received.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "support/board_and_cli.h"

namespace vexa {
namespace {

using test::BackgroundProgram;
using test::built_program;
using test::has;
using test::TempDir;

class FactoryCli : public test::BoardAndCli {
 protected:
  test::RunResult factory(std::vector<std::string> extra = {}) {
    std::vector<std::string> all = {"factory-test", "--countdown", "3", "--quiet-ms", "300"};
    all.insert(all.end(), extra.begin(), extra.end());
    return cli(all);
  }
};

TEST_F(FactoryCli, EachBoardTypeRunsItsOwnTestsAndTheExitStatusIsTheVerdict) {
  struct Row {
    const char* type;
    std::vector<std::string> board_options;
    int exit_code;
    std::vector<std::string> shown, not_shown;
  };
  const Row rows[] = {
      {"E", {}, 0, {"factory test passed\n", "rtc (rtc): passed\n"}, {"res (res a12): passed\n", "temp (t=): passed\n"}},
      {"S", {}, 0, {"factory test passed\n", "res (res a12): passed\n", "temp (t=): passed\n"}, {}},
      {"F", {"--selftest-fail", "rtc,res,data"}, 1,
       {"factory test failed: data res rtc\n", "Error 0: a12 1240 mV 1233<= 1300 <= 1248", "disk (disk dr=0): passed\n"}, {}},
      {"S", {"--selftest-fail", "supply"}, 1, {"factory test failed: temp\n", "Error 6: v= 11.000<= 10.800 <= 12.500"}, {}},
      // The resolution test failing once is run once more, and passes then.
      {"S", {"--selftest-res-once"}, 0, {"Error 3: a7 ~ 25 mV 22<= 40 <= 28", "\nar;ec endTstS\n"}, {}},
      {"S", {"--selftest-fail", "res"}, 1, {"factory test failed: res\n"}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.type) + " " + (row.board_options.empty() ? "" : row.board_options.back()));
    start_board(row.type, row.board_options);
    const test::RunResult result = factory();
    EXPECT_EQ(result.exit_code, row.exit_code) << result.out << result.err;
    for (const std::string& line : row.shown) EXPECT_TRUE(has(result.out, line)) << line << "\n" << result.out;
    for (const std::string& line : row.not_shown) EXPECT_FALSE(has(result.out, line)) << line << "\n" << result.out;
    board->stop();
  }
}

TEST_F(FactoryCli, ReportRecordsTheBoardAndTheTestsTheBoardRan) {
  start_board("S", {"--selftest-fail", "rtc"});
  const std::string path = dir.file("report.json");
  auto result = factory({"--report", path});
  EXPECT_EQ(result.exit_code, 1);
  // The record's fields and their limits are the factory subsystem's; here the board's answers.
  const std::string json = TempDir::read(path);
  EXPECT_NE(json.find("\"board\": \"VexaLog S v1404\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"name\": \"rtc\", \"label\": \"rtc\", \"enabled\": true, \"result\": \"failed\""),
            std::string::npos);
}

TEST_F(FactoryCli, ABoardThatDoesNotAnswerEndsWithAClearMessage) {
  start_board("S", {"--drop-reply", "1"});
  auto result = factory();
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("did not name its type"), std::string::npos) << result.err;
  // With the type given, the test runs out of time and names what never reported.
  result = cli({"--target", "VexaLog E v1404", "factory-test", "--countdown", "1", "--timeout", "1"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.out.find("no complete result within 1 s"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("factory test failed: data disk ad rtc\n"), std::string::npos) << result.out;
}

using SteadyClock = std::chrono::steady_clock;

// A bound far above the probe's tenth of a second and far below the jobs' own time-outs (30 s
// of silence for the upload, 20 s for the factory test), so a busy machine cannot fail it.
constexpr auto kEndsSoonAfter = std::chrono::seconds(3);

class VanishedBoard : public test::BoardAndCli {
 protected:
  void start_board(std::vector<std::string> extra) { BoardAndCli::start_board("S", std::move(extra)); }
  // With the capture log on, so a test can see how far the job has come.
  void start_cli(std::vector<std::string> command) {
    globals = {"--baud", "115200", "--log", "1"};
    job = std::make_unique<BackgroundProgram>(built_program("cli/vexacli"), cli_args(command));
  }
  // Ends the board, waits for vexacli to end by itself and checks that it ended soon, failed,
  // printed the port's own line and said that the board is gone. Its output.
  const std::string& vanish_and_expect_the_end() {
    board->stop();
    const auto gone = SteadyClock::now();
    while (job->running() && SteadyClock::now() - gone < std::chrono::seconds(40))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto took = SteadyClock::now() - gone;
    const int exit_code = job->stop();
    const std::string& output = job->output();
    EXPECT_LT(took, kEndsSoonAfter) << output;
    EXPECT_EQ(exit_code, 1) << output;
    EXPECT_NE(output.find("COM error"), std::string::npos) << output;
    EXPECT_NE(output.find("is gone"), std::string::npos) << output;
    return output;
  }
  template <typename Done>
  static bool wait_until(Done done) {
    const auto give_up = SteadyClock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (SteadyClock::now() > give_up) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  std::unique_ptr<BackgroundProgram> job;  // the vexacli job
};

TEST_F(VanishedBoard, AnUploadEndsAtOnceAndTheHostFileKeepsEveryLineItGot) {
  // Paced at 115200, 200,000 lines take minutes: the board goes in the middle.
  start_board({"--pace", "--log-file", "vexalog.adc", "--log-lines", "200000", "--log-grow", "0"});
  const std::string host = dir.file("host.adc");
  start_cli({"upload", "vexalog.adc", host, "--create"});
  ASSERT_TRUE(wait_until([&] {
    const std::string text = TempDir::read(host);
    return std::count(text.begin(), text.end(), '\n') >= 50;
  })) << job->output();
  const std::string& output = vanish_and_expect_the_end();

  // The lost-link line counts the lines the host file has, each of them whole.
  std::smatch counted;
  ASSERT_TRUE(std::regex_search(output, counted, std::regex("-> .*host\\.adc: (\\d+) lines"))) << output;
  const std::string text = TempDir::read(host);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const auto lines = std::count(text.begin(), text.end(), '\n');
  EXPECT_GE(lines, 50);
  EXPECT_EQ(std::to_string(lines), counted[1].str()) << output;
}

TEST_F(VanishedBoard, AFactoryTestEndsAtOnceSayingTheBoardIsGone) {
  start_board({});
  // A countdown of 5 s: the board goes while the test waits for its start.
  start_cli({"factory-test", "--countdown", "50", "--quiet-ms", "300"});
  // The board has answered "conf" with its identity: the test is being prepared.
  ASSERT_TRUE(wait_until([&] { return TempDir::read(dir.file("VexaTerm.log")).find("VexaLog S") != std::string::npos; }))
      << job->output();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string& output = vanish_and_expect_the_end();
  EXPECT_NE(output.find("factory test: stopped, the board is gone"), std::string::npos) << output;
  EXPECT_NE(output.find("factory test failed"), std::string::npos) << output;
}

}  // namespace
}  // namespace vexa
