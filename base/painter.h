#pragma once
// The drawing the windows need, independent of the window system: lines, rectangles,
// ellipses, text and cells of the icon strip. Colours are 0xBBGGRR.
#include <cstdint>
#include <string_view>

namespace vexa {

using Colour = std::uint32_t;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kGrey = 0x808080;
inline constexpr Colour kYellow = 0x00FFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kGreen = 0x00FF00;

class Painter {
 public:
  virtual ~Painter() = default;
  // A solid line of width 1 from (x1, y1) to (x2, y2).
  virtual void line(int x1, int y1, int x2, int y2, Colour colour) = 0;
  // Outline of the rectangle with corners (x, y) and (x + w, y + h).
  virtual void frame(int x, int y, int w, int h, Colour colour) = 0;
  // An ellipse inside (x, y, w, h), outlined and filled.
  virtual void ellipse(int x, int y, int w, int h, Colour outline, Colour fill) = 0;
  virtual void text(int x, int y, Colour colour, std::string_view text) = 0;
  // The cell (cell_x, cell_y, w, h) of the icon strip, drawn at (x, y).
  virtual void bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) = 0;
  // The w x h area at (x, y) filled with colour; by default one horizontal line per row.
  virtual void fill(int x, int y, int w, int h, Colour colour);
  // The box a text takes in the painter's font. The fallback gives each character (UTF-8 code
  // point) kFallbackCharWidth x kFallbackTextHeight, so the recording painter tells tests where
  // every text it records ends.
  virtual int text_width(std::string_view text) const;
  virtual int text_height() const;
};

inline constexpr int kFallbackCharWidth = 7;
inline constexpr int kFallbackTextHeight = 13;

void draw_line(Painter& p, int x1, int y1, int x2, int y2, Colour colour);
// n lines, the i-th shifted i pixels to the right.
void draw_thick_line(Painter& p, int x1, int y1, int x2, int y2, Colour colour, int n);
// n outlines, each next one a pixel larger on every side.
void draw_frame(Painter& p, int x, int y, int w, int h, Colour colour, int n);
void draw_text(Painter& p, int x, int y, Colour colour, std::string_view text);

inline constexpr int kIconCell = 18;
inline constexpr int kIconButtonSize = 21;
inline constexpr int kIconStripWidth = 243;
inline constexpr int kIconStripHeight = 85;
inline constexpr int kIconCount = 11;

// The face of a 21 x 21 icon button: raised, or sunk while pressed, with its strip cell.
void draw_icon_button(Painter& p, int image, bool pressed);

// Factory-test lamps: which of the seven positions a target letter shows, and their drawing
// (states 0 yellow, 1 red, 2 green; anything else drawn yellow).
bool lamp_shown(char target_letter, int position);
void draw_lamps(Painter& p, char target_letter, const int (&states)[7]);

}  // namespace vexa
