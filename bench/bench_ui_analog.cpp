// Sixteen inputs stream ten live lines a second each into the Data tab in the seconds history
// view, while a 5 MB burst of data lines goes through the same link into the terminal of the
// main window (offscreen). Prints the longest stall of the event loop (gaps between 1 ms timer
// ticks) and the process CPU seconds per second of the run.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <cmath>
#include <mutex>
#include <thread>

#include "analog/analog_tab.h"
#include "analog/live_data.h"
#include "bench_support.h"
#include "platform/pseudo_terminal.h"
#include "ui/analog_section_widget.h"
#include "ui/data_view_widget.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  using namespace vexa;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  PseudoTerminal pty;
  const std::string tag = std::to_string(::getpid());
  const std::string link = "/tmp/vexa-bench-analog-" + tag;
  const std::string work = "/tmp/vexa-bench-analog-dir-" + tag;
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slave_path(), link);
  std::filesystem::create_directories(work);

  DesktopOptions desktop;
  desktop.session.working_directory = work;
  desktop.session.use_settings_file = false;
  desktop.session.program_directory = work;
  auto window = std::make_unique<ui::MainWindow>(desktop);
  window->resize(900, 700);
  window->show();
  // The window's own analog section, on the data view in history mode: the inputs tab in front.
  Session& s = window->session();
  LinkSession& session = s.link();
  s.board().accept_identity("VexaLog F v1404");
  window->tab_area().bar().setCurrentIndex(window->window_form().position_of_logical(2));
  ui::AnalogSectionWidget& section = window->analog_section();
  section.show_data_view();
  section.data_view()->set_view(HistoryView::seconds);
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_ui_analog: cannot open %s\n", link.c_str());
    return 1;
  }
  for (int i = 0; i < 20; ++i) app.processEvents(QEventLoop::AllEvents, 5);

  const std::string block = bench::measurement_lines(5 << 20);
  const int seconds = 6;
  std::atomic<bool> stop{false};
  std::mutex write_mutex;  // whole lines: the stream and the burst never cut into each other
  std::thread stream([&] {
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 0; tick < seconds * 10 && !stop; ++tick) {
      std::string lines;
      for (int n = 0; n < 16; ++n) {
        const int value = 30000 + static_cast<int>(20000 * std::sin((tick + 7 * n) / 15.0));
        char line[80];
        std::snprintf(line, sizeof line, " a%d: %d %.2fmV =%.3f\r\n", n, value, value * 2500.0 / 65536, value / 1000.0);
        lines += line;
      }
      {
        std::lock_guard lock(write_mutex);
        pty.write(lines);
      }
      std::this_thread::sleep_until(start + std::chrono::milliseconds(100 * (tick + 1)));
    }
  });
  std::atomic<long long> burst_ms{-1};
  std::thread burst([&] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto begin = std::chrono::steady_clock::now();
    const std::size_t chunk = 16384;
    for (std::size_t at = 0; at < block.size() && !stop; at += chunk) {
      std::size_t end = std::min(block.size(), at + chunk);
      std::lock_guard lock(write_mutex);
      pty.write(std::string_view(block).substr(at, end - at));
    }
    burst_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin).count();
  });

  qint64 longest_ms = 0;
  qint64 longest_at = 0;
  QElapsedTimer total;
  QElapsedTimer since_tick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 gap = since_tick.restart();
    if (gap > longest_ms) {
      longest_ms = gap;
      longest_at = total.elapsed();
    }
  });
  const double cpu_start = bench::cpu_seconds();
  total.start();
  since_tick.start();
  ticker.start(1);
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000 + 500, &loop, &QEventLoop::quit);
  loop.exec();
  ticker.stop();
  const double elapsed = total.elapsed() / 1000.0;
  const double cpu = bench::cpu_seconds() - cpu_start;
  stop = true;
  stream.join();
  burst.join();
  // How many of the 16 inputs have seconds samples in their history.
  int filled = 0;
  for (int n = 0; n < 16; ++n) {
    const LiveRecord r = s.live_data().record(n);
    int samples = 0;
    for (float x : r.seconds) samples += x != 0;
    filled += samples >= seconds - 2;
  }
  std::printf("ui analog: 16 inputs x 10 lines/s into the seconds history plus a %.1f MB burst through the "
              "terminal (written in %lld ms), %.1f s; longest event loop stall %lld ms at %.1f s (target <= 50); %.3f CPU s per s (process); "
              "%d of 16 inputs have a history\n",
              block.size() / 1e6, burst_ms.load(), elapsed, static_cast<long long>(longest_ms), longest_at / 1000.0, cpu / elapsed, filled);
  session.close();
  window->close();
  window.reset();
  std::filesystem::remove(link);
  std::filesystem::remove_all(work);
  return longest_ms > 50 || filled < 16 ? 1 : 0;
}
