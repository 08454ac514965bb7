// Marks on the board picture, conflicts between inputs sharing a part, and the plan, checked
// through the recording painter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analog/input_marks.h"
#include "analog/input_type_file.h"
#include "analog/input_type_list.h"
#include "base/messages.h"
#include "config/configuration.h"
#include "support/build_paths.h"
#include "support/recording_painter.h"

namespace vexa {
namespace {

bool has(const RecordingPainter& p, const std::string& call) {
  return std::find(p.calls().begin(), p.calls().end(), call) != p.calls().end();
}

std::vector<std::string> texts(const RecordingPainter& p) {
  std::vector<std::string> out;
  for (const std::string& c : p.calls())
    if (c.rfind("text ", 0) == 0) out.push_back(c);
  return out;
}

class RecordingSheets final : public PictureSheets {
 public:
  bool present = true;
  std::vector<std::string> cells;
  bool available() const override { return present; }
  void draw_cell(PictureSheet sheet, Rect s, Rect t) override {
    cells.push_back(std::string(sheet == PictureSheet::boards ? "boards " : "inputs ") + std::to_string(s.x) + "," +
                    std::to_string(s.y) + " -> " + std::to_string(t.x) + "," + std::to_string(t.y) + " " +
                    std::to_string(t.width) + "x" + std::to_string(t.height));
  }
};

TEST(InputMarks, NetworkJumpersPenWidthFiltersAndFieldsWithoutAnEqualsSign) {
  RecordingPainter p;
  MarkState state;
  draw_set_marks(p, state, 'F', 3, "b = 10k to 5V, y = x to GND", 1, 0);
  // Network: x = 29; the jumper on its right side because of "5V".
  EXPECT_TRUE(has(p, "text 33,35 0000ff L9-1 10k"));
  EXPECT_TRUE(has(p, "line 65,49 65,52 0000ff"));
  EXPECT_TRUE(has(p, "text 37,42 0000ff x to GND"));
  EXPECT_EQ(state.records[3].part, 1);
  EXPECT_TRUE(state.jumper_closed);
  // The board jumper of an F board then shows closed in red, and the flag is used up.
  for (const char* shown : {"text 41,69 0000ff close", "text 41,69 00ff00 open"}) {
    p.reset();
    draw_input_mark(p, state, 'F', 3, 0, kMarkJumper, {}, 1, 0);
    EXPECT_TRUE(has(p, shown)) << shown;
  }
  EXPECT_FALSE(state.jumper_closed);
  p.reset();
  draw_input_mark(p, state, 'S', 3, 0, kMarkJumper, {}, 1, 0);  // S boards have none
  draw_input_mark(p, state, 'F', 12, 0, kMarkJumper, {}, 1, 0);
  EXPECT_TRUE(p.calls().empty());
  // The pen grows with the scale.
  EXPECT_EQ(mark_pen_width(2), 1);
  draw_input_mark(p, state, 'F', 0, 0, 'c', "1k", 10, 150);
  // x = 140 + 150 - 1; five outlines growing outward, the outermost four pixels out.
  EXPECT_TRUE(has(p, "text 289,499 0000ff 1k"));
  EXPECT_TRUE(has(p, "frame 289,459 70x30 0000ff"));
  EXPECT_TRUE(has(p, "frame 285,455 78x38 0000ff"));
  EXPECT_EQ(p.calls().size(), 6u);
  // Sub characters shift the column; fields without "=" and blank fields draw nothing.
  p.reset();
  draw_set_marks(p, state, 'F', 9, "cd=1k, c2 = 2k, x, ,  ", 1, 0);
  EXPECT_TRUE(has(p, "frame 91,45 7x3 0000ff"));  // 14 + 72 - 1 + 2 + 4
  EXPECT_TRUE(has(p, "frame 95,45 7x3 0000ff"));  // + 8 for '2'
  EXPECT_EQ(p.calls().size(), 4u);
  // A digital input jumper: the green line sits on the side of the input's parity.
  p.reset();
  draw_input_mark(p, state, 'F', 1, 0, 'x', "D", 1, 0);
  draw_input_mark(p, state, 'F', 2, 0, 'x', "D", 1, 0);
  EXPECT_TRUE(has(p, "line 27,65 27,68 00ff00"));  // x 21 + 7 + 1 - 2
  EXPECT_TRUE(has(p, "line 31,65 31,68 00ff00"));  // x 29 + 2
  // Filters exist for the first eight inputs only, "-" draws no g mark, and an open reference
  // jumper draws nothing and leaves the record alone.
  p.reset();
  state = {};
  draw_input_mark(p, state, 'F', 8, 0, 'f', "100n", 1, 0);
  draw_input_mark(p, state, 'F', 1, 0, 'g', "-", 1, 0);
  draw_input_mark(p, state, 'F', 5, 0, 'y', "open", 1, 0);
  EXPECT_TRUE(p.calls().empty());
  EXPECT_TRUE(state.records[5].text.empty());
  draw_input_mark(p, state, 'F', 1, 0, 'f', "100n", 1, 0);
  EXPECT_TRUE(has(p, "text 94,21 0000ff 100n"));
}

TEST(InputMarks, ConflictsPerGroupAndForDifferentialNeighbours) {
  Messages messages;
  RecordingPainter p;
  MarkState state;
  state.records[0] = {"10k", 0, 1};
  state.records[1] = {"1k", 0, 1};
  state.records[4] = {"1k", 0, 1};
  EXPECT_EQ(draw_conflicts(p, state, 'F', messages, 10, 300, 20), 320);
  EXPECT_EQ(texts(p), (std::vector<std::string>{"text 10,300 0000ff Conflict a0, a1, a4"}));
  // On an S board the groups are four wide: a4 stands alone.
  p.reset();
  EXPECT_EQ(draw_conflicts(p, state, 'S', messages, 10, 300, 20), 320);
  EXPECT_EQ(texts(p), (std::vector<std::string>{"text 10,300 0000ff Conflict a0, a1"}));
  // Same texts but different parts conflict too; equal settings do not.
  state = {};
  state.records[8] = state.records[9] = {"10k", 1, 1};
  EXPECT_EQ(draw_conflicts(p, state, 'F', messages, 0, 0, 20), 0);
  state.records[9].part = 0;
  EXPECT_EQ(draw_conflicts(p, state, 'F', messages, 0, 0, 20), 20);
  p.reset();
  state = {};
  state.records[2].diff = 2;
  state.records[3].diff = 1;
  state.records[14].diff = 2;  // a15 unused
  EXPECT_EQ(draw_conflicts(p, state, 'S', messages, 10, 0, 15), 15);
  EXPECT_EQ(texts(p), (std::vector<std::string>{"text 10,0 0000ff Conflict a2 a3"}));
}

class PlanTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(load_input_types(types, test::shipped_input_types(), 'e')); }
  void set_input(const std::string& key, const std::string& value, const std::string& type, const std::string& name = "") {
    ASSERT_TRUE(configuration.set_parameter(key, value));
    configuration.store_type(*configuration.find_index(key), type);
    configuration.store_name(*configuration.find_index(key), name);
  }
  Configuration configuration;
  InputTypeTable types;
  Messages messages;
  RecordingPainter p;
  RecordingSheets sheets;
  MarkState state;
};

