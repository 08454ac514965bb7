// The analog tab's logic: input tabs, visibility, refresh, listening, Catch, polling, the
// operation buttons, alarms typed as real values, store and Apply.
#include <gtest/gtest.h>

#include "analog/analog_tab.h"
#include "tab_fixture.h"

namespace vexa {
namespace {

using namespace analog_id;
using test::TabRig;

std::vector<std::string> labels(const AnalogTab& tab) {
  std::vector<std::string> out;
  for (const auto& t : tab.tabs()) out.push_back(t.label);
  return out;
}

TEST(AnalogTabTabs, BoardClassGivesTheInputsAndNewInputsAppearAtTheNextPass) {
  TabRig rig("VexaLog E v1404");
  EXPECT_EQ(labels(*rig.tab), (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "Plan", "Data"}));
  EXPECT_EQ(rig.tab->tabs()[8].number, kPlanTab);
  EXPECT_EQ(rig.tab->tabs()[9].number, kDataTab);
  EXPECT_EQ(rig.text(821), "1024");
  EXPECT_EQ(rig.text(822), "1024");
  EXPECT_EQ(rig.text(811), "0");
  rig.configuration.parse_assignments("a20=a*1+0,0", true);
  EXPECT_EQ(rig.tab->tabs().size(), 10u);  // not before the next pass
  rig.tab->tick_100ms();
  EXPECT_EQ(labels(*rig.tab).at(8), "a20");
  EXPECT_EQ(rig.tab->tabs().size(), 11u);
  // A new board: its own inputs and full scale, and "a20" is gone.
  rig.identity.accept_identity("VexaLog S v1404");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.tab->tabs().size(), 18u);
  EXPECT_EQ(rig.text(821), "7864320");
  // The same board again does not rebuild unless forced, not even when it identifies itself.
  rig.tab->form().set_text(821, "5");
  rig.tab->rebuild_tabs(false);
  EXPECT_EQ(rig.text(821), "5");
  rig.identity.accept_identity("VexaLog S v1404");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(821), "5");
}

TEST(AnalogTabVisibility, TypeLetterClassAndFirmwareDecide) {
  TabRig f("VexaLog F v1404");
  f.select(3);
  f.choose("Voltage 0-5 V");  // 'a'
  EXPECT_TRUE(f.shown(750));
  EXPECT_TRUE(f.shown(830));   // alarms on F from 603
  EXPECT_TRUE(f.shown(850));
  EXPECT_FALSE(f.shown(852));  // temperature headers only for k and p
  EXPECT_FALSE(f.shown(864));
  EXPECT_FALSE(f.shown(770));
  EXPECT_FALSE(f.shown(786));
  EXPECT_FALSE(f.shown(890));  // S class options
  EXPECT_TRUE(f.shown(880));   // this type has a propose table
  EXPECT_TRUE(f.shown(700));   // outside the range: always
  f.choose("Digital input");
  EXPECT_TRUE(f.shown(770));
  EXPECT_FALSE(f.shown(750));
  EXPECT_FALSE(f.shown(830));
  f.choose("Computed value");  // 'v'
  EXPECT_TRUE(f.shown(786));
  EXPECT_TRUE(f.shown(864));
  EXPECT_FALSE(f.shown(860));
  EXPECT_FALSE(f.shown(814));
  EXPECT_FALSE(f.shown(830));
  f.choose("Not used");
  for (int id : {750, 770, 786, 811, 830, 885, 890}) EXPECT_FALSE(f.shown(id)) << id;

  TabRig old("VexaLog F v602");
  old.select(0);
  old.choose("Voltage 0-5 V");
  EXPECT_FALSE(old.shown(830));
  EXPECT_TRUE(old.shown(811));
  old.choose("Digital input");
  EXPECT_FALSE(old.shown(770));

  TabRig s("VexaLog S v1404");
  s.select(2);
  s.choose("Thermocouple type K");  // 'k'
  EXPECT_TRUE(s.shown(890));
  EXPECT_TRUE(s.shown(891));
  EXPECT_TRUE(s.shown(896));
  EXPECT_TRUE(s.shown(852));
  EXPECT_TRUE(s.shown(863));
  EXPECT_FALSE(s.shown(850));
  EXPECT_FALSE(s.shown(834));
  EXPECT_FALSE(s.shown(861));
  s.select(3);  // odd input: no Diff.
  s.choose("Thermocouple type K");
  EXPECT_FALSE(s.shown(890));
  EXPECT_FALSE(s.shown(891));
  EXPECT_TRUE(s.shown(892));
}

