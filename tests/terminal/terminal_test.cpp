#include "terminal/terminal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <functional>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "terminal/text_views.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

struct TerminalFixture : ::testing::Test {
  TextBufferView view;
  Terminal terminal{view};
  const std::string& shown() {
    terminal.flush();
    return view.contents();
  }
};

TEST_F(TerminalFixture, LineEndsFoldNulsVanishAndControlsShowAsCarets) {
  const struct {
    std::string received;
    std::string shown;
  } rows[] = {
      {"a\r\nb\n\rc", "a\r\nb\r\n\r\nc"},
      {"1\r2\n3\r\n4\r\r\n5\n\r6\r\r7", "1\r\n2\r\n3\r\n4\r\n5\r\n\r\n6\r\n7"},
      {std::string("x\r\0\ny", 5), "x\r\ny"},  // a NUL does not break the CR LF pair
      {"\x01\x07\t\x1a\x1b\x1f\x7f\x80\xe9\xff", "^A^G\t^Z^[^_\x7f\x80\xe9\xff"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown);
    terminal.clear();
    terminal.put_text(row.received);
    EXPECT_EQ(shown(), row.shown);
  }
}

TEST_F(TerminalFixture, APutFlushesFirstWhenPendingPlusTenWouldPassFiveHundred) {
  terminal.put_text(std::string(491, 'x'));
  EXPECT_EQ(view.contents(), "");
  terminal.put_char('y');
  EXPECT_EQ(view.contents(), std::string(491, 'x'));
  EXPECT_EQ(shown(), std::string(491, 'x') + "y");
  EXPECT_EQ(interns_text(terminal.counters()), "int: 0 0 0 0 0");
  // Two-character forms count twice.
  terminal.clear();
  for (int i = 0; i < 245; ++i) terminal.put_char(1);  // 490 pending
  terminal.put_char('\n');                              // 490 + 10 is not above 500
  EXPECT_EQ(view.contents(), "");
  terminal.put_char('z');  // 492 pending: flush first
  EXPECT_EQ(view.contents().size(), 492u);
  EXPECT_EQ(view.contents().substr(488), "^A\r\n");
}

TEST_F(TerminalFixture, TheViewDropsOlderHalvesOnlyFromTheTrimLength) {
  const struct {
    std::size_t old_length;
    std::size_t dropped;
  } rows[] = {{kViewTrimAtChars - 1, 0}, {kViewTrimAtChars, 7500}, {29000, 15000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.old_length);
    std::string old;
    for (std::size_t i = 0; i < row.old_length; ++i) old += static_cast<char>('A' + i % 26);
    view.set_text(old);
    terminal.put_char('N');
    EXPECT_EQ(shown(), old.substr(row.dropped) + "N");
  }
}

TEST_F(TerminalFixture, PrintLineStartsANewLineOnlyWhenNeeded) {
  terminal.print_line("first");  // fresh terminal: at a line start
  terminal.put_text("partial");
  terminal.print_line("second");
  terminal.put_text("done\n");
  terminal.print_linef("open %s:%d\t%c", "COM3", 9600, 7);
  terminal.put_text("x\r");
  terminal.print_line("");  // a received CR needs no new line
  terminal.put_char('\n');  // after the printed line, an LF is a new line of its own
  EXPECT_EQ(shown(), "first\r\npartial\r\nsecond\r\ndone\r\nopen COM3:9600\t^G\r\nx\r\n\r\n\r\n");
  // Clear drops the view and what is pending, and starts a line.
  terminal.put_text("pending");
  terminal.clear();
  EXPECT_TRUE(terminal.at_line_start());
  terminal.print_line("after");
  EXPECT_EQ(view.contents(), "after\r\n");
}

TEST_F(TerminalFixture, EscapeReachesTheViewOnlyWhileAnsiIsOn) {
  terminal.put_text("\x1b[31mred\r\n");
  terminal.set_ansi(true);
  terminal.put_text("\x1b[32mgreen\x01\r\n");
  terminal.set_ansi(false);
  terminal.put_text("\x1b[0m");
  EXPECT_EQ(shown(), "^[[31mred\r\n\x1b[32mgreen^A\r\n^[[0m");
}

