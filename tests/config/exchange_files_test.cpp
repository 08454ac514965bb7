// The configuration exchange (download lines, request, erase, time and clock lines) and the
// files (numbers, names, pieces, save, load, compare, bad files).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "base/messages.h"
#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/config_file_format.h"
#include "config/config_files.h"
#include "config/configuration.h"
#include "config/fake_board.h"
#include "config/number_normalize.h"
#include "config/time_command.h"
#include "support/fixed_clocks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using Lines = std::vector<std::string>;

// Whether "key=" starts an assignment in a line ("a1=" must not match inside "ra1=").
bool assigns(const std::string& line, const std::string& key) {
  return line.rfind(key + "=", 0) == 0 || line.find("; " + key + "=") != std::string::npos;
}

// Assignments are packed into lines of at most 61 characters, a longer one alone on its line;
// on S, gf ends its line.
TEST(ExchangeDownload, PackingWhichKeysGoOutAndMacrosLast) {
  Configuration config('e');
  config.parse_assignments("bd=9600 sf=0 rx=1", false);
  EXPECT_EQ(plan_download(config.snapshot(), 'E', 1404),
            (Lines{"rn=; bd=9600; sf=0; rx=1; fs=; fe=; an=; ad=; as=; am=; ae=",
                   "a0=; a1=; a2=; a3=; a4=; a5=; a6=; a7=; of=; mo=; ax=; dk=", "lp=; wd=; dc=; fo=; po="}));
  const std::string long_value(70, 'x');
  config.parse_assignments("fs=" + long_value + " gf=ftp.example.org grt=5", false);
  const Lines e = plan_download(config.snapshot(), 'E', 1404);
  ASSERT_GE(e.size(), 2u);
  EXPECT_EQ(e[0], "rn=; bd=9600; sf=0; rx=1");
  EXPECT_EQ(e[1], "fs=" + long_value);
  const Lines s = plan_download(config.snapshot(), 'S', 1404);
  const auto gf = std::find_if(s.begin(), s.end(), [](const std::string& l) { return assigns(l, "gf"); });
  ASSERT_TRUE(gf + 1 < s.end());
  EXPECT_TRUE(gf->ends_with("gf=ftp.example.org")) << *gf;
  EXPECT_TRUE(gf[1].starts_with("grt=5;")) << gf[1];
  // Availability by type and firmware (a value never makes a known key available where it is
  // absent), group tails only with a value (first members always), never statistics, free slots
  // or the version row, and unknown keys with values everywhere.
  config.reset_configuration();
  config.parse_assignments("gry=1 a20=a*2+0 ex=3 dg=1 bm0=5 zz=7", false);
  config.parse_assignments("m9=1", false);
  config.parse_assignments("m10=1", false);
  const ParameterTable table = config.snapshot();
  const struct {
    char letter;
    int firmware;
    const char* key;
    bool sent;
    const char* note;
  } rows[] = {
      {'S', 1202, "gry", true, "gry from 1202"},   {'2', 600, "gry", false, "the S column"},
      {'S', 1404, "a15", true, "no tail"},          {'S', 1404, "a16", false, "empty tail"},
      {'S', 1404, "a20", true, "tail with value"},  {'S', 1404, "rq9", true, "no tail"},
      {'S', 1404, "rq11", false, "empty tail"},     {'S', 1404, "gr0", true, "first member"},
      {'S', 1404, "gre0", true, "first member"},    {'S', 1404, "gr1", false, "empty tail"},
      {'S', 1404, "grb1", false, "empty tail"},     {'S', 1404, "bm0", false, "statistic"},
      {'S', 1404, "  ", false, "no letter first"},  {'S', 1404, "zz", true, "unknown, valued"},
      {'E', 1404, "m0", false, "no macros on E"},
      {'S', 1404, "bd", false, "E and F only"},      {'E', 400, "bd", true, "E and F only"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " on " + row.letter + ": " + row.note);
    const Lines lines = plan_download(table, row.letter, row.firmware);
    EXPECT_EQ(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return assigns(l, row.key); }),
              row.sent);
  }
  // Macros go last, each on a line of its own, m0 to m2 always.
  config.parse_assignments("m5=30,1000ms,st;up x", false);
  config.parse_assignments("m12=1,st", false);
  const Lines macros = plan_download(config.snapshot(), 'S', 1404);
  ASSERT_GE(macros.size(), 7u);
  EXPECT_EQ((Lines{macros.end() - 7, macros.end()}),
            (Lines{"m0=", "m1=", "m2=", "m5=30,1000ms,st;up x", "m9=1", "m10=1", "m12=1,st"}));
}