TEST(AnalogTabHelp, TextsFollowTheTypeLetter) {
  TabRig rig;
  EXPECT_EQ(rig.tab->help_text('k'),
            "To calibrate, Clear current operation, and Apply\r\nCatch a low and a high temperature, or apply a "
            "voltage\r\nFill in their temperatures, Calculate, and Apply");
  EXPECT_EQ(rig.tab->help_text('a'),
            "To find the right expression, enter two raw values of the ADC and their real values.\r\nClick on "
            "Calculate to find the expression and the calculated values.");
  EXPECT_EQ(rig.tab->help_text('v').rfind("To find the right expression, enter two values of the abc expression and", 0), 0u);
  EXPECT_NE(rig.tab->help_text('p').find("or resistance"), std::string::npos);
  rig.select(0);
  rig.choose("Voltage 0-5 V");
  EXPECT_EQ(rig.text(kHelp), rig.tab->help_text('a'));
}

TEST(AnalogTabOperation, FieldsPerClassAndDecimalLimits) {
  TabRig f("VexaLog F v1404");
  f.select(1);
  f.choose("Voltage 0-5 V");
  f.type(kMultiplier, "0.5");
  f.click(kClearOperation);
  EXPECT_EQ(f.text(kMultiplier), "0.00000000");
  f.type(kMultiplier, "0.5");
  f.tab->refresh();
  EXPECT_EQ(f.text(kMultiplier), "0.50000000");
  f.type(kMultiplier, "2");
  EXPECT_EQ(f.text(kMultiplier), "2");  // the field being typed into keeps its text
  f.tab->refresh();
  EXPECT_EQ(f.text(kMultiplier), "2.000000");
  f.type(kMultiplier, "123456.789");
  f.tab->refresh();
  EXPECT_EQ(f.text(kMultiplier), "123456.789");  // cut to 10 characters
  for (int i = 0; i < 10; ++i) f.click(kFewerDecimals);
  EXPECT_EQ(f.tab->expression().scaling.decimals, 0);
  EXPECT_EQ(f.text(kDecimals), "#");
  for (int i = 0; i < 10; ++i) f.click(kMoreDecimals);
  EXPECT_EQ(f.tab->expression().scaling.decimals, 3);
  EXPECT_EQ(f.text(kDecimals), "#.###");

  TabRig s("VexaLog S v1404");
  s.select(0);
  s.choose("Voltage 0-1.2 V");
  for (int i = 0; i < 10; ++i) s.click(kMoreDecimals);
  EXPECT_EQ(s.tab->expression().scaling.decimals, 7);
  EXPECT_EQ(s.text(kDecimals), "#.#######");
  EXPECT_EQ(s.text(kOffset), "");  // S: empty for 0

  TabRig e("VexaLog E v1404");
  e.select(0);
  e.choose("Voltage 0-5 V");
  EXPECT_EQ(e.text(kMultiplier), "5");
  EXPECT_EQ(e.text(kOffset), "0");
}

