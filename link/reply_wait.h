#pragma once
// Hands completed lines to senders waiting for a reply. Every line gets a sequence number; a
// sender takes a mark before it writes its command and then waits for the first line completed
// after that mark. Lines are held for a while, so a reply that arrives before the sender starts
// to wait is not lost, yet only the first line after the mark is ever compared.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

class ReplyWait {
 public:
  // Lines kept for late waiters; older ones are dropped (a waiter that far behind has timed
  // out long ago).
  static constexpr std::size_t kHeldLines = 64;

  // Called by the receive thread after each complete line.
  void line_completed(std::string_view line);

  // The sequence number of the last completed line: the mark a sender takes before writing.
  std::uint64_t mark() const;

  // The first line completed after mark, waiting up to timeout_ms for it. Nothing on time-out
  // (or after wake_all when no line came).
  std::optional<std::string> line_after(std::uint64_t mark, int timeout_ms);

  // Ends every current wait (shutting down).
  void wake_all();

 private:
  struct Held {
    std::uint64_t sequence;
    std::string text;
  };
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Held> held_;
  std::uint64_t last_sequence_ = 0;
  std::uint64_t wake_generation_ = 0;
};

}  // namespace vexa
