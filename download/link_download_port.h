#pragma once
// The downloads' view of the link session.
#include "download/download_port.h"
#include "link/link_session.h"

namespace vexa {

class LinkDownloadPort final : public DownloadPort {
 public:
  explicit LinkDownloadPort(LinkSession& link) : link_(link) {}
  bool write_bytes(std::string_view bytes) override {
    return link_.port().write_bytes(bytes.data(), bytes.size());
  }
  bool write_text(std::string_view text) override { return link_.write_text(text); }
  int read_byte(int wait_ms) override { return link_.port().link_read_byte(wait_ms); }
  long speed() const override { return link_.port().speed(); }
  long set_speed(long speed) override { return link_.port().set_speed(speed, false); }
  void pause_reading() override { link_.receiver().pause_reading(); }
  void resume_reading() override { link_.receiver().resume_reading(); }
  bool send_and_wait_ok(std::string_view command) override { return link_.send_and_wait_ok(command); }
  void set_echo_suppressed(bool on) override { link_.flags().echo_suppressed.store(on); }

 private:
  LinkSession& link_;
};

}  // namespace vexa
