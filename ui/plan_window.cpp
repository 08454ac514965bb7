#include "ui/plan_window.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>

#include "base/messages.h"
#include "config/board_identity.h"
#include "ui/painted_cell.h"
#include "ui/qt_painter.h"

namespace vexa::ui {

PlanWindow::PlanWindow(const Configuration& configuration, const BoardIdentity& identity, const InputTypeTable& types,
                       const Messages& messages, const AnalogPictureImages& images, QWidget* parent)
    : QWidget(parent),
      configuration_(configuration),
      identity_(identity),
      types_(types),
      messages_(messages),
      images_(images),
      area_(new QScrollArea(this)),
      picture_(new PaintedCell),
      print_button_(new QPushButton(QString::fromStdString(messages.message("Mprint")), this)) {
  setObjectName(QStringLiteral("anaplan"));
  picture_->setObjectName(QStringLiteral("control100"));
  print_button_->setObjectName(QStringLiteral("control820"));
  area_->setWidget(picture_);
  area_->setWidgetResizable(false);
  area_->setFrameShape(QFrame::NoFrame);
  picture_->paint = [this](QPainter& painter) {
    painter.fillRect(picture_->rect(), Qt::white);
    const PlanExtent extent = draw(painter, 3, 0);
    const QSize size(extent.width, extent.height);
    if (size != plan_size_) {
      plan_size_ = size;
      QTimer::singleShot(0, this, [this] { fit_picture(); });  // not while it paints
    }
  };
  connect(print_button_, &QPushButton::clicked, this, [this] { print(); });
}

QWidget* PlanWindow::picture() const { return picture_; }

PlanExtent PlanWindow::draw(QPainter& painter, int scale, int x0) {
  QtPainter p(painter);
  QtPictureSheets sheets(painter, images_);
  MarkState marks;
  const PlanContext context{configuration_, types_, messages_, identity_.type_letter()};
  return draw_plan(p, sheets, marks, context, scale, x0, painter.fontMetrics().height());
}

void PlanWindow::fit_picture() {
  const QSize view = area_->maximumViewportSize();
  const bool tall = plan_size_.height() > view.height(), wide = plan_size_.width() > view.width();
  // A scroll bar takes its room from the other direction.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QSize room(view.width() - (tall ? bar : 0), view.height() - (wide ? bar : 0));
  picture_->resize(std::max(room.width(), plan_size_.width()), std::max(room.height(), plan_size_.height()));
}

void PlanWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize size = event->size();
  area_->setGeometry(5, 5, size.width() - 10, size.height() - 40);
  print_button_->setGeometry(10, size.height() - 25, 80, 20);
  fit_picture();
}

bool PlanWindow::print_on(QPagedPaintDevice& device, int dpi) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  QFont font = painter.font();
  font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() : 9);
  painter.setFont(font);
  draw(painter, std::max(1, dpi / 30), dpi / 2);
  return painter.end();
}

void PlanWindow::print() {
  const QString directory = QDir::currentPath();
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  QDir::setCurrent(directory);  // some dialogs change the working directory
  if (accepted) print_on(printer, printer.resolution());
}

bool PlanWindow::print_to_pdf(const QString& path) {
  QPdfWriter writer(path);
  writer.setResolution(300);
  writer.setPageSize(QPageSize(QPageSize::A4));
  return print_on(writer, writer.resolution());
}

}  // namespace vexa::ui
