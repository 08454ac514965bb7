#include "sim/logged_file.h"

#include "base/text_format.h"
#include "macro/macro_value.h"

namespace vexa::sim {

namespace {

// The stamped log starts at 2024-03-01 00:00:00, one line a second.
std::string stamp_of(std::size_t index) {
  static const std::int64_t base = start_of_date({2024, 3, 1, 0, 0, 0});
  const MacroDate d = date_of_start(base + static_cast<std::int64_t>(index));
  return format_text("%04d:%02d:%02d %02d:%02d:%02d ", d.year, d.month, d.day, d.hour, d.minute, d.second);
}

}  // namespace

std::string logged_line(LogKind kind, std::size_t index) {
  const unsigned i = static_cast<unsigned>(index);
  if (kind == LogKind::numbered)
    return format_text("%03u: %u.%u\t%u", i % 1000, 20 + i % 7, i % 10, (i * 37) % 1000);
  // Values with a decimal comma, as the board writes them, in three columns.
  return stamp_of(index) + format_text("%u,%u\t%u,%02u\t%u", 20 + i % 7, i % 10, (i * 13) % 50, i % 100,
                                       (i * 37) % 1000);
}

std::string logged_text(LogKind kind, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += logged_line(kind, i);
    text += '\n';
  }
  return text;
}

std::size_t LoggedFile::line_count(std::int64_t now_ms) const {
  std::size_t count = spec_.initial_lines;
  if (spec_.grow_ms > 0 && now_ms > created_ms_)
    count += static_cast<std::size_t>((now_ms - created_ms_) / spec_.grow_ms);
  return count;
}

std::uint64_t LoggedFile::byte_count(std::size_t count) const {
  if (count < counted_lines_) {
    counted_lines_ = 0;
    counted_bytes_ = 0;
  }
  for (; counted_lines_ < count; ++counted_lines_) counted_bytes_ += line(counted_lines_).size() + 1;
  return counted_bytes_;
}

std::size_t LoggedFile::first_after(std::string_view stamp, std::size_t count) const {
  while (!stamp.empty() && (stamp.back() == ' ' || stamp.back() == '\t')) stamp.remove_suffix(1);
  if (stamp.empty() || spec_.kind != LogKind::stamped) return 0;
  std::size_t low = 0, high = count;
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (line(mid).substr(0, stamp.size()) <= stamp)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

}  // namespace vexa::sim
