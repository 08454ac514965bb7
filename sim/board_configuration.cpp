#include "sim/board_configuration.h"

#include "base/text_format.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "sim/factory_tables.h"

namespace vexa::sim {

namespace {

constexpr long kFallbackSpeed = 9600;
constexpr std::size_t kReportLineChars = 64;  // conf lines stay short, like the board's own

const ParameterTable& key_table() { return language_table('e'); }

long speed_field(std::string_view value, int field) {
  for (int i = 0; i < field; ++i) {
    auto comma = value.find(',');
    if (comma == std::string_view::npos) return 0;
    value.remove_prefix(comma + 1);
  }
  return leading_integer(value);
}

}  // namespace

BoardConfiguration::BoardConfiguration(BoardKind kind) : kind_(std::move(kind)) {
  reset_to_factory();
}

void BoardConfiguration::reset_to_factory() {
  values_.assign(key_table().size(), std::nullopt);
  for (const FactoryValue& row : factory_values(kind_.type)) preset(row.key, row.value);
}

std::optional<std::size_t> BoardConfiguration::index_of(std::string_view key) const {
  // The first record's key of two blanks is the table's version row, not a board key.
  if (key.empty() || key.front() == ' ') return std::nullopt;
  auto index = find_record(key_table(), key);
  if (!index) return std::nullopt;
  ParameterRecord record = key_table()[*index];
  if (!is_available(record, kind_.type, kind_.firmware)) return std::nullopt;
  return index;
}

bool BoardConfiguration::has_key(std::string_view key) const { return index_of(key).has_value(); }

bool BoardConfiguration::is_counter(std::string_view key) const {
  auto index = index_of(key);
  return index && is_statistic(key_table()[*index]);
}

StoreResult BoardConfiguration::store(std::string_view key, std::string_view value,
                                      bool allow_counters) {
  auto index = index_of(key);
  if (!index) return StoreResult::unknown_key;
  if (!allow_counters && is_statistic(key_table()[*index])) return StoreResult::read_only;
  std::string text;
  store_parameter_text(text, value);
  values_[*index] = std::move(text);
  return StoreResult::stored;
}

StoreResult BoardConfiguration::assign(std::string_view key, std::string_view value) {
  return store(key, value, false);
}

StoreResult BoardConfiguration::preset(std::string_view key, std::string_view value) {
  return store(key, value, true);
}

std::optional<std::string> BoardConfiguration::value(std::string_view key) const {
  auto index = index_of(key);
  if (!index) return std::nullopt;
  return values_[*index];
}

std::vector<std::string> BoardConfiguration::report_lines() const {
  std::vector<std::string> lines;
  std::string gathered;
  const ParameterTable& table = key_table();
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (!values_[i]) continue;
    std::string assignment = table[i].key + "=" + *values_[i];
    if (is_macro_key(table[i].key)) {
      if (!gathered.empty()) lines.push_back(std::move(gathered));
      gathered.clear();
      lines.push_back(std::move(assignment));
      continue;
    }
    if (!gathered.empty() && gathered.size() + 1 + assignment.size() > kReportLineChars) {
      lines.push_back(std::move(gathered));
      gathered.clear();
    }
    if (!gathered.empty()) gathered += ' ';
    gathered += assignment;
  }
  if (!gathered.empty()) lines.push_back(std::move(gathered));
  return lines;
}

long BoardConfiguration::link_speed() const {
  long speed = 0;
  if (kind_.type == 'S') {
    if (auto rs0 = value("rs0")) speed = speed_field(*rs0, 1);
  } else if (auto bd = value("bd")) {
    speed = leading_integer(*bd);
  }
  return speed > 0 ? speed : kFallbackSpeed;
}

std::vector<std::string> BoardConfiguration::apply_file_text(std::string_view text) {
  std::vector<std::string> problems;
  int line_number = 0;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++line_number;
    for (const Assignment& a : split_assignments(line)) {
      if (a.field != AssignmentField::value || a.key.empty()) continue;
      if (preset(a.key, a.text) == StoreResult::unknown_key)
        problems.push_back(format_text("line %d: %s does not exist on a %s board", line_number,
                                       a.key.c_str(), kind_.identity_line().c_str()));
    }
  }
  return problems;
}

}  // namespace vexa::sim
