#include "app/terminal_choices.h"

#include <filesystem>

#include "app/terminal_command_ids.h"
#include "base/text_format.h"
#include "base/board_port.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

bool on(const Settings& settings, const char* name) { return settings.get_setting(name, "0") == "1"; }

}  // namespace

TerminalChoiceValues TerminalChoiceValues::from_settings(const Settings& settings) {
  TerminalChoiceValues values;
  const std::string line = settings.get_setting("TermLine", "");
  if (!line.empty()) values.line = parse_line_settings(line);
  values.keys.enter = parse_enter_mode(settings.get_setting("TermEnter", "cr")).value_or(EnterMode::cr);
  values.keys.backspace = parse_backspace_mode(settings.get_setting("TermBackspace", "bs")).value_or(BackspaceMode::bs);
  values.keys.local_echo = on(settings, "TermEcho");
  values.hex = on(settings, "TermHex");
  values.stamps = on(settings, "TermStamps");
  values.ansi = on(settings, "TermAnsi");
  values.history = on(settings, "TermHistory");
  values.scrollback_lines = vexa::scrollback_lines(settings.get_setting("TermScrollback", ""));
  values.scrollback = scrollback_chars(settings.get_setting("Scrollback", ""));
  return values;
}

void TerminalChoiceValues::store_into(Settings& settings) const {
  settings.set_value("TermLine", line ? line_settings_text(*line) : "");
  settings.set_value("TermEnter", enter_mode_text(keys.enter));
  settings.set_value("TermBackspace", backspace_mode_text(keys.backspace));
  settings.set_value("TermEcho", keys.local_echo ? "1" : "0");
  settings.set_value("TermHex", hex ? "1" : "0");
  settings.set_value("TermStamps", stamps ? "1" : "0");
  settings.set_value("TermAnsi", ansi ? "1" : "0");
  settings.set_value("TermHistory", history ? "1" : "0");
  settings.set_value("TermScrollback", std::to_string(scrollback_lines));
  settings.set_value("Scrollback", scrollback == kDefaultScrollbackChars ? "" : std::to_string(scrollback));
}

std::string history_path_beside(const std::string& settings_path) {
  return (std::filesystem::path(settings_path).parent_path() / "history.txt").string();
}

TerminalChoices::TerminalChoices(ReportSink& reports, CharSink& terminal, const Messages& messages,
                                 Settings& settings, LinkSession& link, TerminalKeyboard& keyboard,
                                 DisplayFilter& filter, BoardJobs& jobs, StatusLine& status,
                                 std::string history_path)
    : reports_(reports),
      terminal_(terminal),
      messages_(messages),
      settings_(settings),
      link_(link),
      keyboard_(keyboard),
      filter_(filter),
      jobs_(jobs),
      status_(status),
      values_(TerminalChoiceValues::from_settings(settings)),
      history_(std::move(history_path)),
      sender_(reports, terminal, messages, status) {
  apply();
}

void TerminalChoices::apply() {
  link_.port().set_line_settings(values_.line);
  keyboard_.set_options(values_.keys);
  keyboard_.set_history(values_.history ? &history_ : nullptr);
  // What a redraw can show again: as much as the view may hold.
  filter_.set_keep(values_.scrollback_limit().trim_chars());
  filter_.set_hex(values_.hex);
  filter_.set_stamps(values_.stamps);
  filter_.set_ansi(values_.ansi);
  values_.store_into(settings_);
}

void TerminalChoices::toggle(bool& choice) {
  choice = !choice;
  apply();
}

void TerminalChoices::report_code(int code) {
  if (code == 0) return;
  reports_.print_line(format_message(messages_.message("VtNoModemLines"), {system_error_text(code)}));
}

