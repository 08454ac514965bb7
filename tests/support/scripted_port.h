#pragma once
// A board port for tests: reads take queued bytes and never wait, every write is recorded
// (texts and raw bytes apart) and may be answered by a responder that queues the board's
// reply; speed changes, reading pauses and the open and TCP flags are the test's to look at
// and set. Subclasses take over single calls (a simulated monitor, a pseudo-terminal).
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/board_port.h"

namespace vexa::test {

class ScriptedPort : public BoardPort {
 public:
  // What the board answers to a write (text or bytes), queued behind what is there.
  std::function<std::string(std::string_view written)> respond;
  bool fail_writes = false;  // every write fails and nothing is recorded
  bool open = true;          // closed: writes fail unrecorded, reads return kReadPortClosed
  bool tcp = false;
  long current_speed = 9600;

  bool write_text(std::string_view text) override { return write(text, true); }
  bool write_bytes(std::string_view bytes) override { return write(bytes, false); }
  // The next queued byte; kReadTimedOut at once when there is none (wait_ms is added up).
  int read_byte(int wait_ms) override;
  long speed() const override { return current_speed; }
  long set_speed(long speed, SpeedNotice notice) override;
  bool is_open() const override { return open; }
  bool is_tcp() const override { return tcp; }
  void pause_reading() override;
  void resume_reading() override;

  // Bytes the board sends.
  void queue(std::string_view bytes);
  // Drops the writes recorded so far.
  void forget_writes();

  struct SpeedChange {
    long speed;
    SpeedNotice notice;
    bool operator==(const SpeedChange&) const = default;
  };
  // Every write as it went out, texts and bytes in their order.
  const std::vector<std::string>& writes() const { return writes_; }
  // The text writes alone, and the raw bytes run together.
  const std::vector<std::string>& texts() const { return texts_; }
  const std::string& bytes() const { return bytes_; }
  const std::vector<SpeedChange>& speed_changes() const { return speed_changes_; }
  // The speeds asked for, in order.
  std::vector<long> speeds() const;
  // Reading pauses held now.
  int pauses() const { return pauses_; }
  // The waits of the reads that found nothing, added up.
  long waited_ms() const { return waited_ms_; }

 private:
  bool write(std::string_view data, bool text);

  mutable std::mutex mutex_;  // the input (a test may queue while a job reads)
  std::deque<char> input_;
  std::vector<std::string> writes_;
  std::vector<std::string> texts_;
  std::string bytes_;
  std::vector<SpeedChange> speed_changes_;
  int pauses_ = 0;
  long waited_ms_ = 0;
};

}  // namespace vexa::test
