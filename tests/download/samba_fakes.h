#pragma once
// In-process stand-ins for the SAM-BA tests: a port wired straight to the simulated board's
// SAM-BA side (no pty, no real waits), with a hook that may change each reply, a sleep that
// only adds up.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "base/session_ports.h"
#include "download/samba_wire.h"
#include "sim/samba_session.h"

namespace vexa::test {

class MonitorPort final : public SambaPort {
 public:
  // tamper(sent, reply) returns what the host gets for the bytes it sent.
  using Tamper = std::function<std::string(std::string_view sent, std::string reply)>;

  explicit MonitorPort(sim::SambaOptions options = {}) : session_(std::move(options)) {}

  bool write(std::string_view bytes) override {
    written_.append(bytes);
    std::string reply = session_.feed(bytes, clock_ms_).reply;
    if (tamper_) reply = tamper_(bytes, std::move(reply));
    inbox_.insert(inbox_.end(), reply.begin(), reply.end());
    return true;
  }
  int read_byte(int wait_ms) override {
    if (inbox_.empty()) {
      waited_ms_ += wait_ms;
      return -1;
    }
    const int c = static_cast<unsigned char>(inbox_.front());
    inbox_.pop_front();
    return c;
  }
  long set_speed(long speed) override {
    speeds_.push_back(speed);
    const long before = speed_;
    speed_ = speed;
    return before;
  }
  long speed() const override { return speed_; }

  void set_tamper(Tamper tamper) { tamper_ = std::move(tamper); }
  void preset_speed(long speed) { speed_ = speed; }
  sim::SambaSession& session() { return session_; }
  sim::SambaChip& chip() { return session_.monitor()->chip(); }
  const std::string& written() const { return written_; }
  const std::vector<long>& speeds() const { return speeds_; }
  long waited_ms() const { return waited_ms_; }

 private:
  sim::SambaSession session_;
  Tamper tamper_;
  std::deque<char> inbox_;
  std::string written_;
  std::vector<long> speeds_;
  long speed_ = 9600;
  long waited_ms_ = 0;
  std::int64_t clock_ms_ = 0;
};

// A port on which nothing ever answers.
class SilentPort final : public SambaPort {
 public:
  bool write(std::string_view bytes) override {
    written_.append(bytes);
    return true;
  }
  int read_byte(int) override { return -1; }
  long set_speed(long speed) override {
    const long before = speed_;
    speed_ = speed;
    return before;
  }
  long speed() const override { return speed_; }
  const std::string& written() const { return written_; }

 private:
  std::string written_;
  long speed_ = 9600;
};

class CountingSleep {
 public:
  SambaSleep sleeper() {
    return [this](int ms) { total_ms_ += ms; pauses_.push_back(ms); };
  }
  long total_ms() const { return total_ms_; }
  const std::vector<int>& pauses() const { return pauses_; }

 private:
  long total_ms_ = 0;
  std::vector<int> pauses_;
};

inline std::string random_bytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

}  // namespace vexa::test
