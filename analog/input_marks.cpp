#include "analog/input_marks.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "analog/input_type_list.h"
#include "analog/input_types.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "config/configuration.h"

namespace vexa {

namespace {

// A GDI rectangle of outer size w x h at (x, y), drawn with pen width pen growing outward.
void mark_rect(Painter& p, int x, int y, int w, int h, Colour colour, int pen) {
  draw_frame(p, x, y, w - 1, h - 1, colour, pen);
}

// A vertical line from y1 to y2 (exclusive), pen pixels wide to the right of x.
void mark_vline(Painter& p, int x, int y1, int y2, Colour colour, int pen) {
  draw_thick_line(p, x, y1, x, y2 - 1, colour, pen);
}

std::string_view first_word(std::string_view value, std::string_view* rest = nullptr) {
  const std::size_t blank = value.find(' ');
  if (rest) *rest = blank == std::string_view::npos ? std::string_view{} : value.substr(blank + 1);
  return blank == std::string_view::npos ? value : value.substr(0, blank);
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The x of the series resistor, input jumper and reference jumper of input n.
int part_column(int n, char sub, int s, int x0) {
  int x = 14 * s + x0 + 8 * n * s - 1;
  if (n >= 8) x += 2 * s;
  if (sub == 'd') x += 4 * s;
  if (sub == '2') x += 8 * s;
  return x;
}

// Passes the drawing on but keeps the texts back, so that they can be placed clear of each
// other once all marks are known.
class TextCollector final : public Painter {
 public:
  explicit TextCollector(Painter& target) : target_(target) {}
  void line(int x1, int y1, int x2, int y2, Colour colour) override { target_.line(x1, y1, x2, y2, colour); }
  void frame(int x, int y, int w, int h, Colour colour) override {
    frames.push_back({x, y, w, h});
    target_.frame(x, y, w, h, colour);
  }
  void ellipse(int x, int y, int w, int h, Colour outline, Colour fill) override {
    target_.ellipse(x, y, w, h, outline, fill);
  }
  void text(int x, int y, Colour colour, std::string_view text) override {
    texts.push_back({x, y, colour, std::string(text)});
  }
  void bitmap_cell(int x, int y, int cell_x, int cell_y, int w, int h) override {
    target_.bitmap_cell(x, y, cell_x, cell_y, w, h);
  }
  void fill(int x, int y, int w, int h, Colour colour) override { target_.fill(x, y, w, h, colour); }
  int text_width(std::string_view text) const override { return target_.text_width(text); }
  int text_height() const override { return target_.text_height(); }

  std::vector<MarkText> texts;
  std::vector<Rect> frames;

 private:
  Painter& target_;
};

// The placed texts drawn; returns the lowest bottom edge (at least bottom).
int draw_placed(Painter& p, const TextCollector& marks, int line_height, int top, int bottom, int* right = nullptr) {
  int lowest = bottom;
  const Painter& measure = p;
  for (const MarkText& t : place_mark_texts(marks.texts, marks.frames, measure, line_height, top, bottom)) {
    p.text(t.x, t.y, t.colour, t.text);
    lowest = std::max(lowest, t.y + line_height);
    if (right) *right = std::max(*right, t.x + measure.text_width(t.text));
  }
  return lowest;
}

}  // namespace

std::vector<MarkText> place_mark_texts(const std::vector<MarkText>& texts, const std::vector<Rect>& marks,
                                       const Painter& measure, int line_height, int top, int bottom) {
  struct Box {
    int left, right, top, bottom;
    bool meets(const Box& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
  };
  std::vector<Box> drawn;
  for (const Rect& r : marks) drawn.push_back({r.x, r.x + r.width + 1, r.y, r.y + r.height + 1});
  std::vector<MarkText> placed, kept;  // kept: the placed texts as the marks gave them
  std::vector<Box> taken;
  const int h = std::max(1, line_height);
  auto box_at = [&](const MarkText& t, int y) {
    return Box{t.x, t.x + measure.text_width(t.text) + kMarkTextGap, y, y + h};
  };
  auto meets_any = [](const Box& b, const std::vector<Box>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const Box& o) { return b.meets(o); });
  };
  for (const MarkText& t : texts) {
    const bool repeated = std::any_of(kept.begin(), kept.end(), [&](const MarkText& o) {
      return o.x == t.x && o.y == t.y && o.colour == t.colour && o.text == t.text;
    });
    if (repeated) continue;
    // The free line nearest to the mark's own, below before above; covering a mark's outline
    // costs as much as two lines and a half of distance.
    std::optional<int> chosen;
    int best = 0;
    for (int k = -(bottom - top) / h - 1; k <= (bottom - top) / h + 1; ++k) {
      const int y = t.y + k * h;
      if (y < top || y + h > bottom) continue;
      const Box b = box_at(t, y);
      if (meets_any(b, taken)) continue;
      const int cost = 2 * std::abs(k) + (k < 0 ? 1 : 0) + (meets_any(b, drawn) ? 5 : 0);
      if (!chosen || cost < best) {
        chosen = y;
        best = cost;
      }
    }
    // No room left inside: the first free line under the picture.
    for (int y = std::max(bottom, t.y); !chosen; y += h)
      if (!meets_any(box_at(t, y), taken)) chosen = y;
    taken.push_back(box_at(t, *chosen));
    kept.push_back(t);
    placed.push_back(t);
    placed.back().y = *chosen;
  }
  return placed;
}

Rect board_cell(BoardClass board_class) {
  const int x = board_class == BoardClass::e ? 0 : board_class == BoardClass::f ? 151 : 302;
  return {x, 0, kPictureCellWidth, kPictureCellHeight};
}

Rect input_cell(int k) {
  if (k < 0) return {};
  const Rect r{(k % 10) * 151, (k / 10) * 101, kPictureCellWidth, kPictureCellHeight};
  if (r.y + r.height > kInputSheetHeight) return {};
  return r;
}

int mark_pen_width(int scale) {
  if (scale == 1) return 1;
  if (scale == 3) return 2;
  return scale / 2;
}

void draw_input_mark(Painter& p, MarkState& state, char board_letter, int n, char sub, int code,
                     std::string_view value, int s, int x0) {
  const int w = mark_pen_width(s);
  const bool recorded = n >= 0 && n < static_cast<int>(kMarkRecords);
  MarkRecord* record = recorded ? &state.records[static_cast<std::size_t>(n)] : nullptr;
  const int bank = 8 * n * s;
  switch (code) {
    case kMarkClear:
      state.records = {};
      return;
    case kMarkOpenJumper:
      state.jumper_closed = false;
      return;
    case 'b': {
      const int x = (n < 8 ? 29 * s : 76 * s) + s - 1 + x0;
      std::string_view rest;
      const std::string_view cut = first_word(value, &rest);
      const int part = contains(rest, "5V") ? 1 : 0;
      if (record) {
        record->text = limited(cut, kMarkTextChars);
        record->part = part;
      }
      p.text(x + 4 * s, s == 1 ? 35 : 50 * s - 1 - 5 * s, kMarkRed, format_text("L9-1 %.*s", static_cast<int>(cut.size()), cut.data()));
      if (part == 1) {
        mark_rect(p, x + 4 * s, 50 * s - 1, 35 * s + 1, 3 * s + 1, kMarkRed, w);
        mark_vline(p, x + 4 * s + s / 2 - w / 2 + 31 * s + 1, 50 * s - 1, 53 * s, kMarkRed, w);
      } else {
        mark_rect(p, x, 50 * s - 1, 35 * s + 1, 3 * s + 1, kMarkRed, w);
        mark_vline(p, x + s / 2 - w / 2 + 3 * s + 1, 50 * s - 1, 53 * s, kMarkRed, w);
      }
      state.jumper_closed = true;
      return;
    }
    case 'c': {
      const int x = part_column(n, sub, s, x0);
      p.text(x, s == 1 ? 51 * s - 1 : 50 * s - 1, kMarkRed, value);
      mark_rect(p, x, 46 * s - 1, 7 * s + 1, 3 * s + 1, kMarkRed, w);
      return;
    }
    case 'f':
    case 'g': {
      if (n >= 8 || n < 0) return;
      if (code == 'g' && value == "-") return;
      const int x = 24 * s + x0 + bank - 1;
      const int rect_y = code == 'f' ? 26 * s - 1 : 12 * s - 1;
      mark_rect(p, x, rect_y, 7 * s + 1, 3 * s + 1, kMarkRed, w);
      if (s == 1) p.text(94 + x0, code == 'f' ? 21 : 7, kMarkRed, value);
      else p.text(x, code == 'f' ? 21 * s - 1 : 7 * s - 1, kMarkRed, value);
      return;
    }
    case 'x': {
      const int x = part_column(n, sub, s, x0);
      p.text(x, s == 1 ? 71 * s - 1 : 70 * s - 1, kMarkRed, value);
      if (value == "D") {
        const int lx = (n % 2 != 0) ? x + 7 * s + 1 - 2 * w : x + 2 * w;
        mark_vline(p, lx, 66 * s - 1, 69 * s, kMarkGreen, w);
      }
      mark_rect(p, x, 66 * s - 1, 7 * s + 1, 3 * s + 1, kMarkRed, w);
      return;
    }
    case 'y': {
      const int x = part_column(n, sub, s, x0);
      std::string_view rest;
      const std::string_view word = first_word(value, &rest);
      const int j = contains(rest, "to 5v") ? 2 : contains(rest, "to GND") ? 1 : 0;
      if (word == "-" || word == "open") return;
      if (sub != 'd' && record) {
        record->part = j;
        record->text.assign(1, '1');  // not = "1": GCC 12 warns falsely of an overlapping copy
      }
      p.text(x, s == 1 ? 43 * s - 1 : 60 * s - 1, kMarkRed, value);
      mark_rect(p, x, 56 * s - 1, 7 * s + 1, 3 * s + 1, kMarkRed, w);
      if (j != 0) {
        const int group = n - n % 4;
        mark_rect(p, 71 * s + x0 + s * group - 1, j == 2 ? 28 * s - 1 : 32 * s - 1, 3 * s + 1, 7 * s + 1,
                  kMarkRed, w);
      }
      return;
    }
    case kMarkJumper: {
      if (n >= 12 || n < 0 || board_letter == 'S') return;
      int x = 18 * s + x0 + bank - 1;
      if (n >= 7) x += 3 * s;
      const Colour colour = state.jumper_closed ? kMarkRed : kMarkGreen;
      p.text(x, 70 * s - 1, colour, state.jumper_closed ? "close" : "open");
      mark_rect(p, x, 66 * s - 1, 7 * s + 1, 3 * s + 1, colour, w);
      state.jumper_closed = false;
      return;
    }
    default:
      return;
  }
}

void draw_set_marks(Painter& p, MarkState& state, char board_letter, int n, std::string_view set, int s,
                    int x0) {
  std::size_t start = 0;
  while (start <= set.size()) {
    std::size_t comma = set.find(',', start);
    if (comma == std::string_view::npos) comma = set.size();
    std::string_view field = set.substr(start, comma - start);
    start = comma + 1;
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    if (i >= field.size()) continue;
    const char code = field[i++];
    char sub = 0;
    if (i < field.size() && std::isalnum(static_cast<unsigned char>(field[i]))) sub = field[i++];
    while (i < field.size() && field[i] == ' ') ++i;
    if (i >= field.size() || field[i] != '=') continue;
    ++i;
    while (i < field.size() && field[i] == ' ') ++i;
    draw_input_mark(p, state, board_letter, n, sub, static_cast<unsigned char>(code), field.substr(i), s, x0);
  }
}

bool draw_input_picture(Painter& p, PictureSheets& sheets, MarkState& state, const InputType* type,
                        char board_letter, int n) {
  if (!type || type->pic == 0 || !sheets.available()) return false;
  const Rect cell = input_cell(type->pic);
  sheets.draw_cell(PictureSheet::boards, board_cell(board_class(board_letter)),
                   {0, 0, kPictureCellWidth, kPictureCellHeight});
  if (cell.width > 0)
    sheets.draw_cell(PictureSheet::inputs, cell, {kPictureCellWidth, 0, kPictureCellWidth, kPictureCellHeight});
  draw_input_mark(p, state, board_letter, n, 0, kMarkClear, {}, 1, 0);
  draw_input_mark(p, state, board_letter, n, 0, kMarkOpenJumper, {}, 1, 0);
  draw_set_marks(p, state, board_letter, n, type->set, 1, 0);
  draw_input_mark(p, state, board_letter, n, 0, kMarkJumper, {}, 1, 0);
  draw_input_mark(p, state, board_letter, n, 0, kMarkEnd, {}, 1, 0);
  return true;
}

int draw_conflicts(Painter& p, const MarkState& state, char board_letter, const Messages& messages, int x,
                   int y, int line_height) {
  const std::size_t group = board_letter == 'S' ? 4 : 8;
  const std::string conflict = messages.message("Mconflict");
  for (std::size_t first = 0; first < kMarkRecords; first += group) {
    std::string line;
    const MarkRecord* leader = nullptr;
    bool differs = false;
    for (std::size_t i = first; i < first + group && i < kMarkRecords; ++i) {
      const MarkRecord& r = state.records[i];
      if (r.text.empty()) continue;
      if (!leader) {
        leader = &r;
        line = format_text("%s a%d", conflict.c_str(), static_cast<int>(i));
        continue;
      }
      line += format_text(", a%d", static_cast<int>(i));
      if (r.text != leader->text || r.part != leader->part) differs = true;
    }
    if (differs) {
      p.text(x, y, kMarkRed, line);
      y += line_height;
    }
  }
  for (std::size_t i = 0; i + 1 < kMarkRecords; ++i) {
    if (state.records[i].diff == 2 && state.records[i + 1].diff != 0) {
      p.text(x, y, kMarkRed, format_text("%s a%d a%d", conflict.c_str(), static_cast<int>(i), static_cast<int>(i + 1)));
      y += line_height;
    }
  }
  return y;
}

bool plan_uses_value(std::string_view value) {
  return !value.empty() && value.front() != '-' && value.front() != 'z';
}

PlanExtent draw_plan(Painter& p, PictureSheets& sheets, MarkState& state, const PlanContext& context, int s,
                     int x0, int line_height) {
  if (!sheets.available()) return {};
  const char letter = context.board_letter;
  sheets.draw_cell(PictureSheet::boards, board_cell(board_class(letter)),
                   {x0, 0, kPictureCellWidth * s, kPictureCellHeight * s});
  int h = line_height;
  TextCollector marks(p);
  draw_input_mark(marks, state, letter, 0, 0, kMarkClear, {}, s, x0);
  const int inputs = board_class(letter) == BoardClass::e ? 8 : 16;
  struct Used {
    int n;
    ParameterRecord record;
  };
  std::vector<Used> used;
  for (int n = 0; n < inputs; ++n) {
    auto record = context.configuration.find_parameter(format_text("a%d", n));
    if (!record || !plan_uses_value(record->value)) continue;
    used.push_back({n, *record});
    const InputTypeList list = fill_type_list(context.types, letter, n);
    const InputTypeSelection chosen = select_type_for_value(context.types, list, record->value, record->type);
    const InputType* type = context.types.entry(chosen.entry);
    if (!type) continue;
    state.records[static_cast<std::size_t>(n)].diff = contains(record->value, ",d=1") ? 2 : 1;
    draw_input_mark(marks, state, letter, n, 0, kMarkOpenJumper, {}, s, x0);
    draw_set_marks(marks, state, letter, n, type->set, s, x0);
    draw_input_mark(marks, state, letter, n, 0, kMarkJumper, {}, s, x0);
  }
  draw_input_mark(marks, state, letter, 0, 0, kMarkEnd, {}, s, x0);
  PlanExtent extent{true, x0 + kPictureCellWidth * s, kPictureCellHeight * s};
  // The lines below start under the lowest mark text, should one have found no room on the board.
  const int below = draw_placed(p, marks, line_height, 0, kPictureCellHeight * s, &extent.width);
  h = h * 5 / 4;
  int y = draw_conflicts(p, state, letter, context.messages, 10, below, h);
  for (const Used& u : used) {
    const std::string key = format_text("a%d", u.n);
    std::string line = key;
    if (!u.record.name.empty() && u.record.name != key) line += " [" + u.record.name + "]";
    line += " " + u.record.type;
    line += " " + key + "=" + u.record.value;
    y += h;
    p.text(10, y, kBlack, line);
    extent.width = std::max(extent.width, 10 + p.text_width(line));
  }
  extent.height = std::max(y + h, below);
  return extent;
}

}  // namespace vexa
