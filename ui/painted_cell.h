#pragma once
// A small owner-drawn area of the analog views: painted by a callback, reporting clicks and
// mouse moves (for the value pop-up) to callbacks.
#include <QWidget>
#include <functional>

class QPainter;

namespace vexa::ui {

class PaintedCell : public QWidget {
  Q_OBJECT
 public:
  explicit PaintedCell(QWidget* parent = nullptr) : QWidget(parent) {}
  std::function<void(QPainter&)> paint;
  std::function<void()> clicked;
  std::function<void(QPoint client, QPoint global)> moved;
  std::function<void()> left;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

}  // namespace vexa::ui
