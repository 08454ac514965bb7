#include "config/parameter_table.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vexa {

namespace {

enum Language { kEnglish, kFrench, kGerman };

ParameterTable build_table(Language language) {
  ParameterTable table(kParameterTableRecords);
  const std::vector<ParameterDefinition>& rows = parameter_definitions();
  for (std::size_t i = 0; i < rows.size() && i < table.size(); ++i) {
    const ParameterDefinition& row = rows[i];
    ParameterRecord& record = table[i];
    record.key = row.key;
    record.min_version_e = row.min_version_e;
    record.min_version_f = row.min_version_f;
    record.min_version_s = row.min_version_s;
    record.statistic = row.statistic;
    const std::string& name = language == kFrench   ? row.name_french
                       : language == kGerman ? row.name_german
                                             : row.name_english;
    store_parameter_text(record.name, name);
  }
  return table;
}

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

const ParameterTable& language_table(char language_letter) {
  // Built on first use; function-local statics are initialised once, thread-safely, and are
  // never written afterwards.
  static const std::array<ParameterTable, 3> tables = {build_table(kEnglish), build_table(kFrench),
                                                       build_table(kGerman)};
  switch (language_letter) {
    case 'f': return tables[kFrench];
    case 'd': return tables[kGerman];
    default: return tables[kEnglish];
  }
}

ParameterTable make_scratch_table() { return ParameterTable(kParameterTableRecords); }

void clear_filled_rows(ParameterTable& scratch) {
  // Filled rows come first; the first free row may still hold the value of an empty key ('=5').
  for (ParameterRecord& record : scratch) {
    if (record.is_free() && !record.has_value && record.value.empty()) break;
    record = ParameterRecord{};
  }
}

bool is_statistic(const ParameterRecord& record) { return (record.statistic & 1u) != 0; }

bool is_available(const ParameterRecord& record, char type_letter, int firmware_version) {
  const std::int32_t minimum = type_letter == 'E'   ? record.min_version_e
                               : type_letter == 'F' ? record.min_version_f
                                                    : record.min_version_s;
  if (minimum == 0) {
    return record.min_version_e == 0 && record.min_version_f == 0 && record.min_version_s == 0 &&
           record.has_value;
  }
  return !(minimum > 1 && minimum > firmware_version);
}

void store_parameter_text(std::string& field, std::string_view text) {
  field.assign(text.substr(0, kParameterTextChars));
}

bool is_macro_key(std::string_view key) {
  return key.size() >= 2 && key[0] == 'm' && is_digit(key[1]);
}

std::optional<long> analog_input_number(std::string_view key) {
  if (key.size() < 2 || key[0] != 'a' || !is_digit(key[1])) return std::nullopt;
  long n = 0;
  for (std::size_t i = 1; i < key.size() && is_digit(key[i]); ++i) {
    n = n * 10 + (key[i] - '0');
    if (n > 1000000) break;  // far past any input; keys hold at most 6 characters anyway
  }
  return n;
}

std::optional<std::size_t> find_record(const ParameterTable& table, std::string_view key) {
  if (key.empty()) return std::nullopt;
  const std::size_t count = std::min(table.size(), kConfigurationRecords);
  for (std::size_t i = 0; i < count; ++i) {
    if (same_key(table[i].key, key)) return i;
  }
  return std::nullopt;
}

}  // namespace vexa
