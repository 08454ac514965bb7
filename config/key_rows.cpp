#include "config/key_rows.h"

#include <algorithm>
#include <cstdint>

namespace vexa {
namespace {

// FNV-1a: keys are a few letters and digits, which it spreads well enough.
std::uint32_t key_hash(std::string_view key) {
  std::uint32_t hash = 2166136261u;
  for (const char c : key) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

KeyRows::KeyRows(const ParameterTable& table) : table_(table) {
  const std::size_t count = std::min(table.size(), kConfigurationRecords);
  // At most half full, a power of two so that the probe wraps with a mask.
  std::size_t capacity = 16;
  while (capacity < 2 * count) capacity *= 2;
  slots_.assign(capacity, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view key = table[i].key;
    if (key.empty()) continue;
    std::uint16_t& slot = slots_[slot_of(key)];
    if (slot == 0) slot = static_cast<std::uint16_t>(i + 1);  // the first row of a key stays
  }
}

std::size_t KeyRows::slot_of(std::string_view key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = key_hash(key) & mask;
  while (slots_[at] != 0 && std::string_view(table_[slots_[at] - 1].key) != key) at = (at + 1) & mask;
  return at;
}

std::optional<std::size_t> KeyRows::find(std::string_view key) const {
  if (key.empty()) return std::nullopt;
  const std::uint16_t slot = slots_[slot_of(key)];
  if (slot == 0) return std::nullopt;
  return slot - 1u;
}

}  // namespace vexa
