#pragma once
// The one clock of the program: calendar, monotonic and time-of-day readings, and the waits a
// job paces itself by, behind one interface so a test can give a clock that never sleeps.
#include <chrono>
#include <cstdint>
#include <ctime>

namespace vexa {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local calendar time, as localtime() gives it.
  virtual std::tm local_now() const = 0;
  // Seconds since the epoch.
  virtual std::time_t epoch_now() const = 0;
  // Milliseconds since the epoch, for pace marks that must agree with the calendar.
  virtual std::int64_t epoch_ms() const = 0;
  // Monotonic milliseconds, for time-outs and stopwatches.
  virtual std::int64_t monotonic_ms() const = 0;
  // Milliseconds since local midnight, 0 .. 86'399'999.
  virtual std::int64_t local_ms_of_day() const = 0;
  // Waits ms milliseconds (nothing for ms <= 0).
  virtual void sleep_ms(int ms) const = 0;
};

class SystemClock final : public Clock {
 public:
  std::tm local_now() const override;
  std::time_t epoch_now() const override;
  std::int64_t epoch_ms() const override;
  std::int64_t monotonic_ms() const override;
  std::int64_t local_ms_of_day() const override;
  void sleep_ms(int ms) const override;
  static const SystemClock& instance();
};

// Builds a std::tm from calendar fields (month 1..12).
std::tm make_local_time(int year, int month, int day, int hour, int minute, int second);

}  // namespace vexa
