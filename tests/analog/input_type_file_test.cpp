#include "analog/input_type_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "analog/analog_board.h"
#include "base/capture_log.h"
#include "base/messages.h"
#include "support/temp_dir.h"
#include "base/cp1252.h"
#include "support/fixed_clocks.h"
#include "support/build_paths.h"

namespace vexa {
namespace {

using test::TempDir;

const std::string kShipped = test::shipped_input_types();

InputTypeTable shipped(char language) {
  InputTypeTable table;
  EXPECT_TRUE(load_input_types(table, kShipped, language));
  return table;
}

int listed_count(const InputTypeTable& table, char board, int inputs) {
  int count = 0;
  for (const InputType& type : table.entries()) {
    for (int n = 0; n < inputs; ++n) {
      if (type.applies_to(board, n)) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// The file is read in each language: the same entries, in the same order, all within limits,
// and each language has texts of its own.
TEST(ShippedInputTypes, SameEntriesInEveryLanguageWithinLimits) {
  const InputTypeTable en = shipped('e'), fr = shipped('f'), de = shipped('d');
  ASSERT_GE(en.size(), 20u);
  ASSERT_EQ(fr.size(), en.size());
  ASSERT_EQ(de.size(), en.size());
  std::set<std::string> french_titles;
  for (std::size_t i = 0; i < en.size(); ++i) {
    for (const InputTypeTable* table : {&en, &fr, &de}) {
      const InputType& t = table->entries()[i];
      SCOPED_TRACE(t.title);
      // Limits count the file's single-byte characters.
      EXPECT_FALSE(t.title.empty());
      EXPECT_LE(utf8_to_cp1252(t.title).size(), kInputTypeTitleChars);
      EXPECT_LE(utf8_to_cp1252(t.mode).size(), kInputTypeModeChars);
      EXPECT_LE(utf8_to_cp1252(t.set).size(), kInputTypeSetChars);
      EXPECT_LE(utf8_to_cp1252(t.warn).size(), kInputTypeWarnChars);
      EXPECT_LE(utf8_to_cp1252(t.propose).size(), kInputTypeProposeChars);
      EXPECT_FALSE(t.txt.empty());
      EXPECT_EQ(t.txt.substr(t.txt.size() - 2), "\r\n");
      EXPECT_NE(t.board_mask, 0u);
      EXPECT_TRUE(t.inputs.any());
      EXPECT_FALSE(t.mode.empty());
    }
    const InputType& e = en.entries()[i];
    const InputType& f = fr.entries()[i];
    const InputType& d = de.entries()[i];
    EXPECT_EQ(f.mode, e.mode);
    EXPECT_EQ(d.set, e.set);
    EXPECT_NE(f.txt, e.txt) << e.title;
    EXPECT_NE(d.txt, e.txt) << e.title;
    EXPECT_NE(d.txt, f.txt) << e.title;
    french_titles.insert(f.title);
    // A propose text has its five fields.
    if (!e.propose.empty()) {
      EXPECT_EQ(std::count(e.propose.begin(), e.propose.end(), ','), 4) << e.title;
    }
  }
  // Accented letters arrive as UTF-8.
  EXPECT_TRUE(french_titles.count("Non utilisée"));
  EXPECT_TRUE(french_titles.count("Entrée logique"));
}

TEST(ShippedInputTypes, EntriesPerBoardAndTheGenericDefaultTypes) {
  const InputTypeTable table = shipped('e');
  EXPECT_EQ(listed_count(table, 'E', 8), 7);
  EXPECT_EQ(listed_count(table, '2', 8), 7);  // no type letter: listed like E
  EXPECT_EQ(listed_count(table, 'F', 16), 9);
  EXPECT_EQ(listed_count(table, 'S', 16), 15);
  // Linearised temperatures exist only where the board linearises.
  for (const InputType& t : table.entries()) {
    if (t.mode[0] == 'k' || t.mode[0] == 'p') {
      EXPECT_EQ(t.board_mask, input_type_board_bit('S')) << t.title;
    }
  }
  // Default types of values that come without a type text: the last matching entry.
  EXPECT_EQ(table.default_type("a*3.814685+0,2"), "Voltage, free scaling");
  EXPECT_EQ(table.default_type("c*25+0,3"), "Current loop 4-20 mA");
  EXPECT_EQ(table.default_type("k1*1+0,2<100>5000,n=Tank"), "Thermocouple type J");
  EXPECT_EQ(table.default_type("k*1+0,2"), "Thermocouple type K");
  EXPECT_EQ(table.default_type("p1*1,1"), "Pt1000 resistance thermometer");
  EXPECT_EQ(table.default_type("-"), "Not used");
  EXPECT_EQ(table.default_type("z"), std::nullopt);
  EXPECT_EQ(table.default_type("kx"), std::nullopt);
}

// Every mark of a set text is "<code>[sub]=<value>" with a code the board pictures know, and
// every propose list reaches at least two points within the converter's range of each board.
TEST(ShippedInputTypes, SetAndProposeTextsFitTheBoards) {
  const InputTypeTable table = shipped('e');
  for (const InputType& t : table.entries()) {
    SCOPED_TRACE(t.title);
    std::size_t at = 0;
    while (!t.set.empty() && at <= t.set.size()) {
      const std::size_t comma = std::min(t.set.find(',', at), t.set.size());
      std::string field = t.set.substr(at, comma - at);
      field.erase(0, field.find_first_not_of(' '));
      ASSERT_FALSE(field.empty());
      EXPECT_NE(std::string("bcfgxy").find(field[0]), std::string::npos) << field;
      EXPECT_NE(field.find('='), std::string::npos) << field;
      at = comma + 1;
    }
    if (t.propose.empty()) continue;
    double first_raw = 0, raw_step = 0;
    ASSERT_EQ(std::sscanf(t.propose.c_str(), "%*[^,],%lf,%*[^,],%lf,", &first_raw, &raw_step), 2);
    for (char board : {'E', 'F', 'S'}) {
      if (!(t.board_mask & input_type_board_bit(board))) continue;
      const double full = adc_constants(board_class(board)).full_scale;
      ASSERT_GT(raw_step, 0);
      const double steps = std::floor((full - first_raw) / raw_step);
      EXPECT_GE(steps, 2) << board;
      EXPECT_GT(first_raw + steps * raw_step, 0.75 * full) << board;  // the list covers the range
    }
  }
}

struct FileFixture : ::testing::Test {
  TempDir dir;
  FixedClock clock{make_local_time(2026, 12, 6, 12, 0, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};
  void SetUp() override {
    log.set_mode(1);
    log.apply_log_mode();
  }
  std::string logged() { return TempDir::read(log.path()); }
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
      "set\tb=10k to 5V, y=x to GND\r\n"
      "warn\tyes\r\n"
      "propose\t0,0,1.0,100,V\r\n"
      "txt\tline one\r\n"
      "txt\r\n"  // no tab: an empty description line
      "hide\tdebug\r\n"
      "colour\tred\r\n"
      "\r\n");
  ASSERT_EQ(table.size(), 1u);
  const InputType& t = table.entries()[0];
  EXPECT_EQ(t.board_mask, input_type_board_bit('e') | input_type_board_bit('F'));
  EXPECT_TRUE(t.applies_to('e', 0));
  EXPECT_FALSE(t.applies_to('S', 0));
  std::string flags;
  for (int n = 0; n < 16; ++n) flags += t.inputs.test(n) ? '1' : '0';
  EXPECT_EQ(flags, "1111000101000000");  // 12-10 sets nothing; the list ends at 7-
  EXPECT_EQ(t.inputs.count(), 6u);
  EXPECT_EQ(t.pic, 12);
  EXPECT_EQ(t.title, "Volt ");
  EXPECT_EQ(t.mode, "a*2+1,1");
  EXPECT_EQ(t.set, "b=10k to 5V, y=x to GND");
  EXPECT_EQ(t.txt, "line one\r\n\r\n");
  EXPECT_EQ(t.hide, "debug\r\n");
  EXPECT_NE(logged().find("unknown key \"colour\""), std::string::npos);
}

TEST_F(FileFixture, BoardBitsWrapAroundAndInputListEdges) {
  EXPECT_EQ(input_type_board_bit('2'), input_type_board_bit('r'));  // (50 - 97) mod 32 = 17
  const InputTypeTable table = parse("board\tE\ninput\t255, 256-300,0\ntitle\tx\n");
  ASSERT_EQ(table.size(), 1u);  // the last entry needs no empty line after it
  EXPECT_TRUE(table.entries()[0].inputs.test(255));
  EXPECT_EQ(table.entries()[0].inputs.count(), 2u);
  EXPECT_FALSE(table.entries()[0].applies_to('E', 256));
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
  EXPECT_EQ(en.entries()[0].txt, "english\r\n");
  EXPECT_EQ(en.entries()[1].txt, "en\r\n");

  const InputTypeTable fr = parse(text, 'f');
  ASSERT_EQ(fr.size(), 1u);
  EXPECT_EQ(fr.entries()[0].title, "Les deux");
  EXPECT_EQ(fr.entries()[0].txt, "fr\r\n");
  EXPECT_EQ(fr.entries()[0].board_mask, input_type_board_bit('F'));  // the later board line wins
  EXPECT_TRUE(fr.entries()[0].inputs.test(1));
  EXPECT_FALSE(fr.entries()[0].inputs.test(0));
  EXPECT_NE(logged().find("without a \"titlef\" line"), std::string::npos);

  const InputTypeTable de = parse(text, 'D');
  ASSERT_EQ(de.size(), 1u);
  EXPECT_EQ(de.entries()[0].title, "Beide");
  EXPECT_EQ(parse(text, 'x').size(), 2u);  // any other letter reads English
}

TEST_F(FileFixture, UntitledEntryAtTheEndIsDropped) {
  EXPECT_EQ(parse("title\ta\n\nboard\tS\nmode\tk\n").size(), 1u);
  EXPECT_NE(logged().find("the entry is dropped"), std::string::npos);
  // Blank and comment-only lines between entries are no entries.
  EXPECT_EQ(parse("\n\n// c\n\ntitle\ta\n\n\n\ntitle\tb\n").size(), 2u);
}

TEST_F(FileFixture, HundredEntriesAtMost) {
  // Exactly 100 entries and trailing blank lines: nothing to report.
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "title\tT\n\n";
  EXPECT_EQ(parse(hundred + "\n\n// end\n").size(), 100u);
  EXPECT_EQ(logged(), "");

  std::string text;
  for (int i = 0; i < 150; ++i) text += "title\tT" + std::to_string(i) + "\nmode\ta\n\n";
  const InputTypeTable table = parse(text);
  ASSERT_EQ(table.size(), kInputTypeEntries);
  EXPECT_EQ(table.entries().back().title, "T99");
  EXPECT_NE(logged().find("line 301 and the lines after it are ignored"), std::string::npos);
  // The default type comes from the last entry that was read.
  EXPECT_EQ(table.default_type("a*1"), "T99");
}

TEST_F(FileFixture, FieldLimits) {
  const std::string long_text(600, 'x');
  std::string text = "title\t" + long_text + "\nmode\t" + long_text.substr(0, 60) + "\nset\t" +
                     long_text.substr(0, 120) + "\nwarn\t" + long_text.substr(0, 50) + "\npropose\t" +
                     long_text.substr(0, 100) + "\n";
  // Description lines are taken while the text with CR LF stays within 499 characters.
  const std::string line98(98, 'd');  // 100 with CR LF
  for (int i = 0; i < 6; ++i) text += "txt\t" + line98 + "\n";
  text += "txt\tend\n";  // 400 + 5 fits
  text += "hide\t" + std::string(298, 'h') + "\n";  // 300 with CR LF: dropped
  text += "hide\t" + std::string(297, 'h') + "\n";  // 299: taken
  text += "hide\t\n";                                // 301: dropped
  const InputTypeTable table = parse(text);
  ASSERT_EQ(table.size(), 1u);
  const InputType& t = table.entries()[0];
  EXPECT_EQ(t.title.size(), kInputTypeTitleChars);  // the 600 characters came in two pieces
  EXPECT_EQ(t.mode.size(), kInputTypeModeChars);
  EXPECT_EQ(t.set.size(), kInputTypeSetChars);
  EXPECT_EQ(t.warn.size(), kInputTypeWarnChars);
  EXPECT_EQ(t.propose.size(), kInputTypeProposeChars);
  EXPECT_EQ(t.txt.size(), 4 * 100u + 5);
  EXPECT_EQ(t.hide.size(), 299u);
  const std::string log_text = logged();
  EXPECT_NE(log_text.find("line 1 is longer than 499 characters"), std::string::npos);
  EXPECT_NE(log_text.find("cuts the title text to 99 characters"), std::string::npos);
  EXPECT_NE(log_text.find("is dropped: the txt text would exceed 499"), std::string::npos);
  EXPECT_NE(log_text.find("is dropped: the hide text would exceed 299"), std::string::npos);
}

// Limits count characters: an accented letter is one, whether the file is Windows-1252 or UTF-8.
TEST_F(FileFixture, EncodingsGiveTheSameTable) {
  const std::string title = std::string(98, 'a') + "\xE9\xE9";  // 100 characters
  const InputTypeTable ansi = parse("title\t" + title + "\ntxt\tB\xFChne\n");
  const InputTypeTable utf8 = parse("title\t" + cp1252_to_utf8(title) + "\ntxt\tB\xC3\xBChne\n");
  const InputTypeTable bom = parse("\xEF\xBB\xBFtitle\tx\n");
  ASSERT_EQ(ansi.size(), 1u);
  ASSERT_EQ(utf8.size(), 1u);
  EXPECT_EQ(ansi.entries()[0].title, std::string(98, 'a') + "\xC3\xA9");
  EXPECT_EQ(utf8.entries()[0].title, ansi.entries()[0].title);
  EXPECT_EQ(ansi.entries()[0].txt, "B\xC3\xBChne\r\n");
  EXPECT_EQ(utf8.entries()[0].txt, ansi.entries()[0].txt);
  ASSERT_EQ(bom.size(), 1u);
  EXPECT_EQ(bom.entries()[0].title, "x");
}

TEST_F(FileFixture, MalformedTextIsHarmless) {
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 7919) % 256);
  const InputTypeTable from_junk = parse(junk);
  for (const InputType& t : from_junk.entries()) EXPECT_LE(utf8_to_cp1252(t.title).size(), kInputTypeTitleChars);
  EXPECT_LE(from_junk.size(), kInputTypeEntries);

  const InputTypeTable with_nul = parse(std::string("title\tab\0cd\nmode\ta\n", 19));
  ASSERT_EQ(with_nul.size(), 1u);
  EXPECT_EQ(with_nul.entries()[0].title, "ab");
  EXPECT_EQ(with_nul.entries()[0].mode, "a");
  EXPECT_NE(logged().find("holds NUL characters"), std::string::npos);

  // One endless line without a line end.
  const InputTypeTable endless = parse("title\t" + std::string(100000, 'y'));
  ASSERT_EQ(endless.size(), 1u);
  EXPECT_EQ(endless.entries()[0].title.size(), kInputTypeTitleChars);
}

TEST_F(FileFixture, LoadingFiles) {
  InputTypeTable table = parse("title\tkept\n");
  EXPECT_FALSE(load_input_types(table, dir.file("missing.txt"), 'e', &log));
  ASSERT_EQ(table.size(), 1u);  // unchanged
  EXPECT_NE(logged().find("missing.txt cannot be read"), std::string::npos);

  std::string big;
  while (big.size() <= kInputTypeFileMaxBytes) big += "title\tT\n\n// " + std::string(1000, 'c') + "\n";
  EXPECT_TRUE(load_input_types(table, dir.write("ainputs.txt", big), 'e', &log));
  EXPECT_EQ(table.size(), kInputTypeEntries);
  EXPECT_NE(logged().find("is larger than"), std::string::npos);

  EXPECT_TRUE(load_input_types(table, dir.write("empty.txt", ""), 'e', &log));
  EXPECT_TRUE(table.empty());
}

// The capture log is off by default: what is wrong with the file is told in the terminal at
// start as well.
TEST_F(FileFixture, ProblemsAreReportedForTheTerminal) {
  const Messages messages("VexaLog", 'e');
  InputTypeTable table;
  InputTypeFileProblems missing;
  EXPECT_FALSE(load_input_types(table, dir.file("ainputs.txt"), 'e', nullptr, &missing));
  EXPECT_EQ(missing.open_error, ENOENT);
  EXPECT_EQ(input_type_file_report(missing, "ainputs.txt", messages),
            (std::vector<std::string>{"ainputs.txt cannot be read: No such file or directory. "
                                      "The inputs tab offers no input types."}));

  std::string faulty = "title\tGood\nmode\tx\n\n";
  for (int i = 0; i < 5; ++i) faulty += "colour" + std::to_string(i) + "\tred\n";
  faulty += "title\tOther\n";
  InputTypeFileProblems malformed;
  EXPECT_TRUE(load_input_types(table, dir.write("ainputs.txt", faulty), 'e', nullptr, &malformed));
  EXPECT_EQ(table.size(), 2u);
  EXPECT_EQ(malformed.open_error, 0);
  ASSERT_EQ(malformed.notes.size(), 5u);
  EXPECT_EQ(malformed.notes[0],
            "ainputs.txt line 4 has the unknown key \"colour0\" (key and value are separated by a tab)");
  const auto lines = input_type_file_report(malformed, "ainputs.txt", messages);
  ASSERT_EQ(lines.size(), 5u);  // the count, the first three notes and how many more
  EXPECT_EQ(lines[0], "ainputs.txt: 5 lines not understood");
  EXPECT_EQ(lines[1], malformed.notes[0]);
  EXPECT_EQ(lines[3], malformed.notes[2]);
  EXPECT_EQ(lines[4], "... 2 more");

  InputTypeFileProblems clean;
  EXPECT_TRUE(load_input_types(table, dir.write("ainputs.txt", "title\tT\n"), 'e', nullptr, &clean));
  EXPECT_TRUE(input_type_file_report(clean, "ainputs.txt", messages).empty());
}

}  // namespace
}  // namespace vexa
