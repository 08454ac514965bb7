#pragma once
// What every vexacli command runs on: the headless core the desktop runs on too, with a terminal
// that prints to standard output, and the link opened from the options.
#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <thread>

#include "app/headless_core.h"
#include "cli/command.h"
#include "platform/wake_event.h"
#include "terminal/text_views.h"

namespace vexa::cli {

class BoardLink {
 public:
  BoardLink(const CommonOptions& options, std::ostream& out);
  ~BoardLink();
  BoardLink(const BoardLink&) = delete;
  BoardLink& operator=(const BoardLink&) = delete;

  // Starts the receive thread and opens the port or TCP link of the options. On failure the
  // reasons are already printed as terminal lines; a missing --port/--tcp goes to err. Once
  // open, the port's presence is probed every 100 ms while the receive thread reads it, as the
  // desktop's timer does, so a vanished adapter closes the port and every job sees it at once.
  // The terminal command probes by itself (it reopens a port that comes back): it passes
  // Presence::probed_by_caller.
  enum class Presence { watched, probed_by_caller };
  bool connect(std::ostream& err, Presence presence = Presence::watched);

  // True once the presence probe has found the port gone during this command (the port's own
  // line is printed then; the destructor adds, on err, that the board is gone).
  bool board_gone() const { return gone_.load(); }

  HeadlessCore& core() { return core_; }
  Terminal& terminal() { return core_.terminal(); }
  // Received bytes and report lines pass it on their way to the terminal (plain unless a
  // command turns on hex or time stamps).
  DisplayFilter& display() { return core_.display(); }
  ReportSink& reports() { return core_.reports(); }
  LinkSession& session() { return core_.link(); }
  const Messages& messages() const { return core_.messages(); }
  CaptureLog& log() { return core_.log(); }

  // "COMn"/path and speed text the options name (the settings' Baud when no --baud).
  const std::string& link_name() const { return link_name_; }
  const std::string& speed_text() const { return speed_text_; }

 private:
  StreamView view_;
  HeadlessCore core_;
  std::string link_name_;
  std::string speed_text_;
  std::string tcp_address_;
  std::string bad_speed_;

  void watch_presence();
  std::ostream* err_ = nullptr;
  std::atomic<bool> gone_{false};
  std::atomic<bool> watching_{false};
  WakeEvent watch_wake_;
  std::thread watch_;
};

}  // namespace vexa::cli
