#pragma once
// The first row of each key in the searched part of a table (its first 998 records), for walks
// that look up many keys: one pass over the table instead of a scan of it per key. The index
// holds views into the table, which must outlive it and stay unchanged while it is used.
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
  // What find_record(table, key) gives, without the scan.
  std::optional<std::size_t> find(std::string_view key) const;

 private:
  // Open addressing in one small block: a table is indexed for every comparison and save, and
  // a node per key would be a thousand allocations each time. A slot holds its row plus one
  // (0: free); the key is the table's.
  std::size_t slot_of(std::string_view key) const;
  const ParameterTable& table_;
  std::vector<std::uint16_t> slots_;
};

}  // namespace vexa
