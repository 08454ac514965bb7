// Assignment lines against a copy of the English parameter table: the cut into assignments
// and the stores keep the key and text limits, the table's shape and the records past 998.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/analog_presence.h"
#include "config/parameter_hooks.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "fuzz/fuzz_support.h"

namespace {

using vexa::fuzz::check;

// Types for values starting with 'T' get a title longer than a record field holds.
class LongTitles final : public vexa::InputTypeDefaults {
 public:
  std::optional<std::string> default_type(std::string_view value) const override {
    if (value.empty() || value[0] != 'T') return std::nullopt;
    return std::string(150, 'y');
  }
};

class KeyChecker final : public vexa::ParameterListener {
 public:
  void parameter_changed(std::string_view key) override {
    check(key.size() <= vexa::kParameterKeyChars);
    ++calls;
  }
  std::size_t calls = 0;
};

std::string_view suffix_of(vexa::AssignmentField field) {
  switch (field) {
    case vexa::AssignmentField::name: return ".name";
    case vexa::AssignmentField::type: return ".type";
    default: return "";
  }
}

// The assignments are pieces of the line's body, in order, each within the limits.
void check_split(std::string_view line, const std::vector<vexa::Assignment>& assignments) {
  const std::size_t end = line.find_first_of(std::string_view("\r\n\0", 3));
  const std::string_view body = end == std::string_view::npos ? line : line.substr(0, end);
  std::size_t cursor = 0;
  for (const vexa::Assignment& a : assignments) {
    check(a.key.size() <= vexa::kParameterKeyChars);
    check(a.key.find_first_of(std::string_view("=.\r\n\0", 5)) == std::string::npos);
    check(a.key.empty() || a.key[0] != '#');
    check(a.text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    if (a.field == vexa::AssignmentField::value && !vexa::is_macro_key(a.key))
      check(a.text.find(' ') == std::string::npos);
    const std::string piece = a.key + std::string(suffix_of(a.field)) + "=" + a.text;
    const std::size_t at = body.find(piece, cursor);
    check(at != std::string_view::npos);
    cursor = at + piece.size();
  }
}

// The rows of the English table by key (first row of each key), built once: a lookup here and
// in the few rows an input filled stands in for scanning the whole table per assignment.
struct Original {
  Original() : table(vexa::language_table('e')) {
    for (std::size_t i = 0; i < vexa::kConfigurationRecords; ++i)
      if (!table[i].key.empty()) rows.emplace(table[i].key, i);
  }
  const vexa::ParameterTable& table;
  std::unordered_map<std::string, std::size_t> rows;
};

using Rows = std::unordered_map<std::string, std::size_t>;

// Where key is in the table now: its own row, or the free row this input filled with it.
std::optional<std::size_t> row_of(const Original& original, const Rows& filled, const std::string& key) {
  if (const auto it = original.rows.find(key); it != original.rows.end()) return it->second;
  if (const auto it = filled.find(key); it != filled.end()) return it->second;
  return std::nullopt;
}

// Whether every row outside touched still equals the original's. A walk of the whole table
// with no branch of interest, kept out of the fuzzer's coverage feedback (coverage_ignore.txt).
bool untouched_rows_equal(const vexa::ParameterTable& table, const vexa::ParameterTable& original,
                          const std::vector<std::size_t>& touched) {
  std::vector<bool> is_touched(table.size(), false);
  for (const std::size_t i : touched) is_touched[i] = true;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (!is_touched[i] && !(table[i] == original[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  static const Original original;
  // One working table for every input: the rows an input touched go back afterwards, and every
  // other row must still equal the original, which is what a fresh copy would show.
  static vexa::ParameterTable table = original.table;
  static vexa::KeyRows rows(table);  // indexed again once the touched rows are back
  std::vector<std::size_t> touched;  // rows of stored keys, each once
  Rows filled;                       // free rows that took a new key
  std::size_t next_free = original.table.size();  // the first free row, where a new key goes
  for (std::size_t i = 0; i < vexa::kConfigurationRecords; ++i)
    if (original.table[i].key.empty()) {
      next_free = i;
      break;
    }

  LongTitles titles;
  KeyChecker listener;
  vexa::AnalogPresence presence;
  const vexa::AssignmentHooks hooks{&titles, &listener, &presence};

  std::size_t total_stored = 0;
  std::size_t pos = 0;
  while (pos <= input.size()) {
    // Each call sees the rest of the input: the line must end at its first CR, LF or NUL.
    const std::string_view line = input.substr(pos);
    const std::vector<vexa::Assignment> assignments = vexa::split_assignments(line);
    check_split(line, assignments);

    const std::size_t used_before = listener.calls;
    const std::size_t stored = vexa::parse_assignments(table, rows, line, hooks);
    check(stored <= assignments.size());
    check(listener.calls - used_before == stored);
    total_stored += stored;

    // Stored keys stay, and the table only fills up, so an assignment was stored exactly when
    // its key is in the table now; the last value and name of each key are the ones kept.
    std::size_t found = 0;
    std::map<std::pair<std::string, vexa::AssignmentField>, std::string> last;
    for (const vexa::Assignment& a : assignments) {
      std::optional<std::size_t> row = row_of(original, filled, a.key);
      if (a.key.empty()) {
        // An empty key writes into the first free row and leaves it free for the next new key.
        if (next_free < vexa::kConfigurationRecords) row = next_free;
      } else if (!row && next_free < vexa::kConfigurationRecords && table[next_free].key == a.key) {
        // A new key goes to the first free row, and the free rows fill in order.
        row = next_free;
        filled.emplace(a.key, next_free);
        ++next_free;
      }
      if (row) {
        ++found;
        if (std::find(touched.begin(), touched.end(), *row) == touched.end()) touched.push_back(*row);
      }
      last[{a.key, a.field}] = a.text;
      if (const std::optional<long> n = vexa::analog_input_number(a.key); n && *n < 256)
        check(presence.is_present(*n));
    }
    check(found == stored);
    for (const auto& [which, text] : last) {
      const std::optional<std::size_t> index = row_of(original, filled, which.first);
      if (!index) continue;
      const vexa::ParameterRecord& record = table[*index];
      const std::string cut = text.substr(0, vexa::kParameterTextChars);
      if (which.second == vexa::AssignmentField::value) check(record.has_value && record.value == cut);
      if (which.second == vexa::AssignmentField::name) check(record.name == cut);
    }

    const std::size_t next = line.find_first_of(std::string_view("\r\n\0", 3));
    if (next == std::string_view::npos) break;
    pos += next + 1;
  }

  check(table.size() == original.table.size());
  check(untouched_rows_equal(table, original.table, touched));
  for (const std::size_t i : touched) {
    const vexa::ParameterRecord& record = table[i];
    check(i < vexa::kConfigurationRecords);
    check(record.key.size() <= vexa::kParameterKeyChars);
    check(record.value.size() <= vexa::kParameterTextChars);
    check(record.name.size() <= vexa::kParameterTextChars);
    check(record.type.size() <= vexa::kParameterTextChars);
    // Defined rows keep their key and flags; only values, names and types change.
    if (!original.table[i].key.empty()) {
      check(record.key == original.table[i].key);
      check(record.statistic == original.table[i].statistic);
      check(record.min_version_e == original.table[i].min_version_e);
    } else if (!record.key.empty()) {
      // A new key fills one row and is no key the table had; a row that only empty keys
      // wrote into has none.
      check(!record.key.empty() && !original.rows.count(record.key));
      const auto it = filled.find(record.key);
      check(it != filled.end() && it->second == i);
    }
  }
  check(total_stored == listener.calls);
  for (const std::size_t i : touched) table[i] = original.table[i];
  if (!filled.empty()) rows.rebuild();
  return 0;
}
