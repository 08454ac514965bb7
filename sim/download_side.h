#pragma once
// What the simulated board does for the program's downloads: its loader ("dl"), its memory
// card ("fd ..."), and counting the link test's numbered lines (taken silently).
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/program_options.h"
#include "sim/board_loader.h"
#include "sim/memory_card.h"

namespace vexa::sim {

struct DownloadSideOptions {
  LoaderOptions loader;
  CardOptions card;
  bool loader_named = false;  // --loader was given: then an S board has that page loader too
};

// An S board's "dl" leads to its chip's SAM-BA boot monitor, not to a page loader: it has none
// unless one is asked for.
DownloadSideOptions default_download_options(char board_type);

class DownloadSide {
 public:
  void configure(const DownloadSideOptions& options);

  BoardLoader& loader() { return loader_; }
  const BoardLoader& loader() const { return loader_; }
  const MemoryCard& card() const { return card_; }

  // The reply lines of a command line this side takes: "dl", "fd ...", a test line. raw
  // receives replies that are no CR LF lines.
  std::optional<std::vector<std::string>> execute(std::string_view line, std::string& raw);

  long test_lines() const { return test_lines_; }
  // Power off and on (power_cycle.cpp).
  void power_cycle();
  // A vanish fault fired: the server hangs up and takes the link away.
  bool vanished() const { return loader_.vanished() || card_.vanished(); }

 private:
  BoardLoader loader_;
  MemoryCard card_;
  long test_lines_ = 0;
};

// Whether a line is one of the link test's lines (a number, the alphabet, its first letters).
bool is_test_line(std::string_view line);

// vexaboard's options for the loader and the memory card.
std::span<const OptionRow<DownloadSideOptions>> download_option_rows();

}  // namespace vexa::sim
