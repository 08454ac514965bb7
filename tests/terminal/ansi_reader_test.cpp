// ANSI escape sequences taken out of the board's text and turned into styles: SGR colours in
// their 16-, 256- and 24-bit forms, sequences cut between reads, and malformed ones that must
// give back the text they would otherwise hide.
#include "terminal/ansi_reader.h"

#include <gtest/gtest.h>

#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace vexa {
namespace {

std::string joined(const std::vector<StyledRun>& runs) {
  std::string text;
  for (const auto& run : runs) text += run.text;
  return text;
}

TEST(AnsiReader, ColoursBoldAndResetSplitTheTextIntoRuns) {
  AnsiReader reader;
  const auto runs = reader.read("plain \x1b[1;31mred bold\x1b[0m back \x1b[92;44mgreen on blue\x1b[39;49m.");
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[0].text, "plain ");
  EXPECT_EQ(runs[0].style, TextStyle{});
  EXPECT_EQ(runs[1].text, "red bold");
  EXPECT_EQ(runs[1].style.foreground, 1);
  EXPECT_TRUE(runs[1].style.bold);
  EXPECT_EQ(runs[2].style, TextStyle{});
  EXPECT_EQ(runs[3].style.foreground, 10);  // bright green
  EXPECT_EQ(runs[3].style.background, 4);
  EXPECT_EQ(runs[4].text, ".");
  EXPECT_EQ(runs[4].style, TextStyle{});
}

TEST(AnsiReader, ExtendedColoursAndAttributesOnAndOff) {
  AnsiReader reader;
  reader.read("\x1b[38;5;208m");
  EXPECT_EQ(reader.style().foreground, 208);
  reader.read("\x1b[48;2;1;2;300m");  // a part past 255 is clamped
  EXPECT_EQ(reader.style().background, kRgbColour | 0x0102ff);
  reader.read("\x1b[38;5;999m");  // no such palette entry
  EXPECT_EQ(reader.style().foreground, kDefaultColour);
  reader.read("\x1b[3;4;7m");
  EXPECT_TRUE(reader.style().italic && reader.style().underline && reader.style().inverse);
  reader.read("\x1b[23;24;27m");
  EXPECT_FALSE(reader.style().italic || reader.style().underline || reader.style().inverse);
  reader.read("\x1b[m");  // no parameter is a reset
  EXPECT_EQ(reader.style(), TextStyle{});
  EXPECT_EQ(palette_rgb(196), 0xff0000u);
  EXPECT_EQ(palette_rgb(232), 0x080808u);
  EXPECT_EQ(palette_rgb(9), 0xff0000u);
}

TEST(AnsiReader, CursorAndTitleSequencesVanishAndACutSequenceEndsInTheNextRead) {
  AnsiReader reader;
  EXPECT_EQ(reader.strip("\x1b[2J\x1b[1;1Htop\x1b[K\x1b]0;title\x07 line\x1b]2;t\x1b\\!\x1b(B\x1b" "7x"), "top line!x");
  EXPECT_EQ(joined(reader.read("ab\x1b[3")), "ab");
  const auto runs = reader.read("4mcd");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].text, "cd");
  EXPECT_EQ(runs[0].style.foreground, 4);
}

TEST(AnsiReader, MalformedSequencesGiveTheirTextBack) {
  AnsiReader reader;
  // A line end breaks a control sequence off; the line end itself is text.
  EXPECT_EQ(reader.strip("\x1b[12\r\nOk\r\n"), "\r\nOk\r\n");
  // ESC followed by a byte that starts nothing.
  EXPECT_EQ(reader.strip("\x1b\xe9t\xe9"), "\xe9t\xe9");
  // A title that never ends stops hiding text after its limit or at a line end.
  EXPECT_EQ(reader.strip("\x1b]0;no end\r\nvisible"), "\r\nvisible");
  const std::string long_title = "\x1b]0;" + std::string(kOscChars + 10, 'x');
  EXPECT_EQ(reader.strip(long_title), std::string(12, 'x'));  // "0;" and 254 x are the title
  // Over-long parameters: the sequence is taken out but changes nothing.
  reader.read("\x1b[" + std::string(200, '1') + "m");
  EXPECT_EQ(reader.style(), TextStyle{});
}

TEST(TerminalAnsi, EscapeReachesTheViewOnlyWhileAnsiIsOn) {
  TextBufferView view;
  Terminal terminal{view};
  terminal.put_text("\x1b[31mred\r\n");
  terminal.set_ansi(true);
  terminal.put_text("\x1b[32mgreen\x01\r\n");
  terminal.set_ansi(false);
  terminal.put_text("\x1b[0m");
  terminal.flush();
  EXPECT_EQ(view.contents(), "^[[31mred\r\n\x1b[32mgreen^A\r\n^[[0m");
}

}  // namespace
}  // namespace vexa
