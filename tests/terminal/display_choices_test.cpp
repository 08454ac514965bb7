// The terminal's optional choices in the core: the hex view and typed hex, time stamps, the
// command history file, the scrollback's line and character rules (an owner far behind
// included); the keyboard: keys and pastes as bytes, Enter and Backspace, the history recall.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "terminal/command_history.h"
#include "terminal/hex_dump.h"
#include "terminal/keyboard.h"
#include "terminal/line_stamps.h"
#include "terminal/scrollback.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"
#include "support/numbered_lines.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

TEST(HexView, EveryByteValueShowsAsHexAndPrintableText) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  HexDump dump;
  // Fed in uneven pieces, as the port hands them out.
  std::string rows;
  for (std::size_t at = 0; at < all.size(); at += 7) rows += dump.add(ByteDirection::received, all.substr(at, 7));
  EXPECT_EQ(dump.open_row(), "");
  const std::size_t row = rows.size() / 16;
  EXPECT_EQ(rows.substr(0, row), "< 00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ................\r\n");
  EXPECT_EQ(rows.substr(4 * row, row), "< 00000040  40 41 42 43 44 45 46 47  48 49 4A 4B 4C 4D 4E 4F  @ABCDEFGHIJKLMNO\r\n");
  EXPECT_EQ(rows.substr(7 * row, row), "< 00000070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  pqrstuvwxyz{|}~.\r\n");
  EXPECT_EQ(rows.substr(15 * row), "< 000000F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  ................\r\n");
}

