// The keyboard: keys and pastes as bytes on the wire, the Enter/Backspace choices and the
// command history. Typed characters, the local echo and the option texts are in
// cli/terminal_options_test.cpp; the history file across a restart is display_choices_test.
#include "terminal/keyboard.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "terminal/command_history.h"
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
  test::TempDir dir;
  // Keys as their bytes: Enter is CR, Backspace is BS.
  void type(std::string_view keys) {
    for (char c : keys) keyboard.key_command(static_cast<unsigned char>(c));
  }
};

TEST_F(KeyboardFixture, CtrlCSendsNothingCtrlZShowsAsCaretZOtherKeysGoOutAsBytes) {
  terminal.put_text("prompt>");
  type("\x03" "a");
  keyboard.key_command(0x100 | 'b');  // only the low byte counts
  type("\xe9\x1b");
  EXPECT_EQ(view.contents(), "");
  keyboard.key_command(26);
  EXPECT_EQ(link.sent, "ab\xe9\x1b\x1a");
  EXPECT_EQ(view.contents(), "prompt>^Z");  // flushed at once, with what was pending
}

TEST_F(KeyboardFixture, PasteSendsTheClipboardAsOneWindows1252Text) {
  keyboard.key_command(22);  // nothing readable, then nothing at all: nothing sent
  clipboard.contents = "";
  keyboard.key_command(22);
  EXPECT_TRUE(link.writes.empty());
  clipboard.contents = "caf\xc3\xa9 \xe2\x82\xac 5\xe4\xb8\xad\n";  // "café € 5" + CJK + LF
  keyboard.key_command(22);
  EXPECT_EQ(link.sent, "caf\xe9 \x80 5?\n");
  EXPECT_EQ(link.writes, std::vector<std::string>{"text"});
}

TEST_F(KeyboardFixture, EnterAndBackspaceSendTheChosenBytes) {
  struct Case {
    KeyOptions options;
    bool line_feed;
    const char* bytes;
  };
  const Case cases[] = {
      {{EnterMode::cr, BackspaceMode::bs, false}, false, "\r\b"},
      {{EnterMode::cr, BackspaceMode::bs, false}, true, "\n\b"},  // the debug switch as before
      {{EnterMode::lf, BackspaceMode::del, false}, false, "\n\x7f"},
      {{EnterMode::lf, BackspaceMode::bs, false}, true, "\n\b"},
      {{EnterMode::crlf, BackspaceMode::del, false}, false, "\r\n\x7f"},
      {{EnterMode::crlf, BackspaceMode::bs, false}, true, "\r\n\b"},
  };
  for (const auto& c : cases) {
    link.sent.clear();
    line_feed = c.line_feed;
    keyboard.set_options(c.options);
    type("\r\b");
    EXPECT_EQ(link.sent, c.bytes) << enter_mode_text(c.options.enter) << " " << c.line_feed;
  }
  EXPECT_EQ(view.contents(), "");  // no local echo
}

TEST_F(KeyboardFixture, HistoryKeepsTypedLinesAndRecallRetypesThem) {
  CommandHistory history(dir.file("history.txt"));
  keyboard.set_history(&history);
  type("conf\rtx\bim\rti\r\r");  // corrected to "tim"; an empty line is not kept
  EXPECT_EQ(history.lines(), (std::deque<std::string>{"conf", "tim", "ti"}));
  link.sent.clear();
  keyboard.key_command('a');
  EXPECT_TRUE(keyboard.recall(true));   // "a" erased, "ti" typed
  EXPECT_TRUE(keyboard.recall(true));   // "ti" erased, "tim"
  EXPECT_TRUE(keyboard.recall(true));   // "conf"
  EXPECT_TRUE(keyboard.recall(true));   // stays at the oldest
  EXPECT_TRUE(keyboard.recall(false));  // "tim"
  EXPECT_EQ(link.sent, "a\bti\b\btim\b\b\bconf\b\b\b\bconf\b\b\b\btim");
  keyboard.key_command(kKeyEnter);
  EXPECT_EQ(history.lines().back(), "tim");  // equal to a recalled line: kept again at the end
  keyboard.set_history(nullptr);
  EXPECT_FALSE(keyboard.recall(true));
}

}  // namespace
}  // namespace vexa
