#include "base/job_lines.h"

#include "base/text_format.h"

namespace vexa {

std::string job_amount_text(const JobProgress& progress, const Messages& messages) {
  const char* of_key = nullptr;
  const char* key = nullptr;
  switch (progress.unit) {
    case JobUnit::none: return {};
    case JobUnit::pages: of_key = "VtAmtPagesOf", key = "VtAmtPages"; break;
    case JobUnit::bytes: of_key = "VtAmtBytesOf", key = "VtAmtBytes"; break;
    case JobUnit::lines: of_key = "VtAmtLinesOf", key = "VtAmtLines"; break;
  }
  if (progress.total > 0) return format_message(messages.message(of_key), {progress.done, progress.total});
  return format_message(messages.message(key), {progress.done});
}

std::string job_end_line(const JobEnd& end, const JobProgress& progress, const Messages& messages) {
  std::string what = messages.message(end.what_key);
  if (!end.detail.empty()) what += " " + end.detail;
  const std::string amount = job_amount_text(progress, messages);
  const char* key = "VtEndDone";
  if (end.outcome == JobOutcome::stopped) key = "VtEndStopped";
  if (end.outcome == JobOutcome::failed) key = "VtEndFailed";
  if (amount.empty()) return format_message(messages.message(std::string(key) + "Bare"), {what});
  return format_message(messages.message(key), {what, amount});
}

std::int64_t job_time_left_ms(const JobProgress& progress, long first_done, std::int64_t first_ms,
                              std::int64_t last_ms, std::int64_t now_ms) {
  const long counted = progress.done - first_done;
  const std::int64_t spent = last_ms - first_ms;
  if (progress.total <= 0 || counted <= 0 || spent <= 0 || first_ms < 0) return -1;
  const long left = progress.total > progress.done ? progress.total - progress.done : 0;
  const std::int64_t at_last = static_cast<std::int64_t>(left) * spent / counted;
  const std::int64_t since = now_ms > last_ms ? now_ms - last_ms : 0;
  return at_last > since ? at_last - since : 0;
}

std::vector<std::string> held_stop_text(const std::string& reason_key, const JobProgress& progress,
                                        std::int64_t left_ms, const Messages& messages) {
  std::vector<std::string> lines{messages.message(reason_key)};
  const std::string amount = job_amount_text(progress, messages);
  if (left_ms >= 0) {
    // Whole seconds, rounded up: "about 0 s" would read as "it has ended".
    const long seconds = static_cast<long>((left_ms + 999) / 1000);
    lines.push_back(format_message(messages.message("VtStopLeft"), {seconds < 1 ? 1L : seconds, amount}));
  } else if (!amount.empty()) {
    lines.push_back(format_message(messages.message("VtStopNotYet"), {amount}));
  }
  return lines;
}

}  // namespace vexa
