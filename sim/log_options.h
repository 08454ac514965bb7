#pragma once
// vexaboard's options for logged files:
//   --log-file NAME       a log of stamped lines (tab-separated values)
//   --log-numbered NAME   a log of numbered lines ('017: ...')
//   --log-lines N         lines the last named log holds at the start (default 100)
//   --log-grow MS         the last named log grows by a line every MS ms (default 1000; 0: never)
#include <span>
#include <string>
#include <vector>

#include "base/program_options.h"
#include "sim/logged_file.h"

namespace vexa::sim {

// The rows of these options; they fill the list of logged files in command-line order.
std::span<const OptionRow<std::vector<LogFileSpec>>> log_option_rows();

}  // namespace vexa::sim
