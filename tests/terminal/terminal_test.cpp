// The terminal and its view, scrollback, log and threads; ANSI, Windows-1252, sending files, the
// hex view, stamps, the command history and the keyboard.
#include "terminal/terminal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1252.h"
#include "base/job_lines.h"
#include "support/fixed_clocks.h"
#include "support/numbered_lines.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"
#include "support/temp_dir.h"
#include "terminal/ansi_reader.h"
#include "terminal/command_history.h"
#include "terminal/getting_started.h"
#include "terminal/hex_dump.h"
#include "terminal/keyboard.h"
#include "terminal/line_stamps.h"
#include "terminal/scrollback.h"
#include "terminal/send_file.h"
#include "terminal/text_views.h"

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
    bool ansi;
  } rows[] = {
      {"1\r2\n3\r\n4\r\r\n5\n\r6\r\r7", "1\r\n2\r\n3\r\n4\r\n5\r\n\r\n6\r\n7", false},
      {std::string("x\r\0\ny", 5), "x\r\ny", false},  // a NUL does not break the CR LF pair
      {"\x1b[32mgreen\x01\r\n", "\x1b[32mgreen^A\r\n", true},  // ESC reaches the view only with ANSI on
      {"\x01\x07\t\x1a\x1b\x1f\x7f\x80\xe9\xff", "^A^G\t^Z^[^_\x7f\x80\xe9\xff", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown);
    terminal.clear();
    terminal.set_ansi(row.ansi);
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

// The default rule drops its fixed older part; a set character limit drops half of itself,
// and no limit is below 1000.
TEST_F(TerminalFixture, TheViewDropsOlderHalvesOnlyFromTheTrimLength) {
  const struct {
    std::size_t limit, old_length, dropped;
  } rows[] = {{kViewTrimAtChars, kViewTrimAtChars - 1, 0}, {kViewTrimAtChars, kViewTrimAtChars, 7500},
              {kViewTrimAtChars, 29000, 15000},          {kLeastScrollbackChars, 1999, 0},
              {kLeastScrollbackChars, 2000, 1000},       {10, 1000, 500}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.old_length);
    std::string old;
    for (std::size_t i = 0; i < row.old_length; ++i) old += static_cast<char>('A' + i % 26);
    terminal.set_scrollback(ScrollbackLimit::characters(row.limit));
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
  terminal.put_text("pending");
  terminal.clear();
  EXPECT_TRUE(terminal.at_line_start());
  terminal.print_line("after");
  EXPECT_EQ(view.contents(), "after\r\n");
}

TEST(TerminalThreads, ConcurrentPutsAreShownOrCounted) {
  TextBufferView view;
  Terminal terminal{view};
  terminal.set_scrollback(ScrollbackLimit::characters(kMostScrollbackChars));  // nothing is trimmed
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
  EXPECT_EQ(static_cast<long>(view.length()) + counters.dropped_full + counters.dropped_busy, long{kThreads} * kChars);
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
  auto on_worker = [](std::function<void()> work) { std::thread(std::move(work)).join(); };
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
  test::TempDir dir;
  const FixedClock clock{make_local_time(2026, 12, 4, 6, 19, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};
  log.set_mode(1);
  log.apply_log_mode();
  Terminal terminal{view, &log};
  terminal.put_text("caf\xe9 \x80\r\n");  // board bytes: logged by the receive side, not here
  log.log_board_text('<', "caf\xe9 \x80\n");
  terminal.print_line("com schlie\xc3\x9f" "en\a");  // the log gets the text, not its caret form
  std::string accents;
  for (int i = 0; i < 250; ++i) accents += "\xc3\xa9";  // 250 characters, 500 bytes
  terminal.print_linef("%s", accents.c_str());  // formatted: cut by characters too, after the format
  terminal.print_line("\xe4\xb8\xad");  // no Windows-1252 character for it
  log.log_board_text('>', "\xe9t\xe9\n");
  EXPECT_EQ(view.contents(), "caf\xe9 \x80\r\ncom schlie\xdf" "en^G\r\n" + std::string(199, '\xe9') + "\r\n?\r\n");
  EXPECT_EQ(out.str(), "caf\xc3\xa9 \xe2\x82\xac\ncom schlie\xc3\x9f" "en^G\n" + accents.substr(0, 398) + "\n?\n");
  log.close();
  EXPECT_EQ(test::TempDir::read(log.path()), "<caf\xc3\xa9 \xe2\x82\xac\n com schlie\xc3\x9f" "en\a\n" +
                                                 accents.substr(0, 398) + "\n\xe4\xb8\xad\n>\xc3\xa9t\xc3\xa9\n");
}

using Runs = std::vector<std::pair<std::string, TextStyle>>;

TEST(AnsiReader, ColoursBoldAndResetSplitTheTextIntoRunsAndACutSequenceActsInTheNextRead) {
  AnsiReader reader;
  const auto read = [&reader](std::string_view text) {
    Runs runs;
    for (StyledRun& run : reader.read(text)) runs.emplace_back(std::move(run.text), run.style);
    return runs;
  };
  EXPECT_EQ(read("plain \x1b[1;31mred bold\x1b[0m back \x1b[92;44mgreen on blue\x1b[39;49m."),
            (Runs{{"plain ", {}},
                  {"red bold", {.foreground = 1, .bold = true}},
                  {" back ", {}},
                  {"green on blue", {.foreground = 10, .background = 4}},  // bright green
                  {".", {}}}));
  EXPECT_EQ(read("ab\x1b[3"), (Runs{{"ab", {}}}));
  EXPECT_EQ(read("4mcd"), (Runs{{"cd", {.foreground = 4}}}));
}

// What each sequence leaves visible and as the style: SGR sets it, other sequences vanish, and
// malformed ones give their text back.
TEST(AnsiReader, EachSequenceLeavesItsTextAndStyle) {
  const struct {
    std::string received;
    std::string shown;
    TextStyle style;
    const char* note;
  } rows[] = {
      {"\x1b[38;5;208m", "", {.foreground = 208}, "palette foreground"},
      {"\x1b[48;2;1;2;256m", "", {.background = kRgbColour | 0x0102ff}, "a component past 255 is clamped"},
      {"\x1b[38;5;208m\x1b[38;5;999m", "", {}, "no such palette entry"},
      {"\x1b[3;4;7m", "", {.italic = true, .underline = true, .inverse = true}, "attributes on"},
      {"\x1b[3;4;7m\x1b[23;24;27m", "", {}, "attributes off"},
      {"\x1b[1;31m\x1b[m", "", {}, "no parameter is a reset"},
      {"\x1b[" + std::string(200, '1') + "m", "", {}, "over-long parameters change nothing"},
      {"\x1b[1m\x1b[2J\x1b[1;1Htop\x1b[K\x1b]0;title\x07 line\x1b]2;t\x1b\\!\x1b(B\x1b" "7x", "top line!x",
       {.bold = true}, "cursor, erase, title and charset sequences keep the style"},
      {"\x1b[1m\x1b[12\r\nOk\r\n", "\r\nOk\r\n", {.bold = true}, "a line end breaks a control sequence off and is text"},
      {"\x1b\xe9t\xe9", "\xe9t\xe9", {}, "ESC followed by a byte that starts nothing"},
      {"\x1b]0;no end\r\nvisible", "\r\nvisible", {}, "a title that never ends stops at a line end"},
      {"\x1b]0;" + std::string(kOscChars + 10, 'x'), std::string(12, 'x'), {}, "\"0;\" and 254 x are the title"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    AnsiReader reader;
    EXPECT_EQ(reader.strip(row.received), row.shown);
    EXPECT_EQ(reader.style(), row.style);
  }
  EXPECT_EQ(palette_rgb(196), 0xff0000u);
  EXPECT_EQ(palette_rgb(232), 0x080808u);
  EXPECT_EQ(palette_rgb(9), 0xff0000u);
}

TEST(Cp1252, EveryByteSurvivesTheRoundTripHighBytesAreTheWindowsCharactersBadUtf8IsReplaced) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all)), all);
  EXPECT_EQ(cp1252_to_utf8("\x80\x85\x99\x9f\xa0\xe9\xff"), "\u20ac\u2026\u2122\u0178\u00a0\u00e9\u00ff");
  EXPECT_EQ(cp1252_to_unicode(0x81), U'\u0081');  // undefined in the code page: kept as itself
  EXPECT_EQ(utf8_to_cp1252("a\xc3"), "a?");              // cut short at the end
  EXPECT_EQ(utf8_to_cp1252("\xc3(b"), "?(b");            // missing continuation
  EXPECT_EQ(utf8_to_cp1252("\xc0\xaf"), "??");           // overlong form of '/'
  EXPECT_EQ(utf8_to_cp1252("\xed\xa0\x80x"), "???x");    // a surrogate
  EXPECT_EQ(utf8_to_cp1252("\xf0\x9f\x98\x80", '_'), "_");  // valid, but no byte for it
  EXPECT_EQ(utf8_to_cp1252("\xff\xfe"), "??");
  // Typed UTF-8 split between reads makes one character.
  Utf8Stream typed;
  EXPECT_EQ(typed.feed("a\xe2\x82"), U"a");       // the euro sign waits for its last byte
  EXPECT_EQ(typed.feed("\xac\xc3"), U"\u20ac");
  EXPECT_EQ(typed.feed("("), U"\ufffd(");          // a lead byte the next read did not continue
  EXPECT_EQ(typed.feed("\xf0\x9f\x98\x80"), U"\U0001f600");
}

