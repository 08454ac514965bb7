// The input type file (ainputs.txt): the shipped file and the reader; the type list, selection
// and description of an input; the marks, conflicts and plan, through the recording painter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analog/analog_board.h"
#include "analog/input_marks.h"
#include "analog/input_type_description.h"
#include "analog/input_type_file.h"
#include "analog/input_type_list.h"
#include "analog/propose_table.h"
#include "base/capture_log.h"
#include "base/cp1252.h"
#include "base/messages.h"
#include "config/configuration.h"
#include "support/build_paths.h"
#include "support/fixed_clocks.h"
#include "support/recording_painter.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::TempDir;

InputTypeTable shipped(char language) {
  InputTypeTable table;
  EXPECT_TRUE(load_input_types(table, test::shipped_input_types(), language));
  return table;
}

TEST(ShippedInputTypes, SameEntriesInEveryLanguageThatFitTheBoards) {
  const InputTypeTable en = shipped('e'), fr = shipped('f'), de = shipped('d');
  ASSERT_GE(en.size(), 20u);
  ASSERT_EQ(fr.size(), en.size());
  ASSERT_EQ(de.size(), en.size());
  for (std::size_t i = 0; i < en.size(); ++i) {
    const InputType& t = en.entries()[i];
    SCOPED_TRACE(t.title);
    ASSERT_FALSE(t.mode.empty());
    EXPECT_EQ(fr.entries()[i].mode, t.mode);
    EXPECT_EQ(de.entries()[i].set, t.set);
    // Linearised temperatures exist only where the board linearises.
    if (t.mode[0] == 'k' || t.mode[0] == 'p') {
      EXPECT_EQ(t.board_mask, input_type_board_bit('S'));
    }
    for (char board : {'E', 'F', 'S'}) {
      if (t.propose.empty() || !(t.board_mask & input_type_board_bit(board))) continue;
      const std::vector<ProposeEntry> list = propose_list(t.propose, board_class(board));
      ASSERT_GE(list.size(), 3u) << board;  // the empty choice and two counts at least
      EXPECT_GT(list.back().raw, 0.75 * adc_constants(board_class(board)).full_scale) << board;  // covers the range
    }
  }
  // A letter subtype matches no numbered one. A board without a type letter lists an E board's types.
  EXPECT_EQ(en.default_type("kx"), std::nullopt);
  for (int n = 0; n < 8; ++n) EXPECT_EQ(fill_type_list(en, '2', n).titles, fill_type_list(en, 'E', n).titles);
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
      "\r\n");
  ASSERT_EQ(table.size(), 1u);
  const InputType& t = table.entries()[0];
  EXPECT_EQ(t.board_mask, input_type_board_bit('e') | input_type_board_bit('F'));
  std::string flags;
  for (int n = 0; n < 16; ++n) flags += t.inputs.test(n) ? '1' : '0';
  EXPECT_EQ(flags, "1111000101000000");  // 12-10 sets nothing; the list ends at 7-
  EXPECT_EQ(t.pic, 12);
  EXPECT_EQ(t.title, "Volt ");
  EXPECT_EQ(t.txt, "line one\r\n\r\n");
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
  const InputTypeTable fr = parse(text, 'f');
  ASSERT_EQ(fr.size(), 1u);
  EXPECT_EQ(fr.entries()[0].title, "Les deux");
  EXPECT_EQ(fr.entries()[0].txt, "fr\r\n");
  EXPECT_EQ(fr.entries()[0].board_mask, input_type_board_bit('F'));  // the later board line wins
  EXPECT_TRUE(logged("without a \"titlef\" line"));
  EXPECT_EQ(parse(text, 'D').entries().at(0).title, "Beide");
  // An untitled entry at the end is dropped; blank and comment lines between entries are none.
  EXPECT_EQ(parse("title\ta\n\nboard\tS\nmode\tk\n").size(), 1u);
  EXPECT_TRUE(logged("the entry is dropped"));
  EXPECT_EQ(parse("\n\n// c\n\ntitle\ta\n\n\n\ntitle\tb\n").size(), 2u);
}