constexpr std::int64_t at(int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s) * 1000LL + ms; }

struct CountingRebuild : RebuildRequester {
  std::atomic<int> count{0};
  void request_rebuild() override { ++count; }
};

struct CountingHooks : ConfigFileHooks {
  int commits = 0, shows = 0, rebuilds = 0;
  void commit_current_tab() override { ++commits; }
  void show_configuration_tab() override { ++shows; }
  void rebuild_configuration_tab() override { ++rebuilds; }
};

struct CancelChooser : FileChooser {
  std::optional<std::string> choose_file(FileChoice) override { return std::nullopt; }
};

// An E board's table with the fake board, its exchange and clock check, and the files, on
// clocks that stand still.
struct Rig {
  Configuration config{'e'};
  BoardIdentity identity{config, *parse_identity_line("VexaLog E v1404")};
  test::RecordingReport report;
  test::FakeBoard board{report};
  std::atomic<bool> line_feed{false};
  FixedTimeOfDay pc{at(12, 0, 1, 250)};
  BoardClockCheck clock_check{report, line_feed, pc};
  FixedClock clock{make_local_time(2026, 12, 4, 6, 19, 0)};
  ConfigExchange exchange{config, identity, board, board, report, &clock_check, clock};
  CountingRebuild rebuild;
  Messages messages;
  CountingHooks hooks;
  ConfigFiles files{config, identity, report, messages, clock, &hooks, PathCase::keep};
  test::TempDir dir;

  Rig() {
    board.consumer = &exchange;
    config.set_rebuild_requester(&rebuild);
  }
  bool save(const std::string& path) {
    GivenPathChooser chooser(path);
    return files.save_configuration(chooser);
  }
  bool load(const std::string& path) {
    GivenPathChooser chooser(path);
    return files.load_configuration(chooser);
  }
  int compare(const std::string& path) {
    GivenPathChooser chooser(path);
    int errors = -1;
    files.compare_configuration(chooser, &errors);
    return errors;
  }
};

TEST(ExchangeLines, DownloadStopsAtTheFirstMissingOkConfRequestAbsorbsTheReplyEraseWritesZConf) {
  Rig rig;
  rig.config.parse_assignments("bd=9600", false);
  EXPECT_TRUE(rig.exchange.download_configuration());
  EXPECT_EQ(rig.board.commands, plan_download(rig.config.snapshot(), 'E', 1404));
  rig.board.commands.clear();
  rig.board.oks_left = 1;
  EXPECT_FALSE(rig.exchange.download_configuration());
  ASSERT_EQ(rig.board.commands.size(), 2u);
  EXPECT_EQ(rig.board.commands[1].substr(0, 3), "a0=");
  // The configuration request absorbs the identity and the assignments; the erase writes
  // "z;conf"; with the port closed both only tell so.
  rig.board.replies["conf\n"] = {"VexaLog F v603", "bd=9600 sf=0", "Ok"};
  EXPECT_TRUE(rig.exchange.request_configuration());
  EXPECT_EQ(rig.board.written, (Lines{"conf\n"}));
  EXPECT_TRUE(rig.report.contains("conf"));
  EXPECT_EQ(rig.identity.line(), "VexaLog F v603");
  // Lines without assignments change nothing.
  for (const char* line : {"", "VexaLog S 1404", "# sf=1", "Error v", "conf"}) rig.exchange.on_line(line);
  EXPECT_EQ(rig.config.parameter_value("sf"), "0");
  EXPECT_EQ(rig.rebuild.count, 1);  // only the assignment line asked for a rebuild
  rig.exchange.send_assignment_line("sf=1");  // a tab's single assignment: printed, stored, written
  EXPECT_EQ(rig.report.lines.back(), "sf=1");
  EXPECT_EQ(rig.board.written.back(), "sf=1\n");
  EXPECT_EQ(rig.config.parameter_value("sf"), "1");
  EXPECT_TRUE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.board.written.back(), "z;conf\n");
  EXPECT_EQ(rig.report.lines.back(), "z;conf");
  rig.board.port_open = false;
  rig.report.lines.clear();
  EXPECT_FALSE(rig.exchange.request_configuration());
  EXPECT_FALSE(rig.exchange.erase_to_factory());
  EXPECT_EQ(rig.report.lines, (Lines{"Error Port is not open", "Error Port is not open"}));
}

