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

// At most half full, a power of two so that the probe wraps with a mask.
std::size_t capacity_for(std::size_t rows) {
  std::size_t capacity = 16;
  while (capacity < 2 * rows) capacity *= 2;
  return capacity;
}

}  // namespace

KeyRows::KeyRows(const ParameterTable& table) : table_(table) { rebuild(); }

std::size_t KeyRows::searched_rows() const { return std::min(table_.size(), kConfigurationRecords); }

void KeyRows::rebuild() {
  const std::size_t count = searched_rows();
  slots_.assign(capacity_for(count), 0);
  first_free_ = count;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view key = table_[i].key;
    if (key.empty()) {
      first_free_ = std::min(first_free_, i);
      continue;
    }
    std::uint16_t& slot = slots_[slot_of(key)];
    if (slot == 0) slot = static_cast<std::uint16_t>(i + 1);  // the first row of a key stays
  }
}

std::size_t KeyRows::slot_of(std::string_view key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = key_hash(key) & mask;
  while (slots_[at] != 0 && !same_key(table_[slots_[at] - 1].key, key)) at = (at + 1) & mask;
  return at;
}

std::optional<std::size_t> KeyRows::find(std::string_view key) const {
  if (key.empty()) return std::nullopt;
  const std::uint16_t slot = slots_[slot_of(key)];
  if (slot == 0) return std::nullopt;
  return slot - 1u;
}

std::optional<std::size_t> KeyRows::slot(std::string_view key) const {
  std::size_t row = first_free_;
  if (std::optional<std::size_t> found = find(key)) row = std::min(row, *found);
  if (row >= searched_rows()) return std::nullopt;
  return row;
}

void KeyRows::key_stored(std::size_t row) {
  if (row >= searched_rows()) return;
  const std::string_view key = table_[row].key;
  if (key.empty()) return;
  std::uint16_t& slot = slots_[slot_of(key)];
  if (slot == 0 || slot - 1u > row) slot = static_cast<std::uint16_t>(row + 1);
  if (row == first_free_) advance_free_row();
}

void KeyRows::advance_free_row() {
  const std::size_t count = searched_rows();
  while (first_free_ < count && !table_[first_free_].key.empty()) ++first_free_;
}

}  // namespace vexa
