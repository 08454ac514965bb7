#include "platform/clock.h"

#include <thread>

namespace vexa {

std::tm SystemClock::local_now() const {
  std::time_t now = std::time(nullptr);
  std::tm out{};
  localtime_r(&now, &out);
  return out;
}

std::time_t SystemClock::epoch_now() const { return std::time(nullptr); }

std::int64_t SystemClock::epoch_ms() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t SystemClock::local_ms_of_day() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::time_t seconds = now.tv_sec;
  std::tm local{};
  localtime_r(&seconds, &local);
  // tm_gmtoff already includes daylight saving.
  std::int64_t local_seconds = static_cast<std::int64_t>(seconds) + local.tm_gmtoff;
  std::int64_t of_day = ((local_seconds % 86400) + 86400) % 86400;
  return of_day * 1000 + now.tv_nsec / 1'000'000;
}

void SystemClock::sleep_ms(int ms) const {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t SystemClock::monotonic_ms() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const SystemClock& SystemClock::instance() {
  static const SystemClock clock;
  return clock;
}

std::tm make_local_time(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  std::tm copy = t;
  std::mktime(&copy);  // fills in the weekday and day of the year
  t.tm_wday = copy.tm_wday;
  t.tm_yday = copy.tm_yday;
  return t;
}

}  // namespace vexa