// A clock whose second changes after a few reads.
class TickingClock final : public Clock {
 public:
  std::tm local_now() const override { return make_local_time(2026, 1, 1, 10, 0, 0); }
  std::time_t epoch_now() const override {
    std::tm t = make_local_time(2026, 1, 1, 10, 0, reads_++ < 3 ? 0 : 1);
    return std::mktime(&t);
  }
  std::int64_t epoch_ms() const override { return static_cast<std::int64_t>(epoch_now()) * 1000; }
  std::int64_t monotonic_ms() const override { return 0; }
  std::int64_t local_ms_of_day() const override { return 10 * 3600 * 1000; }
  void sleep_ms(int) const override {}
  mutable int reads_ = 0;
};

// With the switch off, clock lines are unknown keys; with it on, the clock check takes them:
// each prints the difference, and an " x" line the integer average since the last one.
TEST(ExchangeClock, ClockLinesPrintTheDifferenceAndTheAverageOnlyWhileTheSwitchIsOnAndTimeCommands) {
  Rig rig;
  rig.exchange.on_line("ti=120000 dt=240101");
  EXPECT_TRUE(rig.report.lines.empty());
  EXPECT_EQ(rig.config.parameter_value("dt"), "240101");
  rig.config.reset_configuration();
  rig.line_feed = true;
  rig.pc.set(at(12, 0, 1, 0));
  rig.exchange.on_line("ti=120000");  // +1000
  rig.pc.set(at(11, 59, 59, 999));
  rig.exchange.on_line("ti=120000 dt=240101");  // -1
  rig.pc.set(at(12, 0, 0, 0));
  rig.exchange.on_line("ti=120000 x");  // 0
  ASSERT_EQ(rig.report.lines.size(), 4u);  // one line each, and the average of 1000, -1 and 0 ms
  EXPECT_EQ(rig.report.lines[1], "time tgt=43200.000 pc=43199.999 delta=-0.001");
  EXPECT_EQ(rig.report.lines[3], "time delta=0.333 3600.333");
  EXPECT_FALSE(rig.config.find_parameter("ti").has_value());
  EXPECT_EQ(rig.rebuild.count, 1);
  // The sums start again after an " x" line.
  rig.pc.set(at(12, 0, 2, 250));
  rig.exchange.on_line("ti=120000 x");
  EXPECT_EQ(rig.report.lines.back(), "time delta=2.250 3602.250");
  rig.report.lines.clear();
  EXPECT_FALSE(rig.clock_check.check_board_clock(" ti=120000"));
  EXPECT_TRUE(rig.clock_check.check_board_clock("ti="));  // short text: the missing digits read as 0
  EXPECT_EQ(rig.report.lines, (Lines{"time tgt=0.000 pc=43202.250 delta=43202.250"}));
  // The time command by mode, across the end of February; through the exchange it is printed
  // and written with LF, no reply awaited.
  const FixedClock common(make_local_time(2026, 3, 1, 0, 30, 15));
  EXPECT_EQ(time_command(common, TimeMode::hour_earlier, ""), "ti=233015 dt=260228");
  // FixedClock's monotonic time does not move either: the poll count ends the wait.
  EXPECT_EQ(time_command(common, TimeMode::next_second, ";x"), "ti=003015 dt=260301;x");
  rig.exchange.send_time(TimeMode::now, ";tt");
  EXPECT_EQ(rig.report.lines.back(), "ti=061900 dt=261204;tt");
  EXPECT_EQ(rig.board.written.back(), "ti=061900 dt=261204;tt\n");
  EXPECT_TRUE(rig.board.commands.empty());
  TickingClock clock;
  EXPECT_EQ(time_command(clock, TimeMode::next_second, ""), "ti=100001 dt=260101");
}

