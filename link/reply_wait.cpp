#include "link/reply_wait.h"

#include <chrono>

namespace vexa {

void ReplyWait::line_completed(std::string_view line) {
  {
    std::lock_guard lock(mutex_);
    held_.push_back(Held{++last_sequence_, std::string(line)});
    if (held_.size() > kHeldLines) held_.pop_front();
  }
  changed_.notify_all();
}

std::uint64_t ReplyWait::mark() const {
  std::lock_guard lock(mutex_);
  return last_sequence_;
}

std::optional<std::string> ReplyWait::line_after(std::uint64_t mark, int timeout_ms) {
  std::unique_lock lock(mutex_);
  const std::uint64_t generation = wake_generation_;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  changed_.wait_until(lock, deadline,
                      [&] { return last_sequence_ > mark || wake_generation_ != generation; });
  if (last_sequence_ <= mark) return std::nullopt;
  for (const Held& held : held_)
    if (held.sequence == mark + 1) return held.text;
  // The wanted line has already been dropped from the held lines: far too late to count.
  return std::nullopt;
}

void ReplyWait::wake_all() {
  {
    std::lock_guard lock(mutex_);
    ++wake_generation_;
  }
  changed_.notify_all();
}

}  // namespace vexa
