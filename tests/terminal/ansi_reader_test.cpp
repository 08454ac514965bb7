// ANSI escape sequences taken out of the board's text and turned into styles: SGR colours in
// their 16-, 256- and 24-bit forms, sequences cut between reads, and malformed ones that must
// give back the text they would otherwise hide.
#include "terminal/ansi_reader.h"

#include <gtest/gtest.h>

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
      {"\x1b[48;2;1;2;300m", {.background = kRgbColour | 0x0102ff}, "a part past 255 is clamped"},
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

}  // namespace
}  // namespace vexa
