#include "terminal/send_file.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/text_format.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

FileSender::FileSender(ReportSink& reports, CharSink& terminal, const Messages& messages, StatusLine& status)
    : reports_(reports), terminal_(terminal), messages_(messages), status_(status) {}

void FileSender::pause(int pause_ms, const JobControl& control) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(pause_ms);
  while (!control.stop_requested() && clock::now() < end)
    std::this_thread::sleep_for(std::min<clock::duration>(std::chrono::milliseconds(kSendFilePauseStepMs),
                                                          end - clock::now()));
}

bool FileSender::wait_for(BoardPort& port, std::string_view needle, int wait_ms, const JobControl& control) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(wait_ms);
  std::string seen;
  while (!control.stop_requested()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - clock::now()).count();
    if (left <= 0) break;
    const int byte = port.read_byte(static_cast<int>(std::min<long long>(left, 50)));
    if (byte < 0) continue;
    const char c = static_cast<char>(byte);
    terminal_.put_char(static_cast<unsigned char>(byte));
    seen += c;
    if (seen.size() >= needle.size() && seen.compare(seen.size() - needle.size(), needle.size(), needle) == 0) {
      terminal_.flush();
      return true;
    }
    // Only the tail can still complete the needle.
    if (seen.size() > 4 * needle.size() + 64) seen.erase(0, seen.size() - needle.size());
  }
  terminal_.flush();
  return false;
}

bool FileSender::send(const std::string& path, BoardPort& port, const SendFileOptions& options,
                      const JobControl& control) {
  const std::string name = std::filesystem::path(path).filename().string();
  auto finish = [&](JobOutcome outcome) {
    status_.set_progress("");
    control.finish({outcome, "VtWhatSendFile", name});
    return outcome == JobOutcome::done;
  };
  std::string text;
  if (int code = read_whole_file_error(path, text, kSendFileBytes)) {
    reports_.print_line(format_message(messages_.message("VtSendNoRead"), {path + ": " + system_error_text(code)}));
    return finish(JobOutcome::failed);
  }
  const std::vector<std::string> lines = split_lines(text);
  const long total = static_cast<long>(lines.size());
  std::size_t sent = 0;
  control.progress(JobUnit::lines, 0, total);
  for (const auto& line : lines) {
    if (control.stop_requested()) break;
    status_.set_progress(format_message(messages_.message("VtSendLine"), {std::to_string(sent + 1) + "/" + std::to_string(total)}));
    if (!port.write_text(line + options.line_end)) return finish(JobOutcome::failed);
    bool answered = true;
    if (options.wait == SendWait::echo && !line.empty())
      answered = wait_for(port, line, options.wait_ms, control);
    else if (options.wait == SendWait::prompt)
      answered = wait_for(port, options.prompt, options.wait_ms, control);
    if (!answered && !control.stop_requested()) {
      reports_.print_line(format_message(messages_.message("VtSendNoAnswer"), {std::to_string(sent + 1)}));
      return finish(JobOutcome::failed);
    }
    ++sent;
    control.progress(JobUnit::lines, static_cast<long>(sent), total);
    if (options.pause_ms > 0) pause(options.pause_ms, control);
  }
  return finish(sent < lines.size() ? JobOutcome::stopped : JobOutcome::done);
}

}  // namespace vexa
