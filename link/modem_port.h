#pragma once
// The port layer as the modem dialer sees it: carrier detect, text writes and the open button.
#include <string_view>

#include "link/modem_dialer.h"
#include "link/serial_link.h"

namespace vexa {

class ModemPort final : public ModemLink, public ModemStatus, public ModemWriter {
 public:
  explicit ModemPort(SerialLink& link) : link_(link) {}

  bool is_tcp() override { return link_.link_name() == kTcpLinkName; }
  bool serial_open() override { return link_.serial_open(); }
  bool open_link() override { return link_.open_link(false) && link_.serial_open(); }
  void set_tcp_address(std::string_view text) override { link_.set_tcp_address(text); }
  bool carrier_detect() override { return link_.carrier_detect(); }
  bool write_text(std::string_view text) override { return link_.write_text(text); }

 private:
  SerialLink& link_;
};

}  // namespace vexa
