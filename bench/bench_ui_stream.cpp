// A board streams 5 MB of data lines through a pseudo-terminal into the running main window
// (offscreen): the window's own link, receive thread, terminal and 100 ms timer, with the Qt
// event loop running, once plain and once with the hex view and time stamps on. Prints the
// longest stall of the event loop (gaps between 1 ms timer ticks), the process CPU seconds per
// MB, and whether the newest end of the stream (a last line sent after a pause) is in the view.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "bench_support.h"
#include "platform/pseudo_terminal.h"
#include "app/terminal_command_ids.h"
#include "ui/main_window.h"
#include "ui/terminal_widget.h"

namespace {
constexpr const char* kEndWord = "END-OF-STREAM";
constexpr const char* kEndLine = "END-OF-STREAM\r\n";
}  // namespace

int main(int argc, char** argv) {
  using namespace vexa;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const char* size_env = std::getenv("VEXA_BENCH_UI_MB");  // a longer run for profiling
  const int megabytes = size_env && std::atoi(size_env) > 0 ? std::atoi(size_env) : 5;
  std::uint64_t lines_per_block = 0;
  const std::string block = bench::measurement_lines(1 << 20, &lines_per_block);
  PseudoTerminal pty;
  const std::string tag = std::to_string(::getpid());
  const std::string link = "/tmp/vexa-bench-ui-" + tag;
  const std::string work = "/tmp/vexa-bench-ui-dir-" + tag;
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slave_path(), link);
  std::filesystem::create_directories(work);

  DesktopOptions desktop;
  SessionOptions& options = desktop.session;
  options.working_directory = work;
  options.use_settings_file = false;
  options.program_directory = work;
  auto window = std::make_unique<ui::MainWindow>(desktop);
  window->resize(900, 700);
  window->show();
  LinkSession& session = window->session().link();
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_ui_stream: cannot open %s\n", link.c_str());
    return 1;
  }
  for (int i = 0; i < 20; ++i) app.processEvents(QEventLoop::AllEvents, 5);

  // One pass: 5 MB as fast as the pty takes it (rate 0), or paced at rate bytes per second.
  int status = 0;
  auto run = [&](double rate, const char* label) {
    qint64 longest_ms = 0;
    QElapsedTimer since_tick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest_ms = std::max(longest_ms, since_tick.restart()); });
    // Every completed line gets a sequence number: the count of lines the window has taken.
    const std::uint64_t first = session.replies().mark();
    const std::uint64_t expected = lines_per_block * megabytes + 1;  // and the end line
    auto received = [&] { return session.replies().mark() - first; };
    const TerminalCounters before = window->session().terminal().counters();
    QElapsedTimer total;
    const double cpu_start = bench::cpu_seconds();
    std::thread writer([&] {
      const std::size_t chunk = 16384;
      const auto start = std::chrono::steady_clock::now();
      std::size_t sent = 0;
      for (int i = 0; i < megabytes; ++i) {
        for (std::size_t at = 0; at < block.size(); at += chunk) {
          const std::string_view piece = std::string_view(block).substr(at, chunk);
          pty.write(piece);
          sent += piece.size();
          if (rate > 0) std::this_thread::sleep_until(start + std::chrono::microseconds(static_cast<long long>(sent / rate * 1e6)));
        }
      }
      // The newest end: a line of its own after a pause (in the hex view, a row of its own).
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      pty.write(kEndLine);
    });
    total.start();
    since_tick.start();
    ticker.start(1);
    // The event loop runs as in the program (sleeping when idle); a check every 5 ms ends it.
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
      if (received() >= expected || total.elapsed() > 120000) loop.quit();
    });
    done.start(5);
    loop.exec();
    const double seconds = total.elapsed() / 1000.0;
    const double cpu = bench::cpu_seconds() - cpu_start;
    ticker.stop();
    writer.join();
    const std::uint64_t got = received();
    // Let the view take what is still queued, then read what the terminal had to drop.
    for (int i = 0; i < 20; ++i) app.processEvents(QEventLoop::AllEvents, 5);
    const TerminalCounters after = window->session().terminal().counters();
    window->session().flush_terminal();
    for (int i = 0; i < 20; ++i) app.processEvents(QEventLoop::AllEvents, 5);
    const QString shown = window->terminal_widget().toPlainText();
    const bool newest_shown = shown.right(400).contains(QString::fromLatin1(kEndWord));
    const double mb = static_cast<double>(block.size()) * megabytes / 1e6;
    std::printf("ui stream (%s): %.1f MB in %.2f s into the main window; longest event loop stall %lld ms "
                "(target <= 50); %.4f CPU s/MB (process); %llu of %llu lines to the line consumers; the terminal "
                "view skipped %d characters it could not take in time; the newest line %s\n",
                label, mb, seconds, static_cast<long long>(longest_ms), cpu / mb,
                static_cast<unsigned long long>(got), static_cast<unsigned long long>(expected),
                after.dropped_full - before.dropped_full + after.dropped_busy - before.dropped_busy,
                newest_shown ? "is in the view" : "IS MISSING from the view");
    if (got != expected || longest_ms > 50 || !newest_shown) status = 1;
  };
  run(0, "burst, as fast as the pty takes it");
  run(1e6, "paced at 1 MB/s, a fast USB board");
  window->session().dispatch(cmd::kTermHexView);
  window->session().dispatch(cmd::kTermStamps);
  for (int i = 0; i < 20; ++i) app.processEvents(QEventLoop::AllEvents, 5);
  run(0, "burst, hex view and time stamps on");
  run(1e6, "paced at 1 MB/s, hex view and time stamps on");
  window->close();
  window.reset();
  std::filesystem::remove(link);
  std::filesystem::remove_all(work);
  return status;
}
