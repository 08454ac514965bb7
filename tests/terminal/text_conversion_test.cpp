// Windows-1252 board text against UTF-8, and the getting-started text in each language.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "terminal/getting_started.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace vexa {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTripAndHighBytesAreTheWindowsCharacters) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all)), all);
  EXPECT_EQ(cp1252_to_utf8("\x80\x85\x99\x9f\xa0\xe9\xff"), "\u20ac\u2026\u2122\u0178\u00a0\u00e9\u00ff");
  EXPECT_EQ(cp1252_to_unicode(0x81), U'\u0081');  // undefined in the code page: kept as itself
  EXPECT_EQ(unicode_to_cp1252(U'\u0153'), 0x9c);
  EXPECT_EQ(unicode_to_cp1252(U'\u0100'), std::nullopt);
}

TEST(Cp1252, MalformedUtf8BecomesOneReplacementPerBadByte) {
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
