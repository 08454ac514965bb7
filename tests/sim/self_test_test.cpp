// The simulated board's self-test: which lines it takes, what it prints per board type, the
// failures it is told to make.
#include <gtest/gtest.h>

#include "sim/simulated_board.h"
#include "support/fixed_clocks.h"

namespace vexa::sim {
namespace {

BoardReply run(SimulatedBoard& board, std::string_view line) { return board.execute_line(line); }

bool contains(const BoardReply& reply, std::string_view text) {
  for (const std::string& line : reply.lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(SelfTestTest, PreparationLineSetsTheClockAndIsAcceptedWhole) {
  FixedClock host(make_local_time(2026, 12, 7, 10, 0, 0));
  SimulatedBoard board(BoardKind{'S'}, host);
  const BoardReply reply = run(board, "ti=213209 dt=261208;st;z;ad=100ms;go;wt 500;rm -f vexalog.adc;sn=p77=2612");
  EXPECT_EQ(reply.lines, std::vector<std::string>{"Ok"});
  EXPECT_EQ(board.clock().report_line(), "ti=213209 dt=261208");
  EXPECT_EQ(board.configuration().value("ad").value_or(""), "100ms");
}

TEST(SelfTestTest, PrintsTheResultLinesOfEachType) {
  FixedClock host(make_local_time(2026, 12, 7, 10, 0, 0));
  SimulatedBoard e(BoardKind{'E'}, host);
  BoardReply reply = run(e, "st;up vexalog.adc;ls;z;rx=1;d");
  EXPECT_TRUE(contains(reply, "\t1000\t238\t502"));
  EXPECT_TRUE(contains(reply, "dr=0 "));
  EXPECT_TRUE(contains(reply, "ad=0 "));
  EXPECT_TRUE(contains(reply, "2026:12:07 10:00:00"));
  EXPECT_EQ(reply.lines.back(), "Ok");

  SimulatedBoard f(BoardKind{'F'}, host);
  reply = run(f, "st;up vexalog.adc;ls;ar12;t;z;rx=1;d");
  EXPECT_TRUE(contains(reply, "\t5200\t57000\t1240"));
  EXPECT_TRUE(contains(reply, "res a12 min=1233 max=1248 delta= 15"));
  EXPECT_TRUE(contains(reply, "t=24"));
  EXPECT_FALSE(contains(reply, "v="));

  SimulatedBoard s(BoardKind{'S'}, host);
  reply = run(s, "st;up vexalog.adc;ls;ar;t;z;d;ec endTstS");
  int pivots = 0;
  for (const std::string& line : reply.lines) pivots += line.find(": pivot=") != std::string::npos;
  EXPECT_EQ(pivots, 16);
  EXPECT_TRUE(contains(reply, "ch 7: pivot=2055   25.000mV  18.5bits"));
  EXPECT_TRUE(contains(reply, "t=24 v=12.05"));
  EXPECT_EQ(reply.lines[reply.lines.size() - 2], "endTstS");
}

TEST(SelfTestTest, ChosenFailuresAndTheResolutionFailingOnce) {
  FixedClock host(make_local_time(2026, 12, 7, 10, 0, 0));
  SimulatedBoard s(BoardKind{'S'}, host);
  SelfTestOptions options;
  EXPECT_EQ(parse_self_test_failures("rtc,disk,temp", options), "");
  options.resolution_fails_once = true;
  s.self_test().set_options(options);
  BoardReply reply = run(s, "st;up vexalog.adc;ls;ar;t;z;d;ec endTstS");
  EXPECT_TRUE(contains(reply, "dr=3"));
  EXPECT_TRUE(contains(reply, "t=45"));
  EXPECT_TRUE(contains(reply, "2026:12:07 09:59:57"));  // three seconds late
  EXPECT_TRUE(contains(reply, "ch 7: pivot=2055   40.000mV"));
  reply = run(s, "ar;ec endTstS");
  EXPECT_TRUE(contains(reply, "ch 7: pivot=2055   25.000mV"));
}

TEST(SelfTestTest, OtherLinesAreTheBoardsAsBefore) {
  SimulatedBoard board(BoardKind{'S'});
  EXPECT_EQ(run(board, "ad=10").lines, std::vector<std::string>{"Ok"});
  EXPECT_EQ(run(board, "stx").lines, std::vector<std::string>{"Error unknown command stx"});
  // Within a self-test line a wrong command reports its error and the rest still runs.
  const BoardReply reply = run(board, "nonsense;ec done");
  EXPECT_EQ(reply.lines, (std::vector<std::string>{"Error unknown command nonsense", "done", "Ok"}));
}

}  // namespace
}  // namespace vexa::sim
