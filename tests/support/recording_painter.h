#pragma once
// A painter that records each call as one text line, for checking drawing without a display.
#include <string>
#include <vector>

#include "base/painter.h"

namespace vexa {

class RecordingPainter : public Painter {
 public:
  void line(int x1, int y1, int x2, int y2, Colour colour) override;
  void frame(int x, int y, int w, int h, Colour colour) override;
  void ellipse(int x, int y, int w, int h, Colour outline, Colour fill) override;
  void text(int x, int y, Colour colour, std::string_view text) override;
  void bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) override;

  // "line 0,19 20,19 808080", "frame ...", "ellipse 2,2 10x10 000000 00ffff", "text 3,4 ff abc",
  // "cell 1,1 from 36,0 18x18".
  const std::vector<std::string>& calls() const { return calls_; }
  void reset() { calls_.clear(); }

 private:
  std::vector<std::string> calls_;
};

}  // namespace vexa
