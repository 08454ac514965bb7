#pragma once
// The first row of each key in the searched part of a table (its first 998 records), for walks
// that look up many keys: one pass over the table instead of a scan of it per key. The index
// holds views into the table, which must outlive it and stay unchanged while it is used.
#include <cstddef>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "config/parameter_table.h"

namespace vexa {

class KeyRows {
 public:
  explicit KeyRows(const ParameterTable& table);
  // What find_record(table, key) gives, without the scan.
  std::optional<std::size_t> find(std::string_view key) const;

 private:
  std::unordered_map<std::string_view, std::size_t> rows_;
};

}  // namespace vexa