TEST_F(PlanTest, PictureOfTheTabNeedsATypeWithAPictureAndTheSheets) {
  ASSERT_EQ(types.entry(0)->pic, 0);
  EXPECT_FALSE(draw_input_picture(p, sheets, state, types.entry(0), 'F', 0));  // pic 0: nothing at all
  EXPECT_TRUE(sheets.cells.empty());
  const auto pt100 = std::find_if(types.entries().begin(), types.entries().end(),
                                  [](const InputType& t) { return t.title == "Pt100 resistance thermometer"; });
  ASSERT_NE(pt100, types.entries().end());
  EXPECT_TRUE(draw_input_picture(p, sheets, state, &*pt100, 'S', 2));
  EXPECT_EQ(sheets.cells, (std::vector<std::string>{"boards 302,0 -> 0,0 150x100", "inputs 604,0 -> 150,0 150x100"}));
  EXPECT_EQ(input_cell(17).x, 7 * 151);
  EXPECT_EQ(input_cell(17).y, 101);
  EXPECT_EQ(input_cell(70).width, 0);  // beyond the sheet
}

TEST_F(PlanTest, PlanListsConflictsAndTheExpressionsOfUsedInputs) {
  set_input("a0", "a*0.15258789+0,3", "Voltage 0-10 V", "Tank");
  set_input("a1", "c*0.3814697+0,3", "Current loop 4-20 mA");
  set_input("a2", "-", "Not used");
  set_input("a3", "", "");
  const PlanContext context{configuration, types, messages, 'F'};
  ASSERT_TRUE(draw_plan(p, sheets, state, context, 3, 0, 16).drawn);
  EXPECT_EQ(sheets.cells, (std::vector<std::string>{"boards 151,0 -> 0,0 450x300"}));
  // Network 10k against 100R on the same network: one conflict line at y 300, then each input
  // 20 pixels lower (16 * 5 / 4), the first one already below the conflicts; unused inputs stay out.
  const std::vector<std::string> lines = texts(p);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"text 10,300 0000ff Conflict a0, a1",
                                      "text 10,340 000000 a0 [Tank] Voltage 0-10 V a0=a*0.15258789+0,3",
                                      "text 10,360 000000 a1 Current loop 4-20 mA a1=c*0.3814697+0,3"}));
  EXPECT_EQ(state.records[0].diff, 1);
  // Marks drawn at scale 3: pen width 2, so two nested outlines for every rectangle.
  EXPECT_TRUE(has(p, "frame 40,136 23x11 0000ff"));
  // Without the sheets nothing is drawn.
  sheets.present = false;
  p.reset();
  EXPECT_FALSE(draw_plan(p, sheets, state, context, 3, 0, 16).drawn);
  EXPECT_TRUE(p.calls().empty());
  // On an S board, a differential input beside a used one conflicts.
  set_input("a2", "k*1,2,d=1", "Thermocouple type K, differential");
  set_input("a3", "a*1,0", "");
  sheets.present = true;
  ASSERT_TRUE(draw_plan(p, sheets, state, {configuration, types, messages, 'S'}, 3, 0, 16).drawn);
  EXPECT_EQ(state.records[2].diff, 2);
  EXPECT_TRUE(has(p, "text 10,320 0000ff Conflict a2 a3"));  // below the conflict of a0 and a1
}

