#pragma once
// Clocks that stand still until a test moves them.
#include <atomic>
#include <cstdint>
#include <ctime>

#include "config/clock_check.h"
#include "platform/clock.h"

namespace vexa {

// A clock that stands still until told otherwise.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(std::tm local) : local_(local) {}
  std::tm local_now() const override { return local_; }
  std::time_t epoch_now() const override { std::tm copy = local_; return std::mktime(&copy); }
  std::int64_t monotonic_ms() const override { return ms_; }
  void set_local(std::tm local) { local_ = local; }
  void advance_ms(std::int64_t ms) { ms_ += ms; }

 private:
  std::tm local_;
  std::int64_t ms_ = 0;
};

// A time of day that stands still, for tests and replays.
class FixedTimeOfDay final : public TimeOfDaySource {
 public:
  explicit FixedTimeOfDay(std::int64_t ms) : ms_(ms) {}
  std::int64_t local_ms_of_day() const override { return ms_.load(); }
  void set(std::int64_t ms) { ms_.store(ms); }

 private:
  std::atomic<std::int64_t> ms_;
};

}  // namespace vexa
