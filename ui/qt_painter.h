#pragma once
// The painter interface on a QPainter.
#include <QImage>
#include <QPainter>

#include "base/painter.h"

namespace vexa::ui {

class QtPainter final : public Painter {
 public:
  // cells: the bitmap strip that bitmap_cell copies from (may be null).
  QtPainter(QPainter& painter, const QImage* cells = nullptr) : painter_(painter), cells_(cells) {}
  void line(int x1, int y1, int x2, int y2, Colour colour) override;
  void frame(int x, int y, int w, int h, Colour colour) override;
  void ellipse(int x, int y, int w, int h, Colour outline, Colour fill) override;
  void text(int x, int y, Colour colour, std::string_view text) override;
  void bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) override;
  int text_width(std::string_view text) const override;
  int text_height() const override;

 private:
  QPainter& painter_;
  const QImage* cells_;
};

}  // namespace vexa::ui
