#include "ui/qt_painter.h"

#include <QString>

namespace vexa::ui {

namespace {

// Colours are 0xBBGGRR.
QColor colour_of(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

void QtPainter::line(int x1, int y1, int x2, int y2, Colour colour) {
  painter_.setPen(colour_of(colour));
  painter_.drawLine(x1, y1, x2, y2);
}

void QtPainter::frame(int x, int y, int w, int h, Colour colour) {
  painter_.setPen(colour_of(colour));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(x, y, w, h);
}

void QtPainter::ellipse(int x, int y, int w, int h, Colour outline, Colour fill) {
  painter_.setPen(colour_of(outline));
  painter_.setBrush(colour_of(fill));
  painter_.drawEllipse(x, y, w, h);
  painter_.setBrush(Qt::NoBrush);
}

void QtPainter::text(int x, int y, Colour colour, std::string_view text) {
  painter_.setPen(colour_of(colour));
  painter_.drawText(x, y + painter_.fontMetrics().ascent(),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int QtPainter::text_width(std::string_view text) const {
  return painter_.fontMetrics().horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int QtPainter::text_height() const { return painter_.fontMetrics().height(); }

void QtPainter::bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) {
  if (!cells_) return;
  painter_.drawImage(QPoint(x, y), *cells_, QRect(cell_x, cell_y, w, h));
}

}  // namespace vexa::ui
