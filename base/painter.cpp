#include "base/painter.h"

namespace vexa {

void Painter::fill(int x, int y, int w, int h, Colour colour) {
  for (int row = 0; row < h; ++row) line(x, y + row, x + w, y + row, colour);
}

int Painter::text_width(std::string_view text) const {
  int characters = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  return characters * kFallbackCharWidth;
}

int Painter::text_height() const { return kFallbackTextHeight; }

void draw_line(Painter& p, int x1, int y1, int x2, int y2, Colour colour) {
  p.line(x1, y1, x2, y2, colour);
}

void draw_thick_line(Painter& p, int x1, int y1, int x2, int y2, Colour colour, int n) {
  for (int i = 0; i < n; ++i) p.line(x1 + i, y1, x2 + i, y2, colour);
}

void draw_frame(Painter& p, int x, int y, int w, int h, Colour colour, int n) {
  for (int i = 0; i < n; ++i) p.frame(x - i, y - i, w + 2 * i, h + 2 * i, colour);
}

void draw_text(Painter& p, int x, int y, Colour colour, std::string_view text) {
  p.text(x, y, colour, text);
}

void draw_icon_button(Painter& p, int image, bool pressed) {
  const int last = kIconButtonSize - 1;  // 20
  if (!pressed) {
    p.line(0, last - 1, last, last - 1, kGrey);
    p.line(last - 1, 0, last - 1, last, kGrey);
    p.line(0, 0, last, 0, kWhite);
    p.line(0, 0, 0, last, kWhite);
    p.line(0, last, last + 1, last, kBlack);
    p.line(last, 0, last, last + 1, kBlack);
  } else {
    p.line(0, 1, last, 1, kGrey);
    p.line(1, 0, 1, last, kGrey);
    p.line(0, last, last + 1, last, kWhite);
    p.line(last, 0, last, last + 1, kWhite);
    p.line(0, 0, last, 0, kBlack);
    p.line(0, 0, 0, last, kBlack);
  }
  const int at = pressed ? 2 : 1;
  if (image >= 0 && image < kIconCount) p.bitmap_cell(at, at, kIconCell * image, 0, kIconCell, kIconCell);
}

bool lamp_shown(char target_letter, int position) {
  switch (target_letter) {
    case 'E': return position == 0 || position == 1 || position == 4 || position == 5;
    case 'F':
    case 'S': return position >= 0 && position <= 6 && position != 2;
    default: return false;
  }
}

void draw_lamps(Painter& p, char target_letter, const int (&states)[7]) {
  for (int i = 0; i < 7; ++i) {
    if (!lamp_shown(target_letter, i)) continue;
    Colour fill = states[i] == 1 ? kRed : states[i] == 2 ? kGreen : kYellow;
    p.ellipse(2 + 10 * i, 2, 10, 10, kBlack, fill);
  }
}

}  // namespace vexa
