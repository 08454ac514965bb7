#pragma once
// Clocks for tests: they stand still until a test moves them, and a sleep only moves them on.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <vector>

#include "platform/clock.h"

namespace vexa {

// The calendar stands at `local`; monotonic time moves by advance_ms and sleeps.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(std::tm local) : local_(local) {}
  std::tm local_now() const override { return local_; }
  std::time_t epoch_now() const override { std::tm copy = local_; return std::mktime(&copy); }
  std::int64_t epoch_ms() const override { return static_cast<std::int64_t>(epoch_now()) * 1000; }
  std::int64_t monotonic_ms() const override { return ms_.load(); }
  std::int64_t local_ms_of_day() const override {
    return ((local_.tm_hour * 60LL + local_.tm_min) * 60 + local_.tm_sec) * 1000;
  }
  void sleep_ms(int ms) const override { if (ms > 0) ms_ += ms; }
  void set_local(std::tm local) { local_ = local; }
  void advance_ms(std::int64_t ms) { ms_ += ms; }

 private:
  std::tm local_;
  mutable std::atomic<std::int64_t> ms_ = 0;
};

// Every reading is one millisecond count, which the test sets (from any thread) and sleeps move
// on: the time of day is that count within a day.
class FixedTimeOfDay final : public Clock {
 public:
  explicit FixedTimeOfDay(std::int64_t ms) : ms_(ms) {}
  std::tm local_now() const override {
    const std::time_t seconds = epoch_now();
    std::tm out{};
    gmtime_r(&seconds, &out);
    return out;
  }
  std::time_t epoch_now() const override { return static_cast<std::time_t>(ms_.load() / 1000); }
  std::int64_t epoch_ms() const override { return ms_.load(); }
  std::int64_t monotonic_ms() const override { return ms_.load(); }
  std::int64_t local_ms_of_day() const override { return ms_.load() % 86'400'000; }
  void sleep_ms(int ms) const override { if (ms > 0) ms_ += ms; }
  void set(std::int64_t ms) { ms_.store(ms); }

 private:
  mutable std::atomic<std::int64_t> ms_;
};

// A clock for one job on one thread: it counts every pause the job asks for (and in what
// order), each moving it on.
class CountingClock final : public Clock {
 public:
  std::tm local_now() const override {
    const std::time_t seconds = epoch_now();
    std::tm out{};
    localtime_r(&seconds, &out);
    return out;
  }
  std::time_t epoch_now() const override { return static_cast<std::time_t>(now_ms / 1000); }
  std::int64_t epoch_ms() const override { return now_ms; }
  std::int64_t monotonic_ms() const override { return now_ms; }
  std::int64_t local_ms_of_day() const override { return now_ms % 86'400'000; }
  void sleep_ms(int ms) const override {
    slept_ms += ms;
    now_ms += ms;
    pauses.push_back(ms);
  }

  mutable std::int64_t slept_ms = 0;
  mutable std::int64_t now_ms = 1'000'000'000;
  mutable std::vector<int> pauses;
};

}  // namespace vexa
