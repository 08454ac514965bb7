#pragma once
// What the fuzz targets share: the entry point's integer and string types, the check that stops
// the run on a broken property, a reader that takes choices and text from the fuzzer's bytes,
// scratch files, and a board that answers every command and whose reports go nowhere.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <unistd.h>

#include "base/report_sink.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "link/board_channel.h"
#include "support/fixed_clocks.h"

namespace vexa::fuzz {

inline void check(bool ok) {
  if (!ok) __builtin_trap();
}

inline std::string_view text_of(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A file of this process's own ("<name>_<pid><suffix>"), removed when the object goes: kept as
// a function's static, at the end of a run that ends normally. It lives in /dev/shm when there
// is one, since each save syncs its file and a sync to disk takes milliseconds.
struct ScratchFile {
  ScratchFile(std::string_view name, std::string_view suffix = "")
      : path(std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/") + std::string(name) + "_" +
             std::to_string(::getpid()) + std::string(suffix)) {}
  ~ScratchFile() { ::unlink(path.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  const std::string path;
};

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : text_(text_of(data, size)) {}
  // One byte for a choice (0 once the input is used up).
  unsigned char take() {
    const std::string_view c = take(1);
    return c.empty() ? 0 : static_cast<unsigned char>(c[0]);
  }
  // The next piece of at most length bytes.
  std::string_view take(std::size_t length) {
    const std::string_view piece = text_.substr(0, length);
    text_.remove_prefix(piece.size());
    return piece;
  }
  std::string_view rest() const { return text_; }

 private:
  std::string_view text_;
};

class Quiet : public ReportSink, public CharSink, public BoardChannel {
 public:
  void print_line(std::string_view) override {}
  void put_char(unsigned char) override {}
  void flush() override {}
  bool send_and_wait_ok(std::string_view) override { return true; }
  bool wait_line(std::string_view) override { return true; }
  void set_echo_suppressed(bool) override {}
  void send_line(std::string_view) override {}
};

// An English table for a board as its identity line names it, and a clock that stands still.
struct Board {
  explicit Board(const char* identity_line) : identity(config, *parse_identity_line(identity_line)) {}
  Configuration config{'e'};
  BoardIdentity identity;
  FixedClock clock{make_local_time(2026, 12, 6, 12, 0, 0)};
};

}  // namespace vexa::fuzz
