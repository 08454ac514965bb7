#pragma once
// The picture sheets of the analog section as images (embedded in the program), and the
// drawing of their cells onto a QPainter for the board pictures and the plan.
#include <QImage>
#include <QPainter>
#include <QString>

#include "analog/input_marks.h"

namespace vexa::ui {

struct AnalogPictureImages {
  QImage boards;   // "ABOARDS"
  QImage inputs;   // "AINPUTS"
  QImage bitmaps;  // "BITMAPS"

  // The embedded sheets, or those of a folder holding ABOARDS.png, AINPUTS.png and BITMAPS.png.
  // A sheet that is missing, unreadable or of the wrong size stays null.
  static AnalogPictureImages load(const QString& folder = QStringLiteral(":/analog"));
  bool sheets_available() const { return !boards.isNull() && !inputs.isNull(); }
};

class QtPictureSheets final : public PictureSheets {
 public:
  QtPictureSheets(QPainter& painter, const AnalogPictureImages& images) : painter_(painter), images_(images) {}
  bool available() const override { return images_.sheets_available(); }
  void draw_cell(PictureSheet sheet, Rect source, Rect target) override;

 private:
  QPainter& painter_;
  const AnalogPictureImages& images_;
};

}  // namespace vexa::ui
