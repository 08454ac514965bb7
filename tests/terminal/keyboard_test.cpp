#include "terminal/keyboard.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace vexa {
namespace {

struct RecordingLink : KeyboardLink {
  bool write_char(unsigned char c) override {
    sent += static_cast<char>(c);
    writes.push_back("char");
    return true;
  }
  bool write_text(std::string_view bytes) override {
    sent += bytes;
    writes.push_back("text");
    return true;
  }
  std::string sent;
  std::vector<std::string> writes;
};

struct FakeClipboard : Clipboard {
  std::optional<std::string> text() override { return contents; }
  std::optional<std::string> contents;
};

struct KeyboardFixture : ::testing::Test {
  RecordingLink link;
  FakeClipboard clipboard;
  TextBufferView view;
  Terminal terminal{view};
  bool line_feed = false;
  TerminalKeyboard keyboard{link, clipboard, terminal, [this] { return line_feed; }};
};

TEST_F(KeyboardFixture, EnterFollowsTheLineFeedSwitch) {
  keyboard.key_command(13);
  line_feed = true;
  keyboard.key_command(13);
  EXPECT_EQ(link.sent, "\r\n");
  EXPECT_EQ(view.contents(), "");  // typed keys are not echoed by the program
}

TEST_F(KeyboardFixture, CtrlCSendsNothingOtherKeysGoOutAsBytes) {
  keyboard.key_command(3);
  keyboard.key_command('a');
  keyboard.key_command(0x100 | 'b');  // only the low byte counts
  keyboard.key_command(0xE9);
  keyboard.key_command(27);
  EXPECT_EQ(link.sent, "ab\xe9\x1b");
  EXPECT_EQ(view.contents(), "");
}

TEST_F(KeyboardFixture, CtrlZIsSentAndShownAsCaretZ) {
  terminal.put_text("prompt>");
  keyboard.key_command(26);
  EXPECT_EQ(link.sent, "\x1a");
  EXPECT_EQ(view.contents(), "prompt>^Z");  // flushed at once, with what was pending
}

TEST_F(KeyboardFixture, PasteSendsTheClipboardAsOneWindows1252Text) {
  clipboard.contents = "caf\xc3\xa9 \xe2\x82\xac 5\xe4\xb8\xad\n";  // "café € 5" + CJK + LF
  keyboard.key_command(22);
  EXPECT_EQ(link.sent, "caf\xe9 \x80 5?\n");
  EXPECT_EQ(link.writes, std::vector<std::string>{"text"});
}

TEST_F(KeyboardFixture, PasteOfAnEmptyOrUnreadableClipboardSendsNothing) {
  keyboard.key_command(22);
  clipboard.contents = "";
  keyboard.key_command(22);
  EXPECT_TRUE(link.writes.empty());
}

TEST_F(KeyboardFixture, TypedCharactersBecomeTheirWindows1252Byte) {
  EXPECT_TRUE(keyboard.type_character(U'\u20ac'));  // euro sign
  EXPECT_TRUE(keyboard.type_character(U'\u00fc'));  // u umlaut
  EXPECT_TRUE(keyboard.type_character(U'\r'));
  EXPECT_FALSE(keyboard.type_character(U'\u4e2d'));  // no byte for it: nothing sent
  EXPECT_EQ(link.sent, "\x80\xfc\r");
}

}  // namespace
}  // namespace vexa
