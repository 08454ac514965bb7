#include "ui/data_pane_widget.h"

#include <QPainter>

#include "ui/qt_painter.h"

namespace vexa::ui {

namespace {
constexpr int kPaneTimerMs = 100;
}

DataPaneWidget::DataPaneWidget(UploadTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  setObjectName("updata");
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
  connect(&timer_, &QTimer::timeout, this, &DataPaneWidget::tick);
  timer_.start(kPaneTimerMs);
}

void DataPaneWidget::tick() {
  if (painting_) return;
  if (tab_.tick_100ms()) update();
}

void DataPaneWidget::paintEvent(QPaintEvent*) {
  painting_ = true;
  QPainter painter(this);
  painter.setPen(Qt::gray);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  QtPainter p(painter);
  tab_.paint_pane(p, width(), height());
  painting_ = false;
}

}  // namespace vexa::ui