TEST(HexSend, TypedHexBecomesBytesAndBadPiecesAreNamed) {
  const struct {
    std::string typed;
    std::string bytes;
    std::string bad;  // empty: the text is good
  } rows[] = {
      {" 0a,1b\tff ", "\x0a\x1b\xff", ""},
      {"0x41 42 7", "AB\x07", ""},
      {"0A1BFF", "\x0a\x1b\xff", ""},
      {"", "", ""},
      {"0A1", "", "0A1"},
      {"41 0x", "", "0x"},
      {"1 2 -3", "", "-3"},
      {"0A 1B; FF", "", "1B;"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    const HexParse parse = parse_hex_bytes(row.typed);
    EXPECT_EQ(parse.ok, row.bad.empty());
    EXPECT_EQ(parse.bad, row.bad);
    EXPECT_EQ(parse.bytes, row.bytes);
  }
}

TEST(LineStamps, EachLineGetsTheTimeOfItsFirstByte) {
  using namespace std::chrono;
  const auto t0 = system_clock::now();
  EXPECT_NE(line_stamp(t0), line_stamp(t0 + milliseconds(1)));
  LineStamper stamper;
  std::string out = stamper.stamp("first li", t0);
  out += stamper.stamp("ne\r\n\r\nsec", t0 + milliseconds(5));  // the line began at t0
  out += stamper.stamp("ond\rthird\n", t0 + milliseconds(10));
  EXPECT_EQ(out, line_stamp(t0) + "first line\r\n\r\n" + line_stamp(t0 + milliseconds(5)) + "second\r" +
                     line_stamp(t0 + milliseconds(10)) + "third\n");
}

TEST(CommandHistoryFile, KeepsTheNewestLinesWithinItsLimits) {
  test::TempDir dir;
  const std::string file = dir.file("h.txt");
  {
    CommandHistory history(file, 3);
    for (const char* line : {"a", "b", "b", "c", "d"}) history.add(line);
    EXPECT_EQ(history.lines(), (std::deque<std::string>{"b", "c", "d"}));
    history.add(std::string(kHistoryLineChars + 40, 'x') + "\ny");
    EXPECT_EQ(history.lines().back().size(), kHistoryLineChars);
  }
  CommandHistory again(file, 3);  // the next run
  EXPECT_EQ(again.lines(), (std::deque<std::string>{"c", "d", std::string(kHistoryLineChars, 'x')}));
  EXPECT_EQ(again.newer(), "");  // nothing newer than what is being typed
  // A file that cannot be written leaves the history working in memory.
  CommandHistory nowhere(dir.file("missing/dir/h.txt"));
  nowhere.add("conf");
  EXPECT_TRUE(nowhere.save_failed());
  ASSERT_NE(nowhere.older(), nullptr);
  EXPECT_EQ(*nowhere.older(), "conf");
}

// A terminal under a scrollback limit whose view any thread may show, or only the owner's
// flushes. from_worker puts numbered lines from another thread, as the receive thread does,
// step lines a piece, flushing after each.
struct Scrolled {
  explicit Scrolled(ScrollbackLimit limit, ViewThreads threads = ViewThreads::owner_only)
      : terminal{view, nullptr, threads, [] {}} {
    terminal.set_scrollback(limit);
  }
  void from_worker(int first, int last, int step) {
    std::thread worker([&] {
      for (int n = first; n <= last; n += step) {
        terminal.put_text(test::numbered_lines(n, n + step - 1));
        terminal.flush();
      }
    });
    worker.join();
  }
  TextBufferView view;
  Terminal terminal;
};

TEST(Scrollback, TheCharacterRuleKeepsTheNewestEndWithinTheSetting) {
  const std::string line = std::string(98, 'x') + "\r\n";
  for (std::size_t keep : {std::size_t{40000}, kLeastScrollbackChars}) {
    Scrolled s(ScrollbackLimit::characters(keep), ViewThreads::any);
    for (int i = 0; i < 1000; ++i) s.terminal.put_text(std::to_string(i % 10) + line);
    s.terminal.flush();
    EXPECT_LE(s.view.contents().size(), keep + kPendingChars) << keep;  // trimmed before each append
    EXPECT_GE(s.view.contents().size(), keep / 2 - 200) << keep;
    EXPECT_EQ(s.view.contents().substr(s.view.contents().size() - 101), "9" + line);
  }
}

TEST(Scrollback, TheLineRuleKeepsTheNewestLinesWhateverTheBurstsAndShowsABacklogInParts) {
  // Bursts that end inside a line, flushed at once: the view holds exactly the newest lines.
  const ScrollbackLimit limit = ScrollbackLimit::of_lines(kLeastScrollbackLines);
  Scrolled bursts(limit, ViewThreads::any);
  const std::string stream = test::numbered_lines(1, 3000);
  for (std::size_t at = 0; at < stream.size(); at += 777) {
    bursts.terminal.put_text(std::string_view(stream).substr(at, 777));
    bursts.terminal.flush();
    ASSERT_LE(bursts.view.line_ends(), kLeastScrollbackLines) << at;
  }
  EXPECT_EQ(bursts.view.contents(), test::numbered_lines(3000 - kLeastScrollbackLines + 1, 3000));
  EXPECT_EQ(bursts.view.line_ends(), count_line_ends(bursts.view.contents()));

  // A backlog reaches the owner in parts of at most kOwnerShowChars, each ending with a line.
  Scrolled parts(ScrollbackLimit::of_lines(1000));
  parts.from_worker(1, 1000, 1000);
  parts.terminal.flush();
  EXPECT_EQ(parts.view.contents(), test::numbered_lines(1, kOwnerShowChars / test::kNumberedLineChars));
  for (int i = 0; i < 10 && parts.terminal.queued_chars() > 0; ++i) parts.terminal.flush();
  EXPECT_EQ(parts.view.contents(), test::numbered_lines(1, 1000));

  // A board that never ends a line cannot grow the view past the ceiling; the newest text stays.
  Scrolled endless(limit, ViewThreads::any);
  std::string run(997, 'x');
  for (int i = 0; i < 200; ++i) {
    run.back() = static_cast<char>('a' + i % 26);
    endless.terminal.put_text(run);
    endless.terminal.flush();
  }
  EXPECT_LT(endless.view.length(), limit.trim_chars());
  EXPECT_GE(endless.view.length(), limit.trim_chars() / 2 - 1000);
  EXPECT_EQ(endless.view.contents().back(), 'a' + 199 % 26);
}

// An owner that falls behind: the out-box keeps no more than the view would (the line rule cuts
// it back at its backlog), dropping from the oldest end, so the owner finally shows one unbroken
// tail ending with the last line.
TEST(Scrollback, AnOwnerFarBehindGetsAnUnbrokenTailUnderEitherRule) {
  for (const std::size_t lines : {std::size_t{0}, kLeastScrollbackLines}) {
    SCOPED_TRACE(lines);
    const ScrollbackLimit limit = ScrollbackLimit::of_lines(lines);
    Scrolled late(limit);
    late.from_worker(1, 10, 10);
    late.terminal.flush();  // the owner shows the first lines, then falls behind
    late.from_worker(11, 5000, 10);
    const std::size_t backlog = limit.backlog_lines() * test::kNumberedLineChars;
    EXPECT_LT(late.terminal.queued_chars(), lines ? backlog + 1 : 2 * kViewTrimAtChars);
    for (int i = 0; i < 100 && late.terminal.queued_chars() > 0; ++i) late.terminal.flush();
    EXPECT_EQ(test::contiguous_tail_error(late.view.contents(), 5000), "");
    if (lines) {
      EXPECT_EQ(late.view.contents(), test::numbered_lines(5001 - static_cast<int>(lines), 5000));
    }
    EXPECT_GT(late.terminal.counters().dropped_full, 0);
  }
}

// Out-boxes just below the trim length, each shown by one owner flush: the view grows past the
// trim scratch before its next trim, and must still end with the newest lines.
TEST(Scrollback, TheCharacterTrimOfALongOwnerViewKeepsItsNewestText) {
  Scrolled owned(ScrollbackLimit::characters(kViewTrimAtChars));
  for (int round = 0; round < 4; ++round) {
    owned.from_worker(260 * round + 1, 260 * round + 260, 1);  // 14560 characters
    for (int i = 0; i < 1000 && owned.terminal.queued_chars() > 0; ++i) owned.terminal.flush();
    ASSERT_EQ(test::contiguous_tail_error(owned.view.contents(), 260 * round + 260), "") << "round " << round;
    EXPECT_LT(owned.view.length(), 2 * kViewTrimAtChars);
  }
}

TEST(Scrollback, TheSettingsAreHeldWithinTheirBoundsAndZeroLinesKeepsTheCharacterRule) {
  const struct {
    const char* text;
    std::size_t lines;
    std::size_t chars;
  } rows[] = {
      {"", kDefaultScrollbackLines, kDefaultScrollbackChars},
      {"lots", kDefaultScrollbackLines, kDefaultScrollbackChars},
      {"-5", kDefaultScrollbackLines, kDefaultScrollbackChars},
      {" 2500 ", 2500, 2500},
      {"7", kLeastScrollbackLines, kLeastScrollbackChars},
      {"50000", 50000, 50000},
      {"100", kLeastScrollbackLines, kLeastScrollbackChars},
      {"99999999999999999999", kMostScrollbackLines, kMostScrollbackChars},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(scrollback_lines(row.text), row.lines) << row.text;
    EXPECT_EQ(scrollback_chars(row.text), row.chars) << row.text;
  }
  // 0 lines is the default terminal's character rule (terminal_test.cpp pins where it trims).
  EXPECT_EQ(scrollback_lines("0"), 0u);
  EXPECT_EQ(ScrollbackLimit::of_lines(0), ScrollbackLimit::characters(kViewTrimAtChars));
  EXPECT_EQ(count_line_ends("\r\r\n\n\r\n\r"), 2u);
  // Line ends cut apart by a character trim are not counted.
  TextBufferView cut;
  cut.append("ab\r");
  cut.append("\ncd\r\n");
  EXPECT_EQ(cut.line_ends(), 2u);
  cut.drop_front(3);
  EXPECT_EQ(cut.line_ends(), 1u);
}

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

TEST_F(KeyboardFixture, CtrlCSendsNothingCtrlZShowsAsCaretZOtherKeysAndPastesGoOutAsBytes) {
  terminal.put_text("prompt>");
  type("\x03" "a");
  keyboard.key_command(0x100 | 'b');  // only the low byte counts
  type("\xe9\x1b");
  EXPECT_EQ(view.contents(), "");
  keyboard.key_command(26);
  EXPECT_EQ(link.sent, "ab\xe9\x1b\x1a");
  EXPECT_EQ(view.contents(), "prompt>^Z");  // flushed at once, with what was pending
  // A paste sends the clipboard as one Windows-1252 text.
  link.sent.clear();
  link.writes.clear();
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
