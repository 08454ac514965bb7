#include "config/config_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/text_format.h"
#include "config/board_identity.h"
#include "config/config_file_format.h"
#include "config/configuration.h"
#include "config/key_rows.h"
#include "config/number_normalize.h"
#include "config/parse_assignments.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"

namespace vexa {
namespace {

bool is_analog_key(std::string_view key) {
  return key.size() >= 2 && key[0] == 'a' && key[1] >= '0' && key[1] <= '9';
}

}  // namespace

std::string configuration_file_text(const ParameterTable& table, const ParameterTable& defaults,
                                    std::string_view identity_line, char type_letter,
                                    const std::tm& stamp) {
  std::string text = configuration_header(identity_line, stamp);
  text += '\n';
  // Appended piece by piece: joining each line first would build three strings a record.
  const auto add_line = [&text](std::string_view key, std::string_view suffix, std::string_view rest) {
    text.append(key).append(suffix).append(rest) += '\n';
  };
  const std::size_t count = std::min(table.size(), kConfigurationRecords);
  for (std::size_t i = 0; i < count; ++i) {
    const ParameterRecord& record = table[i];
    if (!record.has_value || is_statistic(record)) continue;
    add_line(record.key, "=", record.value);
  }
  for (std::size_t i = 0; i < count; ++i) {
    const ParameterRecord& record = table[i];
    if (!is_analog_key(record.key)) continue;
    const std::string_view default_name = i < defaults.size() ? std::string_view(defaults[i].name) : std::string_view();
    if (record.name != default_name) add_line(record.key, ".name=", record.name);
    if (!record.type.empty() && type_letter < 'S') add_line(record.key, ".type=", record.type);
  }
  return text;
}

ConfigFiles::ConfigFiles(Configuration& configuration, const BoardIdentity& identity,
                         ReportSink& report, const Messages& messages, const Clock& clock,
                         ConfigFileHooks* hooks, PathCase path_case)
    : configuration_(configuration),
      identity_(identity),
      report_(report),
      messages_(messages),
      clock_(clock),
      hooks_(hooks),
      path_case_(path_case) {}

bool ConfigFiles::configuration_loaded() {
  if (hooks_) hooks_->commit_current_tab();
  return configuration_.has_any_value();
}

std::string ConfigFiles::chosen_path(std::string_view chosen) const {
  return path_case_ == PathCase::lower ? dialog_path(chosen) : limited(chosen, kFileDialogChars);
}

void ConfigFiles::print(std::string_view key, std::string_view detail) {
  report_.print_line(format_text("%s %.*s", messages_.message(key).c_str(),
                                 static_cast<int>(detail.size()), detail.data()));
}

bool ConfigFiles::read_file(const std::string& path, std::string& text) {
  struct stat info {};
  // Only regular files: a directory or a device would read as nothing or never end.
  int error = 0;
  if (::stat(path.c_str(), &info) != 0)
    error = errno;
  else if (S_ISDIR(info.st_mode))
    error = EISDIR;
  else if (!S_ISREG(info.st_mode))
    error = ENODEV;
  else if (static_cast<std::size_t>(info.st_size) > kConfigFileMaxBytes)
    error = EFBIG;
  else
    error = read_whole_file_error(path, text, kConfigFileMaxBytes);
  if (error != 0) {
    print_failure(path, error);
    return false;
  }
  return true;
}

void ConfigFiles::print_failure(const std::string& path, int error) {
  print("MerOp", path + ": " + system_error_text(error));
}

bool ConfigFiles::save_configuration(FileChooser& chooser) {
  if (!configuration_loaded()) {
    report_.print_line(messages_.message("Mnoconf"));
    return false;
  }
  std::optional<std::string> chosen = chooser.choose_file(FileChoice::save);
  if (!chosen) return false;
  const std::string path = save_path(chosen_path(*chosen));
  const BoardIdentityData board = identity_.current();
  const std::tm now = clock_.local_now();
  // Written from the table in place: the text is all that leaves the lock.
  const std::string text = configuration_.read([&](const ParameterTable& table) {
    return configuration_file_text(table, configuration_.language_table(), board.line,
                                   board.type_letter, now);
  });
  if (const int error = write_file_atomically_error(path, text)) {
    print_failure(path, error);
    return false;
  }
  print("McSaved", path);
  return true;
}

bool ConfigFiles::load_configuration(FileChooser& chooser) {
  std::optional<std::string> chosen = chooser.choose_file(FileChoice::open);
  if (!chosen) return false;
  const std::string path = chosen_path(*chosen);
  std::string text;
  if (!read_file(path, text)) return false;
  configuration_.reset_configuration();
  if (hooks_) hooks_->show_configuration_tab();
  for_each_file_piece(text, [this](std::string_view piece) {
    configuration_.parse_assignments(piece, false);
  });
  print("McLoaded", file_name_part(path));
  if (hooks_) hooks_->rebuild_configuration_tab();
  return true;
}

bool ConfigFiles::compare_configuration(FileChooser& chooser, int* errors) {
  if (!configuration_loaded()) {
    report_.print_line(messages_.message("Mnoconf"));
    return false;
  }
  std::optional<std::string> chosen = chooser.choose_file(FileChoice::open);
  if (!chosen) return false;
  const std::string path = chosen_path(*chosen);
  std::string text;
  if (!read_file(path, text)) return false;

  // The file alone, without availability or statistic flags.
  ParameterTable& scratch = compare_scratch_;
  KeyRows& file_rows = compare_rows_;
  clear_filled_rows(scratch);
  file_rows.rebuild();
  for_each_file_piece(text, [&](std::string_view piece) { parse_assignments(scratch, file_rows, piece); });

  const std::string file_word = messages_.message("McCoF");
  const std::string conf_word = messages_.message("McCoC");
  const std::string missing_in_file = messages_.message("McCoMiF");
  const std::string missing_in_table = messages_.message("McCoMiC");
  // The differences are found on the table in place and printed once its lock is released.
  const std::vector<std::string> differences =
      configuration_.read_indexed([&](const ParameterTable& table, const KeyRows& table_rows) {
    std::vector<std::string> lines;
    for (const ParameterRecord& record : table) {
      if (!record.has_value || is_statistic(record)) continue;
      std::optional<std::size_t> in_file = file_rows.find(record.key);
      if (in_file && scratch[*in_file].has_value) {
        const ParameterRecord& other = scratch[*in_file];
        // The same text is the same number: only differing texts are worth normalizing.
        if (other.value != record.value &&
            normalize_numbers(other.value) != normalize_numbers(record.value)) {
          lines.push_back(format_text("%s: %s=%s %s: %s=%s", file_word.c_str(), other.key.c_str(),
                                      other.value.c_str(), conf_word.c_str(), record.key.c_str(),
                                      record.value.c_str()));
        }
      } else {
        lines.push_back(format_text("%s: %s=%s", missing_in_file.c_str(), record.key.c_str(),
                                    record.value.c_str()));
      }
    }
    for (const ParameterRecord& other : scratch) {
      if (!other.has_value) continue;
      std::optional<std::size_t> in_table = table_rows.find(other.key);
      if (!in_table || !table[*in_table].has_value) {
        lines.push_back(format_text("%s: %s=%s", missing_in_table.c_str(), other.key.c_str(),
                                    other.value.c_str()));
      }
    }
    return lines;
  });
  for (const std::string& line : differences) report_.print_line(line);
  const int count = static_cast<int>(differences.size());
  report_.print_line(format_message(messages_.message("McCoEr"), {file_name_part(path), count}));
  if (errors) *errors = count;
  return true;
}

}  // namespace vexa
