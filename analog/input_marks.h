#pragma once
// The board and input pictures of the analog tab and the plan: the two picture sheets, the red
// and green marks that show which resistor or jumper an input needs, the conflicts between
// inputs that share a part, and the plan of all used inputs with their expressions.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "analog/analog_board.h"
#include "base/form.h"
#include "base/painter.h"

namespace vexa {

class Configuration;
class InputTypeTable;
class Messages;
struct InputType;

inline constexpr Colour kMarkRed = 0x0000FF;
inline constexpr Colour kMarkGreen = 0x00FF00;

// The two one-bit picture sheets: "ABOARDS" (454 x 119, a 150 x 100 board cell per class) and
// "AINPUTS" (1542 x 725, input cell k at (k mod 10) * 151, (k div 10) * 101).
enum class PictureSheet { boards, inputs };
inline constexpr int kPictureCellWidth = 150;
inline constexpr int kPictureCellHeight = 100;
inline constexpr int kBoardSheetWidth = 454, kBoardSheetHeight = 119;
inline constexpr int kInputSheetWidth = 1542, kInputSheetHeight = 725;
inline constexpr int kBitmapSheetWidth = 243, kBitmapSheetHeight = 85;

Rect board_cell(BoardClass board_class);
// Cell k of the input sheet (an empty rectangle for a cell that does not fit on the sheet).
Rect input_cell(int k);

// Where the pictures come from; the desktop draws from the embedded images, tests record.
class PictureSheets {
 public:
  virtual ~PictureSheets() = default;
  // Both sheets could be loaded.
  virtual bool available() const = 0;
  // The source rectangle of a sheet stretched into the target rectangle.
  virtual void draw_cell(PictureSheet sheet, Rect source, Rect target) = 0;
};

// The marks of the 16 inputs the plan and the picture draw, and the jumper hand-over flag.
struct MarkRecord {
  std::string text;  // at most 20 characters
  int part = 0;      // which setting the input's shared part has
  int diff = 0;      // 0 not used, 1 used, 2 used with ",d=1"
};
inline constexpr std::size_t kMarkRecords = 16;
inline constexpr std::size_t kMarkTextChars = 20;

struct MarkState {
  std::array<MarkRecord, kMarkRecords> records;
  bool jumper_closed = false;
};

inline constexpr int kMarkClear = 0;
inline constexpr int kMarkOpenJumper = 1;
inline constexpr int kMarkJumper = 198;
inline constexpr int kMarkEnd = 199;

// 1 at scale 1, 2 at scale 3, else scale / 2.
int mark_pen_width(int scale);

// One mark of input n at scale s, the board picture starting at x0.
void draw_input_mark(Painter& p, MarkState& state, char board_letter, int n, char sub, int code,
                     std::string_view value, int s, int x0);

// The marks of a type's set text ("b = 10k to 5V, y = x to GND"): each comma field is a code
// letter, an optional sub character, "=" and a value; fields without "=" draw nothing.
void draw_set_marks(Painter& p, MarkState& state, char board_letter, int n, std::string_view set, int s,
                    int x0);

// The picture of the analog tab: board and input cell and the marks of input n; nothing without
// a type, for pic 0 or when the sheets are missing. Returns whether it drew.
bool draw_input_picture(Painter& p, PictureSheets& sheets, MarkState& state, const InputType* type,
                        char board_letter, int n);

// "Conflict a0, a1" per group of inputs sharing a part (4 on 'S' boards, 8 otherwise) whose
// settings differ, then "Conflict a2 a3" for a differential input whose neighbour is used.
// Lines go in red to (x, y), y growing by line_height; returns the next y.
int draw_conflicts(Painter& p, const MarkState& state, char board_letter, const Messages& messages, int x,
                   int y, int line_height);

// A text of a mark, at the place the mark gives it.
struct MarkText {
  int x = 0, y = 0;
  Colour colour = 0;
  std::string text;
};

// Where the marks' texts go so that none covers another (boxes of measure.text_width(text) x
// line_height, kept kMarkTextGap apart): each keeps its place when that is free, else takes the
// nearest free line straight above or below it, so that it stays in its mark's column, and
// rather one that leaves the marks' outlines uncovered; between top and bottom while there is
// room there, else below bottom. A text equal in place, colour and wording to one before is the
// same part marked by two inputs and is shown once.
inline constexpr int kMarkTextGap = 2;
std::vector<MarkText> place_mark_texts(const std::vector<MarkText>& texts, const std::vector<Rect>& marks,
                                       const Painter& measure, int line_height, int top, int bottom);

// Whether an "a%d" value counts as a used input on the plan.
bool plan_uses_value(std::string_view value);

struct PlanContext {
  const Configuration& configuration;
  const InputTypeTable& types;
  const Messages& messages;
  char board_letter = 'S';
};

// What draw_plan drew: nothing when the sheets are missing, else the area the plan takes (its
// list of inputs may reach far below the board and beyond its width).
struct PlanExtent {
  bool drawn = false;
  int width = 0;
  int height = 0;
};

// The plan: the board stretched to scale s at x0, the marks of every used input with their texts
// placed clear of each other, the conflicts and one line per used input with its name, type and
// expression, below the board and any mark text. line_height is the font's.
PlanExtent draw_plan(Painter& p, PictureSheets& sheets, MarkState& state, const PlanContext& context, int s,
                     int x0, int line_height);

}  // namespace vexa
