#pragma once
// A link for the upload tests: records what the upload sends and the speed changes it makes.
#include <string>
#include <vector>

#include "base/report_sink.h"
#include "upload/upload_link.h"

namespace vexa::test {

class FakeUploadLink final : public UploadLink {
 public:
  explicit FakeUploadLink(ReportSink& report) : report_(report) {}
  void send_line(std::string_view text) override {
    report_.print_line(text);
    written.push_back(std::string(text) + "\n");
  }
  bool write_text(std::string_view text) override {
    written.emplace_back(text);
    return open;
  }
  long speed() const override { return current_speed; }
  bool is_tcp() const override { return tcp; }
  bool is_open() const override { return open; }
  void change_speed(long speed, bool on_receive_thread) override {
    speed_changes.push_back({speed, on_receive_thread});
    current_speed = speed;
  }
  void set_upload_running(bool running) override { gate = running; }

  struct SpeedChange {
    long speed;
    bool on_receive_thread;
    bool operator==(const SpeedChange&) const = default;
  };
  std::vector<std::string> written;
  std::vector<SpeedChange> speed_changes;
  long current_speed = 9600;
  bool tcp = false;
  bool open = true;
  bool gate = false;

 private:
  ReportSink& report_;
};

}  // namespace vexa::test
