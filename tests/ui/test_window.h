#pragma once
// The desktop tests' QApplication, event-loop waits, file-dialog answers, screenshots
// (<build>/screenshots/<name>.png), and a main window in a temporary folder, its board simulated on request.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QTabBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "base/command_ids.h"
#include "config/config_grid.h"
#include "sim/simulated_port.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"
#include "ui/form_binder.h"
#include "ui/main_window.h"
#include "ui/terminal_widget.h"

namespace vexa::test {

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down among the other static destructors at exit can crash.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Runs the event loop until cond holds or timeout_ms pass; returns cond().
template <typename Cond>
bool pump_until(Cond cond, int timeout_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeout_ms) {
    if (cond()) return true;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return cond();
}

// Runs the event loop for ms milliseconds.
inline void pump_for(int ms) {
  pump_until([] { return false; }, ms);
}

inline void save_screenshot(QWidget& widget, const std::string& name) {
  const QString folder = QString::fromStdString(test::binary_dir()) + "/screenshots";
  QDir().mkpath(folder);
  const QImage image = widget.grab().toImage();
  ASSERT_FALSE(image.isNull()) << name;
  ASSERT_TRUE(image.save(folder + "/" + QString::fromStdString(name) + ".png")) << folder.toStdString();
}

// Answers the next modal file dialog: notes its filters and offered file, then picks a file
// or cancels. A dialog that never shows is closed, so a failing test cannot hang.
struct DialogAnswer {
  QStringList filters;
  QString offered;
  void next(const QString& pick) {
    QTimer::singleShot(0, [this, pick] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      filters = dialog->nameFilters();
      offered = dialog->selectedFiles().value(0);
      if (pick.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(pick);
        QMetaObject::invokeMethod(dialog, "accept");
      }
    });
    QTimer::singleShot(5000, [] {
      if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
    });
  }
};

struct WindowOptions {
  char simulate = 0;
  std::string settings;
  bool settings_file = false;
  std::string directory;  // the working directory; empty: a new temporary one
  bool input_types = false;  // the program's ainputs.txt in the working directory
};

class Window {
 public:
  explicit Window(const WindowOptions& o = {}) {
    app();
    DesktopOptions desktop;
    SessionOptions& options = desktop.session;
    options.working_directory = o.directory.empty() ? dir.path() : o.directory;
    if (o.input_types)
      std::filesystem::copy_file(shipped_input_types(), options.working_directory + "/ainputs.txt",
                                 std::filesystem::copy_options::overwrite_existing);
    options.program_directory = options.working_directory;  // the phone book of this test alone
    options.use_settings_file = o.settings_file;
    desktop.simulate = o.simulate;
    options.settings_text = o.settings;
    options.argv0 = "vexaterm";
    window = std::make_unique<ui::MainWindow>(desktop, nullptr, SystemClock::instance(), &simulator);
    window->resize(900, 700);
    window->show();
    pump_for(20);
    if (o.simulate) {
      EXPECT_TRUE(pump_until([&] { return link_open(); })) << terminal_text();
    }
  }

  ui::MainWindow* operator->() { return window.get(); }
  Form& form() { return window->window_form().form(); }
  QWidget* widget(int id) { return window->binder().widget(id); }
  void click(int id) {
    auto* b = qobject_cast<QAbstractButton*>(widget(id));
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void click_tab(int position) {
    QTabBar& bar = window->tab_area().bar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(position).center());
    ASSERT_EQ(bar.currentIndex(), position);
  }
  bool link_open() { return window->session().link().port().link_is_open(); }
  bool job_running() { return window->session().jobs().worker_running(); }
  std::string terminal_text() {
    window->session().terminal().flush();
    return window->terminal_widget().toPlainText().toStdString();
  }
  bool shows(const std::string& part, int timeout_ms = 5000) {
    return pump_until([&] { return terminal_text().find(part) != std::string::npos; }, timeout_ms);
  }
  const ConfigRow* row(const std::string& key) {
    for (const ConfigRow& r : window->session().grid().rows())
      if (r.field(ConfigColumn::key) == key) return &r;
    return nullptr;
  }
  std::optional<std::string> board_value(const std::string& key) {
    std::optional<std::string> value;
    simulator.server()->with_board([&](sim::SimulatedBoard& b) { value = b.configuration().value(key); });
    return value;
  }
  // Presses "Load from board" and waits for the board's whole report.
  void load_from_board() {
    click(cmd::kConfGet);
    ASSERT_TRUE(pump_until([&] { return row("uc") != nullptr; }, 10000)) << terminal_text();
    // Then until no line has come for 150 ms: the report is complete and the tab rebuilt.
    std::uint64_t last = window->session().link().replies().mark();
    for (int quiet = 0; quiet < 3;) {
      pump_for(50);
      const std::uint64_t now = window->session().link().replies().mark();
      quiet = now == last ? quiet + 1 : 0;
      last = now;
    }
  }

  TempDir dir;
  sim::SimulatedPort simulator;  // before the window, which stops it
  std::unique_ptr<ui::MainWindow> window;
};

}  // namespace vexa::test
