#pragma once
// The simulated board's logged files and their listing to the host:
//
//   up NAME [STAMP]     lists NAME as '>' lines, from the first line after STAMP
//   up -b NAME [STAMP]  the same as bytes: '>' and up to 32 bytes in hexadecimal per line
//   bi=N                acknowledges with one CR byte, then talks at N baud
//
//   ls                  (sim/self_test.cpp) one directory line per file: 'VEXALOG ADC 1536'
//
// The card is a FAT file system: names are found whatever their letter case, and the
// directory shows them in upper case, name and extension apart, with the size in bytes.
// A listing ends with the closing line "end of NAME, N lines" and the board's "ok". Any byte
// that arrives while it runs stops it (the host sends a single blank): the closing line is
// then "stopped NAME, N lines"; the bytes themselves are dropped, the board is busy. An
// unknown file gets "Error no file NAME" and no listing.
//
// The listing is produced piece by piece (take_output), so the server keeps reading while it
// sends, and the host's blank is heard in time.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "sim/logged_file.h"

namespace vexa::sim {

inline constexpr std::size_t kHexBytesPerLine = 32;

class BoardUploads {
 public:
  explicit BoardUploads(const Clock& clock) : clock_(clock) {}

  // A file of the same name (in any letter case) is replaced.
  void add_file(LogFileSpec spec);
  const LoggedFile* find(std::string_view name) const;
  // The directory lines of the files, in the order they were added.
  std::vector<std::string> directory_lines() const;
  // Lines the named file holds now.
  std::size_t line_count(std::string_view name) const;

  // Whether a command line is one of the commands above.
  static bool is_upload_command(std::string_view line);
  // Runs one; the lines returned are sent at once (an error), the listing comes through
  // take_output.
  std::vector<std::string> execute(std::string_view line);

  bool listing() const { return listing_.file != nullptr; }
  // Bytes that came while a listing runs: it stops.
  void received_while_listing(std::string_view bytes);
  bool has_output() const { return !output_.empty() || listing(); }
  // Up to about max bytes of what is to be sent next (whole lines).
  std::string take_output(std::size_t max);
  // Everything taken has been written: a speed change acknowledged before takes effect.
  void output_written();
  // The host went away: the listing ends unsent.
  void abort();

  // The speed set by "bi=", 0 when none was.
  long speed() const { return speed_; }

 private:
  struct Listing {
    const LoggedFile* file = nullptr;
    bool binary = false;
    std::size_t next = 0, end = 0, listed = 0;
    std::string pending;  // bytes of the binary listing not yet sent
    bool stop = false;
  };
  void close_listing(std::string& out);

  const Clock& clock_;
  std::deque<LoggedFile> files_;  // listings point into it
  Listing listing_;
  std::string output_;
  long speed_ = 0;
  long pending_speed_ = 0;
};

}  // namespace vexa::sim
