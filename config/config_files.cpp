#include "config/config_files.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/config_file_format.h"
#include "config/configuration.h"
#include "config/key_rows.h"
#include "config/number_normalize.h"
#include "config/parse_assignments.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {
namespace {

bool is_analog_key(std::string_view key) {
  return key.size() >= 2 && key[0] == 'a' && key[1] >= '0' && key[1] <= '9';
}

// The first searched row with this key that has a value. The index knows no empty key: what
// was stored under one sits in free rows, found by a walk.
std::optional<std::size_t> row_with_value(const ParameterTable& table, const KeyRows& rows,
                                          std::string_view key) {
  if (key.empty()) {
    const std::size_t count = std::min(table.size(), kConfigurationRecords);
    for (std::size_t i = 0; i < count; ++i)
      if (table[i].key.empty() && table[i].has_value) return i;
    return std::nullopt;
  }
  const std::optional<std::size_t> row = rows.find(key);
  if (row && table[*row].has_value) return row;
  return std::nullopt;
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

bool ConfigFiles::open_file(const std::string& path, FilePieceReader& file) {
  if (const int error = file.open(path)) {
    print_failure(path, error);
    return false;
  }
  return true;
}

void ConfigFiles::print_failure(const std::string& path, int error) {
  print("MerOp", path);
  report_.print_line(system_error_text(error));
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
  FilePieceReader file;
  if (!open_file(path, file)) return false;
  configuration_.reset_configuration();
  if (hooks_) hooks_->show_configuration_tab();
  const int read_error = file.for_each_piece([this](std::string_view piece) {
    configuration_.parse_assignments(piece, false);
  });
  if (read_error != 0)
    print_failure(path, read_error);
  else
    print("McLoaded", file_name_part(path));
  if (hooks_) hooks_->rebuild_configuration_tab();
  return read_error == 0;
}

bool ConfigFiles::compare_configuration(FileChooser& chooser, int* errors) {
  if (!configuration_loaded()) {
    report_.print_line(messages_.message("Mnoconf"));
    return false;
  }
  std::optional<std::string> chosen = chooser.choose_file(FileChoice::open);
  if (!chosen) return false;
  const std::string path = chosen_path(*chosen);
  FilePieceReader file;
  if (!open_file(path, file)) return false;

  // The file alone, without availability or statistic flags. Its a<n> keys still mark their
  // inputs present, as every parse of a line does.
  ParameterTable& scratch = compare_scratch_;
  KeyRows& file_rows = compare_rows_;
  clear_filled_rows(scratch);
  file_rows.rebuild();
  AssignmentHooks file_hooks;
  file_hooks.presence = &configuration_.presence();
  if (const int error = file.for_each_piece([&](std::string_view piece) {
        parse_assignments(scratch, file_rows, piece, file_hooks);
      })) {
    print_failure(path, error);
    return false;
  }

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
      std::optional<std::size_t> in_file = row_with_value(scratch, file_rows, record.key);
      if (in_file) {
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
      if (!row_with_value(table, table_rows, other.key)) {
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
