// Assignment lines against a copy of the English parameter table: the cut into assignments
// keeps the key limits, a stored key keeps the last value and name its line gave it, cut to
// the field, new keys take free rows until the 998th, and no other row changes.
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "config/analog_presence.h"
#include "config/parameter_hooks.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "fuzz/fuzz_support.h"

namespace {

using vexa::fuzz::check;
using F = vexa::AssignmentField;

// Counts the notices of stores; values starting with 'T' get a type title longer than a record
// field holds.
class Hooks final : public vexa::InputTypeDefaults, public vexa::ParameterListener {
 public:
  std::optional<std::string> default_type(std::string_view value) const override {
    return value.starts_with('T') ? std::optional<std::string>(std::string(150, 'y')) : std::nullopt;
  }
  void parameter_changed(std::string_view) override { ++calls; }
  std::size_t calls = 0;
};

// The assignments are pieces of the line's body (so free of line ends), in order, each within
// the limits.
void check_split(std::string_view line, const std::vector<vexa::Assignment>& assignments) {
  const std::size_t end = line.find_first_of(std::string_view("\r\n\0", 3));
  const std::string_view body = end == std::string_view::npos ? line : line.substr(0, end);
  std::size_t cursor = 0;
  for (const vexa::Assignment& a : assignments) {
    check(a.key.size() <= vexa::kParameterKeyChars);
    check(a.key.find_first_of("=.") == std::string::npos && !a.key.starts_with('#'));
    const char* suffix = a.field == F::name ? ".name" : a.field == F::type ? ".type" : "";
    const std::string piece = a.key + suffix + "=" + a.text;
    const std::size_t at = body.find(piece, cursor);
    check(at != std::string_view::npos);
    cursor = at + piece.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = vexa::fuzz::text_of(data, size);
  static const vexa::ParameterTable& original = vexa::language_table('e');
  constexpr std::size_t kFreeRows = vexa::kConfigurationRecords - vexa::kDefinedParameters;
  // One working table for every input: the rows an input touched go back afterwards, and every
  // other row must still equal the original, which is what a fresh copy would show.
  static vexa::ParameterTable table = original;
  static vexa::KeyRows rows(table);  // indexed again once the touched rows are back
  std::vector<std::size_t> touched;
  std::size_t free_rows = kFreeRows;

  Hooks listener;
  vexa::AnalogPresence presence;
  const vexa::AssignmentHooks hooks{&listener, &listener, &presence};
  for (std::size_t pos = 0; pos <= input.size();) {
    // Each call sees the rest of the input: the line must end at its first CR, LF or NUL.
    const std::string_view line = input.substr(pos);
    const std::vector<vexa::Assignment> assignments = vexa::split_assignments(line);
    check_split(line, assignments);
    // Told from the table before the line: keys stay and the table only fills, so a new key is
    // stored while a row is free; an empty key writes into the first free row, leaving it free.
    std::set<std::string> new_keys;
    std::size_t storing = 0;
    std::map<std::pair<std::string, F>, std::string> last;  // the last text of each stored field
    for (const vexa::Assignment& a : assignments) {
      if (a.key.empty()) {
        storing += new_keys.size() < free_rows;
      } else if (rows.find(a.key) || new_keys.count(a.key) || new_keys.size() < free_rows) {
        ++storing;
        if (!rows.find(a.key)) new_keys.insert(a.key);
        last[{a.key, a.field}] = a.text;
      }
    }
    const std::size_t calls_before = listener.calls;
    check(vexa::parse_assignments(table, rows, line, hooks) == storing);
    check(listener.calls - calls_before == storing);
    for (const vexa::Assignment& a : assignments)
      if (const std::optional<long> n = vexa::analog_input_number(a.key); n && *n < 256) check(presence.is_present(*n));
    free_rows -= new_keys.size();
    // Each stored key is in a defined row of its own or in one of the free rows filled so far,
    // with the last value and name its line gave it.
    for (const auto& [which, text] : last) {
      const std::optional<std::size_t> row = rows.find(which.first);
      check(row && *row < vexa::kConfigurationRecords - free_rows);
      const vexa::ParameterRecord& record = table[*row];
      check(record.key == which.first && (*row >= vexa::kDefinedParameters || original[*row].key == which.first));
      check(record.type.size() <= vexa::kParameterTextChars);
      const std::string cut = text.substr(0, vexa::kParameterTextChars);
      if (which.second == F::value) check(record.has_value && record.value == cut);
      if (which.second == F::name) check(record.name == cut);
      touched.push_back(*row);
    }

    const std::size_t next = line.find_first_of(std::string_view("\r\n\0", 3));
    if (next == std::string_view::npos) break;
    pos += next + 1;
  }
  // What an empty key wrote stays in the first free row.
  if (free_rows > 0) touched.push_back(vexa::kConfigurationRecords - free_rows);
  // With those rows put back the table is the original again: no other row changed.
  for (const std::size_t i : touched) table[i] = original[i];
  check(table == original);
  if (free_rows != kFreeRows) rows.rebuild();
  return 0;
}
