#pragma once
// The file sender's port: the link's writes and reads. Hold a ReadingPause on the receive thread
// while it runs, so the sender reads the board's answers itself.
#include "link/serial_link.h"
#include "terminal/send_file.h"

namespace vexa {

class LinkSendPort final : public SendPort {
 public:
  explicit LinkSendPort(SerialLink& link) : link_(link) {}
  bool write_text(std::string_view text) override { return link_.write_text(text); }
  int read_byte(int wait_ms) override { return link_.link_read_byte(wait_ms); }

 private:
  SerialLink& link_;
};

}  // namespace vexa
