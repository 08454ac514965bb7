#pragma once
// The capture log: a text file recording what is sent to the board ('>'), the lines it
// sends back ('<') and the lines printed in the terminal (' '), optionally time-stamped.
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vexa {

class Messages;

inline constexpr std::size_t kLogRecordChars = 1999;

enum class LogMode { off = 0, plain = 1, dated = 2 };

// "04Dec2026 06:19:00": day, three-letter month ("Mai" for May), year, time.
std::string log_stamp(const std::tm& local);

class CaptureLog {
 public:
  explicit CaptureLog(std::string path, const Clock& clock = SystemClock::instance());
  ~CaptureLog();
  CaptureLog(const CaptureLog&) = delete;
  CaptureLog& operator=(const CaptureLog&) = delete;

  int mode() const;
  // Sets the mode (values outside 0..2 count as on without date, as the file holds them).
  void set_mode(int mode);
  // Opens or closes the file to match the mode; a file that cannot be opened stays closed and
  // the errno of the failed open is returned (0 otherwise).
  int apply_log_mode();
  // The report for the last apply_log_mode that could not open the file (`VtLogNoOp` with the
  // path and the system's reason), empty when the file is open or logging is off.
  std::string open_failure(const Messages& messages) const;
  // Closes the file (closing the serial port does this); reopened by apply_log_mode().
  void close();
  // Closes and deletes the file, then applies the mode.
  void erase();
  bool is_open() const;
  const std::string& path() const { return path_; }

  // A record of the program's own text (UTF-8, as the file is).
  void log_record(char tag, std::string_view text);
  // A record of board bytes (Windows-1252), written as UTF-8: what was sent ('>') and received
  // ('<').
  void log_board_text(char tag, std::string_view bytes);
  void log_recordf(char tag, const char* format, ...) __attribute__((format(printf, 3, 4)));

  std::string stamp() const { return log_stamp(clock_.local_now()); }

 private:
  void write(std::string_view text);

  const std::string path_;
  const Clock& clock_;
  mutable std::mutex mutex_;  // records come from the window, receive and worker threads
  std::FILE* file_ = nullptr;
  int mode_ = 0;
  int open_error_ = 0;
  char last_tag_ = 'c';
  bool at_line_start_ = true;
  bool cr_seen_ = false;
};

}  // namespace vexa
