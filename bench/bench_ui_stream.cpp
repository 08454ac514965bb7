// A board streams 5 MB of data lines through a pseudo-terminal into the link and the desktop
// terminal widget while the Qt event loop runs (offscreen). Prints the longest stall of the
// event loop (gaps between 1 ms timer ticks) and the process CPU seconds per MB.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "bench_support.h"
#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "terminal/terminal.h"
#include "ui/terminal_widget.h"

namespace {

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class CountingConsumer final : public vexa::LineConsumer {
 public:
  void on_line(std::string_view) override { count.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<std::uint64_t> count{0};
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vexa;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int megabytes = 5;
  std::string block;
  std::uint64_t lines_per_block = 0;
  for (int i = 0; block.size() < (1 << 20); ++i, ++lines_per_block) {
    char line[96];
    std::snprintf(line, sizeof line, "12:%02d:%02d,%d,%d,%d.%03d\r\n", i / 60 % 60, i % 60, i % 4096, i % 777, i % 100,
                  i % 1000);
    block += line;
  }
  PseudoTerminal pty;
  const std::string link = "/tmp/vexa-bench-ui-" + std::to_string(::getpid());
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slave_path(), link);

  ui::TerminalWidget widget;
  widget.resize(800, 500);
  widget.show();
  std::atomic<bool> flush_posted{false};
  Terminal terminal(widget, nullptr, ViewThreads::owner_only, [&] {
    if (!flush_posted.exchange(true))
      QMetaObject::invokeMethod(&widget, [&] {
        flush_posted = false;
        terminal.flush();
      }, Qt::QueuedConnection);
  });
  Messages messages;
  bench::SilentReport report;
  LinkSession session(report, terminal, messages);
  CountingConsumer lines;
  session.consumers().attach(ConsumerSlot::configuration, &lines);
  session.start();
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_ui_stream: cannot open %s\n", link.c_str());
    return 1;
  }

  qint64 longest_ms = 0;
  QElapsedTimer since_tick;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { longest_ms = std::max(longest_ms, since_tick.restart()); });
  const std::uint64_t expected = lines_per_block * megabytes;
  QElapsedTimer total;
  const double cpu_start = cpu_seconds();
  std::thread writer([&] {
    for (int i = 0; i < megabytes; ++i) pty.write(block);
  });
  total.start();
  since_tick.start();
  ticker.start(1);
  while (lines.count.load() < expected && total.elapsed() < 120000) app.processEvents(QEventLoop::AllEvents, 5);
  const double seconds = total.elapsed() / 1000.0;
  const double cpu = cpu_seconds() - cpu_start;
  writer.join();
  session.stop();
  session.close();
  std::filesystem::remove(link);
  const double mb = static_cast<double>(block.size()) * megabytes / 1e6;
  std::printf("ui stream: %.1f MB in %.2f s into the terminal widget; longest event loop stall %lld ms (target <= 50); "
              "%.4f CPU s/MB (process); %llu of %llu lines\n",
              mb, seconds, static_cast<long long>(longest_ms), cpu / mb,
              static_cast<unsigned long long>(lines.count.load()), static_cast<unsigned long long>(expected));
  return lines.count.load() == expected ? 0 : 1;
}
