#pragma once
// The tool row's icon strip: eleven 18 x 18 icons side by side in a 243 x 85 image, in the
// order of their image indexes, drawn by code through the painter.
#include "base/painter.h"

namespace vexa {

enum IconImage : int {
  kIconLoadFromBoard = 0,
  kIconDownloadToBoard = 1,
  kIconSaveToFile = 2,
  kIconLoadFromFile = 3,
  kIconSendTime = 4,
  kIconPhoneBook = 5,
  kIconFactoryTest = 6,
  kIconInputsOnline = 7,
  kIconEnglish = 8,
  kIconFrench = 9,
  kIconGerman = 10,
};

inline constexpr Colour kIconFace = 0xC0C0C0;  // the strip's background

// Draws icon image with its cell's top-left corner at (x, y).
void draw_icon(Painter& p, int image, int x, int y);
// Draws the whole strip (background and the eleven cells) at (0, 0).
void draw_icon_strip(Painter& p);

}  // namespace vexa