// A terminal whose printed lines also go to a log file (UTF-8), over the given view.
struct LoggedTerminal {
  explicit LoggedTerminal(TerminalView& view) : terminal{view, &log} {
    log.set_mode(1);
    log.apply_log_mode();
  }
  std::string logged() {
    log.close();
    return test::TempDir::read(log.path());
  }
  test::TempDir dir;
  FixedClock clock{make_local_time(2026, 12, 4, 6, 19, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};
  Terminal terminal;
};

// Counts what reaches it and never asks for a trim.
class CountingView : public TerminalView {
 public:
  std::size_t length() const override { return 0; }
  std::string text(std::size_t) const override { return {}; }
  void set_text(std::string_view) override {}
  void append(std::string_view text) override {
    for (char c : text) ++counts[static_cast<unsigned char>(c)];
  }
  void clear() override {}
  std::vector<long> counts = std::vector<long>(256, 0);
};

TEST(TerminalThreads, ConcurrentPutsAreShownOrCounted) {
  CountingView view;
  Terminal terminal{view};
  constexpr int kThreads = 4;
  constexpr int kChars = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&terminal, t] {
      for (int i = 0; i < kChars; ++i) {
        terminal.put_char(static_cast<unsigned char>('A' + t));
        if (i % 1000 == 0) terminal.flush();
      }
    });
  for (auto& thread : threads) thread.join();
  terminal.flush();
  const TerminalCounters counters = terminal.counters();
  long shown = 0;
  for (int t = 0; t < kThreads; ++t) shown += view.counts['A' + t];
  EXPECT_EQ(shown + counters.dropped_full + counters.dropped_busy, long{kThreads} * kChars);
}

// A view on which, while the owner shows its first text, another thread adds a line: the way
// a streaming board refills the out-box as fast as the window shows it.
class RefillingView final : public TextBufferView {
 public:
  std::function<void()> during_first_append;
  void append(std::string_view text) override {
    TextBufferView::append(text);
    if (auto refill = std::exchange(during_first_append, {})) refill();
  }
};

TEST(TerminalThreads, OwnerOnlyViewShowsOneOutboxPerOwnerFlushAndIsWokenOnceForTheRest) {
  RefillingView view;
  std::atomic<int> wakes{0};
  Terminal terminal{view, nullptr, ViewThreads::owner_only, [&wakes] { ++wakes; }};
  terminal.print_line("owner");
  EXPECT_EQ(view.contents(), "owner\r\n");
  auto on_worker = [&terminal](std::function<void()> work) { std::thread(std::move(work)).join(); };
  on_worker([&terminal] {
    terminal.clear();
    terminal.print_line("worker 1");
    terminal.put_text(std::string(600, 'w'));  // past the pending limit: handed over whole
    terminal.print_line("worker 2");
  });
  EXPECT_EQ(view.contents(), "owner\r\n");  // untouched until the owner flushes
  EXPECT_EQ(wakes.load(), 1);                // one wake until the owner has flushed
  view.during_first_append = [&] { on_worker([&terminal] { terminal.print_line("worker 3"); }); };
  terminal.flush();
  // The flush returned after one out-box, leaving the event loop its turn, and a wake is out
  // for the line that came meanwhile.
  const std::string first = "worker 1\r\n" + std::string(600, 'w') + "\r\nworker 2\r\n";
  EXPECT_EQ(view.contents(), first);
  EXPECT_EQ(wakes.load(), 2);
  terminal.flush();
  EXPECT_EQ(view.contents(), first + "worker 3\r\n");
  EXPECT_EQ(wakes.load(), 2);
  on_worker([&terminal] { terminal.print_line("worker 4"); });
  EXPECT_EQ(wakes.load(), 3);  // the owner's flush re-armed the wake
}

// Report lines are the program's own UTF-8 texts; board bytes are Windows-1252. The view keeps
// board text, one byte per character (report lines are cut at 199 characters), the stream shows
// UTF-8, and the log file (UTF-8, a tag or a blank before a new source) gets each right.
TEST(TerminalText, ReportLinesAndBoardBytesAreShownAndLoggedEachAsWhatTheyMean) {
  std::ostringstream out;
  StreamView view{out};
  LoggedTerminal logged{view};
  Terminal& terminal = logged.terminal;
  terminal.put_text("caf\xe9 \x80\r\n");  // board bytes: logged by the receive side, not here
  logged.log.log_board_text('<', "caf\xe9 \x80\n");
  terminal.print_line("com schlie\xc3\x9f" "en\a");  // the log gets the text, not its caret form
  std::string accents;
  for (int i = 0; i < 250; ++i) accents += "\xc3\xa9";  // 250 characters, 500 bytes
  terminal.print_linef("%s", accents.c_str());  // formatted: cut by characters too, after the format
  terminal.print_line("\xe4\xb8\xad");  // no Windows-1252 character for it
  logged.log.log_board_text('>', "\xe9t\xe9\n");
  EXPECT_EQ(view.contents(), "caf\xe9 \x80\r\ncom schlie\xdf" "en^G\r\n" + std::string(199, '\xe9') + "\r\n?\r\n");
  EXPECT_EQ(out.str(), "caf\xc3\xa9 \xe2\x82\xac\ncom schlie\xc3\x9f" "en^G\n" + accents.substr(0, 398) + "\n?\n");
  EXPECT_EQ(logged.logged(), "<caf\xc3\xa9 \xe2\x82\xac\n com schlie\xc3\x9f" "en\a\n" + accents.substr(0, 398) +
                                 "\n\xe4\xb8\xad\n>\xc3\xa9t\xc3\xa9\n");
}

}  // namespace
}  // namespace vexa