TEST_F(FileFixture, HundredEntriesAtMostAndTheFieldLimits) {
  std::string hundred;  // exactly 100 entries and trailing blank lines: nothing to report
  for (int i = 0; i < 100; ++i) hundred += "title\tT\n\n";
  EXPECT_EQ(parse(hundred + "\n\n// end\n").size(), 100u);
  EXPECT_EQ(TempDir::read(log.path()), "");
  std::string many;
  for (int i = 0; i < 150; ++i) many += "title\tT" + std::to_string(i) + "\nmode\ta\n\n";
  const InputTypeTable full = parse(many);
  ASSERT_EQ(full.size(), kInputTypeEntries);
  EXPECT_TRUE(logged("line 301 and the lines after it are ignored"));
  EXPECT_EQ(full.default_type("a*1"), "T99");  // from the last entry that was read
  const std::string long_text(600, 'x');
  // The other one-line fields are cut by the same code as the mode.
  std::string text = "title\t" + long_text + "\nmode\t" + long_text.substr(0, 60) + "\n";
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
  EXPECT_EQ(t.mode.size(), kInputTypeModeChars);
  EXPECT_EQ(t.txt.size(), 4 * 100u + 5);
  EXPECT_EQ(t.hide.size(), 299u);
  EXPECT_TRUE(logged("line 1 is longer than 499 characters"));
  EXPECT_TRUE(logged("cuts the title text to 99 characters"));
  EXPECT_TRUE(logged("is dropped: the hide text would exceed 299"));
}

// Limits count characters: an accented letter is one, whether the file is Windows-1252 or UTF-8.
TEST_F(FileFixture, EncodingsGiveTheSameTableAndMalformedTextIsHarmless) {
  const std::string title = std::string(98, 'a') + "\xE9\xE9";  // 100 characters
  const InputTypeTable ansi = parse("title\t" + title + "\n");
  const InputTypeTable utf8 = parse("title\t" + cp1252_to_utf8(title) + "\n");
  EXPECT_EQ(ansi.entries().at(0).title, std::string(98, 'a') + "\xC3\xA9");
  EXPECT_EQ(utf8.entries().at(0).title, ansi.entries()[0].title);
  EXPECT_EQ(parse("\xEF\xBB\xBFtitle\tx\n").entries().at(0).title, "x");  // a BOM
  const InputTypeTable with_nul = parse(std::string("title\tab\0cd\nmode\ta\n", 19));
  EXPECT_EQ(with_nul.entries().at(0).title, "ab");
  EXPECT_EQ(with_nul.entries()[0].mode, "a");
  EXPECT_TRUE(logged("holds NUL characters"));
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
  EXPECT_EQ(input_type_file_report(missing, "ainputs.txt", messages),
            (std::vector<std::string>{"ainputs.txt cannot be read: No such file or directory. "
                                      "The inputs tab offers no input types."}));
  std::string big;
  while (big.size() <= kInputTypeFileMaxBytes) big += "title\tT\n\n// " + std::string(1000, 'c') + "\n";
  EXPECT_TRUE(load_input_types(table, dir.write("big.txt", big), 'e', &log));
  EXPECT_TRUE(logged("is larger than"));
  InputTypeFileProblems clean;
  EXPECT_TRUE(load_input_types(table, dir.write("empty.txt", ""), 'e', &log, &clean));
  EXPECT_TRUE(table.empty());
  EXPECT_TRUE(input_type_file_report(clean, "ainputs.txt", messages).empty());

  std::string faulty = "title\tGood\nmode\tx\n\n";
  for (int i = 0; i < 5; ++i) faulty += "colour" + std::to_string(i) + "\tred\n";
  InputTypeFileProblems malformed;
  EXPECT_TRUE(load_input_types(table, dir.write("ainputs.txt", faulty + "title\tOther\n"), 'e', nullptr, &malformed));
  EXPECT_EQ(table.size(), 2u);
  ASSERT_EQ(malformed.notes.size(), 5u);
  EXPECT_EQ(malformed.notes[0],
            "ainputs.txt line 4 has the unknown key \"colour0\" (key and value are separated by a tab)");
  const auto lines = input_type_file_report(malformed, "ainputs.txt", messages);
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

TEST(TypeList, BoardAndInputDecideTheTitleWinsOverAPrefixMatchAndTheDescriptionHasItsParts) {
  const InputTypeTable table = parse_input_type_file(kFile, 'e');
  EXPECT_EQ(fill_type_list(table, 'f', 7).titles, (std::vector<std::string>{"Volt EF"}));  // a small letter too
  EXPECT_EQ(fill_type_list(table, 'F', 8).titles, (std::vector<std::string>{"Digital"}));
  EXPECT_TRUE(fill_type_list(table, '2', 0).empty());  // letter '2' is not in "EF"
  EXPECT_TRUE(fill_type_list(table, 'S', 300).empty());
  EXPECT_TRUE(fill_type_list(table, 'S', -1).empty());
  const InputTypeList list = fill_type_list(table, 'S', 3);
  EXPECT_EQ(list.titles, (std::vector<std::string>{"Volt S", "Thermo any", "Thermo J"}));
  EXPECT_EQ(list.position_of(0), -1);  // not listed
  auto selected = [&](std::string_view value, std::string_view type_text, const InputTypeList& in) {
    const InputTypeSelection s = select_type_for_value(table, in, value, type_text);
    return std::pair{s.entry, s.position};
  };
  EXPECT_EQ(selected("k1*1+0,2", "Thermo J", list), std::pair(3, 2));  // the stored type text
  EXPECT_EQ(selected("k1*1+0,2", "", list), std::pair(2, 1));  // else the first matching entry
  EXPECT_EQ(selected("z", "Volt S", list), std::pair(1, 0));  // a title match needs no prefix
  EXPECT_EQ(selected("k", "", list), std::pair(-1, 0));  // nothing: the list shows its first entry
  EXPECT_EQ(selected("a", "", fill_type_list(table, 'S', 40)), std::pair(-1, -1));
  EXPECT_EQ(choose_type(list, 2).entry, 3);
  EXPECT_EQ(choose_type(list, 3).entry, -1);
  const Messages english;
  EXPECT_TRUE(show_type_description(nullptr, true, english).colours.empty());
  const InputType* j = table.entry(3);
  const std::string first = "k1*1,2  c=1k\r\nType J\r\nsecond\r\n";
  const std::string warning = english.message("MinpWarn") + "\r\n" + english.message("MinpWarn2");
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
}

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
  // Network: x = 29 (its text is PlanTest's); the jumper on its right side because of "5V".
  EXPECT_TRUE(has(p, "line 65,49 65,52 0000ff"));
  EXPECT_TRUE(has(p, "frame 70,31 3x7 0000ff"));  // the group's GND position
  EXPECT_EQ(state.records[3].text, "1");
  EXPECT_EQ(state.records[3].part, 1);
  EXPECT_TRUE(state.jumper_closed);
  // The board jumper of an F board then shows closed in red, and the flag is used up.
  for (const char* shown : {"text 41,69 0000ff close", "text 41,69 00ff00 open"}) {
    p.reset();
    draw_input_mark(p, state, 'F', 3, 0, kMarkJumper, {}, 1, 0);
    EXPECT_TRUE(has(p, shown)) << shown;
  }
  EXPECT_FALSE(state.jumper_closed);
  for (auto [scale, width] : {std::pair{1, 1}, {2, 1}, {3, 2}, {10, 5}}) EXPECT_EQ(mark_pen_width(scale), width);
  // Sub characters shift the column; fields without "=" and blank fields draw nothing.
  p.reset();
  draw_set_marks(p, state, 'F', 9, "cd=1k, c2 = 2k, x, ,  ", 1, 0);
  EXPECT_TRUE(has(p, "frame 91,45 7x3 0000ff"));  // 14 + 72 - 1 + 2 + 4
  EXPECT_EQ(p.calls().size(), 4u);
  // A digital input jumper: the green line of an odd input sits on its right side.
  p.reset();
  draw_input_mark(p, state, 'F', 1, 0, 'x', "D", 1, 0);
  EXPECT_TRUE(has(p, "line 27,65 27,68 00ff00"));  // x 21 + 7 + 1 - 2
  // No jumper on S boards or past the group, no filter past the first eight inputs, no g mark
  // for "-"; an open reference jumper draws nothing and leaves the record alone.
  p.reset();
  state = {};
  draw_input_mark(p, state, 'S', 3, 0, kMarkJumper, {}, 1, 0);
  draw_input_mark(p, state, 'F', 12, 0, kMarkJumper, {}, 1, 0);
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
  // A differential input beside an unused one stands alone; beside a used one it is PlanTest's.
  state = {};
  state.records[14].diff = 2;
  EXPECT_EQ(draw_conflicts(p, state, 'S', messages, 10, 0, 15), 0);
}

