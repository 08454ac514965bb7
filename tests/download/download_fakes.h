#pragma once
// The download jobs' parts over a scripted link (the port and its "Ok" replies, Stop, the
// loader target, a counting clock), and a port wired to the simulated board's SAM-BA side.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "base/board_jobs.h"
#include "base/session_ports.h"
#include "download/download_context.h"
#include "link/board_channel.h"
#include "sim/samba_session.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"
#include "support/fixed_clocks.h"

namespace vexa::test {

// The scripted port, and the "Ok" replies of the line dialogue: send_ok decides each one.
class FakePort final : public ScriptedPort, public BoardChannel {
 public:
  std::function<bool(std::string_view)> send_ok = [](std::string_view) { return true; };

  bool send_and_wait_ok(std::string_view command) override {
    commands.emplace_back(command);
    return send_ok(command);
  }
  bool wait_line(std::string_view) override { return true; }
  void send_line(std::string_view text) override { write_text(std::string(text) + "\n"); }
  void set_echo_suppressed(bool on) override { echo_suppressed = on; }

  std::vector<std::string> commands; // send_and_wait_ok commands
  bool echo_suppressed = false;
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
  CountingClock clock;
  LoaderDetector detector{target, "VexaLog"};
  DownloadContext context() {
    return DownloadContext{port, port, report, messages, status, control, detector, target, clock, false};
  }
};

// The scripted port wired to the simulated board's SAM-BA side: each write is fed to it and
// its reply queued.
class MonitorPort final : public ScriptedPort {
 public:
  // tamper(sent, reply) returns what the host gets for the bytes it sent.
  using Tamper = std::function<std::string(std::string_view sent, std::string reply)>;

  explicit MonitorPort(sim::SambaOptions options = {}) : session_(std::move(options)) {
    respond = [this](std::string_view sent) {
      std::string reply = session_.feed(sent, 0).reply;
      return tamper_ ? tamper_(sent, std::move(reply)) : reply;
    };
  }

  void set_tamper(Tamper tamper) { tamper_ = std::move(tamper); }
  sim::SambaSession& session() { return session_; }
  sim::SambaChip& chip() { return session_.monitor()->chip(); }

 private:
  sim::SambaSession session_;
  Tamper tamper_;
};

}  // namespace vexa::test
