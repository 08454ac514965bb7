#include "analog/input_type_list.h"

#include <gtest/gtest.h>

#include <string>

#include "analog/input_type_description.h"
#include "analog/input_type_file.h"
#include "base/messages.h"
#include "config/configuration.h"

namespace vexa {
namespace {

// Entries as a board maker writes them: a generic thermocouple before a typed one.
const char* const kFile =
    "title\tVolt EF\nboard\tEF\ninput\t0-7\nmode\ta*1+0,2\npic\t1\n\n"
    "title\tVolt S\nboard\tS\ninput\t0-15\nmode\ta\n\n"
    "title\tThermo any\nboard\tS\ninput\t0-15\nmode\tk1\n\n"
    "title\tThermo J\nboard\tS\ninput\t0-15\nmode\tk1*1,2\nset\tc=1k\n"
    "txt\tType J\ntxt\tsecond\nhide\tdebug line\nwarn\tx\n\n"
    "title\tDigital\nboard\tEFS\ninput\t8-15\nmode\td\n\n";

InputTypeTable table_of(const char* text) { return parse_input_type_file(text, 'e'); }

TEST(FillTypeList, BoardAndInputDecide) {
  const InputTypeTable table = table_of(kFile);
  const InputTypeList e0 = fill_type_list(table, 'E', 0);
  EXPECT_EQ(e0.titles, (std::vector<std::string>{"Volt EF"}));
  EXPECT_EQ(fill_type_list(table, 'f', 7).titles, (std::vector<std::string>{"Volt EF"}));
  EXPECT_EQ(fill_type_list(table, 'F', 8).titles, (std::vector<std::string>{"Digital"}));
  EXPECT_TRUE(fill_type_list(table, '2', 0).empty());  // letter '2' is not in "EF"

  const InputTypeList s3 = fill_type_list(table, 'S', 3);
  EXPECT_EQ(s3.titles, (std::vector<std::string>{"Volt S", "Thermo any", "Thermo J"}));
  EXPECT_EQ(s3.entries, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(s3.position_of(0), -1);  // not listed
  EXPECT_TRUE(fill_type_list(table, 'S', 300).empty());
  EXPECT_TRUE(fill_type_list(table, 'S', -1).empty());
}

TEST(SelectTypeForValue, TitleWinsOverAnEarlierPrefixMatch) {
  const InputTypeTable table = table_of(kFile);
  const InputTypeList list = fill_type_list(table, 'S', 3);
  // The stored type text names the later entry.
  InputTypeSelection s = select_type_for_value(table, list, "k1*1+0,2", "Thermo J");
  EXPECT_EQ(s.entry, 3);
  EXPECT_EQ(s.position, 2);
  // Without it the first matching entry is taken.
  s = select_type_for_value(table, list, "k1*1+0,2", "");
  EXPECT_EQ(s.entry, 2);
  EXPECT_EQ(s.position, 1);
  s = select_type_for_value(table, list, "k1*1+0,2", "Volt EF");  // a title that is not listed
  EXPECT_EQ(s.entry, 2);
  // A title match needs no matching prefix.
  EXPECT_EQ(select_type_for_value(table, list, "z", "Volt S").entry, 1);
  // Nothing matches: no type, the list shows its first entry.
  s = select_type_for_value(table, list, "k", "");
  EXPECT_EQ(s.entry, -1);
  EXPECT_EQ(s.position, 0);
  s = select_type_for_value(table, fill_type_list(table, 'S', 40), "a", "");
  EXPECT_EQ(s.entry, -1);
  EXPECT_EQ(s.position, -1);

  // The user's choice by list position.
  EXPECT_EQ(choose_type(list, 2).entry, 3);
  EXPECT_EQ(choose_type(list, 2).position, 2);
  EXPECT_EQ(choose_type(list, 3).entry, -1);
  EXPECT_EQ(choose_type(list, -1).entry, -1);
}

TEST(TypeDescription, PartsAndColours) {
  const InputTypeTable table = table_of(kFile);
  const Messages english;
  EXPECT_TRUE(show_type_description(nullptr, true, english).text.empty());
  EXPECT_TRUE(show_type_description(nullptr, true, english).colours.empty());

  // No hide text, no warning: all black.
  const TypeDescription plain = show_type_description(table.entry(1), true, english);
  EXPECT_EQ(plain.text, "a  \r\n");
  EXPECT_EQ(plain.colours, (std::vector<ColourRange>{{0, 5, kDescriptionBlack}}));

  const InputType* j = table.entry(3);
  const std::string first = "k1*1,2  c=1k\r\nType J\r\nsecond\r\n";
  const std::string warning = "Insert resistances and jumpers BEFORE applying signals.\r\n"
                              "A wrong or missing resistance or jumper may damage the board.";
  const TypeDescription debug = show_type_description(j, true, english);
  EXPECT_EQ(debug.text, first + "debug line\r\n" + warning);
  const std::size_t hide_end = first.size() + 12;
  EXPECT_EQ(debug.colours, (std::vector<ColourRange>{{0, first.size(), kDescriptionBlack},
                                                     {first.size(), hide_end, kDescriptionDarkRed},
                                                     {hide_end, debug.text.size(), kDescriptionRed}}));

  // Outside debug mode the hidden line is left out and the warning follows the text at once.
  const TypeDescription normal = show_type_description(j, false, english);
  EXPECT_EQ(normal.text, first + warning);
  EXPECT_EQ(normal.colours, (std::vector<ColourRange>{{0, first.size(), kDescriptionBlack},
                                                      {first.size(), normal.text.size(), kDescriptionRed}}));

  // The warning in the catalog's language; ranges count UTF-8 bytes.
  const TypeDescription french = show_type_description(j, false, Messages("VexaLog", 'f'));
  const std::string french_warning = Messages("VexaLog", 'f').message("MinpWarn");
  EXPECT_EQ(french.text.substr(first.size(), french_warning.size()), french_warning);
  EXPECT_NE(french_warning, "???");
  EXPECT_EQ(french.colours.back().end, french.text.size());
}

// Received a<n> lines get their type text from the table through the configuration.
TEST(InputTypeDefaults, StoredAnalogValuesGetTheLastMatchingTitle) {
  const InputTypeTable table = table_of(kFile);
  const TableInputTypeDefaults defaults(table);
  Configuration config('e');
  config.set_input_type_defaults(&defaults);
  config.parse_assignments("a3=k1*1+0,2 a4=a*3.8,2 a5=q a6=d a6.type=Mine", false);
  EXPECT_EQ(config.find_parameter("a3")->type, "Thermo J");
  EXPECT_EQ(config.find_parameter("a4")->type, "Volt S");
  EXPECT_EQ(config.find_parameter("a5")->type, "");
  EXPECT_EQ(config.find_parameter("a6")->type, "Mine");
  config.set_input_type_defaults(nullptr);

  // The stored title selects its entry again.
  const InputTypeSelection s =
      select_type_for_value(table, fill_type_list(table, 'S', 3), "k1*1+0,2", config.find_parameter("a3")->type);
  EXPECT_EQ(s.entry, 3);
}

}  // namespace
}  // namespace vexa
