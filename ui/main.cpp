// vexaterm: the desktop terminal and configuration program.
#include <QApplication>
#include <cstdio>

#include "ui/app_session.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  // The options are read before Qt starts, so --help works without a display.
  const vexa::ui::CommandLine line = vexa::ui::parse_command_line(argc, argv);
  if (!line.error.empty()) {
    std::fprintf(stderr, "%s\n", line.error.c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(vexa::ui::command_line_help().c_str(), stdout);
    return 0;
  }
  QApplication app(argc, argv);
  vexa::ui::MainWindow window(line.options);
  window.show();
  return QApplication::exec();
}