// Each language by its letter, either case, English for any other; shown as board text, and
// only for the family product.
TEST(GettingStarted, EachLanguageByItsLetterIsShownAsBoardTextOnlyForTheFamily) {
  EXPECT_NE(getting_started_text('f'), getting_started_text('e'));
  EXPECT_NE(getting_started_text('d'), getting_started_text('e'));
  EXPECT_NE(getting_started_text('d'), getting_started_text('f'));
  EXPECT_EQ(getting_started_text('D'), getting_started_text('d'));
  EXPECT_EQ(getting_started_text('x'), getting_started_text('e'));
  TextBufferView view;
  Terminal terminal{view};
  show_getting_started(terminal, false, 'f');
  EXPECT_EQ(view.contents(), "");
  show_getting_started(terminal, true, 'F');
  EXPECT_EQ(view.contents(), utf8_to_cp1252(getting_started_text('f')));
  EXPECT_FALSE(terminal.at_line_start());                      // no break after the last line
}

using clock_type = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Stop, and the end line as the job gate words it from the sender's count.
struct StopSwitch : JobControl {
  StopSwitch(ReportSink& r, const Messages& m) : report(r), messages(m) {}
  bool stop_requested() const override { return stop.load(); }
  void progress(JobUnit unit, long done, long total) const override { last = {unit, done, total}; }
  void finish(const JobEnd& end) const override { report.print_line(job_end_line(end, last, messages)); }
  std::atomic<bool> stop{false};
  ReportSink& report;
  const Messages& messages;
  mutable JobProgress last;
};

