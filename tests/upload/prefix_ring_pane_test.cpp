// Line prefixes, the display ring and the data pane's two views.
#include <gtest/gtest.h>

#include "app/recording_painter.h"
#include "upload/data_pane_view.h"
#include "upload/display_ring.h"
#include "upload/line_prefix.h"

namespace vexa {
namespace {

TEST(LinePrefix, StampsInFourFormsAndNumbers) {
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00 1,5"), 20u);
  EXPECT_EQ(time_stamp_length("2024:03:01\t12:00:00\t1"), 20u);  // a tab counts as a blank
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00:123 x"), 24u);
  EXPECT_EQ(time_stamp_length("01/03/2024 12:00:00 x"), 20u);
  EXPECT_EQ(time_stamp_length("01/03/2024 12:00:00:999 "), 24u);
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00"), 0u);   // the blank after it belongs to it
  EXPECT_EQ(time_stamp_length("2024-03-01 12:00:00 "), 0u);
  EXPECT_EQ(time_stamp_length("2024:03:01 12:0a:00 "), 0u);
  EXPECT_EQ(number_prefix_length("017: 5.2"), 5u);
  EXPECT_EQ(number_prefix_length("017:5.2"), 0u);
  EXPECT_EQ(number_prefix_length("17: 5"), 0u);
  EXPECT_EQ(number_prefix_length("2024:03:01 12:00:00 "), 0u);  // a stamp first
  EXPECT_EQ(data_prefix_length("017:\tx"), 5u);
  EXPECT_EQ(data_prefix_length(""), 0u);
}

TEST(DisplayRing, ValuesOfAStampedLine) {
  DisplayRing ring;
  ring.add_line("2024:03:01 12:00:00 1,5\t2,25");
  const auto entries = ring.newest_first();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].value_count, 2);
  EXPECT_FLOAT_EQ(entries[0].values[0], 1.5f);
  EXPECT_FLOAT_EQ(entries[0].values[1], 2.25f);
  EXPECT_EQ(entries[0].text, "2024:03:01 12:00:00 1,5 2,25");
  EXPECT_EQ(ring.take_redraw(), 1);
  EXPECT_EQ(ring.take_redraw(), 0);

  EXPECT_EQ(line_values("017: -3\tx\t+4e1\t 7"), (std::vector<float>{-3, 0, 40, 7}));
  EXPECT_TRUE(line_values("no prefix 1\t2").empty());
  EXPECT_EQ(line_values("017: nan\tinf\t1e300\t-1e39\t3e38"), (std::vector<float>{0, 0, 0, 0, 3e38f}));
  EXPECT_EQ(line_values("017: 1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12").size(), kRingValues);
}

TEST(DisplayRing, KeepsTheLastThousandAndClears) {
  DisplayRing ring;
  for (int i = 0; i < 1234; ++i) ring.add_line(std::to_string(i) + std::string(300, '\t'));
  auto entries = ring.newest_first();
  ASSERT_EQ(entries.size(), kRingEntries);
  EXPECT_EQ(entries.front().text.substr(0, 5), "1233 ");
  EXPECT_EQ(entries.back().text.substr(0, 4), "234 ");
  EXPECT_EQ(entries.front().text.size(), kRingTextChars);
  ring.clear();
  EXPECT_TRUE(ring.newest_first().empty());
  ring.add_line("a");
  EXPECT_EQ(ring.newest_first().size(), 1u);
}

TEST(DataPane, TextViewFromTheBottomUp) {
  DisplayRing ring;
  for (int i = 0; i < 30; ++i) ring.add_line("line " + std::to_string(i));
  RecordingPainter p;
  paint_text_view(p, ring.newest_first(), 400, 100);
  // y = 81, 65, 49, 33, 17, 1: six rows fit above 0.
  ASSERT_EQ(p.calls().size(), 6u);
  EXPECT_EQ(p.calls()[0], "text 2,81 000000 line 29");
  EXPECT_EQ(p.calls()[5], "text 2,1 000000 line 24");
  ring.add_line("21\xb0" "C");  // a degree sign from the board
  p.reset();
  paint_text_view(p, ring.newest_first(), 400, 30);
  EXPECT_EQ(p.calls(), (std::vector<std::string>{"text 2,11 000000 21\xc2\xb0" "C"}));
}

TEST(DataPane, GraphicViewScalesEachColumn) {
  DisplayRing ring;
  ring.add_line("017: 0\t5");
  ring.add_line("018: 10\t5");
  RecordingPainter p;
  paint_graphic_view(p, ring.newest_first(), 100, 52);
  // Few values: step 2. Newest at x = 98: column 0 at the top (10 is the maximum), column 1
  // flat (no range) at (H - step) * 1 / 10 = 5 from the bottom; both rows of the pen.
  const auto& calls = p.calls();
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[0], "line 98,0 100,0 0000ff");
  EXPECT_EQ(calls[1], "line 98,1 100,1 0000ff");
  EXPECT_EQ(calls[2], "line 98,45 100,45 00ff00");
  EXPECT_EQ(calls[4], "line 96,50 98,50 0000ff");  // 0 is the minimum: the bottom
  // Many values: step 1.
  for (int i = 0; i < 120; ++i) ring.add_line("017: 1\t2");
  p.reset();
  paint_graphic_view(p, ring.newest_first(), 100, 52);
  EXPECT_EQ(p.calls().size(), 200u);  // x from 99 down to 0, two columns, one row each
  // The widest values a line can carry are scaled without overflow.
  DisplayRing extremes;
  extremes.add_line("017: -3e38");
  extremes.add_line("018: 3e38");
  p.reset();
  paint_graphic_view(p, extremes.newest_first(), 100, 52);
  EXPECT_EQ(p.calls()[0], "line 98,0 100,0 0000ff");
  EXPECT_EQ(p.calls()[2], "line 96,50 98,50 0000ff");
}

}  // namespace
}  // namespace vexa
