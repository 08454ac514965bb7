#include "config/analog_presence.h"

#include "config/parameter_table.h"

namespace vexa {

bool AnalogPresence::mark_present(long n) {
  if (n < 0 || n >= static_cast<long>(kAnalogPresenceFlags)) return false;
  std::lock_guard lock(mutex_);
  if (present_[static_cast<std::size_t>(n)]) return false;
  present_[static_cast<std::size_t>(n)] = true;
  changed_ = true;
  return true;
}

bool AnalogPresence::note_key(std::string_view key) {
  const std::optional<long> n = analog_input_number(key);
  return n && mark_present(*n);
}

bool AnalogPresence::is_present(long n) const {
  if (n < 0 || n >= static_cast<long>(kAnalogPresenceFlags)) return false;
  std::lock_guard lock(mutex_);
  return present_[static_cast<std::size_t>(n)];
}

void AnalogPresence::reset_to_first(std::size_t count) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < kAnalogPresenceFlags; ++i) present_[i] = i < count;
}

void AnalogPresence::set_present(long n, bool present) {
  if (n < 0 || n >= static_cast<long>(kAnalogPresenceFlags)) return;
  std::lock_guard lock(mutex_);
  present_[static_cast<std::size_t>(n)] = present;
}

std::vector<int> AnalogPresence::present_inputs() const {
  std::lock_guard lock(mutex_);
  std::vector<int> inputs;
  for (std::size_t i = 0; i < kAnalogPresenceFlags; ++i) {
    if (present_[i]) inputs.push_back(static_cast<int>(i));
  }
  return inputs;
}

bool AnalogPresence::changed() const {
  std::lock_guard lock(mutex_);
  return changed_;
}

bool AnalogPresence::take_changed() {
  std::lock_guard lock(mutex_);
  const bool was = changed_;
  changed_ = false;
  return was;
}

void AnalogPresence::clear_changed() {
  std::lock_guard lock(mutex_);
  changed_ = false;
}

}  // namespace vexa
