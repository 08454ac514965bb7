// Loading an arbitrary configuration file: the table keeps its shape and limits, what was loaded
// saves and loads again to the same values, names and types, and comparing the file with what
// it loaded finds no difference while the table had room for every key.
#include <algorithm>

#include "base/messages.h"
#include "config/config_files.h"
#include "config/config_file_format.h"
#include "config/file_chooser.h"
#include "config/key_rows.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "fuzz/fuzz_support.h"
#include "platform/atomic_file.h"

namespace {

using vexa::fuzz::check;

struct Rig : vexa::fuzz::Board {
  Rig() : Board("VexaLog E v1404") {}
  vexa::fuzz::Quiet report;
  vexa::Messages messages{"VexaLog", 'e'};
  vexa::ConfigFiles files{config, identity, report, messages, clock, nullptr, vexa::PathCase::keep};
};

// The table keeps its size and built-in keys, and its index finds every key past the built-in
// ones in its own row: a key stored twice, whether built-in or not, would be found in its first
// row only. (The fields' limits are the assignments target's, which sees each store.)
void check_shape(const vexa::ParameterTable& table, const vexa::KeyRows& rows) {
  const vexa::ParameterTable& language = vexa::language_table('e');
  check(table.size() == vexa::kConfigurationRecords);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const vexa::ParameterRecord& record = table[i];
    check(!language[i].key.empty() ? record.key == language[i].key : record.key.empty() || rows.find(record.key) == i);
    // A row without a key may hold what an empty key was given ('=5', '.type=Pt100'): it stays
    // free for the next new key. Without a value it holds no value text.
    if (record.key.empty() && !record.has_value) check(record.value.empty());
  }
}

// What was loaded from the file and what came back from saving it: the same values, analog
// names and types, and no value that was not loaded.
void check_round_trip(const vexa::ParameterTable& loaded, const vexa::KeyRows& loaded_rows,
                      const vexa::ParameterTable& again, const vexa::KeyRows& again_rows) {
  for (const vexa::ParameterRecord& record : loaded) {
    if (record.key.empty()) continue;
    const std::optional<std::size_t> found = again_rows.find(record.key);
    const vexa::ParameterRecord* other = found ? &again[*found] : nullptr;
    if (record.has_value && !vexa::is_statistic(record)) check(other && other->has_value && other->value == record.value);
    if (vexa::analog_input_number(record.key))
      check(other ? other->name == record.name && other->type == record.type : record.name.empty() && record.type.empty());
  }
  for (const vexa::ParameterRecord& other : again) {
    if (!other.has_value || other.key.empty()) continue;
    const std::optional<std::size_t> found = loaded_rows.find(other.key);
    check(found && loaded[*found].has_value && loaded[*found].value == other.value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vexa::fuzz::ScratchFile first_file("vexa_fuzz_config", "_in.txt");
  static const vexa::fuzz::ScratchFile saved_file("vexa_fuzz_config", "_saved.txt");
  const std::string_view text = vexa::fuzz::text_of(data, size);
  check(vexa::write_file_atomically(first_file.path, std::string(text)));

  // One rig each for all inputs: a load starts from a reset table, so nothing of the previous
  // input survives it, and building the tables anew per input would be most of the run time.
  static Rig first;
  vexa::GivenPathChooser open_first(first_file.path);
  check(first.files.load_configuration(open_first));
  // The tables are read in place: a copy of 998 records per look would be most of the run time.
  // The file compares equal to what it loaded unless the table is full or the file gives an
  // empty key ('=5'): its free row goes to the next new key, which differs between the table
  // (with its built-in rows) and the file alone.
  bool empty_key = false;
  vexa::for_each_file_piece(text, [&](std::string_view piece) {
    for (const vexa::Assignment& a : vexa::split_assignments(piece)) empty_key = empty_key || a.key.empty();
  });
  const bool full = first.config.read_indexed([](const vexa::ParameterTable& loaded, const vexa::KeyRows& rows) {
    check_shape(loaded, rows);
    return std::all_of(loaded.begin(), loaded.end(), [](const vexa::ParameterRecord& record) { return !record.key.empty(); });
  });
  int errors = -1;
  if (first.config.has_any_value()) {
    check(first.files.compare_configuration(open_first, &errors));
    if (!full && !empty_key) check(errors == 0);
  }

  // Save and load again: the values, analog names and types survive.
  vexa::GivenPathChooser saved(saved_file.path);
  if (!first.files.save_configuration(saved)) {
    check(!first.config.has_any_value());
    return 0;
  }
  static Rig second;
  check(second.files.load_configuration(saved));
  first.config.read_indexed([&](const vexa::ParameterTable& loaded, const vexa::KeyRows& loaded_rows) {
    second.config.read_indexed([&](const vexa::ParameterTable& again, const vexa::KeyRows& again_rows) {
      check_shape(again, again_rows);
      // An empty key's free row goes to whichever new key comes next, in the saved file as in
      // the first: the values stay, but not necessarily in the same rows.
      if (!empty_key) check_round_trip(loaded, loaded_rows, again, again_rows);
    });
  });
  return 0;
}
