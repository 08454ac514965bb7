#pragma once
// The last 1000 data lines of the upload for the data pane: each line's text and up to ten
// numbers read from it. The receive thread adds lines while the window thread paints, so the
// ring is kept under a mutex and painting works on a copy.
#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr std::size_t kRingEntries = 1000;
inline constexpr std::size_t kRingTextChars = 199;
inline constexpr std::size_t kRingValues = 10;
inline constexpr std::size_t kRingValueTextChars = 499;

struct RingEntry {
  bool used = false;
  int value_count = 0;
  std::string text;  // tabs turned into blanks
  std::array<float, kRingValues> values{};
};

// The numbers of a data line: after its time stamp or number prefix, ',' read as '.', up to
// ten tab-separated fields each read like atof. None when the line has no prefix.
std::vector<float> line_values(std::string_view line);

class DisplayRing {
 public:
  DisplayRing() : entries_(kRingEntries) {}

  void add_line(std::string_view line);
  // All entries unused, the next index back to 0.
  void clear();

  // The used entries, newest first (stops at the first unused one, as the pane does).
  std::vector<RingEntry> newest_first() const;

  // How many lines came since the last call; the pane repaints when this is not 0.
  int take_redraw() { return redraw_.exchange(0); }

 private:
  mutable std::mutex mutex_;
  std::vector<RingEntry> entries_;  // guarded by mutex_
  std::size_t next_ = 0;            // guarded by mutex_
  std::atomic<int> redraw_{0};
};

}  // namespace vexa
