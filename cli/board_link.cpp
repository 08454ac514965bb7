#include "cli/board_link.h"

#include <ostream>

#include "app/identity.h"

namespace vexa::cli {

BoardLink::BoardLink(const CommonOptions& options, std::ostream& out)
    : messages_(options.identity.product_name, options.language),
      log_(options.identity.log_path),
      view_(out),
      terminal_(view_, &log_),
      display_(terminal_),
      session_(terminal_, display_, messages_, &log_) {
  log_.set_mode(options.log_mode);
  log_.apply_log_mode();
  if (!options.tcp.empty()) {
    link_name_ = kTcpLinkName;
    tcp_address_ = options.tcp;
  } else {
    link_name_ = options.port;
  }
  speed_text_ = std::to_string(options.baud.value_or(0));
}

BoardLink::~BoardLink() {
  session_.stop();
  session_.close();
  terminal_.flush();
}

bool BoardLink::connect(std::ostream& err) {
  if (link_name_.empty()) {
    err << "vexacli: this command needs --port PATH|COMn or --tcp \"ADDR PORT\"\n";
    return false;
  }
  session_.port().set_tcp_address(tcp_address_);
  session_.start();
  const bool open = session_.open(link_name_, speed_text_);
  terminal_.flush();
  return open;
}

}  // namespace vexa::cli
