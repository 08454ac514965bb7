#pragma once
// Which analog inputs are present, for the analog tab's input tabs: 256 flags and one flag
// telling that the list of present inputs changed. The receive thread sets flags when it
// stores an a<n> key; the analog tab reads, clears and resets them on the window thread.
#include <array>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr std::size_t kAnalogPresenceFlags = 256;

class AnalogPresence {
 public:
  // Marks input n present (n below 256; others are ignored). Sets the changed flag when the
  // input was not present before. Returns true when it was newly marked.
  bool mark_present(long n);

  // The rule for a stored key: for 'a' followed by a digit, mark_present(the number).
  bool note_key(std::string_view key);

  bool is_present(long n) const;
  // Clears every flag, then marks inputs 0..count-1 present (the board identity does this).
  // Leaves the changed flag alone: the caller rebuilds the tabs itself.
  void reset_to_first(std::size_t count);
  void set_present(long n, bool present);
  // Present input numbers in ascending order.
  std::vector<int> present_inputs() const;

  bool changed() const;
  // Returns the changed flag and clears it (the analog tab's forced rebuild consumes it).
  bool take_changed();
  void clear_changed();

 private:
  mutable std::mutex mutex_;
  std::array<bool, kAnalogPresenceFlags> present_{};
  bool changed_ = false;
};

}  // namespace vexa
