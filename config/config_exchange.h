#pragma once
// The configuration dialogue with the board: asking for the configuration and absorbing the
// reply lines, erasing to the factory standard, downloading the table as acknowledged
// assignment lines, setting the board clock and sending single assignment lines.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/board_jobs.h"
#include "base/board_port.h"
#include "config/parameter_table.h"
#include "config/time_command.h"
#include "link/board_channel.h"
#include "link/line_consumer.h"
#include "link/link_session.h"
#include "platform/clock.h"
#include "base/report_sink.h"

namespace vexa {

class BoardClockCheck;
class BoardIdentity;
class Configuration;

// A download line gathers assignments until it would pass this many characters.
inline constexpr std::size_t kDownloadLineChars = 61;
// The download line buffer (1000 bytes); an assignment is far shorter, this only guards it.
inline constexpr std::size_t kDownloadBufferChars = 999;

// Whether a record belongs to the tail of a large group, which is only sent with a value:
// a<n> from 16, rq<n> from 10, gr<n>, grb<n> and gre<n> from 1.
bool is_group_tail(std::string_view key);

// Appends "key=value" (after "; " when line is not empty) when the record is available on a
// board of this type letter and firmware version; otherwise leaves line unchanged.
void append_record(std::string& line, const ParameterRecord& record, char type_letter,
                   int firmware_version);

// The command lines a download sends for a table, in order: the plain assignments packed
// into lines of at most 61 characters (a longer single assignment alone), the line closed
// after "gf", statistics, free slots and empty group tails left out; then each macro on a
// line of its own (m0..m2 always, later ones only when defined). Empty lines are left out.
std::vector<std::string> plan_download(const ParameterTable& table, char type_letter,
                                       int firmware_version);

class ConfigExchange final : public LineConsumer {
 public:
  // clock_check may be null (no clock comparison). clock serves the time command. The
  // requests and assignment lines go out as texts on port, the acknowledged lines through channel.
  ConfigExchange(Configuration& configuration, BoardIdentity& identity, BoardPort& port,
                 BoardChannel& channel, ReportSink& report, BoardClockCheck* clock_check = nullptr,
                 const Clock& clock = SystemClock::instance());
  // The same over the session's port and line dialogue.
  ConfigExchange(Configuration& configuration, BoardIdentity& identity, LinkSession& link,
                 ReportSink& report, BoardClockCheck* clock_check = nullptr,
                 const Clock& clock = SystemClock::instance())
      : ConfigExchange(configuration, identity, link.board_port(), link, report, clock_check, clock) {}

  // Writes "conf"; prints "conf" when it was written. The reply arrives through on_line.
  bool request_configuration();
  // Writes "z;conf" (erase to the factory standard, then report); prints it when written.
  bool erase_to_factory();
  // Sends plan_download of the current table and board, each line acknowledged with "Ok";
  // stops at the first line without it and returns false. Runs on the download worker.
  bool download_configuration();
  // The same as a board job: the lines count in the job's progress, Stop ends it between two
  // lines (each line the board has acknowledged stays applied), and its end is told.
  bool download_configuration(const JobControl& control);

  // Sets the board clock from the PC clock (no reply is awaited).
  void send_time(TimeMode mode, std::string_view suffix = {});

  // Prints the line, stores its assignments (asking for a rebuild of the configuration tab),
  // then writes it with LF. No reply is awaited.
  void send_assignment_line(std::string_view line);

  // Every received line (not during an upload): a clock line taken by the clock check goes
  // no further; otherwise its assignments are stored and it is offered as an identity line.
  void on_config_line(std::string_view line);
  void on_line(std::string_view line) override { on_config_line(line); }

 private:
  Configuration& configuration_;
  BoardIdentity& identity_;
  bool download_lines(const JobControl* control);

  BoardPort& port_;
  BoardChannel& channel_;
  ReportSink& report_;
  BoardClockCheck* clock_check_;
  const Clock& clock_;
};

}  // namespace vexa
