#include "config/time_command.h"

#include <chrono>
#include <thread>

#include "base/text_format.h"

namespace vexa {
namespace {

// Upper bounds for waiting on the next second.
constexpr std::int64_t kSecondWaitMs = 1500;
constexpr int kSecondWaitPolls = 3000;

std::time_t wait_for_next_second(const Clock& clock) {
  const std::time_t start = clock.epoch_now();
  const std::int64_t started_ms = clock.monotonic_ms();
  for (int polls = 0; polls < kSecondWaitPolls; ++polls) {
    std::time_t now = clock.epoch_now();
    if (now != start) return now;
    if (clock.monotonic_ms() - started_ms > kSecondWaitMs) break;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return clock.epoch_now();
}

}  // namespace

std::string format_time_command(const std::tm& local, std::string_view suffix) {
  return format_text("ti=%02d%02d%02d dt=%02d%02d%02d%.*s", local.tm_hour, local.tm_min,
                     local.tm_sec, (local.tm_year + 1900) % 100, local.tm_mon + 1, local.tm_mday,
                     static_cast<int>(suffix.size()), suffix.data());
}

std::string time_command(const Clock& clock, TimeMode mode, std::string_view suffix) {
  std::time_t seconds = mode == TimeMode::next_second ? wait_for_next_second(clock) : clock.epoch_now();
  if (mode == TimeMode::hour_earlier) seconds -= 3600;
  std::tm local{};
  localtime_r(&seconds, &local);
  return format_time_command(local, suffix);
}

void send_time(BoardChannel& channel, const Clock& clock, TimeMode mode, std::string_view suffix) {
  channel.send_line(time_command(clock, mode, suffix));
}

}  // namespace vexa
