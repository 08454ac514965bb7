#include "config/config_exchange.h"

#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/configuration.h"

namespace vexa {
namespace {

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// The number after prefix as atoi reads it, 0 when key does not start with prefix.
long number_after(std::string_view key, std::string_view prefix) {
  if (key.substr(0, prefix.size()) != prefix) return 0;
  return leading_integer(key.substr(prefix.size()));
}

}  // namespace

bool is_group_tail(std::string_view key) {
  if (std::optional<long> n = analog_input_number(key)) return *n >= 16;
  if (key.size() > 2 && key.substr(0, 2) == "rq" && is_ascii_digit(key[2]))
    return number_after(key, "rq") >= 10;
  return number_after(key, "gr") >= 1 || number_after(key, "grb") >= 1 ||
         number_after(key, "gre") >= 1;
}

void append_record(std::string& line, const ParameterRecord& record, char type_letter,
                   int firmware_version) {
  if (record.key.empty() || !is_available(record, type_letter, firmware_version)) return;
  std::string text = line.empty() ? std::string() : std::string("; ");
  text += record.key;
  text += '=';
  text += record.value;
  if (line.size() + text.size() > kDownloadBufferChars) return;
  line += text;
}

std::vector<std::string> plan_download(const ParameterTable& table, char type_letter,
                                       int firmware_version) {
  std::vector<std::string> lines;
  auto send = [&lines](const std::string& line) {
    if (!line.empty()) lines.push_back(line);
  };

  std::string line;
  bool break_after = false;
  const std::size_t count = std::min(table.size(), kConfigurationRecords);
  for (std::size_t i = 0; i < count; ++i) {
    const ParameterRecord& record = table[i];
    if (record.key.empty() || !is_ascii_letter(record.key[0])) continue;
    if (is_macro_key(record.key)) continue;
    if (is_group_tail(record.key) && record.value.empty()) continue;
    if (is_statistic(record)) continue;

    const std::size_t end = line.size();
    append_record(line, record, type_letter, firmware_version);
    if (line.size() > kDownloadLineChars || break_after) {
      line.resize(end);
      send(line);
      line.clear();
      append_record(line, record, type_letter, firmware_version);
      break_after = false;
    }
    if (record.key == "gf") break_after = true;
  }
  send(line);

  // Macros, one per line, for m0, m1, ... as long as the table has the key.
  for (int n = 0;; ++n) {
    std::optional<std::size_t> index = find_record(table, format_text("m%d", n));
    if (!index) break;
    const ParameterRecord& macro = table[*index];
    if (n < 3 || !macro.value.empty()) {
      std::string macro_line;
      append_record(macro_line, macro, type_letter, firmware_version);
      send(macro_line);
    }
  }
  return lines;
}

ConfigExchange::ConfigExchange(Configuration& configuration, BoardIdentity& identity, BoardPort& port,
                               BoardChannel& channel, ReportSink& report,
                               BoardClockCheck* clock_check, const Clock& clock)
    : configuration_(configuration),
      identity_(identity),
      port_(port),
      channel_(channel),
      report_(report),
      clock_check_(clock_check),
      clock_(clock) {}

bool ConfigExchange::request_configuration() {
  if (!port_.write_text("conf\n")) return false;
  report_.print_line("conf");
  return true;
}

bool ConfigExchange::erase_to_factory() {
  if (!port_.write_text("z;conf\n")) return false;
  report_.print_line("z;conf");
  return true;
}

bool ConfigExchange::download_configuration() { return download_lines(nullptr); }

bool ConfigExchange::download_configuration(const JobControl& control) { return download_lines(&control); }

bool ConfigExchange::download_lines(const JobControl* control) {
  const BoardIdentityData board = identity_.current();
  const std::vector<std::string> lines =
      plan_download(configuration_.snapshot(), board.type_letter, board.firmware_version);
  const long total = static_cast<long>(lines.size());
  long sent = 0;
  JobOutcome outcome = JobOutcome::done;
  if (control) control->progress(JobUnit::lines, 0, total);
  for (const std::string& line : lines) {
    if (control && control->stop_requested()) {
      outcome = JobOutcome::stopped;
      break;
    }
    if (!channel_.send_and_wait_ok(line)) {
      outcome = JobOutcome::failed;
      break;
    }
    ++sent;
    if (control) control->progress(JobUnit::lines, sent, total);
  }
  if (control) control->finish({outcome, "VtWhatConf", {}});
  return outcome == JobOutcome::done;
}

void ConfigExchange::send_time(TimeMode mode, std::string_view suffix) {
  vexa::send_time(channel_, clock_, mode, suffix);
}

void ConfigExchange::send_assignment_line(std::string_view line) {
  report_.print_line(line);
  configuration_.parse_assignments(line, true);
  port_.write_text(std::string(line) + "\n");
}

void ConfigExchange::on_config_line(std::string_view line) {
  if (clock_check_ && clock_check_->check_board_clock(line)) return;
  configuration_.parse_assignments(line, true);
  identity_.accept_identity(line);
}

}  // namespace vexa
