#pragma once
// The one QApplication of the desktop test program, waiting with the event loop running, the
// answer to a file dialog, and the screenshots the desktop tests leave for review:
// <build>/screenshots/<name>.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <string>

#include "support/build_paths.h"

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

}  // namespace vexa::test
