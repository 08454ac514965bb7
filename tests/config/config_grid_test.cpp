// The configuration grid: rows and ids from the table, edits committed back, scrolling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/config_grid.h"
#include "config/configuration.h"

namespace vexa {
namespace {

struct RecordingHooks : ConfigGridHooks {
  int refreshes = 0, layouts = 0;
  void refresh_other_tabs() override { ++refreshes; }
  void layout_changed() override { ++layouts; }
};

TEST(ConfigGrid, RowsOfValuedRecordsTakeEditsBackUntilANewBoardClearsThemAndScrollWithinLimits) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  RecordingHooks hooks;
  ConfigGrid grid(config, &hooks);
  config.parse_assignments("bd=9600 sf=0", false);
  grid.build_config_tab();
  ASSERT_EQ(grid.rows().size(), 2u);
  const ConfigRow& bd = grid.rows()[0];
  EXPECT_EQ(bd.field(ConfigColumn::key), "bd");
  EXPECT_EQ(bd.field(ConfigColumn::value), "9600");
  EXPECT_EQ(bd.field(ConfigColumn::name), "Baudrate");
  EXPECT_EQ(grid.rows()[1].control_id, 5u);  // four fields a row
  EXPECT_EQ(grid.rows()[1].y, 19);
  EXPECT_EQ(config.find_parameter("sf")->control_id, 5u);
  EXPECT_EQ(grid.row_of_control(8), &grid.rows()[1]);
  EXPECT_EQ(grid.row_of_control(9), nullptr);
  EXPECT_EQ(hooks.refreshes, 1);
  EXPECT_EQ(hooks.layouts, 1);
  // Edits of the editable fields are committed back.
  EXPECT_TRUE(grid.set_field_text(2, "19200"));  // bd's value
  EXPECT_TRUE(grid.set_field_text(7, "Flow"));   // sf's name
  EXPECT_FALSE(grid.set_field_text(1, "xx"));    // the key is read-only
  EXPECT_FALSE(grid.set_field_text(4, "t"));     // so is the type
  EXPECT_FALSE(grid.set_field_text(99, "t"));
  grid.commit_config_tab();
  EXPECT_EQ(config.parameter_value("bd"), "19200");
  EXPECT_EQ(config.find_parameter("sf")->name, "Flow");
  EXPECT_EQ(config.find_parameter("bd")->name, "Baudrate");
  // Overlong edits are held to 299 characters and stored to the field's 99.
  EXPECT_TRUE(grid.set_field_text(2, std::string(500, '7')));
  EXPECT_EQ(grid.rows()[0].field(ConfigColumn::value).size(), kConfigEditChars);
  grid.commit_config_tab();
  EXPECT_EQ(config.parameter_value("bd"), std::string(kParameterTextChars, '7'));
  identity.accept_identity("VexaLog F v1404");
  grid.build_config_tab();
  EXPECT_TRUE(grid.rows().empty());
  EXPECT_EQ(config.find_parameter("bd")->control_id, 0u);
  // Scrolling, with no rows and with forty.
  grid.set_client_height(300);
  grid.build_config_tab();
  grid.scroll_config_tab(0, 100);
  EXPECT_EQ(grid.scroll_bar(), (ScrollBarState{0, 0, 0}));
  for (int i = 0; i < 40; ++i) config.parse_assignments("a" + std::to_string(i) + "=a*1+0", false);
  grid.build_config_tab();
  EXPECT_EQ(grid.scroll_config_tab(ScrollHow::to_position, 10000), -479);
  EXPECT_EQ(grid.scroll_bar(), (ScrollBarState{760, 300, 479}));
  EXPECT_EQ(grid.scroll_config_tab(1), 0);  // already at the end
  EXPECT_EQ(grid.scroll_config_tab(-1), 19);
  EXPECT_EQ(grid.scroll_config_tab(0, -50), 460);
  EXPECT_EQ(grid.scroll_config_tab(7), 0);  // unknown request: nothing
  // A taller window re-applies the limit; a rebuild starts at the top.
  grid.scroll_config_tab(0, 400);
  grid.set_client_height(700);
  grid.scroll_config_tab(ScrollHow::keep);
  EXPECT_EQ(grid.scroll_position(), 79);
  grid.build_config_tab();
  EXPECT_EQ(grid.scroll_position(), 0);
}

}  // namespace
}  // namespace vexa
