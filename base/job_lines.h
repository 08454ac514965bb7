#pragma once
// The words of a board job's end and of a Stop that the job holds off, in the user's language.
#include <cstdint>
#include <string>
#include <vector>

#include "base/board_jobs.h"
#include "base/messages.h"

namespace vexa {

// "12 of 248 pages written", "3400 bytes sent" (no total known); empty for unit none.
std::string job_amount_text(const JobProgress& progress, const Messages& messages);

// "<what> <detail>: done, <amount>." (or stopped, failed; without the amount when the job
// counted nothing).
std::string job_end_line(const JobEnd& end, const JobProgress& progress, const Messages& messages);

// The time left of a job that has done progress.done of progress.total at a steady rate:
// counted from (first_done at first_ms) to (progress.done at last_ms), less the time since
// last_ms; -1 when no rate is known yet.
std::int64_t job_time_left_ms(const JobProgress& progress, long first_done, std::int64_t first_ms,
                              std::int64_t last_ms, std::int64_t now_ms);

// Stop's lines for a job that holds it off: the reason, then about how long it still runs
// (left_ms -1: it has not begun its count yet).
std::vector<std::string> held_stop_text(const std::string& reason_key, const JobProgress& progress,
                                        std::int64_t left_ms, const Messages& messages);

}  // namespace vexa
