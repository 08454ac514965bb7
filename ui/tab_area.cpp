#include "ui/tab_area.h"

#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionTabWidgetFrame>

namespace vexa::ui {

TabArea::TabArea(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  bar_->setFocusPolicy(Qt::TabFocus);
}

void TabArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
}

void TabArea::paintEvent(QPaintEvent*) {
  // The frame of the area below the tabs, as a tab widget draws it.
  QPainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  const int top = bar_->height() - 1;
  frame.rect = QRect(0, top, width(), height() - top);
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (on_resize) on_resize();
}

}  // namespace vexa::ui
