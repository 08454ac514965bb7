#pragma once
// The link session's byte port: its serial port or TCP connection, and its receive thread's
// reading. The session owns one; everything that talks bytes to the board goes through it.
#include "base/board_port.h"

namespace vexa {

class LinkSession;

class LinkBoardPort final : public BoardPort {
 public:
  explicit LinkBoardPort(LinkSession& link) : link_(link) {}

  // Through the session, so a following wait_line waits for the line after this write.
  bool write_text(std::string_view text) override;
  bool write_bytes(std::string_view bytes) override;
  int read_byte(int wait_ms) override;
  long speed() const override;
  long set_speed(long speed, SpeedNotice notice) override;
  bool is_open() const override;
  bool is_tcp() const override;
  void pause_reading() override;
  void resume_reading() override;

 private:
  LinkSession& link_;
};

}  // namespace vexa
