#include "app/headless_core.h"

#include <sstream>

#include "analog/input_type_file.h"
#include "platform/installed_data.h"

namespace vexa {

namespace {

SessionValues read_settings(Settings& settings, const CoreOptions& options) {
  if (options.read_settings_file) settings.read_settings(options.identity.settings_path);
  std::istringstream extra(options.settings_text);
  for (std::string line; std::getline(extra, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) settings.set_value(line.substr(0, eq), line.substr(eq + 1));
  }
  return SessionValues::from_settings(settings);
}

InputTypeTable read_input_types(const CoreOptions& options, char language, CaptureLog& log, const Messages& messages,
                                std::vector<std::string>& problem_lines) {
  InputTypeTable table;
  InputTypeFileProblems problems;
  load_input_types(table, data_file_path(options.working_directory, kInputTypeFileName), language, &log,
                   &problems);
  problem_lines = input_type_file_report(problems, kInputTypeFileName, messages);
  return table;
}

BoardIdentityData initial_identity(const Identity& identity) {
  if (auto parsed = parse_identity_line(identity.target_s)) return *parsed;
  return *parse_identity_line(identity_line_for(kFamilyName, 'S', kProgramVersion));
}

CaptureLog& opened(CaptureLog& log, int mode) {
  log.set_mode(mode);
  log.apply_log_mode();
  return log;
}

}  // namespace

HeadlessCore::HeadlessCore(const CoreOptions& options, const CoreFrontEnd& front)
    : identity_(options.identity),
      start_values_(read_settings(settings_, options)),
      language_(options.language.value_or(start_values_.language)),
      messages_(identity_.product_name, language_),
      log_(identity_.log_path),
      configuration_(language_),
      input_types_(read_input_types(options, language_, opened(log_, options.log_mode.value_or(start_values_.log_mode)),
                                    messages_, input_type_problems_)),
      type_defaults_(input_types_),
      board_(configuration_, initial_identity(identity_)),
      terminal_(front.view, &log_, front.view_threads, front.wake_owner),
      display_(terminal_),
      link_(display_, display_, messages_, &log_),
      jobs_(display_, messages_, front.clock, front.status),
      clock_check_(display_, line_feed_),
      exchange_(configuration_, board_, link_, display_, &clock_check_),
      files_(configuration_, board_, display_, messages_, front.clock, front.file_hooks, PathCase::keep),
      exchange_lines_(link_.consumers().add(line_place::configuration, exchange_)) {
  configuration_.set_input_type_defaults(&type_defaults_);
  if (!start_values_.target.empty()) board_.accept_identity(start_values_.target);
}

HeadlessCore::~HeadlessCore() {
  shutdown();
  exchange_lines_.reset();
  configuration_.set_input_type_defaults(nullptr);
}

void HeadlessCore::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  jobs_.shutdown();
  link_.stop();
  link_.close();
}

}  // namespace vexa
