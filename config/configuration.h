#pragma once
// The configuration table: the one writable copy of the parameter table, holding what was
// loaded from the board, read from a file or edited on the tabs. 998 records, reset from the
// built-in table of the configured language.
//
// The receive thread stores received assignment lines while the window thread (and the
// download worker) read and edit the table, so every access goes through one mutex. Readers
// get copies (a record, a value, a snapshot of the whole table) or run a short function under
// the lock; no reference into the table ever leaves it. Listeners and the rebuild request are
// called with the lock released, so they may read the table again.
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "config/analog_presence.h"
#include "config/key_rows.h"
#include "config/parameter_hooks.h"
#include "config/parameter_table.h"

namespace vexa {

class Configuration {
 public:
  // The table starts reset from the built-in table of language_letter (see language_table).
  explicit Configuration(char language_letter = 'e');
  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

  // --- hooks, set by their owners (normally once, at start-up); null switches one off ---
  void set_input_type_defaults(const InputTypeDefaults* defaults);
  void set_parameter_listener(ParameterListener* listener);
  void set_rebuild_requester(RebuildRequester* requester);

  // --- language ---
  // The letter the next reset takes its names from. A language change shows after a restart,
  // so the table keeps the names of the language it was last reset from.
  void set_language(char language_letter);
  char language() const;
  // The built-in table of the current language letter (immutable; safe from any thread).
  const ParameterTable& language_table() const;

  // Copies every field of the first 998 records of language_table() into the table, keeping
  // each record's control_id: values, names and types are cleared, names become those of the
  // current language.
  void reset_configuration();

  // --- look-ups (copies) ---
  // The first record whose key equals key exactly (case-sensitive); nothing for an empty key.
  std::optional<ParameterRecord> find_parameter(std::string_view key) const;
  std::optional<std::size_t> find_index(std::string_view key) const;
  // The value text of find_parameter(key), or nothing.
  std::optional<std::string> parameter_value(std::string_view key) const;
  // Record index (below 998) as a copy; an index past the end gives an empty record.
  ParameterRecord record(std::size_t index) const;
  // The whole table (998 records) as one consistent copy.
  ParameterTable snapshot() const;
  // At least one record has a value ("configuration loaded").
  bool has_any_value() const;

  // --- stores ---
  // The first record whose key equals key or is empty gets the key, the value (cut to 99
  // characters) and has_value; then the parameter listener hears of the key. Returns false,
  // changing nothing, when the table is full. Used by the analog and macro tabs.
  bool set_parameter(std::string_view key, std::string_view value);

  // Stores every assignment of a line (see split_assignments): for each one the store, the
  // default type for 'a' keys with an empty type, the parameter listener and the analog
  // presence flag. When something was stored and notify is true, the rebuild requester is
  // asked to rebuild the configuration tab. Returns the number of assignments stored.
  std::size_t parse_assignments(std::string_view line, bool notify);

  // Edits of the configuration tab, by record index (ignored past the end).
  // Stores value (cut to 99) and sets has_value when it differs from the record's value;
  // returns whether it changed.
  bool store_value(std::size_t index, std::string_view value);
  void store_name(std::size_t index, std::string_view name);
  void store_type(std::size_t index, std::string_view type);
  void set_control_id(std::size_t index, std::uint32_t control_id);
  void clear_control_ids();

  // Runs fn(const ParameterTable&) under the lock and returns its result, for a walk that must
  // see one consistent table. fn must be short, must not keep the reference and must not call
  // back into this Configuration. Every change goes through the stores above, which keep the
  // key index right; there is deliberately no way to edit the table in place.
  template <class Fn>
  decltype(auto) read(Fn&& fn) const {
    std::lock_guard lock(mutex_);
    return std::forward<Fn>(fn)(static_cast<const ParameterTable&>(table_));
  }
  // The same with the table's key index, fn(const ParameterTable&, const KeyRows&), for walks
  // that look up many keys.
  template <class Fn>
  decltype(auto) read_indexed(Fn&& fn) const {
    std::lock_guard lock(mutex_);
    return std::forward<Fn>(fn)(static_cast<const ParameterTable&>(table_),
                                static_cast<const KeyRows&>(rows_));
  }

  // The analog input presence flags that storing a<n> keys maintains (internally locked).
  AnalogPresence& presence() { return presence_; }
  const AnalogPresence& presence() const { return presence_; }

 private:
  void notify_changed(std::string_view key);
  // Marks a row as changed since the last reset; the lock is held.
  void note_written(std::size_t index);

  mutable std::mutex mutex_;
  ParameterTable table_;  // always kConfigurationRecords records
  KeyRows rows_{table_};  // kept right by every store and reset
  // What a reset has to put back: the rows stored into since the last one, unless that reset
  // took another language's table (or none yet), when every row has to be copied.
  std::bitset<kConfigurationRecords> written_;
  const ParameterTable* reset_from_ = nullptr;
  std::atomic<char> language_;
  std::atomic<const InputTypeDefaults*> type_defaults_{nullptr};
  std::atomic<ParameterListener*> listener_{nullptr};
  std::atomic<RebuildRequester*> rebuild_{nullptr};
  AnalogPresence presence_;
};

}  // namespace vexa
