#pragma once
// The configuration a simulated board holds: a value for some of the keys that exist on its
// type and firmware, in parameter table order, starting from the factory standard.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/board_kind.h"

namespace vexa::sim {

enum class StoreResult {
  stored,
  unknown_key,  // the key does not exist on this board's type or firmware
  read_only,    // a statistics counter: the board reports it, nobody sets it
};

class BoardConfiguration {
 public:
  explicit BoardConfiguration(BoardKind kind);

  const BoardKind& kind() const { return kind_; }

  // Back to the factory standard of the board's type (keys of its firmware only).
  void reset_to_factory();

  // Whether the key exists on this board (type and firmware).
  bool has_key(std::string_view key) const;
  bool is_counter(std::string_view key) const;

  // A command's assignment: counters are read-only. The value is cut to 99 characters.
  StoreResult assign(std::string_view key, std::string_view value);
  // A start-up value (configuration file, tests): counters may be set too.
  StoreResult preset(std::string_view key, std::string_view value);

  std::optional<std::string> value(std::string_view key) const;

  // The assignment lines "conf" reports: plain values gathered on lines of a few assignments,
  // each macro on a line of its own (its value runs to the end of the line).
  std::vector<std::string> report_lines() const;

  // The speed of the port the host talks to: "bd" on E and F, the baud field of "rs0" on S;
  // 9600 when the value does not give one.
  long link_speed() const;

  // Applies the value lines of a configuration file over the current values. Names and types
  // are the host's business and are passed over. Returns a message for each key that this
  // board does not have; everything else is applied.
  std::vector<std::string> apply_file_text(std::string_view text);

 private:
  std::optional<std::size_t> index_of(std::string_view key) const;
  StoreResult store(std::string_view key, std::string_view value, bool allow_counters);

  BoardKind kind_;
  std::vector<std::optional<std::string>> values_;  // by parameter table record
};

}  // namespace vexa::sim
