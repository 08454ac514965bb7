// The hex view and time stamps on while a board streams 5 MB of data lines through a
// pseudo-terminal: the link's receive thread, the display filter and the terminal, with the
// terminal's view written only on an owner thread that runs like the window's event loop (woken
// by the terminal, ticking every millisecond otherwise). Prints the longest gap between the
// owner's ticks and checks that the view's newest rows are the stream's last bytes.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "base/messages.h"
#include "link/link_session.h"
#include "bench_support.h"
#include "platform/pseudo_terminal.h"
#include "terminal/display_filter.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace {

using clock_type = std::chrono::steady_clock;

// The bytes of the hex rows at the end of the view, oldest first.
std::string bytes_of_last_rows(const std::string& view, int rows) {
  std::vector<std::string> lines;
  std::size_t end = view.size();
  while (static_cast<int>(lines.size()) < rows && end > 0) {
    std::size_t start = view.rfind('\n', end - 2);
    start = start == std::string::npos ? 0 : start + 1;
    lines.insert(lines.begin(), view.substr(start, end - start));
    end = start;
  }
  std::string bytes;
  for (const auto& line : lines) {
    // "[hh:mm:ss.mmm] < 0000ABCD  41 42 ...  text"
    const std::size_t mark = line.find("< ");
    if (mark == std::string::npos) continue;
    std::size_t at = mark + 2 + 8 + 1;
    for (int i = 0; i < 16; ++i) {
      if (i == 8) ++at;
      if (at + 3 > line.size() || line[at] != ' ' || line[at + 1] == ' ') break;
      bytes += static_cast<char>(std::stoi(line.substr(at + 1, 2), nullptr, 16));
      at += 3;
    }
  }
  return bytes;
}

}  // namespace

int main() {
  using namespace vexa;
  const char* size_env = std::getenv("VEXA_BENCH_MB");
  const int megabytes = size_env && std::atoi(size_env) > 0 ? std::atoi(size_env) : 5;
  std::uint64_t lines_per_block = 0;
  const std::string block = bench::measurement_lines(1 << 20, &lines_per_block);
  PseudoTerminal pty;
  const std::string link = "/tmp/vexa-bench-choices-" + std::to_string(::getpid());
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slave_path(), link);

  std::mutex wake_mutex;
  std::condition_variable wake;
  bool woken = false;
  TextBufferView view;
  Terminal terminal(view, nullptr, ViewThreads::owner_only, [&] {
    std::lock_guard lock(wake_mutex);
    woken = true;
    wake.notify_one();
  });
  DisplayFilter filter(terminal);
  filter.set_hex(true);
  filter.set_stamps(true);
  Messages messages;
  LinkSession session(terminal, filter, messages);
  session.start();
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_terminal_choices: cannot open %s\n", link.c_str());
    return 1;
  }
  const std::uint64_t first = session.replies().mark();
  const std::uint64_t expected = lines_per_block * megabytes;

  std::thread writer([&] {
    for (int i = 0; i < megabytes; ++i)
      for (std::size_t at = 0; at < block.size(); at += 16384) pty.write(std::string_view(block).substr(at, 16384));
  });
  const auto start = clock_type::now();
  auto last_tick = start;
  clock_type::duration longest{};
  while (session.replies().mark() - first < expected && clock_type::now() - start < std::chrono::seconds(120)) {
    {
      std::unique_lock lock(wake_mutex);
      wake.wait_for(lock, std::chrono::milliseconds(1), [&] { return woken; });
      woken = false;
    }
    terminal.flush();
    const auto now = clock_type::now();
    longest = std::max(longest, now - last_tick);
    last_tick = now;
  }
  const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
  writer.join();
  // The receive thread's last bursts, then the view.
  for (int i = 0; i < 50 && terminal.queued_chars() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    terminal.flush();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  terminal.flush();
  const std::uint64_t got = session.replies().mark() - first;
  const std::string tail_bytes = bytes_of_last_rows(view.contents(), 4);
  const bool newest_end = !tail_bytes.empty() && block.size() >= tail_bytes.size() &&
                          block.compare(block.size() - tail_bytes.size(), tail_bytes.size(), tail_bytes) == 0;
  const long long longest_ms = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
  const TerminalCounters counters = terminal.counters();
  std::printf("terminal choices: %.1f MB with hex view and time stamps in %.2f s; longest owner-loop stall %lld ms "
              "(target <= 50); %llu of %llu lines to the line consumers; the view ends with the stream's last %zu "
              "bytes: %s; characters the terminal skipped %d\n",
              block.size() * megabytes / 1e6, seconds, longest_ms, static_cast<unsigned long long>(got),
              static_cast<unsigned long long>(expected), tail_bytes.size(), newest_end ? "yes" : "NO",
              counters.dropped_full + counters.dropped_busy);
  session.stop();
  std::filesystem::remove(link);
  return got == expected && newest_end && longest_ms <= 50 ? 0 : 1;
}
