#include "config/key_rows.h"

#include <algorithm>

namespace vexa {

KeyRows::KeyRows(const ParameterTable& table) {
  const std::size_t count = std::min(table.size(), kConfigurationRecords);
  rows_.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    if (!table[i].key.empty()) rows_.emplace(table[i].key, i);  // the first row of a key stays
}

std::optional<std::size_t> KeyRows::find(std::string_view key) const {
  if (const auto it = rows_.find(key); it != rows_.end()) return it->second;
  return std::nullopt;
}

}  // namespace vexa
