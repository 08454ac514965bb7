// The input type file (ainputs.txt): the shipped file in every language, the reader's keys,
// languages, limits, encodings and problems; then the type list of an input, the selection by
// value and type text, the description and the default types of received values.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "analog/analog_board.h"
#include "analog/input_type_description.h"
#include "analog/input_type_file.h"
#include "analog/input_type_list.h"
#include "base/capture_log.h"
#include "base/cp1252.h"
#include "base/messages.h"
#include "config/configuration.h"
#include "support/build_paths.h"
#include "support/fixed_clocks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::TempDir;

InputTypeTable shipped(char language) {
  InputTypeTable table;
  EXPECT_TRUE(load_input_types(table, test::shipped_input_types(), language));
  return table;
}

// The file is read in each language: the same entries, in the same order, all within limits
// (counted in the file's single-byte characters), and each language has texts of its own. Every
// propose list reaches at least two points within the converter's range of each board.
TEST(ShippedInputTypes, SameEntriesInEveryLanguageThatFitTheBoards) {
  const InputTypeTable en = shipped('e'), fr = shipped('f'), de = shipped('d');
  ASSERT_GE(en.size(), 20u);
  ASSERT_EQ(fr.size(), en.size());
  ASSERT_EQ(de.size(), en.size());
  for (std::size_t i = 0; i < en.size(); ++i) {
    for (const InputTypeTable* table : {&en, &fr, &de}) {
      const InputType& t = table->entries()[i];
      SCOPED_TRACE(t.title);
      EXPECT_LE(utf8_to_cp1252(t.title).size(), kInputTypeTitleChars);
      EXPECT_TRUE(t.txt.ends_with("\r\n"));
      EXPECT_FALSE(t.mode.empty());
    }
    const InputType& t = en.entries()[i];
    SCOPED_TRACE(t.title);
    EXPECT_EQ(fr.entries()[i].mode, t.mode);
    EXPECT_EQ(de.entries()[i].set, t.set);
    EXPECT_NE(fr.entries()[i].txt, t.txt);
    EXPECT_NE(de.entries()[i].txt, fr.entries()[i].txt);
    // Linearised temperatures exist only where the board linearises.
    if (t.mode[0] == 'k' || t.mode[0] == 'p') {
      EXPECT_EQ(t.board_mask, input_type_board_bit('S'));
    }
    double first_raw = 0, raw_step = 0;
    if (t.propose.empty()) continue;
    ASSERT_EQ(std::sscanf(t.propose.c_str(), "%*[^,],%lf,%*[^,],%lf,", &first_raw, &raw_step), 2);
    ASSERT_GT(raw_step, 0);
    for (char board : {'E', 'F', 'S'}) {
      if (!(t.board_mask & input_type_board_bit(board))) continue;
      const double full = adc_constants(board_class(board)).full_scale;
      const double steps = std::floor((full - first_raw) / raw_step);
      EXPECT_GE(steps, 2) << board;
      EXPECT_GT(first_raw + steps * raw_step, 0.75 * full) << board;  // the list covers the range
    }
  }
  EXPECT_EQ(fr.entries()[0].title, "Non utilisée");  // accented letters arrive as UTF-8
}

// Default types of values that come without a type text: the last matching entry; a board
// without a type letter lists the types of an E board.
TEST(ShippedInputTypes, DefaultTypesAndBoardsWithoutALetter) {
  const InputTypeTable table = shipped('e');
  EXPECT_EQ(table.default_type("k*1+0,2"), "Thermocouple type K");
  EXPECT_EQ(table.default_type("z"), std::nullopt);
  EXPECT_EQ(table.default_type("kx"), std::nullopt);
  for (int n = 0; n < 8; ++n) EXPECT_EQ(fill_type_list(table, '2', n).titles, fill_type_list(table, 'E', n).titles);
}

