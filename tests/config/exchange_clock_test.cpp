// Clock check sums and the time command formats.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "config/clock_check.h"
#include "config/fake_board.h"
#include "config/time_command.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using test::RecordingReport;

constexpr std::int64_t at(int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s) * 1000LL + ms; }

TEST(ExchangeClock, PrintsDifferenceAndAverageOnX) {
  RecordingReport report;
  std::atomic<bool> on{true};
  FixedTimeOfDay pc(at(12, 0, 1, 250));
  BoardClockCheck check(report, on, pc);
  EXPECT_TRUE(check.check_board_clock("ti=120000 x"));
  ASSERT_EQ(report.lines.size(), 2u);
  EXPECT_EQ(report.lines[0], "time tgt=43200.000 pc=43201.250 delta=1.250");
  EXPECT_EQ(report.lines[1], "time delta=1.250 3601.250");
  EXPECT_EQ(check.count(), 0);
  EXPECT_EQ(check.sum_ms(), 0);
}

TEST(ExchangeClock, AveragesSinceLastResetWithTruncation) {
  RecordingReport report;
  std::atomic<bool> on{true};
  FixedTimeOfDay pc(at(12, 0, 1, 0));
  BoardClockCheck check(report, on, pc);
  EXPECT_TRUE(check.check_board_clock("ti=120000"));           // +1000
  pc.set(at(11, 59, 59, 999));
  EXPECT_TRUE(check.check_board_clock("ti=120000 dt=240101"));  // -1
  pc.set(at(12, 0, 0, 0));
  EXPECT_TRUE(check.check_board_clock("ti=120000 x"));          // 0
  ASSERT_EQ(report.lines.size(), 4u);
  EXPECT_EQ(report.lines[1], "time tgt=43200.000 pc=43199.999 delta=-0.001");
  // (1000 - 1 + 0) / 3 = 333 in integer arithmetic.
  EXPECT_EQ(report.lines[3], "time delta=0.333 3600.333");
  // The sums start again after an " x" line.
  pc.set(at(12, 0, 2, 0));
  check.check_board_clock("ti=120000 x");
  EXPECT_EQ(report.lines.back(), "time delta=2.000 3602.000");
}

TEST(ExchangeClock, OnlyTiLinesWhileSwitchOn) {
  RecordingReport report;
  std::atomic<bool> on{false};
  FixedTimeOfDay pc(0);
  BoardClockCheck check(report, on, pc);
  EXPECT_FALSE(check.check_board_clock("ti=120000 x"));
  on = true;
  EXPECT_FALSE(check.check_board_clock("bd=9600"));
  EXPECT_FALSE(check.check_board_clock(" ti=120000"));
  EXPECT_TRUE(check.check_board_clock("ti="));  // short text: the missing digits read as 0
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_EQ(report.lines[0], "time tgt=0.000 pc=0.000 delta=0.000");
}

TEST(ExchangeClock, SystemTimeOfDayIsWithinADay) {
  std::int64_t ms = SystemClock::instance().local_ms_of_day();
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 86'400'000);
}

TEST(ExchangeTime, FormatsFieldsWithLeadingZerosAndSuffix) {
  EXPECT_EQ(format_time_command(make_local_time(2007, 3, 4, 5, 6, 7), ""), "ti=050607 dt=070304");
  EXPECT_EQ(format_time_command(make_local_time(2026, 12, 31, 23, 59, 58), ";tt;x"),
            "ti=235958 dt=261231;tt;x");
}

// A common year's first of March and the now mode go through the exchange (ExchangeLines).
TEST(ExchangeTime, HourEarlierAtHalfPastMidnightOnFirstMarchOfALeapYear) {
  FixedClock leap(make_local_time(2024, 3, 1, 0, 30, 15));
  EXPECT_EQ(time_command(leap, TimeMode::hour_earlier, ""), "ti=233015 dt=240229");
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

TEST(ExchangeTime, NextSecondWaitsForTheChange) {
  TickingClock clock;
  RecordingReport report;
  test::FakeBoard channel(report);
  send_time(channel, clock, TimeMode::next_second);
  EXPECT_EQ(channel.written, (std::vector<std::string>{"ti=100001 dt=260101\n"}));
}

TEST(ExchangeTime, NextSecondGivesUpOnAStoppedClock) {
  FixedClock clock(make_local_time(2026, 1, 1, 10, 0, 0));
  // FixedClock's monotonic time does not move either: the poll count ends the wait.
  EXPECT_EQ(time_command(clock, TimeMode::next_second, ";x"), "ti=100000 dt=260101;x");
}

}  // namespace
}  // namespace vexa
