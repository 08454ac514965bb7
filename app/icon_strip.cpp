#include "app/icon_strip.h"

namespace vexa {

namespace {

constexpr Colour kBlue = 0x800000;
constexpr Colour kDarkGreen = 0x008000;
constexpr Colour kDarkRed = 0x000080;
constexpr Colour kNavy = 0x400000;

// A small board: a green card with pins, used by the configuration icons.
void board(Painter& p, int x, int y) {
  p.fill(x + 1, y + 10, 16, 7, kDarkGreen);
  p.frame(x + 1, y + 10, 15, 6, kBlack);
  for (int i = 0; i < 4; ++i) p.fill(x + 3 + 4 * i, y + 12, 2, 2, kYellow);
}

// A sheet of paper with a folded corner.
void sheet(Painter& p, int x, int y) {
  p.fill(x + 3, y + 9, 10, 8, kWhite);
  p.frame(x + 3, y + 9, 10, 8, kBlack);
  p.line(x + 5, y + 12, x + 11, y + 12, kGrey);
  p.line(x + 5, y + 14, x + 11, y + 14, kGrey);
}

// An arrow pointing up (dir < 0) or down (dir > 0) with its tip at (cx, tip_y).
void arrow(Painter& p, int cx, int tip_y, int dir, Colour colour) {
  for (int i = 0; i < 4; ++i) p.line(cx - i, tip_y - dir * i, cx + i + 1, tip_y - dir * i, colour);
  p.fill(cx - 1, dir > 0 ? tip_y - 8 : tip_y + 4, 3, 5, colour);
}

// Three vertical or horizontal stripes: a flag.
void flag(Painter& p, int x, int y, Colour a, Colour b, Colour c, bool horizontal) {
  for (int i = 0; i < 3; ++i) {
    const Colour colour = i == 0 ? a : i == 1 ? b : c;
    if (horizontal)
      p.fill(x + 1, y + 3 + 4 * i, 16, 4, colour);
    else
      p.fill(x + 1 + 5 * i + (i > 0 ? 1 : 0) * 0, y + 3, i == 2 ? 6 : 5, 12, colour);
  }
  p.frame(x + 1, y + 3, 15, 11, kBlack);
}

}  // namespace

void draw_icon(Painter& p, int image, int x, int y) {
  switch (image) {
    case kIconLoadFromBoard:  // board, arrow up out of it
      board(p, x, y);
      arrow(p, x + 9, y + 1, -1, kBlue);
      break;
    case kIconDownloadToBoard:  // arrow down into the board
      board(p, x, y);
      arrow(p, x + 9, y + 9, 1, kDarkRed);
      break;
    case kIconSaveToFile:  // arrow down onto a sheet
      sheet(p, x, y);
      arrow(p, x + 8, y + 8, 1, kBlue);
      break;
    case kIconLoadFromFile:  // arrow up from a sheet
      sheet(p, x, y);
      arrow(p, x + 8, y + 1, -1, kDarkGreen);
      break;
    case kIconSendTime:  // a clock face at ten past ten
      p.ellipse(x + 1, y + 1, 16, 16, kBlack, kWhite);
      p.line(x + 9, y + 9, x + 9, y + 3, kBlack);
      p.line(x + 9, y + 9, x + 13, y + 9, kBlack);
      p.fill(x + 8, y + 8, 2, 2, kDarkRed);
      break;
    case kIconPhoneBook:  // a book with a handset on its cover
      p.fill(x + 3, y + 1, 12, 16, kBlue);
      p.frame(x + 3, y + 1, 11, 15, kBlack);
      p.line(x + 5, y + 1, x + 5, y + 17, kWhite);
      p.fill(x + 7, y + 6, 6, 2, kWhite);
      p.fill(x + 7, y + 8, 2, 3, kWhite);
      p.fill(x + 11, y + 8, 2, 3, kWhite);
      break;
    case kIconFactoryTest:  // a tick in a box
      p.fill(x + 2, y + 2, 14, 14, kWhite);
      p.frame(x + 2, y + 2, 13, 13, kBlack);
      for (int i = 0; i < 2; ++i) {
        p.line(x + 4, y + 9 + i, x + 7, y + 12 + i, kDarkGreen);
        p.line(x + 7, y + 12 + i, x + 14, y + 5 + i, kDarkGreen);
      }
      break;
    case kIconInputsOnline:  // three bars of different height
      p.fill(x + 2, y + 9, 4, 8, kRed);
      p.fill(x + 7, y + 4, 4, 13, kGreen);
      p.fill(x + 12, y + 7, 4, 10, kBlue);
      p.line(x + 1, y + 17, x + 17, y + 17, kBlack);
      break;
    case kIconEnglish:  // a red cross on white, on blue
      p.fill(x + 1, y + 3, 16, 12, kNavy);
      p.fill(x + 1, y + 8, 16, 2, kWhite);
      p.fill(x + 8, y + 3, 2, 12, kWhite);
      p.line(x + 1, y + 8, x + 17, y + 8, kRed);
      p.line(x + 8, y + 3, x + 8, y + 15, kRed);
      p.frame(x + 1, y + 3, 15, 11, kBlack);
      break;
    case kIconFrench:
      flag(p, x, y, kNavy, kWhite, kRed, false);
      break;
    case kIconGerman:
      flag(p, x, y, kBlack, kRed, 0x00CCFF, true);
      break;
    default:
      break;
  }
}

void draw_icon_strip(Painter& p) {
  p.fill(0, 0, kIconStripWidth, kIconStripHeight, kIconFace);
  for (int i = 0; i < kIconCount; ++i) draw_icon(p, i, kIconCell * i, 0);
}

}  // namespace vexa