struct FileFixture : ::testing::Test {
  TempDir dir;
  FixedClock clock{make_local_time(2026, 12, 6, 12, 0, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};
  void SetUp() override {
    log.set_mode(1);
    log.apply_log_mode();
  }
  bool logged(const std::string& text) { return TempDir::read(log.path()).find(text) != std::string::npos; }
  InputTypeTable parse(const std::string& text, char language = 'e') {
    return parse_input_type_file(text, language, &log);
  }
};

TEST_F(FileFixture, KeysCommentsAndLineEnds) {
  const InputTypeTable table = parse(
      "// header\r\n"
      "board\tEf3S\r\n"  // leading letters only: E and F
      "input\t0-3,9,12-10,300,7-\r\n"
      "pic\t12x\r\n"
      "title\tVolt // a comment\r\n"
      "mode\ta*2+1,1\r\n"
      "propose\t0,0,1.0,100,V\r\n"
      "txt\tline one\r\n"
      "txt\r\n"  // no tab: an empty description line
      "hide\tdebug\r\n"
      "colour\tred\r\n"
      "\r\n");
  ASSERT_EQ(table.size(), 1u);
  const InputType& t = table.entries()[0];
  EXPECT_EQ(t.board_mask, input_type_board_bit('e') | input_type_board_bit('F'));
  std::string flags;
  for (int n = 0; n < 16; ++n) flags += t.inputs.test(n) ? '1' : '0';
  EXPECT_EQ(flags, "1111000101000000");  // 12-10 sets nothing; the list ends at 7-
  EXPECT_EQ(t.pic, 12);
  EXPECT_EQ(t.title, "Volt ");
  EXPECT_EQ(t.mode, "a*2+1,1");
  EXPECT_EQ(t.txt, "line one\r\n\r\n");
  EXPECT_EQ(t.hide, "debug\r\n");
  EXPECT_TRUE(logged("unknown key \"colour\""));
  // Board bits wrap around: (50 - 97) mod 32 = 17; inputs end at 255.
  EXPECT_EQ(input_type_board_bit('2'), input_type_board_bit('r'));
  const InputTypeTable last = parse("board\tE\ninput\t255, 256-300,0\ntitle\tx\n");
  ASSERT_EQ(last.size(), 1u);  // the last entry needs no empty line after it
  EXPECT_TRUE(last.entries()[0].applies_to('E', 255));
  EXPECT_EQ(last.entries()[0].inputs.count(), 2u);
}

// Only the language's title and txt keys count; an entry without a title in the language is
// continued by the next entry's lines.
TEST_F(FileFixture, LanguageRules) {
  const std::string text =
      "title\tOnly English\ntxt\tenglish\nboard\tE\ninput\t0\n\n"
      "title\tBoth\ntitlef\tLes deux\ntitled\tBeide\nboard\tF\ninput\t1\n"
      "txt\ten\ntxtf\tfr\ntxtd\tde\n\n";
  const InputTypeTable en = parse(text, 'e');
  ASSERT_EQ(en.size(), 2u);
  EXPECT_EQ(en.entries()[1].txt, "en\r\n");
  const InputTypeTable fr = parse(text, 'f');
  ASSERT_EQ(fr.size(), 1u);
  EXPECT_EQ(fr.entries()[0].title, "Les deux");
  EXPECT_EQ(fr.entries()[0].txt, "fr\r\n");
  EXPECT_EQ(fr.entries()[0].board_mask, input_type_board_bit('F'));  // the later board line wins
  EXPECT_TRUE(logged("without a \"titlef\" line"));
  EXPECT_EQ(parse(text, 'D').entries().at(0).title, "Beide");
  EXPECT_EQ(parse(text, 'x').size(), 2u);  // any other letter reads English
  // An untitled entry at the end is dropped; blank and comment lines between entries are none.
  EXPECT_EQ(parse("title\ta\n\nboard\tS\nmode\tk\n").size(), 1u);
  EXPECT_TRUE(logged("the entry is dropped"));
  EXPECT_EQ(parse("\n\n// c\n\ntitle\ta\n\n\n\ntitle\tb\n").size(), 2u);
}

TEST_F(FileFixture, HundredEntriesAtMost) {
  std::string hundred;  // exactly 100 entries and trailing blank lines: nothing to report
  for (int i = 0; i < 100; ++i) hundred += "title\tT\n\n";
  EXPECT_EQ(parse(hundred + "\n\n// end\n").size(), 100u);
  EXPECT_EQ(TempDir::read(log.path()), "");
  std::string text;
  for (int i = 0; i < 150; ++i) text += "title\tT" + std::to_string(i) + "\nmode\ta\n\n";
  const InputTypeTable table = parse(text);
  ASSERT_EQ(table.size(), kInputTypeEntries);
  EXPECT_TRUE(logged("line 301 and the lines after it are ignored"));
  EXPECT_EQ(table.default_type("a*1"), "T99");  // from the last entry that was read
}

TEST_F(FileFixture, FieldLimits) {
  const std::string long_text(600, 'x');
  std::string text = "title\t" + long_text + "\nset\t" + long_text.substr(0, 120) + "\n";
  // Description lines are taken while the text with CR LF stays within 499 characters.
  for (int i = 0; i < 6; ++i) text += "txt\t" + std::string(98, 'd') + "\n";  // 100 with CR LF
  text += "txt\tend\n";  // 400 + 5 fits
  text += "hide\t" + std::string(298, 'h') + "\n";  // 300 with CR LF: dropped
  text += "hide\t" + std::string(297, 'h') + "\n";  // 299: taken
  text += "hide\t\n";                                // 301: dropped
  const InputTypeTable table = parse(text);
  ASSERT_EQ(table.size(), 1u);
  const InputType& t = table.entries()[0];
  EXPECT_EQ(t.title.size(), kInputTypeTitleChars);  // the 600 characters came in two pieces
  EXPECT_EQ(t.set.size(), kInputTypeSetChars);
  EXPECT_EQ(t.txt.size(), 4 * 100u + 5);
  EXPECT_EQ(t.hide.size(), 299u);
  EXPECT_TRUE(logged("line 1 is longer than 499 characters"));
  EXPECT_TRUE(logged("cuts the title text to 99 characters"));
  EXPECT_TRUE(logged("is dropped: the txt text would exceed 499"));
  EXPECT_TRUE(logged("is dropped: the hide text would exceed 299"));
}

// Limits count characters: an accented letter is one, whether the file is Windows-1252 or UTF-8.
TEST_F(FileFixture, EncodingsGiveTheSameTableAndMalformedTextIsHarmless) {
  const std::string title = std::string(98, 'a') + "\xE9\xE9";  // 100 characters
  const InputTypeTable ansi = parse("title\t" + title + "\ntxt\tB\xFChne\n");
  const InputTypeTable utf8 = parse("title\t" + cp1252_to_utf8(title) + "\ntxt\tB\xC3\xBChne\n");
  EXPECT_EQ(ansi.entries().at(0).title, std::string(98, 'a') + "\xC3\xA9");
  EXPECT_EQ(ansi.entries()[0].txt, "B\xC3\xBChne\r\n");
  EXPECT_EQ(utf8.entries().at(0).title, ansi.entries()[0].title);
  EXPECT_EQ(utf8.entries()[0].txt, ansi.entries()[0].txt);
  EXPECT_EQ(parse("\xEF\xBB\xBFtitle\tx\n").entries().at(0).title, "x");  // a BOM
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 7919) % 256);
  const InputTypeTable from_junk = parse(junk);
  for (const InputType& t : from_junk.entries()) EXPECT_LE(utf8_to_cp1252(t.title).size(), kInputTypeTitleChars);
  EXPECT_LE(from_junk.size(), kInputTypeEntries);
  const InputTypeTable with_nul = parse(std::string("title\tab\0cd\nmode\ta\n", 19));
  EXPECT_EQ(with_nul.entries().at(0).title, "ab");
  EXPECT_EQ(with_nul.entries()[0].mode, "a");
  EXPECT_TRUE(logged("holds NUL characters"));
  // One endless line without a line end.
  EXPECT_EQ(parse("title\t" + std::string(100000, 'y')).entries().at(0).title.size(), kInputTypeTitleChars);
}

