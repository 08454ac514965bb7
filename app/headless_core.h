#pragma once
// The part of the program both front ends run on, the desktop's Session and every vexacli
// command: texts, capture log, settings, the configuration with its input types, the board's
// identity, the terminal and its display filter that report lines go through, the link with its
// receive thread, the board-job gate, and the configuration exchange and files. Built in one
// order and taken down in the reverse, so both front ends hear, show and save alike.
//
// What lives above it (tabs, downloads, a command's own watchers) puts its line consumers on
// link().consumers() and must drop them before the core goes; shutdown() stops the receive
// thread first, so that no line is being handed out while they go.
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analog/input_types.h"
#include "base/board_jobs.h"
#include "base/capture_log.h"
#include "base/identity.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/settings.h"
#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/config_files.h"
#include "config/configuration.h"
#include "link/line_consumers.h"
#include "link/link_session.h"
#include "platform/clock.h"
#include "terminal/display_filter.h"
#include "terminal/terminal.h"

namespace vexa {

// How the core starts: the program's identity and what overrides its settings file. The
// board starts as the settings' target (when it is an identity line), else identity.target_s.
struct CoreOptions {
  Identity identity;               // product name and the settings and capture log paths
  bool read_settings_file = true;  // a missing file leaves the defaults
  std::string settings_text;       // 'name=value' lines applied after the file (tests)
  std::string working_directory;   // where ainputs.txt is read
  std::optional<char> language;    // else the settings'
  std::optional<int> log_mode;     // else the settings'
};

// What only the front end has.
struct CoreFrontEnd {
  TerminalView& view;
  ViewThreads view_threads = ViewThreads::any;
  std::function<void()> wake_owner = {};  // owner_only: posts a flush to the view's thread
  StatusLine* status = nullptr;           // where the board jobs' end lines go besides the terminal
  ConfigFileHooks* file_hooks = nullptr;  // the configuration tab around file commands
  const Clock& clock = SystemClock::instance();
};

class HeadlessCore {
 public:
  HeadlessCore(const CoreOptions& options, const CoreFrontEnd& front);
  ~HeadlessCore();
  HeadlessCore(const HeadlessCore&) = delete;
  HeadlessCore& operator=(const HeadlessCore&) = delete;

  // Starts the receive thread.
  void start() { link_.start(); }
  // Ends the board job worker and the receive thread, then closes the link (idempotent). After
  // it the consumers above may go.
  void shutdown();

  const Identity& identity() const { return identity_; }
  Settings& settings() { return settings_; }
  // The settings' values as read at the start.
  const SessionValues& start_values() const { return start_values_; }
  Messages& messages() { return messages_; }
  const Messages& messages() const { return messages_; }
  CaptureLog& log() { return log_; }
  Configuration& configuration() { return configuration_; }
  const InputTypeTable& input_types() const { return input_types_; }
  // ainputs.txt's problems as terminal lines (none for a clean file).
  const std::vector<std::string>& input_type_problems() const { return input_type_problems_; }
  BoardIdentity& board() { return board_; }
  Terminal& terminal() { return terminal_; }
  DisplayFilter& display() { return display_; }
  // Where the program's own lines go: the terminal, through the display filter so that a
  // switch of the view keeps them.
  ReportSink& reports() { return display_; }
  LinkSession& link() { return link_; }
  BoardJobs& jobs() { return jobs_; }
  ConfigExchange& exchange() { return exchange_; }
  ConfigFiles& files() { return files_; }
  // The line feed switch: while on, the board's clock lines are checked against the PC's.
  std::atomic<bool>& line_feed() { return line_feed_; }

 private:
  Identity identity_;
  Settings settings_;
  SessionValues start_values_;
  char language_;
  Messages messages_;
  CaptureLog log_;
  Configuration configuration_;
  std::vector<std::string> input_type_problems_;  // before the table: its reading fills them
  InputTypeTable input_types_;
  TableInputTypeDefaults type_defaults_;
  BoardIdentity board_;
  Terminal terminal_;
  DisplayFilter display_;
  LinkSession link_;
  BoardJobs jobs_;
  std::atomic<bool> line_feed_{false};  // read by the clock check on the receive thread
  BoardClockCheck clock_check_;
  ConfigExchange exchange_;
  ConfigFiles files_;
  LineRegistration exchange_lines_;
  bool shut_down_ = false;
};

}  // namespace vexa