TEST(AnalogTabCalibration, ChosenTypeTwoPointsCalculateAndApply) {
  TabRig rig("VexaLog F v1404");
  rig.select(3);
  rig.choose("Voltage 0-2.5 V");
  EXPECT_EQ(rig.text(kMultiplier), "0.03814697");
  rig.type(811, "0");
  rig.type(812, "0");
  rig.type(821, "65536");
  rig.type(822, "2500");
  EXPECT_EQ(rig.text(824), "2500.00mV");
  rig.click(kCalculate);
  rig.click(kApply);
  const auto value = rig.configuration.parameter_value("a3");
  ASSERT_TRUE(value);
  EXPECT_EQ(rig.channel.written().back(), "a3=" + *value + "\n");
  EXPECT_EQ(value->rfind("a*0.0381", 0), 0u) << *value;
  EXPECT_EQ(rig.configuration.find_parameter("a3")->type, "Voltage 0-2.5 V");
  EXPECT_TRUE(rig.report.contains("a3=" + *value));
  // Back on the input, the stored expression is parsed again with its type.
  rig.select(4);
  rig.select(3);
  EXPECT_EQ(rig.tab->current_type()->title, "Voltage 0-2.5 V");
  EXPECT_EQ(rig.text(kMultiplier), "0.03814697");
}

TEST(AnalogTabStore, OnlyWhileTheSectionIsCurrentAndAnInputIsSelected) {
  TabRig rig;
  rig.select(0);
  rig.choose("Voltage 0-5 V");
  rig.tab->set_section_current(false);
  rig.tab->store();
  EXPECT_EQ(rig.configuration.parameter_value("a0").value_or(""), "");
  rig.tab->set_section_current(true);
  rig.select(1);  // leaving a0 stores it
  EXPECT_EQ(rig.configuration.parameter_value("a0").value_or(""), "a*0.07629395+0,3");
  rig.configuration.store_type(*rig.configuration.find_index("a1"), "Old type");
  rig.select(kPlanTab);  // leaving a1, unused over an empty value: only its type text goes
  EXPECT_EQ(rig.configuration.parameter_value("a1").value_or(""), "");
  EXPECT_EQ(rig.configuration.find_parameter("a1")->type, "");
  rig.configuration.set_parameter("a1", "a*2,0");
  rig.tab->store();  // a view is selected: nothing
  EXPECT_EQ(rig.configuration.parameter_value("a1").value_or(""), "a*2,0");
}

TEST(AnalogTabAlarms, TypedRealValueSetsTheCountAndIsKeptFor100Ms) {
  TabRig rig("VexaLog F v1404");
  rig.select(0);
  rig.choose("Voltage 0-2.5 V");  // 0.03814697 mV per count, shown in V with 3 decimals
  rig.type(833, "1");
  EXPECT_EQ(rig.text(831), "26214");
  rig.tab->refresh();
  EXPECT_EQ(rig.text(833), "1");  // within 100 ms: the typed text stays
  rig.clock.advance_ms(150);
  rig.tab->refresh();
  EXPECT_EQ(rig.text(833), "1.000");
  EXPECT_EQ(rig.text(834), "999.98mV");
  rig.type(841, "0");
  EXPECT_EQ(rig.text(843), "");  // count 0: no alarm, nothing shown
  EXPECT_EQ(rig.text(844), "");
  rig.type(833, "nan");
  EXPECT_EQ(rig.text(831), "0");
}