// Every board type with all its inputs in use, once per type position in the inputs' lists:
// the texts of the marks never cover each other and stay on the board picture; the conflict and
// expression lines follow below without touching them, inside the extent the plan reports.
TEST_F(PlanTest, MarkTextsNeverCoverEachOtherOnAnyBoardWithEveryInputUsed) {
  constexpr int kLine = 13;
  struct Box {
    int x, y, w;
    std::string text;
  };
  for (char letter : {'E', 'F', 'S', '2'}) {
    int rounds = 0, drawn = 0;
    for (std::size_t k = 0;; ++k) {
      Configuration used;
      bool any = false;
      for (int n = 0; n < 16; ++n) {
        const InputTypeList list = fill_type_list(types, letter, n);
        if (list.size() <= k) continue;
        any = true;
        const std::string key = "a" + std::to_string(n);
        ASSERT_TRUE(used.set_parameter(key, "a*1,0"));
        used.store_type(*used.find_index(key), list.titles[k]);
      }
      if (!any) break;
      ++rounds;
      RecordingPainter plan;
      MarkState marks;
      const PlanExtent extent = draw_plan(plan, sheets, marks, {used, types, messages, letter}, 3, 0, kLine);
      ASSERT_TRUE(extent.drawn);
      std::vector<Box> boxes;
      for (const std::string& call : texts(plan)) {
        int x = 0, y = 0, at = 0;
        ASSERT_EQ(std::sscanf(call.c_str(), "text %d,%d %*x %n", &x, &y, &at), 2) << call;
        const std::string text = call.substr(static_cast<std::size_t>(at));
        boxes.push_back({x, y, plan.text_width(text), text});
        const bool list_line = x == 10 && y >= 300;
        if (!list_line) {
          EXPECT_LE(y + kLine, 300) << letter << " round " << k << ": " << text << " off the board";
        }
        EXPECT_LE(y + kLine, extent.height) << text;
        EXPECT_LE(x + plan.text_width(text), extent.width) << text;
      }
      for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
          const Box& a = boxes[i];
          const Box& b = boxes[j];
          const bool apart = a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + kLine <= b.y || b.y + kLine <= a.y;
          EXPECT_TRUE(apart) << letter << " round " << k << ": '" << a.text << "' at " << a.x << "," << a.y
                             << " and '" << b.text << "' at " << b.x << "," << b.y;
        }
      drawn += static_cast<int>(boxes.size());
    }
    EXPECT_GT(rounds, 3) << letter;
    EXPECT_GT(drawn, 100) << letter;  // not an empty plan that trivially passes
  }
}

}  // namespace
}  // namespace vexa