class PlanTest : public ::testing::Test {
 protected:
  void SetUp() override { types = shipped('e'); }
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
  sheets.present = false;
  EXPECT_FALSE(draw_input_picture(p, sheets, state, &*pt100, 'S', 2));
  sheets.present = true;
  EXPECT_TRUE(draw_input_picture(p, sheets, state, &*pt100, 'S', 2));
  EXPECT_TRUE(has(p, "text 33,35 0000ff L9-1 1k"));  // the marks of its set text
  EXPECT_EQ(sheets.cells, (std::vector<std::string>{"boards 302,0 -> 0,0 150x100", "inputs 604,0 -> 150,0 150x100"}));
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
  sheets.present = false;
  p.reset();
  EXPECT_FALSE(draw_plan(p, sheets, state, context, 3, 0, 16).drawn);
  EXPECT_TRUE(p.calls().empty());
  sheets.present = true;
  // On an S board, a differential input beside a used one conflicts.
  set_input("a2", "k*1,2,d=1", "Thermocouple type K, differential");
  set_input("a3", "a*1,0", "");
  ASSERT_TRUE(draw_plan(p, sheets, state, {configuration, types, messages, 'S'}, 3, 0, 16).drawn);
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
        if (x != 10 || y < 300) {  // the list lines lie below the board
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
