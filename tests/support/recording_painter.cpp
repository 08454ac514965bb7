#include "support/recording_painter.h"

#include "base/text_format.h"

namespace vexa {

void RecordingPainter::line(int x1, int y1, int x2, int y2, Colour colour) {
  calls_.push_back(format_text("line %d,%d %d,%d %06x", x1, y1, x2, y2, colour));
}
void RecordingPainter::frame(int x, int y, int w, int h, Colour colour) {
  calls_.push_back(format_text("frame %d,%d %dx%d %06x", x, y, w, h, colour));
}
void RecordingPainter::ellipse(int x, int y, int w, int h, Colour outline, Colour fill) {
  calls_.push_back(format_text("ellipse %d,%d %dx%d %06x %06x", x, y, w, h, outline, fill));
}
void RecordingPainter::text(int x, int y, Colour colour, std::string_view text) {
  calls_.push_back(format_text("text %d,%d %06x ", x, y, colour) + std::string(text));
}
void RecordingPainter::bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) {
  calls_.push_back(format_text("cell %d,%d from %d,%d %dx%d", x, y, cell_x, cell_y, w, h));
}

}  // namespace vexa
