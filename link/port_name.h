#pragma once
// The names of the board's ports: what a link name opens ("COMn", a device path, a gateway's
// "rfc2217://host:port" or "tcp/ip"),
// how a port is described in the report, what an open failure means to the user, and the list
// the selector offers.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "platform/line_settings.h"

namespace vexa {

inline constexpr char kTcpLinkName[] = "tcp/ip";
inline constexpr std::size_t kSelectorChars = 20;      // the speed text
// A "COMn" name fits the selector's 20 characters; device paths (serial/by-id links) are longer.
inline constexpr std::size_t kLinkNameChars = 255;
inline constexpr int kLowestPortNumber = 1;
inline constexpr int kHighestPortNumber = 99;

inline constexpr char kGatewayScheme[] = "rfc2217://";

// "rfc2217://10.0.0.5:2000" (or "... 2000"): the host and the port; nothing for another name
// or one without a port of 1..65535.
struct GatewayAddress {
  std::string host;
  int port = 0;
};
bool is_gateway_name(std::string_view name);
std::optional<GatewayAddress> parse_gateway_address(std::string_view name);

// What a link name opens: the device path and the description "COM5:9600,n,8,1".
struct PortName {
  std::string device_path;  // "/dev/ttyS4" for "COM5"; a path stands as it is
  std::string label;        // "COM5" or the path, used in the description
};

// "COMn" (n 1..99; anything else counts as COM1) maps to /dev/ttyS(n-1); other names are paths.
PortName resolve_port_name(std::string_view link_name);
// "%s:%d,n,8,1" with the label and the speed.
std::string port_description(const PortName& name, long speed);
// As above with the user's frame and handshake: "COM5:250000,e,7,1,rtscts".
std::string port_description(const PortName& name, long speed, const LineSettings& settings);
// What the user can do about an errno from opening a device: a hint for permissions, a busy
// port or a missing device; the system text otherwise.
// holder: who holds a busy port ("minicom, pid 1234"), empty when not known.
std::string open_failure_reason(const Messages& messages, const std::string& device_path, int error_code,
                                const std::string& holder = {});
// The selector's entries: the serial devices that exist, then "tcp/ip".
std::vector<std::string> port_list(const std::string& dev_root = "/dev", const std::string& sys_root = "/sys");
// The list with the link name in use kept on it before "tcp/ip" when it is a gateway's port,
// which no device scan finds.
std::vector<std::string> port_list_keeping(std::string_view link_name);

}  // namespace vexa
