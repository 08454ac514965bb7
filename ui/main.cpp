// vexaterm: the desktop terminal and configuration program.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "platform/clock.h"
#include "sim/simulated_port.h"
#include "ui/main_window.h"
#include "ui/quick_tip_style.h"

namespace {

volatile std::sig_atomic_t quit_signal = 0;

void on_quit_signal(int signal) { quit_signal = signal; }

}  // namespace

int main(int argc, char** argv) {
  // The options are read before Qt starts, so --help works without a display.
  const vexa::CommandLine line = vexa::parse_command_line(argc, argv);
  if (!line.error.empty()) {
    std::fprintf(stderr, "%s\n", line.error.c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(vexa::command_line_help().c_str(), stdout);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setStyle(new vexa::ui::QuickTipStyle);  // the application owns it
  vexa::sim::SimulatedPort simulator;  // started only for --simulate
  vexa::ui::MainWindow window(line.options, nullptr, vexa::SystemClock::instance(), &simulator);
  window.show();
  // Ctrl-C in the shell or a plain kill closes the window as its close button does, so the
  // settings are written and the port is let go.
  std::signal(SIGINT, on_quit_signal);
  std::signal(SIGTERM, on_quit_signal);
  QTimer signal_watch;
  QObject::connect(&signal_watch, &QTimer::timeout, &window, [&window] {
    if (quit_signal) window.close();
  });
  signal_watch.start(200);
  return QApplication::exec();
}