// Numbers become "%f" texts, so that equal values compare equal whatever their form.
TEST(FilesFormat, NumbersAreRewrittenTheTxtRuleFileNamesAndPieces) {
  const struct {
    std::string input, expected, note;
  } rows[] = {
      {"-1.5", "-1.500000", "a sign and a fraction"},
      {"a*2+0", "a*2.000000+0.000000", "a formula: the '+' is no sign"},
      {"1e3x", "1000.000000x", "an exponent"},
      {"1e+x", "1.000000e+x", "no exponent digits: not an exponent"},
      {"1e999", "inf", "too large"},
      {"1e-999", "0.000000", "too small"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    EXPECT_EQ(normalize_numbers(row.input), row.expected);
  }
  // The output holds at most size - 2 characters, even when a number ends past it.
  EXPECT_EQ(normalize_numbers("xxxxx12345", 10), "xxxxx123");
  EXPECT_EQ(save_path("/tmp/dir.d/board"), "/tmp/dir.d/board");  // any '.' in the path counts
  EXPECT_EQ(dialog_path(std::string(400, 'A')), std::string(kFileDialogChars, 'a'));
  EXPECT_EQ(file_name_part("c:\\cfg\\board1.txt"), "board1.txt");
  // Files are read in pieces: a line, or as much of it as a piece holds, or what comes before a NUL.
  Lines p;
  const auto pieces = [&p](std::string_view text) {
    p.clear();
    for_each_file_piece(text, [&](std::string_view piece) { p.emplace_back(piece); });
    return p;
  };
  EXPECT_EQ(pieces("a=1\r\nb=2\nc=3"), (Lines{"a=1\r\n", "b=2\n", "c=3"}));
  ASSERT_EQ(pieces(std::string(600, 'z') + "\n").size(), 2u);
  EXPECT_EQ(p[0].size(), kFilePieceChars);
  EXPECT_EQ(p[1].size(), 600 - kFilePieceChars + 1);
  std::string binary("bd=1\0sf=2\nrx=1\n", 15);
  EXPECT_EQ(pieces(binary), (Lines{"bd=1", "rx=1\n"}));
}

TEST(FilesSave, ExampleFileForAnEBoardAndTypeAndNameLinesByBoard) {
  Rig rig;
  rig.config.parse_assignments("bd=9600 sf=0", false);
  rig.config.parse_assignments("a3=a*3.814685+0,2 a3.name=Outside", false);
  rig.config.parse_assignments("ex=4 uc=2", false);  // statistics: never saved
  std::string path = rig.dir.file("board1");
  ASSERT_TRUE(rig.save(path));
  EXPECT_EQ(test::TempDir::read(path + ".txt"),
            "# Configuration VexaLog E v1404 04Dec2026 06:19:00\n"
            "bd=9600\nsf=0\na3=a*3.814685+0,2\na3.name=Outside\n");
  EXPECT_EQ(rig.report.lines.back(), "Saved config to " + path + ".txt");
  EXPECT_EQ(rig.hooks.commits, 1);
  // The ".type" line follows the ".name" line, except on S boards; a default name has no line.
  rig.config.reset_configuration();
  rig.config.parse_assignments("a3=a*1+0 a3.name=Out", false);
  rig.config.parse_assignments("a3.type=Pt100", false);
  rig.config.parse_assignments("a5.name=Tank", false);  // named, but without a value
  const ParameterTable table = rig.config.snapshot();
  const std::tm stamp = make_local_time(2026, 1, 2, 3, 4, 5);
  EXPECT_EQ(configuration_file_text(table, language_table('e'), "VexaLog S v1404", 'S', stamp),
            "# Configuration VexaLog S v1404 02Jan2026 03:04:05\na3=a*1+0\na3.name=Out\na5.name=Tank\n");
  EXPECT_NE(configuration_file_text(table, language_table('e'), "VexaLog v520", '2', stamp)
                .find("a3=a*1+0\na3.name=Out\na3.type=Pt100\n"),
            std::string::npos);
}

TEST(FilesSaveLoad, NothingLoadedWritesNoFileFilesThatCannotBeOpenedSayWhyAndALoadReplacesTheTable) {
  Rig rig;
  std::string path = rig.dir.file("empty.txt");
  EXPECT_FALSE(rig.save(path));
  EXPECT_EQ(rig.compare(path), -1);
  EXPECT_FALSE(test::TempDir::exists(path));
  rig.config.parse_assignments("bd=9600", false);
  CancelChooser cancel;
  EXPECT_FALSE(rig.files.save_configuration(cancel));
  EXPECT_FALSE(rig.files.load_configuration(cancel));
  EXPECT_FALSE(rig.files.compare_configuration(cancel));
  // The dialog's rule lower-cases the path and adds ".txt": the message shows the path tried,
  // the reason on a line of its own. A load that cannot open its file leaves the table alone.
  ConfigFiles dialog_files(rig.config, rig.identity, rig.report, rig.messages, rig.clock);
  GivenPathChooser chooser("/NoSuchDir-VEXA/Board1");
  EXPECT_FALSE(dialog_files.save_configuration(chooser));
  EXPECT_FALSE(rig.load(rig.dir.path()));
  EXPECT_EQ(rig.report.lines, (Lines{"No configuration loaded", "No configuration loaded",
                                     "Error open /nosuchdir-vexa/board1.txt", "No such file or directory",
                                     "Error open " + rig.dir.path(), "Is a directory"}));
  EXPECT_EQ(rig.config.parameter_value("bd"), "9600");
  EXPECT_EQ(rig.hooks.shows, 0);
  // A load replaces the configuration, and a comparison with the file finds nothing.
  rig.config.parse_assignments("rn=stale", false);
  path = rig.dir.write("in.txt",
                       "# Configuration VexaLog E v1404 04Dec2026 06:19:00\r\n"
                       "bd=9600 sf=0\r\n"
                       "a3=a*3.814685+0,2\n"
                       "a3.name=Outside temp\n"
                       "zz=5\n");
  ASSERT_TRUE(rig.load(path));
  EXPECT_FALSE(rig.config.find_parameter("rn")->has_value);
  EXPECT_EQ(rig.config.parameter_value("sf"), "0");
  EXPECT_EQ(rig.report.lines.back(), "Loaded config from in.txt");
  EXPECT_EQ(rig.hooks.shows, 1);
  EXPECT_EQ(rig.hooks.rebuilds, 1);

  EXPECT_EQ(rig.compare(path), 0);
}

TEST(FilesCompare, NumbersCompareByValueMissingKeysCountOnBothSidesAndEmptyKeysCompare) {
  Rig rig;
  // ex is a statistic: compared from neither side while the configuration has it.
  rig.config.parse_assignments("bd=19200 a1=a*2+0 fs=x ex=9", false);
  std::string same = rig.dir.write("same.txt", "a1=a*2.000+0\nbd=19200.0\nfs=x\n");
  EXPECT_EQ(rig.compare(same), 0);
  rig.report.lines.clear();
  std::string diff = rig.dir.write("diff.txt", "a1=a*2+1\nbd=9600\nzz=1\nex=9\na1.name=n\n");
  EXPECT_EQ(rig.compare(diff), 4);
  EXPECT_EQ(rig.report.lines,
            (Lines{"Compare: file: bd=9600 conf: bd=19200",
                                      "Compare: missing in file: fs=x",
                                      "Compare: file: a1=a*2+1 conf: a1=a*2+0",
                                      "Compare: missing in conf: zz=1",
                                      "Compare diff.txt: 4 errors"}));

  // Nothing of one comparison's file stays for the next: zz is not found twice, nor a1's
  // value taken from the earlier file.
  EXPECT_EQ(rig.compare(same), 0);
  std::string fewer = rig.dir.write("fewer.txt", "bd=19200\n");
  EXPECT_EQ(rig.compare(fewer), 2);  // a1 and fs missing in the file
  // A file's inputs become present; empty keys compare too.
  rig.config.reset_configuration();
  rig.report.lines.clear();
  rig.config.parse_assignments("bd=1 =5", false);
  // '=5' comes last: the next new key of a file would take over its free row.
  std::string path = rig.dir.write("f.txt", "bd=1\na40=a*1+0\n=5\n");
  rig.config.presence().clear_changed();
  EXPECT_EQ(rig.compare(path), 1);  // a40 is missing in the configuration; '=5' matches
  EXPECT_EQ(rig.report.lines.front(), "Compare: missing in conf: a40=a*1+0");
  EXPECT_TRUE(rig.config.presence().is_present(40));
  EXPECT_TRUE(rig.config.presence().take_changed());

  // The next comparison starts from a scratch table without that file's '=5'.
  rig.config.reset_configuration();
  rig.config.parse_assignments("bd=1", false);
  rig.report.lines.clear();
  EXPECT_EQ(rig.compare(rig.dir.write("g.txt", "bd=1\n")), 0) << rig.report.lines.front();
}

// Binary and overlong files are the config-file fuzz harness's; the pieces they are read in,
// FilesFormat's.
TEST(FilesBadInput, AFileOfMoreUnknownKeysThanFreeRowsLoadsItsLastLineAndComparesWhatFitted) {
  Rig rig;
  std::string unknown;
  for (int i = 0; i < 5000; ++i) unknown += "u" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  unknown += "bd=4800\n";
  std::string upath = rig.dir.write("unknown.txt", unknown);
  ASSERT_TRUE(rig.load(upath));
  EXPECT_EQ(rig.config.parameter_value("bd"), "4800");  // the last line of a long file still counts
  // The comparison's own table fills up with the first 998 keys of the file: bd is not among
  // them, and u415.. did not fit into the configuration.
  EXPECT_EQ(rig.compare(upath), 1 + 998 - 415);
}

}  // namespace
}  // namespace vexa
