#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/command_ids.h"
#include "app/main_window_form.h"

namespace vexa {
namespace {

struct Duties : TimerDuties {
  std::vector<std::string> calls;
  bool open = false;
  bool reading = true;
  MainWindowForm* reenter = nullptr;
  bool link_open() override { return open; }
  int factory_steps = 0;  // ticks whose factory step ends them, from the next one on
  bool factory_tick() override {
    if (factory_steps == 0) return false;
    --factory_steps;
    calls.push_back("factory");
    return true;
  }
  void supervise_phone_and_modem() override {
    calls.push_back("modem");
    if (reenter) {  // a modal loop inside a tick delivers another tick
      std::tm t{};
      calls.push_back(reenter->timer_tick(*this, t, 0) ? "nested ran" : "nested refused");
    }
  }
  void commit_current_tab() override { calls.push_back("commit"); }
  bool reading_enabled() override { return reading; }
  void probe_port() override { calls.push_back("probe"); }
};

std::tm at(int h, int m, int s) {
  std::tm t{};
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  return t;
}

TEST(Stopwatch, RequestsAreCarriedOutByTheTimer) {
  Stopwatch w;
  EXPECT_EQ(w.tick(100), "0.0");
  w.press();
  EXPECT_EQ(w.state(), Stopwatch::State::start_requested);
  EXPECT_EQ(w.tick(1000), "0.0");
  EXPECT_EQ(w.tick(1123), "12.3");
  w.press();
  EXPECT_EQ(w.tick(1200), "20.0");
  EXPECT_EQ(w.state(), Stopwatch::State::stopped);
  EXPECT_EQ(w.tick(5000), "20.0");  // stopped: the last time stays
}

TEST(Stopwatch, LongTimesAndMidnight) {
  EXPECT_EQ(stopwatch_text(9999), "999.9");
  EXPECT_EQ(stopwatch_text(10000), "1000");
  Stopwatch w;
  w.press();
  w.tick(863990);   // one second before midnight
  EXPECT_EQ(w.tick(20), "3.0");
  EXPECT_EQ(tenths_of_day(86400LL * 3 + 61, 250), 612);
}

TEST(MainWindowTimer, ClockCheckButtonAndDutyOrder) {
  MainWindowForm f({}, Messages());
  Duties d;
  d.open = true;
  ASSERT_TRUE(f.timer_tick(d, at(7, 5, 9), 0));
  EXPECT_EQ(f.form().text(cmd::kStatusClock), "07:05:09");
  EXPECT_TRUE(f.form().checked(cmd::kOpenClose));
  EXPECT_EQ(d.calls, (std::vector<std::string>{"modem", "commit", "probe"}));
  d.open = false;
  d.reading = false;  // a loader owns the port: no probe
  d.calls.clear();
  f.timer_tick(d, at(23, 59, 59), 0);
  EXPECT_FALSE(f.form().checked(cmd::kOpenClose));
  EXPECT_EQ(d.calls, (std::vector<std::string>{"modem", "commit"}));
}

TEST(MainWindowTimer, AFactoryStepEndsTheTickAfterTheClock) {
  MainWindowForm f({}, Messages());
  Duties d;
  d.open = true;
  d.factory_steps = 1;
  f.timer_tick(d, at(10, 0, 1), 0);
  EXPECT_EQ(f.form().text(cmd::kStatusClock), "10:00:01");  // the clock still runs
  EXPECT_EQ(d.calls, (std::vector<std::string>{"factory"}));
  EXPECT_FALSE(f.form().checked(cmd::kOpenClose));  // nothing after the step ran
  d.calls.clear();
  f.timer_tick(d, at(10, 0, 1), 0);
  EXPECT_EQ(d.calls, (std::vector<std::string>{"modem", "commit", "probe"}));
}

TEST(MainWindowTimer, ReentryIsRefused) {
  MainWindowForm f({}, Messages());
  Duties d;
  d.reenter = &f;
  std::tm t{};
  EXPECT_TRUE(f.timer_tick(d, t, 0));
  EXPECT_EQ(d.calls[1], "nested refused");
  d.reenter = nullptr;
  d.calls.clear();
  EXPECT_TRUE(f.timer_tick(d, t, 0));  // the guard is released afterwards
}

}  // namespace
}  // namespace vexa
