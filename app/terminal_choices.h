#pragma once
// The terminal's own choices as one subsystem: line frame and free speeds, modem lines and
// Break, Enter/Backspace/echo, hex view, time stamps, ANSI colour, scrollback size, command
// history, typed hex and send file. Each is kept in the settings; with all of them at their
// defaults the terminal is the plain one.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/board_jobs.h"
#include "base/command_table.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/settings.h"
#include "link/link_session.h"
#include "platform/line_settings.h"
#include "terminal/command_history.h"
#include "terminal/display_filter.h"
#include "terminal/key_options.h"
#include "terminal/keyboard.h"
#include "terminal/scrollback.h"
#include "terminal/send_file.h"

namespace vexa {

inline constexpr int kDefaultBreakMs = 250;

struct TerminalChoiceValues {
  std::optional<LineSettings> line;  // nothing: the boards' plain 8N1
  KeyOptions keys;
  bool hex = false;
  bool stamps = false;
  bool ansi = false;
  bool history = false;  // Up and Down recall typed lines (else they scroll the view)
  std::size_t scrollback_lines = kDefaultScrollbackLines;  // TermScrollback; 0: the character rule
  std::size_t scrollback = kDefaultScrollbackChars;        // the character rule's length

  // What the terminal keeps.
  ScrollbackLimit scrollback_limit() const {
    return scrollback_lines > 0 ? ScrollbackLimit::of_lines(scrollback_lines) : ScrollbackLimit::characters(scrollback);
  }

  // Unreadable values count as their defaults.
  static TerminalChoiceValues from_settings(const Settings& settings);
  void store_into(Settings& settings) const;
};

// "history.txt" beside the settings file.
std::string history_path_beside(const std::string& settings_path);

class TerminalChoices {
 public:
  // filter: the display filter the link's received bytes go through; history_path "" keeps
  // no file.
  TerminalChoices(ReportSink& reports, CharSink& terminal, const Messages& messages, Settings& settings,
                  LinkSession& link, TerminalKeyboard& keyboard, DisplayFilter& filter, BoardJobs& jobs,
                  StatusLine& status, std::string history_path);
  TerminalChoices(const TerminalChoices&) = delete;
  TerminalChoices& operator=(const TerminalChoices&) = delete;

  // Rows for the ids of app/terminal_command_ids.h that carry no text.
  void add_commands(CommandTable& table);
  // The input modem lines into the status text while a serial port is open and has them.
  void tick_second();

  const TerminalChoiceValues& values() const { return values_; }
  // The check mark of a command (false for ids that have none).
  bool checked(int id) const;
  // Whether Up and Down are history keys now (else the view's own scroll keys).
  bool takes_history_keys() const { return values_.history; }

  // "8N1", "e,7,1,rtscts"...; empty text is the plain line. Bad text: VtLineBad, false.
  bool set_line_settings_text(std::string_view text);
  // The line settings dialog's choice: the speed and the frame (nothing: the boards' plain
  // 8N1). The open port takes both at once and reports what it kept; a closed one takes them
  // at its next open. Returns what the dialog shows: the port's description as read back from
  // it, or why there is none.
  std::string apply_line(long speed, const std::optional<LineSettings>& line);
  // The typed hex to the port (and the hex view); bad text: VtHexBad, nothing sent.
  bool send_hex(std::string_view text);
  // Starts sending the file on the download worker; false when the gate is held.
  bool send_file(const std::string& path, const SendFileOptions& options);
  // The line end the sender puts after each line: what Enter sends.
  std::string enter_line_end() const;
  // "CTS 1  DSR 0  DCD 0  RI 0  DTR 1  RTS 1", or empty when they cannot be read.
  std::string modem_text() const;

 private:
  void apply();
  void toggle(bool& choice);
  void report_code(int code);

  ReportSink& reports_;
  CharSink& terminal_;
  const Messages& messages_;
  Settings& settings_;
  LinkSession& link_;
  TerminalKeyboard& keyboard_;
  DisplayFilter& filter_;
  BoardJobs& jobs_;
  StatusLine& status_;
  TerminalChoiceValues values_;
  CommandHistory history_;
  FileSender sender_;
  bool dtr_ = true;
  bool rts_ = true;
  std::string last_modem_text_;
};

}  // namespace vexa
