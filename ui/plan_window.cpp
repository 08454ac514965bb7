#include "ui/plan_window.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>

#include "app/messages.h"
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
      picture_(new PaintedCell(this)),
      print_button_(new QPushButton(QString::fromStdString(messages.message("Mprint")), this)) {
  setObjectName(QStringLiteral("anaplan"));
  picture_->setObjectName(QStringLiteral("control100"));
  print_button_->setObjectName(QStringLiteral("control820"));
  picture_->paint = [this](QPainter& painter) {
    painter.fillRect(picture_->rect(), Qt::white);
    draw(painter, 3, 0);
  };
  connect(print_button_, &QPushButton::clicked, this, [this] { print(); });
}

QWidget* PlanWindow::picture() const { return picture_; }

void PlanWindow::draw(QPainter& painter, int scale, int x0) {
  QtPainter p(painter);
  QtPictureSheets sheets(painter, images_);
  MarkState marks;
  const PlanContext context{configuration_, types_, messages_, identity_.type_letter()};
  draw_plan(p, sheets, marks, context, scale, x0, painter.fontMetrics().height());
}

void PlanWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize size = event->size();
  picture_->setGeometry(5, 5, size.width() - 10, size.height() - 40);
  print_button_->setGeometry(10, size.height() - 25, 80, 20);
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
