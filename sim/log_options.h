#pragma once
// vexaboard's options for logged files:
//   --log-file NAME       a log of stamped lines (tab-separated values)
//   --log-numbered NAME   a log of numbered lines ('017: ...')
//   --log-lines N         lines the last named log holds at the start (default 100)
//   --log-grow MS         the last named log grows by a line every MS ms (default 1000; 0: never)
#include <string>
#include <vector>

#include "sim/logged_file.h"

namespace vexa::sim {

bool is_log_option(const std::string& name);
// Applies one of the options; the reason when the value is wrong.
std::string apply_log_option(const std::string& name, const std::string& value,
                             std::vector<LogFileSpec>& logs);
extern const char* const kLogOptionsUsage;

}  // namespace vexa::sim
