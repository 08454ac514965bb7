#include "cli/board_link.h"

#include <chrono>
#include <ostream>

#include "base/identity.h"

namespace vexa::cli {

namespace {

// The settings file was read for the options already; the core reads it again for the rest.
CoreOptions core_options(const CommonOptions& options) {
  CoreOptions core;
  core.identity = options.identity;
  core.working_directory = current_directory();
  core.language = options.language;
  core.log_mode = options.log_mode;
  return core;
}

}  // namespace

BoardLink::BoardLink(const CommonOptions& options, std::ostream& out)
    : view_(out), core_(core_options(options), CoreFrontEnd{view_}) {
  if (!options.tcp.empty()) {
    link_name_ = kTcpLinkName;
    tcp_address_ = options.tcp;
  } else {
    link_name_ = options.port;
  }
  speed_text_ = std::to_string(options.baud.value_or(0));
  bad_speed_ = options.bad_speed;
}

BoardLink::~BoardLink() {
  watching_.store(false);
  watch_wake_.signal();
  if (watch_.joinable()) watch_.join();
  core_.shutdown();
  core_.terminal().flush();
  if (gone_.load() && err_) *err_ << "vexacli: the board on " << link_name_ << " is gone: its port vanished\n";
}

bool BoardLink::connect(std::ostream& err, Presence presence) {
  if (link_name_.empty()) {
    err << "vexacli: this command needs --port PATH|COMn or --tcp \"ADDR PORT\"\n";
    return false;
  }
  if (!bad_speed_.empty()) {
    constexpr std::size_t kShownChars = 40;
    const std::string shown =
        bad_speed_.size() > kShownChars ? bad_speed_.substr(0, kShownChars) + "... (" +
                                              std::to_string(bad_speed_.size()) + " characters)"
                                        : bad_speed_;
    err << "vexacli: the settings' speed Baud=" << shown << " is not a speed; give --baud N\n";
    return false;
  }
  session().port().set_tcp_address(tcp_address_);
  core_.start();
  const bool open = session().open(link_name_, speed_text_);
  core_.terminal().flush();
  err_ = &err;
  if (open && presence == Presence::watched && link_name_ != kTcpLinkName) {
    watching_.store(true);
    watch_ = std::thread([this] { watch_presence(); });
  }
  return open;
}

void BoardLink::watch_presence() {
  constexpr int kProbeIntervalMs = 100;
  SerialLink& port = session().port();
  // The port's own line ("COM error ...") is printed by the probe; the command ends on the
  // closed port and the destructor says that the board is gone.
  while (watching_.load()) {
    watch_wake_.wait(kProbeIntervalMs);
    if (!watching_.load()) break;
    // A job that reads the port itself has the reader paused: the probe waits for it, as the
    // desktop's timer does.
    if (!session().flags().reading_enabled.load()) continue;
    if (gone_.load()) continue;  // a command ends at the loss; no reopening behind its back
    port.probe_port();
    if (port.lost()) gone_.store(true);
  }
}

}  // namespace vexa::cli
