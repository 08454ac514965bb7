#include "link/link_board_port.h"

#include "link/link_session.h"

namespace vexa {

bool LinkBoardPort::write_text(std::string_view text) { return link_.write_text(text); }

bool LinkBoardPort::write_bytes(std::string_view bytes) {
  return link_.port().write_bytes(bytes.data(), bytes.size());
}

int LinkBoardPort::read_byte(int wait_ms) { return link_.port().link_read_byte(wait_ms); }

long LinkBoardPort::speed() const { return link_.port().speed(); }

long LinkBoardPort::set_speed(long speed, SpeedNotice notice) {
  return link_.port().set_speed(speed, notice == SpeedNotice::shown);
}

bool LinkBoardPort::is_open() const { return link_.port().link_is_open(); }

bool LinkBoardPort::is_tcp() const { return link_.port().link_name() == kTcpLinkName; }

void LinkBoardPort::pause_reading() { link_.receiver().pause_reading(); }

void LinkBoardPort::resume_reading() { link_.receiver().resume_reading(); }

}  // namespace vexa
