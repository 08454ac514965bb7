#include "link/port_name.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "base/text_format.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

bool has_com_prefix(std::string_view name) {
  return name.size() >= 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(name[2])) == 'M' &&
         name.find('/') == std::string_view::npos;
}

}  // namespace

PortName resolve_port_name(std::string_view link_name) {
  if (!has_com_prefix(link_name) && !link_name.empty()) return {std::string(link_name), std::string(link_name)};
  long number = link_name.size() > 3 ? leading_integer(link_name.substr(3)) : 0;
  if (number < kLowestPortNumber || number > kHighestPortNumber) number = kLowestPortNumber;
  return {format_text("/dev/ttyS%ld", number - 1), format_text("COM%ld", number)};
}

bool is_gateway_name(std::string_view name) { return name.starts_with(kGatewayScheme); }

std::optional<GatewayAddress> parse_gateway_address(std::string_view name) {
  if (!is_gateway_name(name)) return std::nullopt;
  std::string_view rest = name.substr(std::string_view(kGatewayScheme).size());
  const std::size_t separator = rest.find_last_of(": ");
  if (separator == std::string_view::npos || separator == 0) return std::nullopt;
  const std::string_view port_text = rest.substr(separator + 1);
  if (port_text.empty() || port_text.size() > 5 ||
      !std::all_of(port_text.begin(), port_text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const long port = leading_integer(port_text);
  if (port < 1 || port > 65535) return std::nullopt;
  return GatewayAddress{std::string(rest.substr(0, separator)), static_cast<int>(port)};
}

std::string port_description(const PortName& name, long speed) {
  return format_text("%s:%ld,n,8,1", name.label.c_str(), speed);
}

std::string port_description(const PortName& name, long speed, const LineSettings& settings) {
  return format_text("%s:%ld,%s", name.label.c_str(), speed, line_settings_text(settings).c_str());
}

std::string open_failure_reason(const Messages& messages, const std::string& device_path, int error_code,
                                const std::string& holder) {
  auto text = [&](const char* key) { return format_message(messages.message(key), {device_path}); };
  if (is_gateway_name(device_path)) {
    switch (error_code) {
      case EDESTADDRREQ: return text("VtGateForm");
      case EADDRNOTAVAIL: return text("VtGateHost");
      case ECONNREFUSED: return text("VtGateRefused");
      case ETIMEDOUT: return text("VtGateSilent");
      case EPROTONOSUPPORT: return text("VtGateNoCtl");
      case EINVAL: return text("VtGateKept");
      case ECONNRESET:
      case EPIPE: return text("VtGateClosed");
      default: return format_text("%s: %s", device_path.c_str(), system_error_text(error_code).c_str());
    }
  }
  switch (error_code) {
    case EACCES:
    case EPERM:
      return text("VtPortDenied");
    case EBUSY:
      if (!holder.empty()) return format_message(messages.message("VtPortBusyBy"), {device_path, holder});
      return text("VtPortBusy");
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return text("VtPortMissing");
    case ENOTTY:
      return text("VtPortNotSerial");
    case EINVAL:
      return text("VtPortBadLine");
    default:
      return format_text("%s: %s", device_path.c_str(), system_error_text(error_code).c_str());
  }
}

std::vector<std::string> port_list(const std::string& dev_root, const std::string& sys_root) {
  std::vector<std::string> names = list_serial_devices(dev_root, sys_root);
  names.emplace_back(kTcpLinkName);
  return names;
}

std::vector<std::string> port_list_keeping(std::string_view link_name) {
  std::vector<std::string> names = port_list();
  if (is_gateway_name(link_name)) names.insert(names.end() - 1, std::string(link_name));
  return names;
}

}  // namespace vexa
