// The board's text: ANSI escape sequences taken out and turned into styles (SGR colours in
// their 16-, 256- and 24-bit forms, sequences cut between reads, malformed ones that must give
// back the text they would otherwise hide), Windows-1252 against UTF-8, and the
// getting-started text in each language.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "terminal/ansi_reader.h"
#include "terminal/getting_started.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace vexa {
namespace {

TEST(AnsiReader, ColoursBoldAndResetSplitTheTextIntoRuns) {
  AnsiReader reader;
  const auto runs = reader.read("plain \x1b[1;31mred bold\x1b[0m back \x1b[92;44mgreen on blue\x1b[39;49m.");
  const std::vector<std::pair<std::string, TextStyle>> expected = {
      {"plain ", {}},
      {"red bold", {.foreground = 1, .bold = true}},
      {" back ", {}},
      {"green on blue", {.foreground = 10, .background = 4}},  // bright green
      {".", {}},
  };
  ASSERT_EQ(runs.size(), expected.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].text, expected[i].first);
    EXPECT_EQ(runs[i].style, expected[i].second) << runs[i].text;
  }
  // A sequence cut between reads takes effect in the next one.
  EXPECT_EQ(reader.read("ab\x1b[3").at(0).text, "ab");
  const auto cut = reader.read("4mcd");
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].text, "cd");
  EXPECT_EQ(cut[0].style.foreground, 4);
}

TEST(AnsiReader, EachSgrSequenceLeavesItsStyle) {
  const struct {
    std::string sequences;
    TextStyle style;
    const char* note;
  } rows[] = {
      {"\x1b[38;5;208m", {.foreground = 208}, "palette foreground"},
      {"\x1b[48;2;1;2;300m", {.background = kRgbColour | 0x0102ff}, "a component past 255 is clamped"},
      {"\x1b[38;5;208m\x1b[38;5;999m", {}, "no such palette entry"},
      {"\x1b[3;4;7m", {.italic = true, .underline = true, .inverse = true}, "attributes on"},
      {"\x1b[3;4;7m\x1b[23;24;27m", {}, "attributes off"},
      {"\x1b[1;31m\x1b[m", {}, "no parameter is a reset"},
      {"\x1b[" + std::string(200, '1') + "m", {}, "over-long parameters change nothing"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    AnsiReader reader;
    EXPECT_EQ(reader.read(row.sequences).size(), 0u);
    EXPECT_EQ(reader.style(), row.style);
  }
  EXPECT_EQ(palette_rgb(196), 0xff0000u);
  EXPECT_EQ(palette_rgb(232), 0x080808u);
  EXPECT_EQ(palette_rgb(9), 0xff0000u);
}

TEST(AnsiReader, OtherSequencesVanishAndMalformedOnesGiveTheirTextBack) {
  const struct {
    std::string received;
    std::string shown;
    const char* note;
  } rows[] = {
      {"\x1b[2J\x1b[1;1Htop\x1b[K\x1b]0;title\x07 line\x1b]2;t\x1b\\!\x1b(B\x1b" "7x", "top line!x",
       "cursor, erase, title and charset sequences"},
      {"\x1b[12\r\nOk\r\n", "\r\nOk\r\n", "a line end breaks a control sequence off and is text"},
      {"\x1b\xe9t\xe9", "\xe9t\xe9", "ESC followed by a byte that starts nothing"},
      {"\x1b]0;no end\r\nvisible", "\r\nvisible", "a title that never ends stops at a line end"},
      {"\x1b]0;" + std::string(kOscChars + 10, 'x'), std::string(12, 'x'), "\"0;\" and 254 x are the title"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    AnsiReader reader;
    EXPECT_EQ(reader.strip(row.received), row.shown);
  }
}

TEST(Cp1252, EveryByteSurvivesTheRoundTripHighBytesAreTheWindowsCharactersAndBadUtf8IsReplaced) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all)), all);
  EXPECT_EQ(cp1252_to_utf8("\x80\x85\x99\x9f\xa0\xe9\xff"), "\u20ac\u2026\u2122\u0178\u00a0\u00e9\u00ff");
  EXPECT_EQ(cp1252_to_unicode(0x81), U'\u0081');  // undefined in the code page: kept as itself
  EXPECT_EQ(unicode_to_cp1252(U'\u0153'), 0x9c);
  EXPECT_EQ(unicode_to_cp1252(U'\u0100'), std::nullopt);
  // Malformed UTF-8 becomes one replacement per bad byte.
  EXPECT_EQ(utf8_to_cp1252("a\xc3"), "a?");              // cut short at the end
  EXPECT_EQ(utf8_to_cp1252("\xc3(b"), "?(b");            // missing continuation
  EXPECT_EQ(utf8_to_cp1252("\xc0\xaf"), "??");           // overlong form of '/'
  EXPECT_EQ(utf8_to_cp1252("\xed\xa0\x80x"), "???x");    // a surrogate
  EXPECT_EQ(utf8_to_cp1252("\xf0\x9f\x98\x80", '_'), "_");  // valid, but no byte for it
  EXPECT_EQ(utf8_to_cp1252("\xff\xfe"), "??");
}

TEST(Cp1252, TypedUtf8SplitBetweenReadsMakesOneCharacter) {
  Utf8Stream typed;
  EXPECT_EQ(typed.feed("a\xe2\x82"), U"a");       // the euro sign waits for its last byte
  EXPECT_EQ(typed.feed("\xac\xc3"), U"\u20ac");
  EXPECT_EQ(typed.feed("("), U"\ufffd(");          // a lead byte the next read did not continue
  EXPECT_EQ(typed.feed("\xf0\x9f\x98\x80"), U"\U0001f600");
}

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0;;) {
    const std::size_t end = text.find("\r\n", pos);
    lines.emplace_back(text.substr(pos, end - pos));
    if (end == std::string_view::npos) return lines;
    pos = end + 2;
  }
}

// The other languages keep the English text's lines, numbering and product headings.
TEST(GettingStarted, TranslationsKeepTheStructureAndFitTheCodePage) {
  const auto english = lines_of(getting_started_text('e'));
  for (char language : {'f', 'd', 'F', 'D'}) {
    SCOPED_TRACE(language);
    const std::string_view text = getting_started_text(language);
    EXPECT_NE(text, getting_started_text('e'));
    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), english.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].empty(), english[i].empty()) << " line " << i;
      const bool numbered = !english[i].empty() && std::isdigit(static_cast<unsigned char>(english[i][0]));
      if (numbered || english[i].starts_with("VexaLog") || english[i].starts_with(" ")) {
        EXPECT_EQ(lines[i].substr(0, 3), english[i].substr(0, 3)) << " line " << i;
      }
    }
    EXPECT_EQ(utf8_to_cp1252(text).find('?'), std::string::npos);
  }
  EXPECT_EQ(getting_started_text('x'), getting_started_text('e'));
}

TEST(GettingStarted, ShownAsBoardTextOnlyForTheFamilyProduct) {
  TextBufferView view;
  Terminal terminal{view};
  show_getting_started(terminal, false, 'f');
  EXPECT_EQ(view.contents(), "");
  show_getting_started(terminal, true, 'f');
  EXPECT_EQ(view.contents(), utf8_to_cp1252(getting_started_text('f')));
  EXPECT_NE(view.contents().find("\xe9"), std::string::npos);  // an e acute as one byte
  EXPECT_FALSE(terminal.at_line_start());                      // no break after the last line
}

}  // namespace
}  // namespace vexa
