#pragma once
// A board port for tests: reads take queued bytes and never wait, every write is recorded
// (texts and raw bytes apart) and may be answered by a responder that queues the board's
// reply; speeds asked for, reading pauses and the open and TCP flags are the test's to look at
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
  bool open = true;  // closed: writes fail unrecorded, reads return kReadPortClosed
  bool tcp = false;
  long current_speed = 9600;

  bool write_text(std::string_view text) override { return write(text, true); }
  bool write_bytes(std::string_view bytes) override { return write(bytes, false); }
  // The next queued byte; kReadTimedOut at once when there is none.
  int read_byte(int wait_ms) override;
  long speed() const override { return current_speed; }
  long set_speed(long speed, SpeedNotice notice) override;
  bool is_open() const override { return open; }
  bool is_tcp() const override { return tcp; }
  void pause_reading() override { ++pauses_; }
  void resume_reading() override { --pauses_; }

  // Bytes the board sends.
  void queue(std::string_view bytes);
  // Drops the writes recorded so far.
  void forget_writes();

  // Every write as it went out, texts and bytes in their order, and the raw bytes run together.
  const std::vector<std::string>& writes() const { return writes_; }
  const std::string& bytes() const { return bytes_; }
  // The speeds asked for, in order.
  std::vector<long> speeds() const { return speeds_; }
  // Reading pauses held now.
  int pauses() const { return pauses_; }

 private:
  bool write(std::string_view data, bool text);

  mutable std::mutex mutex_;  // the input (a test may queue while a job reads)
  std::deque<char> input_;
  std::vector<std::string> writes_;
  std::string bytes_;
  std::vector<long> speeds_;
  int pauses_ = 0;
};

}  // namespace vexa::test
