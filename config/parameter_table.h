#pragma once
// Parameter records and the three built-in, read-only parameter tables (English, French,
// German), plus the small rules about keys that several parts of the program share.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr std::size_t kParameterKeyChars = 6;     // key field of 7 bytes
inline constexpr std::size_t kParameterTextChars = 99;   // value, type and name fields of 100
inline constexpr std::size_t kParameterTableRecords = 1000;  // built-in and scratch tables
inline constexpr std::size_t kConfigurationRecords = 998;    // the records ever used
inline constexpr std::size_t kDefinedParameters = 583;       // records with a key in the tables

// One parameter. Field order follows the record layout the rest of the program uses.
struct ParameterRecord {
  std::uint32_t control_id = 0;   // first control id of the row on the configuration tab; 0 = none
  std::string value;              // as sent to and received from the board, at most 99 characters
  std::string type;               // input type title for a<n> keys, at most 99 characters
  bool has_value = false;         // a value was stored (board, file, tabs)
  std::int32_t min_version_e = 0; // availability on 'E': 0 no, 1 always, N > 1 from firmware N
  std::int32_t min_version_f = 0; // the same for 'F'
  std::int32_t min_version_s = 0; // the same for 'S' and every other type letter
  std::uint32_t statistic = 0;    // bit 0: a read-only counter reported by the board
  std::string key;                // at most 6 characters, case-sensitive; empty = free slot
  std::string name;               // display name, or the user's channel name for a<n>

  bool is_free() const { return key.empty(); }
  bool operator==(const ParameterRecord&) const = default;
};

// A table of records. The built-in and scratch tables hold 1000 records, the configuration
// table 998; only the first 998 records of any table are ever searched or written.
using ParameterTable = std::vector<ParameterRecord>;

// One defined row of the built-in tables: everything but the values, with the display name
// in each language. The three tables are built from these rows.
struct ParameterDefinition {
  std::string key;
  std::int32_t min_version_e = 0;
  std::int32_t min_version_f = 0;
  std::int32_t min_version_s = 0;
  std::uint32_t statistic = 0;
  std::string name_english;
  std::string name_french;
  std::string name_german;
};

// The 583 defined rows in table order, expanded once from the table of key families in
// data/parameter_records.cpp. Immutable after the first call; safe from any thread.
const std::vector<ParameterDefinition>& parameter_definitions();

// The built-in table for a language letter: 'f' French, 'd' German, anything else English.
// 1000 records: 0..582 defined, the rest free; empty values and types, has_value false and
// control_id 0 everywhere. The tables are built once and never change.
const ParameterTable& language_table(char language_letter);

// A table of 1000 all-zero records (no keys, no flags), as the file comparison uses.
ParameterTable make_scratch_table();

// Makes a scratch table that parses have filled all-zero again. A store takes the first free
// row, so the filled rows are the ones before the first free key, and that row itself when it
// holds the value of an empty key.
void clear_filled_rows(ParameterTable& scratch);

// Bit 0 of the statistic field.
bool is_statistic(const ParameterRecord& record);

// Whether a record may be sent to a board of this type letter and firmware version: the
// minimum version for the letter ('E', 'F', otherwise the 'S' column); 0 means not there,
// except for a key unknown to every column that has a value (the board or a file supplied it);
// N > 1 means from firmware version N on.
bool is_available(const ParameterRecord& record, char type_letter, int firmware_version);

// Stores text into a record field, cut to the field's 99 characters.
void store_parameter_text(std::string& field, std::string_view text);

// 'm' followed by a digit: a board macro, whose value may contain blanks.
bool is_macro_key(std::string_view key);

// For 'a' followed by a digit: the decimal number after the 'a' (leading digits only, capped
// so that a long run of digits cannot overflow). Nothing for other keys.
std::optional<long> analog_input_number(std::string_view key);

// Whether a row's key is key: length and first letter first, where nearly every row already
// differs, so that a search compares whole strings only for the few that remain.
inline bool same_key(std::string_view row_key, std::string_view key) {
  return row_key.size() == key.size() && (key.empty() || (row_key[0] == key[0] && row_key == key));
}

// The first of the first 998 records whose key equals key exactly, or nothing. An empty key
// never matches (free slots are not parameters).
std::optional<std::size_t> find_record(const ParameterTable& table, std::string_view key);

}  // namespace vexa
