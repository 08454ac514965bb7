#pragma once
// The first row of each key in the searched part of a table (its first 998 records) and its
// first free row, for code that looks up or stores many keys: a probe instead of a scan of the
// table per key. The index holds row numbers and compares keys in the table, which must
// outlive it. Whoever changes a key in the table tells the index (key_stored) or rebuilds it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "config/parameter_table.h"

namespace vexa {

class KeyRows {
 public:
  explicit KeyRows(const ParameterTable& table);
  KeyRows(ParameterTable&&) = delete;  // the index would outlive a temporary table
  KeyRows(const KeyRows&) = delete;
  KeyRows& operator=(const KeyRows&) = delete;

  // What find_record(table, key) gives, without the scan.
  std::optional<std::size_t> find(std::string_view key) const;
  // What find_slot(table, key) gives: the key's first row or the first free row, whichever
  // comes first; nothing when the table is full.
  std::optional<std::size_t> slot(std::string_view key) const;
  // Row `row` (a slot just given out) now holds a key, where it may have been free.
  void key_stored(std::size_t row);
  // Indexes the table afresh, after keys changed in ways key_stored does not cover.
  void rebuild();

 private:
  // Open addressing in one small block: a node per key would be a thousand allocations for
  // every rebuild. A slot holds its row plus one (0: free); the key is the table's.
  std::size_t slot_of(std::string_view key) const;
  void advance_free_row();
  std::size_t searched_rows() const;

  const ParameterTable& table_;
  std::vector<std::uint16_t> slots_;
  std::size_t first_free_ = 0;  // searched_rows() when no row is free
};

}  // namespace vexa