TEST(AnalogTabListen, LiveLineCatchAndPendingCatch) {
  TabRig rig("VexaLog F v1404");
  rig.select(3);
  rig.choose("Voltage 0-2.5 V");
  rig.tab->on_line(" a3: 512 1280.00mV =12.5 a4: 7 0.27mV =0.3");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(kLiveLine), "a3: 512 1280.00mV =12.5");
  rig.click(kCatch1);
  EXPECT_EQ(rig.text(811), "512");
  EXPECT_EQ(rig.text(814), "1280.00mV");
  EXPECT_EQ(rig.text(813), "12.5");
  EXPECT_FALSE(rig.tab->line_available());
  // Without a fresh line the catch waits for the next one.
  rig.click(kCatch2);
  EXPECT_EQ(rig.tab->pending_catch(), 820);
  rig.tab->on_line("VexaLog a13: 99");  // another input
  rig.tab->on_line(" a03: 40000 1525.88mV =1.525");
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.tab->pending_catch(), 0);
  EXPECT_EQ(rig.text(821), "40000");
  EXPECT_EQ(rig.text(823), "1.525");
  // A line without ":" empties the row.
  rig.tab->on_line(" a3: 1");
  rig.tab->tick_100ms();
  rig.tab->form().set_text(kLiveLine, "garbage");
  rig.click(kCatch1);
  EXPECT_EQ(rig.text(811), "");
  EXPECT_EQ(rig.text(814), "");
  EXPECT_EQ(rig.text(813), "");
  // Switching the input empties the live field.
  rig.select(4);
  rig.tab->tick_100ms();
  EXPECT_EQ(rig.text(kLiveLine), "");
}

TEST(AnalogTabListen, PollsEveryElevenTicksWhileListeningOnAnOpenLink) {
  TabRig rig("VexaLog F v1404");
  rig.select(3);
  rig.click(kListen);
  ASSERT_TRUE(rig.tab->listening());
  rig.channel.clear();
  for (int i = 0; i < 22; ++i) rig.tab->tick_100ms();
  EXPECT_EQ(rig.channel.sent(), (std::vector<std::string>{"a3", "a3"}));
  // Traffic restarts the count.
  rig.channel.clear();
  for (int i = 0; i < 10; ++i) {
    rig.tab->on_line("noise");
    rig.tab->tick_100ms();
  }
  EXPECT_TRUE(rig.channel.sent().empty());
  // A closed link gets nothing; leaving the section clears Listen.
  rig.link_open = false;
  for (int i = 0; i < 30; ++i) rig.tab->tick_100ms();
  EXPECT_TRUE(rig.channel.sent().empty());
  rig.link_open = true;
  rig.tab->set_section_current(false);
  rig.tab->tick_100ms();
  EXPECT_FALSE(rig.tab->listening());

  TabRig old("VexaLog F v602");
  old.select(5);
  old.click(kListen);
  old.channel.clear();
  for (int i = 0; i < 11; ++i) old.tab->tick_100ms();
  EXPECT_EQ(old.channel.sent(), (std::vector<std::string>{"a?"}));
  // A pending catch listens without the check mark.
  old.click(kListen);
  EXPECT_FALSE(old.tab->listening());
  old.click(kCatch1);
  old.channel.clear();
  for (int i = 0; i < 11; ++i) old.tab->tick_100ms();
  EXPECT_EQ(old.channel.sent().size(), 1u);
}

TEST(AnalogTabProposeAndOptions, ProposeListAndCheckBoxes) {
  TabRig s("VexaLog S v1404");
  s.select(0);
  s.choose("Voltage 0-1.2 V");
  const Control& propose = s.tab->form().at(kPropose1);
  ASSERT_GT(propose.entries.size(), 2u);
  s.tab->command({kPropose2, kNotifySelectionChanged, 2});
  EXPECT_EQ(s.text(821), "1283970");
  EXPECT_FALSE(s.tab->form().checked(kStoreMin));
  s.click(kStoreMin);
  s.click(kDiff);
  s.type(kPivot, "5");
  s.tab->store();
  const std::string value = s.configuration.parameter_value("a0").value_or("");
  EXPECT_NE(value.find(",d=1"), std::string::npos) << value;
  EXPECT_NE(value.find(",p=5"), std::string::npos) << value;
  // Choosing a differential type takes its ",d=" option from the mode.
  s.choose("Thermocouple type K, differential");
  EXPECT_TRUE(s.tab->form().checked(kDiff));
  s.choose("Thermocouple type K");
  EXPECT_FALSE(s.tab->form().checked(kDiff));
}

}  // namespace
}  // namespace vexa
