#pragma once
// What the data upload needs of the link, so that it runs over the real link session and over
// a recording fake alike.
#include <string_view>

#include "link/link_session.h"

namespace vexa {

class UploadLink {
 public:
  virtual ~UploadLink() = default;
  // Prints the text as a terminal line and writes it with LF.
  virtual void send_line(std::string_view text) = 0;
  // Writes text as it stands.
  virtual bool write_text(std::string_view text) = 0;
  virtual long speed() const = 0;
  virtual bool is_tcp() const = 0;
  virtual bool is_open() const = 0;
  // After a "bi=" command: discards at most one byte that comes within 200 ms (with the
  // receive thread's reading paused, unless this runs on the receive thread itself), then sets
  // the port's speed.
  virtual void change_speed(long speed, bool on_receive_thread) = 0;
  // The gate that keeps the loader and configuration consumers away from data lines.
  virtual void set_upload_running(bool running) = 0;
};

inline constexpr int kSpeedSwitchWaitMs = 200;

class LinkUploadPort final : public UploadLink {
 public:
  explicit LinkUploadPort(LinkSession& link) : link_(link) {}
  void send_line(std::string_view text) override { link_.send_line(text); }
  bool write_text(std::string_view text) override { return link_.write_text(text); }
  long speed() const override { return link_.port().speed(); }
  bool is_tcp() const override { return link_.port().link_name() == kTcpLinkName; }
  bool is_open() const override { return link_.port().link_is_open(); }
  void change_speed(long speed, bool on_receive_thread) override {
    if (on_receive_thread) {
      link_.port().link_read_byte(kSpeedSwitchWaitMs);
    } else {
      ReadingPause pause(link_.receiver());
      link_.port().link_read_byte(kSpeedSwitchWaitMs);
    }
    link_.port().set_speed(speed, true);
  }
  void set_upload_running(bool running) override { link_.consumers().set_upload_running(running); }

 private:
  LinkSession& link_;
};

}  // namespace vexa
