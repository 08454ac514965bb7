#include "download/line_sender.h"

#include "base/text_format.h"

namespace vexa {

bool is_line_sender_command(int id) {
  for (const auto& entry : kLineSenderMenu)
    if (entry.id == id) return true;
  return false;
}

std::string test_line(int number) {
  std::string line = format_text("%6d %s ", number, kLineSenderAlphabet);
  line += kLineSenderAlphabet;
  line.resize(kTestLineBytes - 2);
  line += "\r\n";
  return line;
}

LineSenderResult send_test_lines(const DownloadContext& context, int command, std::int64_t start_mark) {
  LineSenderResult result;
  const long total = command == kSendLineOnce ? 1 : command == kSendLineBurst ? kBurstLines : 0;
  const Clock& clock = context.clock;
  std::time_t last_second = clock.epoch_now();
  std::int64_t mark = start_mark;
  // Waits in short steps until ready() holds or Stop comes; false on Stop.
  auto wait_until = [&](auto ready) {
    while (!ready()) {
      if (context.stopped()) return false;
      clock.sleep_ms(kPaceWaitMs);
    }
    return true;
  };
  while (!context.stopped()) {
    if (!context.port.write_bytes(test_line(result.lines))) {
      context.print(context.text("MerWrite"));
      result.write_failed = true;
      break;
    }
    ++result.lines;
    context.status.set_progress(format_text("%ld", static_cast<long>(result.lines) * 100));
    context.control.progress(JobUnit::lines, result.lines, total);
    bool go_on = true;
    switch (command) {
      case kSendLineOnce:
        go_on = false;
        break;
      case kSendLineBurst:
        go_on = result.lines < kBurstLines;
        break;
      case kSendLineEverySecond:
        go_on = wait_until([&] { return clock.epoch_now() != last_second; });
        last_second = clock.epoch_now();
        break;
      case kSendLineEveryTwoSeconds:
        go_on = wait_until([&] { return clock.epoch_now() >= last_second + 2; });
        last_second = clock.epoch_now();
        break;
      case kSendLineEveryQuarter:
        go_on = wait_until([&] {
          const std::int64_t now = clock.epoch_ms();
          if (now - mark <= kQuarterMs) return false;
          mark = now;
          return true;
        });
        break;
      default:
        go_on = false;
        break;
    }
    if (!go_on) break;
  }
  if (result.lines > 0)
    context.print(format_text("%d %s x 100 = %ld %s", result.lines, context.text("Mlines").c_str(),
                              static_cast<long>(result.lines) * 100,
                              context.text("MchWritten").c_str()));
  JobOutcome outcome = JobOutcome::done;
  if (result.write_failed)
    outcome = JobOutcome::failed;
  else if (context.stopped())
    outcome = JobOutcome::stopped;
  context.control.finish({outcome, "VtWhatLineSender", {}});
  return result;
}

}  // namespace vexa
