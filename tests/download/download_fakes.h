#pragma once
// A scripted link for the download tests: each write is handed to a responder that queues the
// board's answer; reads take queued bytes and never wait. A pacer whose sleeps only add up.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/board_jobs.h"
#include "base/session_ports.h"
#include "download/download_context.h"
#include "support/recording_sinks.h"

namespace vexa::test {

class FakePort final : public DownloadPort {
 public:
  // Returns what the board answers to a write.
  std::function<std::string(std::string_view written)> respond;
  std::function<bool(std::string_view)> send_ok = [](std::string_view) { return true; };
  bool fail_writes = false;

  bool write_bytes(std::string_view bytes) override { return write(bytes, false); }
  bool write_text(std::string_view text) override { return write(text, true); }
  int read_byte(int) override {
    std::lock_guard lock(mutex_);
    if (input_.empty()) return -1;
    int c = static_cast<unsigned char>(input_.front());
    input_.pop_front();
    return c;
  }
  long speed() const override { return speed_; }
  long set_speed(long speed) override {
    long old = speed_;
    speed_ = speed;
    speeds.push_back(speed);
    return old;
  }
  void pause_reading() override { ++pauses; }
  void resume_reading() override { --pauses; }
  bool send_and_wait_ok(std::string_view command) override {
    commands.emplace_back(command);
    return send_ok(command);
  }
  void set_echo_suppressed(bool on) override { echo_suppressed = on; }
  void queue(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
  }

  std::vector<std::string> writes;   // every write, as written
  std::vector<std::string> commands; // send_and_wait_ok commands
  std::vector<long> speeds;
  long speed_ = 9600;
  int pauses = 0;
  bool echo_suppressed = false;

 private:
  bool write(std::string_view bytes, bool) {
    if (fail_writes) return false;
    writes.emplace_back(bytes);
    if (respond) queue(respond(bytes));
    return true;
  }
  std::mutex mutex_;
  std::deque<char> input_;
};

class FakePacer final : public Pacer {
 public:
  void sleep_ms(int ms) const override {
    slept_ms += ms;
    now_ms += ms;
    if (on_sleep) on_sleep();
  }
  std::int64_t clock_ms() const override { return now_ms; }
  std::time_t calendar_seconds() const override { return static_cast<std::time_t>(now_ms / 1000); }
  mutable std::int64_t slept_ms = 0;
  mutable std::int64_t now_ms = 1'000'000'000;
  std::function<void()> on_sleep;
};

class FakeTarget final : public LoaderTarget {
 public:
  char type_letter() const override { return letter; }
  std::string identity_line() const override { return line; }
  void loader_recognised(char l, std::string_view text) override {
    letter = l;
    line = std::string(text);
  }
  char letter = 0;
  std::string line;
};

class FakeControl final : public JobControl {
 public:
  bool stop_requested() const override { return stop.load(); }
  std::atomic<bool> stop{false};
};

// Everything a download job needs, over the fake port.
struct FakeRig {
  FakePort port;
  SharedReport report;
  Messages messages;
  RecordingStatus status;
  FakeControl control;
  FakeTarget target;
  FakePacer pacer;
  LoaderDetector detector{target, "VexaLog"};
  DownloadContext context() {
    return DownloadContext{port, report, messages, status, control, detector, target, pacer, false};
  }
};

}  // namespace vexa::test

namespace vexa::test {
// Two lower-case hexadecimal digits.
inline std::string hex_pair(unsigned value) {
  static const char digits[] = "0123456789abcdef";
  return {digits[(value >> 4) & 15], digits[value & 15]};
}
}  // namespace vexa::test