// The capture log is off by default: what is wrong with the file is told in the terminal at
// start as well.
TEST_F(FileFixture, LoadingFilesAndTheirProblems) {
  const Messages messages("VexaLog", 'e');
  InputTypeTable table = parse("title\tkept\n");
  InputTypeFileProblems missing;
  EXPECT_FALSE(load_input_types(table, dir.file("ainputs.txt"), 'e', &log, &missing));
  EXPECT_EQ(table.size(), 1u);  // unchanged
  EXPECT_TRUE(logged("ainputs.txt cannot be read"));
  EXPECT_EQ(missing.open_error, ENOENT);
  EXPECT_EQ(input_type_file_report(missing, "ainputs.txt", messages),
            (std::vector<std::string>{"ainputs.txt cannot be read: No such file or directory. "
                                      "The inputs tab offers no input types."}));
  std::string big;
  while (big.size() <= kInputTypeFileMaxBytes) big += "title\tT\n\n// " + std::string(1000, 'c') + "\n";
  EXPECT_TRUE(load_input_types(table, dir.write("big.txt", big), 'e', &log));
  EXPECT_EQ(table.size(), kInputTypeEntries);
  EXPECT_TRUE(logged("is larger than"));
  EXPECT_TRUE(load_input_types(table, dir.write("empty.txt", ""), 'e', &log));
  EXPECT_TRUE(table.empty());

  std::string faulty = "title\tGood\nmode\tx\n\n";
  for (int i = 0; i < 5; ++i) faulty += "colour" + std::to_string(i) + "\tred\n";
  InputTypeFileProblems malformed;
  EXPECT_TRUE(load_input_types(table, dir.write("ainputs.txt", faulty + "title\tOther\n"), 'e', nullptr, &malformed));
  EXPECT_EQ(table.size(), 2u);
  ASSERT_EQ(malformed.notes.size(), 5u);
  EXPECT_EQ(malformed.notes[0],
            "ainputs.txt line 4 has the unknown key \"colour0\" (key and value are separated by a tab)");
  const auto lines = input_type_file_report(malformed, "ainputs.txt", messages);
  // The count, the first three notes and how many more.
  EXPECT_EQ(lines, (std::vector<std::string>{"ainputs.txt: 5 lines not understood", malformed.notes[0],
                                             malformed.notes[1], malformed.notes[2], "... 2 more"}));
}

