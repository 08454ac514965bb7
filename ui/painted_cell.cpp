#include "ui/painted_cell.h"

#include <QMouseEvent>
#include <QPainter>

namespace vexa::ui {

void PaintedCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (paint) paint(painter);
}

void PaintedCell::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked) clicked();
}

void PaintedCell::mouseMoveEvent(QMouseEvent* event) {
  if (moved) moved(event->position().toPoint(), event->globalPosition().toPoint());
}

void PaintedCell::leaveEvent(QEvent*) {
  if (left) left();
}

}  // namespace vexa::ui
