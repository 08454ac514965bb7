// vexacli factory-test end to end against vexaboard on a pseudo-terminal: verdicts, the exit
// status, the JSON record, and boards that do not answer or go away (the verdicts are the factory's).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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

TEST_F(FactoryCli, EachBoardTypeRunsItsOwnTestsTheExitStatusIsTheVerdictAndTheRecordHoldsTheAnswers) {
  struct Row {
    const char* type;
    std::vector<std::string> board_options;
    int exit_code;
    std::vector<std::string> shown, not_shown;
    std::string recorded;  // a part of the JSON record (its fields and limits are the factory subsystem's)
  };
  const Row rows[] = {
      {"E", {}, 0, {"factory test passed\n", "rtc (rtc): passed\n"},
       {"res (res a12): passed\n", "temp (t=): passed\n"}, "\"board\": \"VexaLog E v1404\""},
      {"F", {"--selftest-fail", "rtc,res,data"}, 1,
       {"factory test failed: data res rtc\n", "Error 0: a12 1240 mV 1233<= 1300 <= 1248",
        "disk (disk dr=0): passed\n"},
       {}, "\"name\": \"rtc\", \"label\": \"rtc\", \"enabled\": true, \"result\": \"failed\""},
      // The resolution test failing once is run once more and passes then, as does the temperature.
      {"S", {"--selftest-res-once"}, 0, {"Error 3: a7 ~ 25 mV 22<= 40 <= 28", "\nar;ec endTstS\n",
       "res (res a12): passed\n", "temp (t=): passed\n"}, {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.type) + " " + (row.board_options.empty() ? "" : row.board_options.back()));
    start_board(row.type, row.board_options);
    std::remove(dir.file("report.json").c_str());
    const test::RunResult result = factory({"--report", dir.file("report.json")});
    EXPECT_EQ(result.exit_code, row.exit_code) << result.out << result.err;
    for (const std::string& line : row.shown) EXPECT_TRUE(has(result.out, line)) << line << "\n" << result.out;
    for (const std::string& line : row.not_shown) EXPECT_FALSE(has(result.out, line)) << line << "\n" << result.out;
    EXPECT_TRUE(has(TempDir::read(dir.file("report.json")), row.recorded)) << TempDir::read(dir.file("report.json"));
    board->stop();
  }
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

// vexaboard ends during the countdown, its link gone: vexacli ends with the port's own line within
// 3 s, far above the probe's tenth of a second and below the test's own 20 s (other jobs: faults/).
TEST_F(FactoryCli, ABoardThatGoesEndsTheTestAtOnceSayingItIsGone) {
  using SteadyClock = std::chrono::steady_clock;
  start_board("S");
  globals = {"--baud", "115200", "--log", "1"};  // the capture log shows how far the test has come
  BackgroundProgram job(built_program("cli/vexacli"),
                        cli_args({"factory-test", "--countdown", "50", "--quiet-ms", "300"}));
  // The board has answered "conf" with its identity: the test is being prepared.
  const auto give_up = SteadyClock::now() + std::chrono::seconds(30);
  while (TempDir::read(dir.file("VexaTerm.log")).find("VexaLog S") == std::string::npos) {
    ASSERT_TRUE(SteadyClock::now() < give_up) << "no identity in the capture log";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  board->stop();
  const auto gone = SteadyClock::now();
  while (job.running() && SteadyClock::now() - gone < std::chrono::seconds(40))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto took = SteadyClock::now() - gone;
  EXPECT_EQ(job.stop(), 1);
  const std::string& output = job.output();
  EXPECT_LT(took, std::chrono::seconds(3)) << output;
  for (const char* line : {"COM error", "factory test: stopped, the board is gone", "factory test failed"})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
}

}  // namespace
}  // namespace vexa