// Entries as a board maker writes them: a generic thermocouple before a typed one.
const char* const kFile =
    "title\tVolt EF\nboard\tEF\ninput\t0-7\nmode\ta*1+0,2\npic\t1\n\n"
    "title\tVolt S\nboard\tS\ninput\t0-15\nmode\ta\n\n"
    "title\tThermo any\nboard\tS\ninput\t0-15\nmode\tk1\n\n"
    "title\tThermo J\nboard\tS\ninput\t0-15\nmode\tk1*1,2\nset\tc=1k\n"
    "txt\tType J\ntxt\tsecond\nhide\tdebug line\nwarn\tx\n\n"
    "title\tDigital\nboard\tEFS\ninput\t8-15\nmode\td\n\n";

TEST(TypeList, BoardAndInputDecideAndTheTitleWinsOverAnEarlierPrefixMatch) {
  const InputTypeTable table = parse_input_type_file(kFile, 'e');
  EXPECT_EQ(fill_type_list(table, 'f', 7).titles, (std::vector<std::string>{"Volt EF"}));  // a small letter too
  EXPECT_TRUE(fill_type_list(table, '2', 0).empty());  // letter '2' is not in "EF"
  EXPECT_TRUE(fill_type_list(table, 'S', 300).empty());
  const InputTypeList list = fill_type_list(table, 'S', 3);
  EXPECT_EQ(list.titles, (std::vector<std::string>{"Volt S", "Thermo any", "Thermo J"}));
  EXPECT_EQ(list.position_of(0), -1);  // not listed
  auto selected = [&](std::string_view value, std::string_view type_text, const InputTypeList& in) {
    const InputTypeSelection s = select_type_for_value(table, in, value, type_text);
    return std::pair{s.entry, s.position};
  };
  EXPECT_EQ(selected("k1*1+0,2", "Thermo J", list), std::pair(3, 2));  // the stored type text
  EXPECT_EQ(selected("k1*1+0,2", "", list), std::pair(2, 1));  // else the first matching entry
  EXPECT_EQ(selected("k1*1+0,2", "Volt EF", list), std::pair(2, 1));  // a title that is not listed
  EXPECT_EQ(selected("z", "Volt S", list), std::pair(1, 0));  // a title match needs no prefix
  EXPECT_EQ(selected("k", "", list), std::pair(-1, 0));  // nothing: the list shows its first entry
  EXPECT_EQ(selected("a", "", fill_type_list(table, 'S', 40)), std::pair(-1, -1));
  // The user's choice by list position.
  EXPECT_EQ(choose_type(list, 2).entry, 3);
  EXPECT_EQ(choose_type(list, 3).entry, -1);
}

TEST(TypeList, DescriptionPartsAndColours) {
  const InputTypeTable table = parse_input_type_file(kFile, 'e');
  const Messages english;
  // No hide text, no warning: all black.
  EXPECT_EQ(show_type_description(table.entry(1), true, english).colours,
            (std::vector<ColourRange>{{0, 5, kDescriptionBlack}}));
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
  EXPECT_EQ(normal.colours.back(), (ColourRange{first.size(), normal.text.size(), kDescriptionRed}));
  // The warning in the catalog's language.
  const Messages french("VexaLog", 'f');
  EXPECT_EQ(show_type_description(j, false, french).text.rfind(first + french.message("MinpWarn"), 0), 0u);
}

// Received a<n> lines get their type text from the table through the configuration.
TEST(TypeList, StoredAnalogValuesGetTheLastMatchingTitle) {
  const InputTypeTable table = parse_input_type_file(kFile, 'e');
  const TableInputTypeDefaults defaults(table);
  Configuration config('e');
  config.set_input_type_defaults(&defaults);
  config.parse_assignments("a3=k1*1+0,2 a4=a*3.8,2 a5=q a6=d a6.type=Mine", false);
  EXPECT_EQ(config.find_parameter("a3")->type, "Thermo J");
  EXPECT_EQ(config.find_parameter("a4")->type, "Volt S");
  EXPECT_EQ(config.find_parameter("a5")->type, "");
  EXPECT_EQ(config.find_parameter("a6")->type, "Mine");
  config.set_input_type_defaults(nullptr);
}

}  // namespace
}  // namespace vexa
