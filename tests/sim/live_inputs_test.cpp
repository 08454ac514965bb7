// The simulated board's live polls: the line format the analog tab and the data view read,
// the firmware gate of "a<n>", and values that follow the input's expression and move in time.
#include "sim/live_inputs.h"

#include <gtest/gtest.h>

#include "sim/simulated_board.h"

namespace vexa::sim {
namespace {

BoardKind kind_of(char type, int firmware = kDefaultFirmware) {
  BoardKind kind;
  kind.type = type;
  kind.firmware = firmware;
  return kind;
}

TEST(LiveInputs, PollsAnswerOneOrAllInputsWithTheirExpressionValue) {
  SimulatedBoard board(BoardConfiguration(kind_of('F')));
  ASSERT_EQ(board.execute_line("a3=a*0.03814697+0,3").lines.back(), "Ok");
  const BoardReply one = board.execute_line("a3");
  ASSERT_EQ(one.lines.size(), 2u);
  EXPECT_EQ(one.lines.back(), "Ok");
  const std::string& line = one.lines.front();
  EXPECT_EQ(line.rfind(" a3: ", 0), 0u) << line;
  EXPECT_NE(line.find("mV ="), std::string::npos) << line;
  EXPECT_EQ(line.find(" a4:"), std::string::npos);
  const long count = std::stol(line.substr(5));
  EXPECT_GE(count, 65536 / 10);
  EXPECT_LE(count, 65536 * 9 / 10);
  // The value is the count under the stored expression, in volts with three decimals.
  const double volts = std::stod(line.substr(line.find('=') + 1));
  EXPECT_NEAR(volts, count * 0.03814697 / 1000, 0.002);

  const BoardReply all = board.execute_line("a 2");
  EXPECT_NE(all.lines.front().find(" a15: "), std::string::npos);
  EXPECT_LT(all.lines.front().size(), 998u);
  EXPECT_EQ(board.execute_line("a?").lines.size(), 2u);
  EXPECT_EQ(board.execute_line("a16").lines.front(), "Error unknown command a16");

  SimulatedBoard old(BoardConfiguration(kind_of('E', 602)));
  EXPECT_EQ(old.execute_line("a3").lines.front(), "Error unknown command a3");
  EXPECT_NE(old.execute_line("a?").lines.front().find(" a7: "), std::string::npos);
  EXPECT_EQ(old.execute_line("a?").lines.front().find(" a8: "), std::string::npos);
}

TEST(LiveInputs, CountsMoveSlowlyAndStayInsideTheScale) {
  const BoardKind s = kind_of('S');
  long low = 1L << 30, high = -1;
  for (int t = 0; t < 200; ++t) {
    const long c = live_count(s, 5, t);
    low = std::min(low, c);
    high = std::max(high, c);
    EXPECT_LE(std::labs(c - live_count(s, 5, t + 0.1)), 7864320 / 50);
  }
  EXPECT_GE(low, 0);
  EXPECT_LE(high, 7864320);
  EXPECT_GT(high - low, 7864320 / 2);
  EXPECT_NE(live_count(s, 0, 10), live_count(s, 1, 10));
}

}  // namespace
}  // namespace vexa::sim
