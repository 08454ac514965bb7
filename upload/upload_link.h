#pragma once
// What the data upload uses of the link: its byte port, its line dialogue and its upload gate,
// so that it runs over the real link session and over a recording fake alike.
#include "base/board_port.h"
#include "link/board_channel.h"
#include "link/link_control.h"
#include "link/link_session.h"

namespace vexa {

struct UploadLink {
  UploadLink(BoardPort& port, BoardChannel& channel, LinkControl& control)
      : port(port), channel(channel), control(control) {}
  explicit UploadLink(LinkSession& link) : UploadLink(link.board_port(), link, link) {}

  BoardPort& port;
  BoardChannel& channel;
  LinkControl& control;
};

inline constexpr int kSpeedSwitchWaitMs = 200;

}  // namespace vexa