void TerminalChoices::add_commands(CommandTable& table) {
  table.add(cmd::kTermHexView, [this](const Command&) { toggle(values_.hex); });
  table.add(cmd::kTermStamps, [this](const Command&) { toggle(values_.stamps); });
  table.add(cmd::kTermEcho, [this](const Command&) { toggle(values_.keys.local_echo); });
  table.add(cmd::kTermAnsi, [this](const Command&) { toggle(values_.ansi); });
  table.add(cmd::kTermHistory, [this](const Command&) { toggle(values_.history); });
  const struct {
    int id;
    EnterMode mode;
  } enters[] = {{cmd::kTermEnterCr, EnterMode::cr}, {cmd::kTermEnterLf, EnterMode::lf}, {cmd::kTermEnterCrLf, EnterMode::crlf}};
  for (const auto& entry : enters)
    table.add(entry.id, [this, mode = entry.mode](const Command&) {
      values_.keys.enter = mode;
      apply();
    });
  table.add(cmd::kTermBackspaceBs, [this](const Command&) {
    values_.keys.backspace = BackspaceMode::bs;
    apply();
  });
  table.add(cmd::kTermBackspaceDel, [this](const Command&) {
    values_.keys.backspace = BackspaceMode::del;
    apply();
  });
  table.add(cmd::kTermBreak, [this](const Command& call) {
    report_code(link_.port().send_break(call.param > 0 ? static_cast<int>(call.param) : kDefaultBreakMs));
  });
  table.add(cmd::kTermDtr, [this](const Command&) {
    const int code = link_.port().set_dtr(!dtr_);
    if (code == 0) dtr_ = !dtr_;
    report_code(code);
  });
  table.add(cmd::kTermRts, [this](const Command&) {
    const int code = link_.port().set_rts(!rts_);
    if (code == 0) rts_ = !rts_;
    report_code(code);
  });
  table.add(cmd::kTermHistoryUp, [this](const Command&) { keyboard_.recall(true); });
  table.add(cmd::kTermHistoryDown, [this](const Command&) { keyboard_.recall(false); });
}

bool TerminalChoices::checked(int id) const {
  switch (id) {
    case cmd::kTermHexView: return values_.hex;
    case cmd::kTermStamps: return values_.stamps;
    case cmd::kTermEcho: return values_.keys.local_echo;
    case cmd::kTermAnsi: return values_.ansi;
    case cmd::kTermHistory: return values_.history;
    case cmd::kTermEnterCr: return values_.keys.enter == EnterMode::cr;
    case cmd::kTermEnterLf: return values_.keys.enter == EnterMode::lf;
    case cmd::kTermEnterCrLf: return values_.keys.enter == EnterMode::crlf;
    case cmd::kTermBackspaceBs: return values_.keys.backspace == BackspaceMode::bs;
    case cmd::kTermBackspaceDel: return values_.keys.backspace == BackspaceMode::del;
    case cmd::kTermDtr: return dtr_;
    case cmd::kTermRts: return rts_;
    default: return false;
  }
}

bool TerminalChoices::set_line_settings_text(std::string_view text) {
  if (text.empty()) {
    values_.line.reset();
    apply();
    return true;
  }
  const auto parsed = parse_line_settings(text);
  if (!parsed) {
    reports_.print_line(format_message(messages_.message("VtLineBad"), {text}));
    return false;
  }
  values_.line = *parsed;
  apply();
  return true;
}

std::string TerminalChoices::apply_line(long speed, const std::optional<LineSettings>& line) {
  values_.line = line;
  apply();
  SerialLink& port = link_.port();
  if (!port.serial_open()) {
    port.select(port.link_name(), std::to_string(speed));
    return messages_.message("VtLineNotOpen");
  }
  if (!port.reconfigure(speed)) return messages_.message("VtLineClosed");
  return format_message(messages_.message("VtLineTaken"), {port.kept_description().value_or(port.description())});
}

bool TerminalChoices::send_hex(std::string_view text) {
  const HexParse parse = parse_hex_bytes(text);
  if (!parse.ok) {
    reports_.print_line(format_message(messages_.message("VtHexBad"), {parse.bad}));
    return false;
  }
  if (parse.bytes.empty()) return true;
  if (!link_.port().write_bytes(parse.bytes.data(), parse.bytes.size())) return false;
  filter_.sent(parse.bytes);
  return true;
}

bool TerminalChoices::send_file(const std::string& path, const SendFileOptions& options) {
  return jobs_.start_worker(messages_.message("VtJobSendFile"), [this, path, options](const JobControl& control) {
    // The sender reads the answers itself meanwhile.
    BoardPort& port = link_.board_port();
    ReadingPause pause(port);
    sender_.send(path, port, options, control);
  });
}

std::string TerminalChoices::enter_line_end() const { return enter_bytes(values_.keys.enter, false); }

std::string TerminalChoices::modem_text() const {
  ModemLines lines;
  if (link_.port().modem_lines(lines) != 0) return {};
  return format_text("CTS %d  DSR %d  DCD %d  RI %d  DTR %d  RTS %d", lines.cts, lines.dsr, lines.dcd, lines.ri,
                     lines.dtr, lines.rts);
}

void TerminalChoices::tick_second() {
  const std::string text = modem_text();
  if (text == last_modem_text_) return;
  last_modem_text_ = text;
  if (!text.empty()) status_.set_status(text);
}

}  // namespace vexa
