#pragma once
// Wall clock and monotonic time behind a small interface, so tests can inject a clock.
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
  // Monotonic milliseconds, for time-outs and stopwatches.
  virtual std::int64_t monotonic_ms() const = 0;
};

class SystemClock final : public Clock {
 public:
  std::tm local_now() const override;
  std::time_t epoch_now() const override;
  std::int64_t monotonic_ms() const override;
  static const SystemClock& instance();
};

// Builds a std::tm from calendar fields (month 1..12).
std::tm make_local_time(int year, int month, int day, int hour, int minute, int second);

}  // namespace vexa