// The times of the sender's writes, one a line with its line end, and the echo shown before each.
struct TimedPort : test::ScriptedPort {
  explicit TimedPort(test::SharedEcho& e) : echo(e) {}
  bool write_text(std::string_view text) override {
    writes_at.push_back(clock_type::now());
    shown_before.push_back(echo.text());
    return ScriptedPort::write_text(text);
  }
  test::SharedEcho& echo;
  std::vector<clock_type::time_point> writes_at;
  std::vector<std::string> shown_before;
};

class SendFileTest : public ::testing::Test {
 protected:
  SendFileTest() : sender(report, echo, messages, status) {}

  test::TempDir dir;
  std::string file = dir.write("lines.txt", "one\r\ntwo\nthree\n");
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  test::RecordingStatus status;
  StopSwitch control{report, messages};
  FileSender sender;
  TimedPort port{echo};
};

TEST_F(SendFileTest, EachLineWaitsForThePauseTheEchoOrThePrompt) {
  SendFileOptions options;
  options.pause_ms = 80;
  EXPECT_TRUE(sender.send(file, port, options, control));
  EXPECT_EQ(port.writes(), (std::vector<std::string>{"one\r", "two\r", "three\r"}));
  for (std::size_t i = 1; i < 3; ++i) EXPECT_GE(port.writes_at[i] - port.writes_at[i - 1], 80ms) << i;
  EXPECT_EQ(status.progress(), (std::vector<std::string>{"Sending line 1/3", "Sending line 2/3", "Sending line 3/3", ""}));
  // Waiting, each line goes out only once the answer to the one before was shown: its echo,
  // or the prompt after the board's own text.
  TimedPort echoing{echo};
  echoing.respond = [](std::string_view line) { return std::string(line) + "\n"; };
  options.pause_ms = 0;
  options.wait = SendWait::echo;
  EXPECT_TRUE(sender.send(file, echoing, options, control));
  EXPECT_EQ(echoing.shown_before, (std::vector<std::string>{"", "one", "one\r\ntwo"}));
  EXPECT_EQ(echo.text(), "one\r\ntwo\r\nthree");

  TimedPort board{echo};
  board.respond = [](std::string_view line) { return "ti=" + std::string(line.substr(0, 1)) + "\r\nOk\r\n"; };
  options.wait = SendWait::prompt;
  options.prompt = "Ok\r\n";
  options.line_end = "\n";
  EXPECT_TRUE(sender.send(file, board, options, control));
  EXPECT_EQ(board.writes(), (std::vector<std::string>{"one\n", "two\n", "three\n"}));
  EXPECT_TRUE(board.shown_before[2].ends_with("ti=t\r\nOk\r\n")) << board.shown_before[2];
}

