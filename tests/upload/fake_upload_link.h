#pragma once
// A link for the upload tests: the scripted port records what the upload sends and the speed
// changes it makes, the line dialogue prints and writes through it, and the upload gate is a
// flag.
#include <string>
#include <vector>

#include "base/report_sink.h"
#include "support/scripted_port.h"
#include "upload/upload_link.h"

namespace vexa::test {

class FakeUploadLink final : public ScriptedPort, public BoardChannel, public LinkControl {
 public:
  explicit FakeUploadLink(ReportSink& report) : report_(report) {}
  operator UploadLink() { return {*this, *this, *this}; }

  // A speed change, and whether the discarding read before it ran with the receive thread
  // still reading (the upload runs on that thread then).
  struct SpeedChange {
    long speed;
    bool on_receive_thread;
    bool operator==(const SpeedChange&) const = default;
  };
  std::vector<SpeedChange> speed_changes;
  bool gate = false;

  int read_byte(int wait_ms) override {
    read_unpaused_ = pauses() == 0;
    return ScriptedPort::read_byte(wait_ms);
  }
  long set_speed(long speed, SpeedNotice notice) override {
    speed_changes.push_back({speed, read_unpaused_});
    return ScriptedPort::set_speed(speed, notice);
  }

  bool send_and_wait_ok(std::string_view) override { return true; }
  bool wait_line(std::string_view) override { return true; }
  void send_line(std::string_view text) override {
    report_.print_line(text);
    write_text(std::string(text) + "\n");
  }
  void set_echo_suppressed(bool) override {}

  bool serial_open() override { return open && !tcp; }
  bool open_link() override { return open; }
  void set_tcp_address(std::string_view) override {}
  bool carrier_detect() override { return open; }
  void set_upload_running(bool running) override { gate = running; }

 private:
  ReportSink& report_;
  bool read_unpaused_ = false;
};

}  // namespace vexa::test
