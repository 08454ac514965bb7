#pragma once
// What the command line program watches while a board talks: when the last line came (a board
// that has gone quiet has said all it will), and whether it named itself.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string_view>

#include "config/board_identity.h"
#include "link/line_consumer.h"

namespace vexa::cli {

inline std::int64_t steady_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Notes when the last line came and how many did. Put it after the consumer whose work it waits
// for (the same place, added later), so a line is counted once that one has taken it.
class QuietWatch final : public LineConsumer {
 public:
  void on_line(std::string_view) override {
    last_ms_.store(steady_ms());
    lines_.fetch_add(1);
  }
  std::uint64_t lines() const { return lines_.load(); }
  std::int64_t last_ms() const { return last_ms_.load(); }

 private:
  std::atomic<std::int64_t> last_ms_{0};
  std::atomic<std::uint64_t> lines_{0};
};

class IdentitySeen final : public TargetChangeListener {
 public:
  void target_changed(const BoardIdentityData&) override { seen_.store(true); }
  bool seen() const { return seen_.load(); }

 private:
  std::atomic<bool> seen_{false};
};

}  // namespace vexa::cli
