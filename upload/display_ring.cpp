#include "upload/display_ring.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/text_format.h"
#include "upload/line_prefix.h"

namespace vexa {

namespace {

// atof's reading: leading white space, an optional sign, the longest number; 0 when none.
float leading_number(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r' || text.front() == '\v' || text.front() == '\f'))
    text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  // Only what a chart can scale: no infinities, no NaN, nothing beyond a float.
  if (result.ec != std::errc() || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
    return 0;
  return static_cast<float>(value);
}

}  // namespace

std::vector<float> line_values(std::string_view line) {
  std::vector<float> values;
  const std::size_t prefix = data_prefix_length(line);
  if (prefix == 0) return values;
  std::string rest = limited(line.substr(prefix), kRingValueTextChars);
  for (char& c : rest)
    if (c == ',') c = '.';
  std::string_view fields(rest);
  while (values.size() < kRingValues) {
    const std::size_t tab = fields.find('\t');
    values.push_back(leading_number(fields.substr(0, tab)));
    if (tab == std::string_view::npos) break;
    fields.remove_prefix(tab + 1);
  }
  return values;
}

void DisplayRing::add_line(std::string_view line) {
  RingEntry entry;
  entry.text = limited(line, kRingTextChars);
  for (char& c : entry.text)
    if (c == '\t') c = ' ';
  const std::vector<float> values = line_values(line);
  for (std::size_t i = 0; i < values.size(); ++i) entry.values[i] = values[i];
  entry.value_count = static_cast<int>(values.size());
  entry.used = true;
  {
    std::lock_guard lock(mutex_);
    entries_[next_] = std::move(entry);
    next_ = (next_ + 1) % kRingEntries;
  }
  redraw_.fetch_add(1);
}

void DisplayRing::clear() {
  std::lock_guard lock(mutex_);
  for (RingEntry& entry : entries_) entry = RingEntry{};
  next_ = 0;
}

std::vector<RingEntry> DisplayRing::newest_first() const {
  std::vector<RingEntry> out;
  std::lock_guard lock(mutex_);
  std::size_t index = next_;
  for (std::size_t n = 0; n < kRingEntries; ++n) {
    index = (index + kRingEntries - 1) % kRingEntries;
    if (!entries_[index].used) break;
    out.push_back(entries_[index]);
  }
  return out;
}

}  // namespace vexa
