#pragma once
// The link's controls beyond its byte port, as the modem dialer and the data upload use them:
// the open button, the TCP address, the carrier line and the upload gate.
#include <string_view>

namespace vexa {

class LinkControl {
 public:
  virtual ~LinkControl() = default;
  // A serial port is open.
  virtual bool serial_open() = 0;
  // The open button's action: opens the serial port (reporting failures), or for "tcp/ip"
  // sets the connect request. True when the serial port is open afterwards.
  virtual bool open_link() = 0;
  // The address text the TCP connect uses.
  virtual void set_tcp_address(std::string_view text) = 0;
  // The receive-line-signal-detect (DCD) line; false when no port is open.
  virtual bool carrier_detect() = 0;
  // The gate that keeps the loader and configuration consumers away from data lines.
  virtual void set_upload_running(bool running) = 0;
};

}  // namespace vexa