TEST_F(SendFileTest, ASilentBoardStopAnUnreadableFileAndALostPortEndItWithAReport) {
  SendFileOptions silent;
  silent.wait = SendWait::prompt;
  silent.wait_ms = 100;
  EXPECT_FALSE(sender.send(file, port, silent, control));
  EXPECT_TRUE(report.contains("Line 1 was not answered in time: sending stopped."));
  EXPECT_EQ(port.writes(), std::vector<std::string>{"one\r"});
  port.forget_writes();
  control.stop = true;
  EXPECT_FALSE(sender.send(file, port, {}, control));
  EXPECT_TRUE(report.contains("Send file lines.txt: stopped, 0 of 3 lines sent."));
  EXPECT_TRUE(port.writes().empty());
  control.stop = false;
  control.last = {};  // as the gate forgets a job's count when it ends
  EXPECT_FALSE(sender.send(dir.file("none.txt"), port, {}, control));
  EXPECT_TRUE(report.contains("The file cannot be read: " + dir.file("none.txt") + ": No such file or directory"));
  EXPECT_EQ(report.lines().back(), "Send file none.txt: failed.");
  // The port goes away after the first line: the end says how far it got.
  port.respond = [&](std::string_view) {
    port.open = false;
    return std::string();
  };
  EXPECT_FALSE(sender.send(file, port, {}, control));
  EXPECT_EQ(report.lines().back(), "Send file lines.txt: failed, 1 of 3 lines sent.");
}

TEST(HexView, EveryByteValueShowsAsHexAndPrintableText) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  HexDump dump;
  std::string rows;  // fed in uneven pieces, as the port hands them out
  for (std::size_t at = 0; at < all.size(); at += 7) rows += dump.add(ByteDirection::received, all.substr(at, 7));
  EXPECT_EQ(dump.open_row(), "");
  const std::size_t row = rows.size() / 16;
  // The printable range's two ends: a blank is shown, DEL is not.
  EXPECT_EQ(rows.substr(2 * row, row), "< 00000020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F   !\"#$%&'()*+,-./\r\n");
  EXPECT_EQ(rows.substr(7 * row, row), "< 00000070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  pqrstuvwxyz{|}~.\r\n");
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
      {"0A1", "", "0A1"},
      {"41 0x", "", "0x"},
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

TEST(Scrollback, TheSettingsAreHeldWithinTheirBoundsAndZeroLinesKeepsTheCharacterRule) {
  const struct {
    const char* text;
    std::size_t lines;
    std::size_t chars;
  } rows[] = {
      {"", kDefaultScrollbackLines, kDefaultScrollbackChars},
      {"-5", kDefaultScrollbackLines, kDefaultScrollbackChars},
      {" 2500 ", 2500, 2500},
      {"100", kLeastScrollbackLines, kLeastScrollbackChars},
      {"99999999999999999999", kMostScrollbackLines, kMostScrollbackChars},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(scrollback_lines(row.text), row.lines) << row.text;
    EXPECT_EQ(scrollback_chars(row.text), row.chars) << row.text;
  }
  // 0 lines is the default terminal's character rule (TheViewDropsOlderHalves pins where it trims).
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
      {{EnterMode::crlf, BackspaceMode::bs, false}, true, "\r\n\b"},  // the switch turns only CR into LF
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
