#pragma once
// The "Plan" view: the plan picture of all used inputs (id 100), scrolled when its list of inputs
// is longer or wider than the view, and its "Print" button (820), printing through the system's
// print dialog or into a PDF file.
#include <QWidget>

#include "analog/input_marks.h"
#include "ui/analog_pictures.h"

class QPagedPaintDevice;
class QPushButton;
class QScrollArea;

namespace vexa {
class BoardIdentity;
class Configuration;
class InputTypeTable;
class Messages;
}  // namespace vexa

namespace vexa::ui {

class PaintedCell;

class PlanWindow : public QWidget {
  Q_OBJECT
 public:
  PlanWindow(const Configuration& configuration, const BoardIdentity& identity, const InputTypeTable& types,
             const Messages& messages, const AnalogPictureImages& images, QWidget* parent = nullptr);

  // The print dialog, then the plan on one page.
  void print();
  // The plan as a one-page PDF file; false when the file cannot be written.
  bool print_to_pdf(const QString& path);
  QWidget* picture() const;
  QScrollArea* picture_area() const { return area_; }
  QPushButton* print_button() const { return print_button_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Draws the plan on a printer or PDF device: scale and offset from its vertical resolution.
  bool print_on(QPagedPaintDevice& device, int dpi);
  PlanExtent draw(QPainter& painter, int scale, int x0);
  // The picture as large as the plan it shows, at least as large as the view.
  void fit_picture();

  const Configuration& configuration_;
  const BoardIdentity& identity_;
  const InputTypeTable& types_;
  const Messages& messages_;
  const AnalogPictureImages& images_;
  QScrollArea* area_;
  PaintedCell* picture_;
  QPushButton* print_button_;
  QSize plan_size_;  // of the last drawing on the screen
};

}  // namespace vexa::ui
