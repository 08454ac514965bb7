#pragma once
// A file the simulated board logs into while it runs: stamped lines ('2024:03:01 00:00:17 '
// then tab-separated values) or numbered lines ('017: ...'). Line i is the same text in every
// run, so a test or a benchmark can rebuild what the board holds; the file grows by one line
// every grow_ms milliseconds of the board's monotonic clock.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa::sim {

enum class LogKind { stamped, numbered };

struct LogFileSpec {
  std::string name = "vexalog.adc";
  LogKind kind = LogKind::stamped;
  std::size_t initial_lines = 100;
  int grow_ms = 1000;  // 0: the file does not grow
};

// Line i of a log of this kind (without a line end).
std::string logged_line(LogKind kind, std::size_t index);
// Lines [0, count) each ended by LF: the file's bytes.
std::string logged_text(LogKind kind, std::size_t count);

class LoggedFile {
 public:
  LoggedFile(LogFileSpec spec, std::int64_t created_ms) : spec_(std::move(spec)), created_ms_(created_ms) {}
  const LogFileSpec& spec() const { return spec_; }
  const std::string& name() const { return spec_.name; }
  std::size_t line_count(std::int64_t now_ms) const;
  std::string line(std::size_t index) const { return logged_line(spec_.kind, index); }
  // The bytes of the first count lines with their line ends (what the directory shows).
  std::uint64_t byte_count(std::size_t count) const;
  // The first line listed after stamp: lines are in stamp order, so this is the first one whose
  // stamp compares above it. 0 for an empty stamp or a numbered log.
  std::size_t first_after(std::string_view stamp, std::size_t count) const;

 private:
  LogFileSpec spec_;
  std::int64_t created_ms_;
  // The sum so far, so that a growing file is not measured from its start at every listing.
  mutable std::size_t counted_lines_ = 0;
  mutable std::uint64_t counted_bytes_ = 0;
};

}  // namespace vexa::sim
