#pragma once
// What every vexacli command that talks to a board shares: the texts, the capture log, a
// terminal that prints to standard output, and the link session opened from the options.
#include <iosfwd>
#include <memory>
#include <string>

#include "app/capture_log.h"
#include "app/messages.h"
#include "cli/command.h"
#include "link/link_session.h"
#include "terminal/display_filter.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace vexa::cli {

class BoardLink {
 public:
  BoardLink(const CommonOptions& options, std::ostream& out);
  ~BoardLink();
  BoardLink(const BoardLink&) = delete;
  BoardLink& operator=(const BoardLink&) = delete;

  // Starts the receive thread and opens the port or TCP link of the options. On failure the
  // reasons are already printed as terminal lines; a missing --port/--tcp goes to err.
  bool connect(std::ostream& err);

  Terminal& terminal() { return terminal_; }
  // Received bytes pass it on their way to the terminal (plain unless a command turns on hex or
  // time stamps).
  DisplayFilter& display() { return display_; }
  LinkSession& session() { return session_; }
  const Messages& messages() const { return messages_; }
  CaptureLog& log() { return log_; }

  // "COMn"/path and speed text the options name (the settings' Baud when no --baud).
  const std::string& link_name() const { return link_name_; }
  const std::string& speed_text() const { return speed_text_; }

 private:
  Messages messages_;
  CaptureLog log_;
  StreamView view_;
  Terminal terminal_;
  DisplayFilter display_;
  LinkSession session_;
  std::string link_name_;
  std::string speed_text_;
  std::string tcp_address_;
};

}  // namespace vexa::cli
